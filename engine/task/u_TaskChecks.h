#pragma once
// The checks a task's parameters pass before it starts (the main window's Go, morvane-batch's
// command line), with the messages the user reads, and the confirmation a replace needs.

#include "task/u_TaskParameters.h"

#include <cstdint>
#include <string>

namespace morvane {

// In the order the checks are made; the first that fails is the one reported.
enum class TGoCheck : std::uint8_t {
    Passed,
    DirectoryMissing,
    FindTextEmpty,
    SameTexts,
    NoExtension
};

struct TGoCheckResult {
    TGoCheck g_Check = TGoCheck::Passed;
    std::u16string g_strMessage; // the failed check's message; empty when all passed
    // All passed, and the task rewrites files (a replace, not its preview): the user must agree
    // first (ReplaceConfirmationQuestion).
    bool g_IsConfirmationNeeded = false;
};

// The directory as typed, with or without its trailing separator: it must exist. Then the find
// text must not be empty; in replace mode the replacement must differ from it (exactly, whatever
// the case option); and the extension filter string must not be empty. Reads the file system
// only to test the directory.
TGoCheckResult CheckGoTask(const TTaskParameters& p_Task);

// The warning shown before a replace task, its lines separated by CR.
std::u16string ReplaceConfirmationWarning();
// The whole question: the warning, an empty line, then whether to start now.
std::u16string ReplaceConfirmationQuestion();

} // namespace morvane
