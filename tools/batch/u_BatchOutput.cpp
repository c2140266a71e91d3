#include "u_BatchOutput.h"

#include "text/u_TextConvert.h"

#include <cerrno>
#include <unistd.h>

namespace morvane {

namespace {

// Carriage return, then "erase to the end of the line": the progress line is redrawn in place.
constexpr std::string_view kEraseLine = "\r\x1b[K";

} // namespace

TBatchOutput::TBatchOutput(int p_intStdoutFd, int p_intStderrFd, TClock p_doClock)
    : g_intStdoutFd(p_intStdoutFd), g_intStderrFd(p_intStderrFd),
      g_IsStdoutTerminal(isatty(p_intStdoutFd) == 1),
      g_IsStderrTerminal(isatty(p_intStderrFd) == 1), g_doClock(std::move(p_doClock)),
      g_LastFlushTime(Now()) {}

TBatchOutput::~TBatchOutput() {
    Flush();
}

bool TBatchOutput::WriteAll(int p_intFd, std::string_view p_strBytes) {
    while (!p_strBytes.empty()) {
        const ssize_t m_intWritten = write(p_intFd, p_strBytes.data(), p_strBytes.size());
        if (m_intWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p_strBytes.remove_prefix(static_cast<std::size_t>(m_intWritten));
    }
    return true;
}

void TBatchOutput::WriteRecordLine(std::u16string_view p_strLine) {
    WriteRecord(Utf16ToUtf8(p_strLine) + '\n');
}

void TBatchOutput::WriteRecord(std::string_view p_strBytes) {
    std::lock_guard m_Lock(g_Lock);
    if (g_IsStdoutBroken.load()) {
        return;
    }
    g_strBuffer += p_strBytes;
    // On a terminal the user watches the lines come; into a pipe or a file they go in blocks,
    // though not held back for long.
    if (g_IsStdoutTerminal) {
        ClearProgressLocked();
        FlushLocked();
    } else if (g_strBuffer.size() >= kBufferLimit || IsFlushDueLocked(Now())) {
        FlushLocked();
    }
}

std::chrono::steady_clock::time_point TBatchOutput::Now() const {
    return g_doClock ? g_doClock() : std::chrono::steady_clock::now();
}

bool TBatchOutput::IsFlushDueLocked(std::chrono::steady_clock::time_point p_Now) const {
    return p_Now - g_LastFlushTime >= kFlushInterval;
}

void TBatchOutput::FlushIfDue() {
    std::lock_guard m_Lock(g_Lock);
    if (!g_strBuffer.empty() && IsFlushDueLocked(Now())) {
        FlushLocked();
    }
}

int TBatchOutput::FlushDelayMs() {
    std::lock_guard m_Lock(g_Lock);
    if (g_strBuffer.empty()) {
        return static_cast<int>(kFlushInterval.count());
    }
    const auto m_Left = g_LastFlushTime + kFlushInterval - Now();
    // Rounded up: waking a little early would find nothing due yet.
    const auto m_intLeftMs = std::chrono::ceil<std::chrono::milliseconds>(m_Left).count();
    return m_intLeftMs > 0 ? static_cast<int>(m_intLeftMs) : 0;
}

void TBatchOutput::WriteText(std::string_view p_strText) {
    std::lock_guard m_Lock(g_Lock);
    g_strBuffer += p_strText;
    FlushLocked();
}

void TBatchOutput::Flush() {
    std::lock_guard m_Lock(g_Lock);
    FlushLocked();
}

void TBatchOutput::FlushLocked() {
    g_LastFlushTime = Now();
    if (g_strBuffer.empty()) {
        return;
    }
    if (!g_IsStdoutBroken.load() && !WriteAll(g_intStdoutFd, g_strBuffer)) {
        g_IsStdoutBroken.store(true);
    }
    g_strBuffer.clear();
}

void TBatchOutput::ShowProgress(std::string_view p_strText) {
    if (!g_IsStderrTerminal) {
        return;
    }
    std::lock_guard m_Lock(g_Lock);
    std::string m_strLine(kEraseLine);
    m_strLine += p_strText;
    WriteAll(g_intStderrFd, m_strLine);
    g_IsProgressVisible = true;
}

void TBatchOutput::ClearProgress() {
    std::lock_guard m_Lock(g_Lock);
    ClearProgressLocked();
}

void TBatchOutput::ClearProgressLocked() {
    if (g_IsProgressVisible) {
        WriteAll(g_intStderrFd, kEraseLine);
        g_IsProgressVisible = false;
    }
}

void TBatchOutput::WriteMessage(std::string_view p_strText) {
    std::lock_guard m_Lock(g_Lock);
    ClearProgressLocked();
    std::string m_strLine(p_strText);
    m_strLine += '\n';
    WriteAll(g_intStderrFd, m_strLine);
}

std::string TBatchOutput::MessageText(std::u16string_view p_strText) {
    std::string m_strText = Utf16ToUtf8(p_strText);
    for (char& m_chrCurrent : m_strText) {
        if (m_chrCurrent == '\r') {
            m_chrCurrent = '\n';
        }
    }
    return m_strText;
}

} // namespace morvane
