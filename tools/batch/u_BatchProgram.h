#pragma once
// The whole of morvane-batch behind main(): the command line, its checks, Ctrl-C and the run.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace morvane {

class TBatchRunner;

// p_arrArguments without the program name; returns the exit status. p_doAfterRecord, when set,
// becomes the runner's g_doAfterRecordProcedure (a test build holds the task with it).
int RunBatchProgram(
    const std::vector<std::string>& p_arrArguments, int p_intStdoutFd, int p_intStderrFd,
    const std::function<void(TBatchRunner& p_Runner, std::int32_t p_intRecordNumber)>&
        p_doAfterRecord = {});

} // namespace morvane
