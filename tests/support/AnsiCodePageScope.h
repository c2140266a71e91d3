#pragma once
// Sets the process-wide ANSI code page for one test and restores the default afterwards.

#include "text/u_AnsiCodePage.h"

namespace morvane::test {

class TAnsiCodePageScope {
public:
    explicit TAnsiCodePageScope(int p_intCodePage) { SetAnsiCodePage(p_intCodePage); }
    ~TAnsiCodePageScope() { SetAnsiCodePage(0); }
    TAnsiCodePageScope(const TAnsiCodePageScope&) = delete;
    TAnsiCodePageScope& operator=(const TAnsiCodePageScope&) = delete;
};

} // namespace morvane::test
