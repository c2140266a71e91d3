// morvane-batch-fake: morvane-batch with a hook at the first record or the first write, for the
// process tests.
//   morvane-batch-fake hold-until-stop ARGS...      after record 1 (on stdout within 100 ms) the
//   task
//                                                   waits until a stop has been requested
//   morvane-batch-fake remove-logs-after-first ARGS...  after record 1 the task log folder is
//                                                   removed, so the last page cannot be written
//   morvane-batch-fake gate-first-write FIFO ARGS...    the first write into a rewrite's
//                                                   temporary file announces "gate" on stderr,
//                                                   then waits until a byte can be read from
//                                                   FIFO (for ever when none comes)

#include "files/u_FileSystemOps.h"
#include "text/u_TextConvert.h"
#include "u_BatchProgram.h"
#include "u_BatchRunner.h"

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

class TGatedFileSystemOps : public morvane::TFileSystemOps {
public:
    explicit TGatedFileSystemOps(std::string p_strFifo) : g_strFifo(std::move(p_strFifo)) {}

    ssize_t Write(int p_intFd, const void* p_Buffer, std::size_t p_intCount) override {
        if (!g_IsPassed.exchange(true)) {
            constexpr char kAnnouncement[] = "gate\n";
            [[maybe_unused]] const ssize_t m_intWritten =
                write(STDERR_FILENO, kAnnouncement, sizeof kAnnouncement - 1);
            // Opening a FIFO for reading blocks until the test opens it for writing.
            const int m_intGate = open(g_strFifo.c_str(), O_RDONLY | O_CLOEXEC);
            char m_chrByte = 0;
            [[maybe_unused]] const ssize_t m_intRead = read(m_intGate, &m_chrByte, 1);
            close(m_intGate);
        }
        return TFileSystemOps::Write(p_intFd, p_Buffer, p_intCount);
    }

private:
    const std::string g_strFifo;
    std::atomic<bool> g_IsPassed{false};
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 64;
    }
    const std::string m_strBehaviour = argv[1];
    if (m_strBehaviour == "gate-first-write") {
        if (argc < 3) {
            return 64;
        }
        static TGatedFileSystemOps s_Ops(argv[2]);
        morvane::SetFileSystemOpsForTesting(&s_Ops);
        return morvane::RunBatchProgram(std::vector<std::string>(argv + 3, argv + argc),
                                        STDOUT_FILENO, STDERR_FILENO);
    }
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
