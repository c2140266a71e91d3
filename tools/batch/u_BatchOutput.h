#pragma once
// TBatchOutput: the program's two streams. Record lines go to stdout, buffered unless stdout is a
// terminal, but never held longer than kFlushInterval: a program reading the pipe sees each record
// soon after it is made. The progress line and the messages go to stderr. One lock keeps the
// progress line, which the two workers redraw, from being torn by a record line on the same
// terminal.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace morvane {

class TBatchOutput {
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;
    // The longest that a record waits in the buffer, given that FlushIfDue is called in time.
    static constexpr std::chrono::milliseconds kFlushInterval{100};

    // The descriptors stay open; the object never closes them. p_doClock: when is now (empty:
    // the steady clock); tests put a clock of their own here.
    TBatchOutput(int p_intStdoutFd, int p_intStderrFd, TClock p_doClock = {});
    ~TBatchOutput();
    TBatchOutput(const TBatchOutput&) = delete;
    TBatchOutput& operator=(const TBatchOutput&) = delete;

    // One record line; p_strLine without its line break (an LF is added).
    void WriteRecordLine(std::u16string_view p_strLine);
    // One record as its bytes for stdout, terminator included. Written out at once when
    // kFlushInterval has passed since the last write-out, or the buffer is large.
    void WriteRecord(std::string_view p_strBytes);
    // Other text for stdout (UTF-8, breaks included), buffered like the record lines.
    void WriteText(std::string_view p_strText);
    // Writes out what stdout still buffers.
    void Flush();
    // Writes out what stdout buffers once kFlushInterval has passed since the last write-out.
    // Called by the main thread whenever it wakes.
    void FlushIfDue();
    // How long the main thread may wait before it calls FlushIfDue, in milliseconds: until what
    // is buffered is due (0: now), or kFlushInterval while nothing is (a record may come
    // meanwhile, and only a wake-up writes it out if no other record follows).
    int FlushDelayMs();

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
    bool IsFlushDueLocked(std::chrono::steady_clock::time_point p_Now) const;
    std::chrono::steady_clock::time_point Now() const;
    void ClearProgressLocked();
    static bool WriteAll(int p_intFd, std::string_view p_strBytes);

    static constexpr std::size_t kBufferLimit = 64 * 1024;

    const int g_intStdoutFd;
    const int g_intStderrFd;
    const bool g_IsStdoutTerminal;
    const bool g_IsStderrTerminal;
    std::mutex g_Lock;       // guards everything below and the writes themselves
    std::string g_strBuffer; // stdout bytes not yet written
    const TClock g_doClock;
    std::chrono::steady_clock::time_point g_LastFlushTime;
    bool g_IsProgressVisible = false;
    std::atomic<bool> g_IsStdoutBroken{false};
};

} // namespace morvane
