#pragma once
// The completion summary of a task, as the result window's message box and the headless runner
// show it. Pure functions.

#include <cstdint>
#include <string>

namespace morvane {

struct TTaskSummaryInput {
    std::int32_t g_intMode = 0;       // 1 replace, 2 find
    bool g_IsPreview = false;         // a replace preview: nothing was changed
    bool g_IsStoped = false;          // the user stopped the task
    std::u16string g_strErrorMessage; // non-empty when an error ended the task
    std::int32_t g_intSearchFileCount = 0;
    std::int32_t g_intMatchingFileCount = 0;
    std::int32_t g_intReplaceSuccessFileCount = 0;
    std::int32_t g_intReplaceFailureFileCount = 0;
    std::int32_t g_intUnprocessedFileCount = 0; // files and folders that could not be read
    std::u16string g_strElapsedSeconds;         // already formatted, e.g. "3.46"
};

// The summary lines joined by single CR characters, without a final line break. Empty for a mode
// other than 1 or 2 (no message is shown then).
std::u16string BuildTaskSummary(const TTaskSummaryInput& p_Input);

// Milliseconds between two 32-bit tick counts (modulo 2^32, read as signed) as seconds with two
// decimals, rounded, using the given decimal separator: 1234 ms gives "1.23".
std::u16string FormatElapsedSeconds(std::uint32_t p_intBeginTime, std::uint32_t p_intEndTime,
                                    char16_t p_chrDecimalSeparator = u'.');

// A 32-bit millisecond tick from a monotonic clock (the GetTickCount of this system).
std::uint32_t GetTickCount32();

} // namespace morvane
