// morvane-batch-fake: morvane-batch with a hook at the first record, for the process tests.
//   morvane-batch-fake hold-until-stop ARGS...      after record 1 (already on stdout) the task
//                                                   waits until a stop has been requested
//   morvane-batch-fake remove-logs-after-first ARGS...  after record 1 the task log folder is
//                                                   removed, so the last page cannot be written

#include "text/u_TextConvert.h"
#include "u_BatchProgram.h"
#include "u_BatchRunner.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        return 64;
    }
    const std::string m_strBehaviour = argv[1];
    const std::vector<std::string> m_arrArguments(argv + 2, argv + argc);
    return morvane::RunBatchProgram(
        m_arrArguments, STDOUT_FILENO, STDERR_FILENO,
        [m_strBehaviour](morvane::TBatchRunner& p_Runner, std::int32_t p_intRecordNumber) {
            if (p_intRecordNumber != 1) {
                return;
            }
            if (m_strBehaviour == "hold-until-stop") {
                p_Runner.WaitForStopRequest();
            } else if (m_strBehaviour == "remove-logs-after-first") {
                std::error_code m_Error;
                std::filesystem::remove_all(
                    std::filesystem::path(morvane::Utf16ToUtf8(p_Runner.TaskLogsDirectory())),
                    m_Error);
            }
        });
}
