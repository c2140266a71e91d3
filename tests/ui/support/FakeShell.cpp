#include "FakeShell.h"

namespace morvane::test {

TFakeShell::TFakeShell() {
    SetShellForTesting(this);
}

TFakeShell::~TFakeShell() {
    SetShellForTesting(nullptr);
}

bool TFakeShell::OpenInTextEditor(const QString& p_strFileName) {
    g_arrCalls.append({TShellAction::OpenInTextEditor, p_strFileName});
    return !g_IsFailing;
}

bool TFakeShell::ShowInFileManager(const QString& p_strFileName) {
    g_arrCalls.append({TShellAction::ShowInFileManager, p_strFileName});
    return !g_IsFailing;
}

bool TFakeShell::OpenUrl(const QString& p_strUrl) {
    g_arrCalls.append({TShellAction::OpenUrl, p_strUrl});
    return !g_IsFailing;
}

} // namespace morvane::test
