#pragma once
// The task parameters: what a front-end hands over to run one task.

#include "core/u_Types.h"

#include <cstdint>
#include <string>

namespace morvane {

// What a task does. A kind of its own gets its workers in TTaskRunner and its checks in
// CheckGoTask; the front-ends hand every kind over the same way.
enum class TTaskKind : std::uint8_t {
    FindReplace, // find, or replace as g_intMode says, in the files of the tree
    // A replace (g_intMode 1) that changes nothing: every file is read, matched and checked as
    // the replace would, and recorded with the status the replace would give on the tree as it
    // is, but no file under the root is created, renamed or removed.
    ReplacePreview,
};

struct TTaskParameters {
    TTaskKind g_Kind = TTaskKind::FindReplace;
    std::int32_t g_intMode = kModeFind; // 1 replace, 2 find
    // Where the task's own log folder is made; empty: the program folder + "logs".
    std::u16string g_strLogsFileDirectory;
    std::u16string g_strDirectory;  // the root; ends with the separator once checked
    std::int32_t g_intEncoding = 0; // 0 detect, 1..5 forced
    std::u16string g_strOldText;
    std::u16string g_strNewText;
    std::u16string g_strExtension; // the extension filter string, e.g. "*.TXT|*.HTM|"
    bool g_IsContainSubFloder = true;
    bool g_IsMatchCase = false;
};

} // namespace morvane
