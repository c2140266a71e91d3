#pragma once
// TBatchThreadProcess: the processing thread as the runner starts it. The body is the engine's
// own; when it returns, for whatever reason, one byte on a pipe wakes the main thread, which
// then joins it. Without a window there is no event loop to hear of the thread's end otherwise.

#include "task/u_ThreadProcess.h"

namespace morvane {

class TBatchThreadProcess : public TThreadProcess {
public:
    // p_intEndedFd: the write end of a pipe, kept open by the owner until the thread is joined.
    TBatchThreadProcess(int p_intEndedFd, std::int32_t p_intMode, std::u16string p_strLogsDirectory,
                        std::u16string p_strDirectory, std::int32_t p_intEncoding,
                        std::u16string p_strOldText, std::u16string p_strNewText,
                        std::u16string p_strExtension, bool p_IsContainSubFloder,
                        bool p_IsMatchCase);

protected:
    void Execute() override;

private:
    void SignalEnded();

    const int g_intEndedFd;
};

} // namespace morvane
