#pragma once
// TBatchOutput: the program's two streams. Record lines go to stdout, buffered unless stdout is a
// terminal; the progress line and the messages go to stderr. One lock keeps the progress line,
// which the two workers redraw, from being torn by a record line on the same terminal.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace morvane {

class TBatchOutput {
public:
    // The descriptors stay open; the object never closes them.
    TBatchOutput(int p_intStdoutFd, int p_intStderrFd);
    ~TBatchOutput();
    TBatchOutput(const TBatchOutput&) = delete;
    TBatchOutput& operator=(const TBatchOutput&) = delete;

    // One record line; p_strLine without its line break (an LF is added).
    void WriteRecordLine(std::u16string_view p_strLine);
    // One record as its bytes for stdout, terminator included.
    void WriteRecord(std::string_view p_strBytes);
    // Other text for stdout (UTF-8, breaks included), buffered like the record lines.
    void WriteText(std::string_view p_strText);
    // Writes out what stdout still buffers.
    void Flush();

    // Whether a progress line is shown at all: only while stderr is a terminal.
    bool IsProgressShown() const { return g_IsStderrTerminal; }
    // Replaces the progress line on stderr (no line break).
    void ShowProgress(std::string_view p_strText);
    // Removes the progress line, so that what follows starts on a clean line.
    void ClearProgress();

    // A message on stderr (UTF-8), with the progress line out of its way; an LF is added.
    void WriteMessage(std::string_view p_strText);

    // A text as the windows' message boxes show it, for stderr: UTF-8, each CR as LF.
    static std::string MessageText(std::u16string_view p_strText);

    // True once a write to stdout has failed (a closed pipe, a full disk). Further record lines
    // are dropped; the task itself is not disturbed.
    bool IsStdoutBroken() const { return g_IsStdoutBroken.load(); }

private:
    void FlushLocked();
    void ClearProgressLocked();
    static bool WriteAll(int p_intFd, std::string_view p_strBytes);

    static constexpr std::size_t kBufferLimit = 64 * 1024;

    const int g_intStdoutFd;
    const int g_intStderrFd;
    const bool g_IsStdoutTerminal;
    const bool g_IsStderrTerminal;
    std::mutex g_Lock;       // guards everything below and the writes themselves
    std::string g_strBuffer; // stdout bytes not yet written
    bool g_IsProgressVisible = false;
    std::atomic<bool> g_IsStdoutBroken{false};
};

} // namespace morvane
