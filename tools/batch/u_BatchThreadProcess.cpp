#include "u_BatchThreadProcess.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace morvane {

TBatchThreadProcess::TBatchThreadProcess(int p_intEndedFd, std::int32_t p_intMode,
                                         std::u16string p_strLogsDirectory,
                                         std::u16string p_strDirectory, std::int32_t p_intEncoding,
                                         std::u16string p_strOldText, std::u16string p_strNewText,
                                         std::u16string p_strExtension, bool p_IsContainSubFloder,
                                         bool p_IsMatchCase)
    : TThreadProcess(p_intMode, std::move(p_strLogsDirectory), std::move(p_strDirectory),
                     p_intEncoding, std::move(p_strOldText), std::move(p_strNewText),
                     std::move(p_strExtension), p_IsContainSubFloder, p_IsMatchCase),
      g_intEndedFd(p_intEndedFd) {}

void TBatchThreadProcess::Execute() {
    // The engine's body catches its own errors, but anything that still escapes must not leave
    // the main thread waiting for ever.
    try {
        TThreadProcess::Execute();
    } catch (...) {
        SignalEnded();
        throw;
    }
    SignalEnded();
}

void TBatchThreadProcess::SignalEnded() {
    const char m_chrByte = 'E';
    while (write(g_intEndedFd, &m_chrByte, 1) == -1 && errno == EINTR) {
    }
}

} // namespace morvane
