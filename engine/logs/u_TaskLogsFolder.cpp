#include "logs/u_TaskLogsFolder.h"

#include "core/u_Types.h"
#include "files/u_DataLocations.h"
#include "files/u_FolderPath.h"
#include "text/u_TextConvert.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace morvane {

namespace {

constexpr int kAttempts = 3;

std::atomic<const TTaskLogsClock*> g_pClockForTesting{nullptr};

std::time_t RealNow() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

void RealWaitPast(std::time_t p_intTime) {
    std::this_thread::sleep_until(std::chrono::system_clock::from_time_t(p_intTime + 1));
}

[[noreturn]] void ThrowFolderError(const std::u16string& p_strFolder, const std::string& p_strWhy) {
    throw TEngineError("Cannot create folder \"" + Utf16ToUtf8(p_strFolder) + "\". " + p_strWhy);
}

void CreateLogsDirectory(const std::u16string& p_strLogsDirectory) {
    // New folders on the way are the user's own (mode 0700), like every folder the program makes.
    PrepareDataFolder(p_strLogsDirectory);
}

} // namespace

std::u16string DefaultLogsDirectory() {
    return LogsFolder();
}

std::u16string TaskLogsFolderName(const std::u16string& p_strLogsDirectory, std::time_t p_intTime) {
    std::tm m_Local{};
#ifdef _WIN32
    localtime_s(&m_Local, &p_intTime);
#else
    localtime_r(&p_intTime, &m_Local);
#endif
    char m_arrName[32];
    std::strftime(m_arrName, sizeof m_arrName, "%Y%m%d_%H%M%S", &m_Local);
    std::u16string m_strFolder = p_strLogsDirectory;
    if (m_strFolder.empty() ||
        (m_strFolder.back() != u'/' && m_strFolder.back() != kPathSeparator)) {
        m_strFolder += kPathSeparator;
    }
    return m_strFolder + Utf8ToUtf16Lenient(m_arrName);
}

std::u16string CreateTaskLogsFolder(const std::u16string& p_strLogsDirectory,
                                    const TTaskLogsClock& p_Clock) {
    const TTaskLogsClock* m_pInForce = g_pClockForTesting.load();
    const TTaskLogsClock& m_Clock =
        p_Clock.g_doNow || m_pInForce == nullptr ? p_Clock : *m_pInForce;
    const auto& m_doNow = m_Clock.g_doNow ? m_Clock.g_doNow : std::function<std::time_t()>(RealNow);
    const auto& m_doWaitPast = m_Clock.g_doWaitPast
                                   ? m_Clock.g_doWaitPast
                                   : std::function<void(std::time_t)>(RealWaitPast);

    CreateLogsDirectory(p_strLogsDirectory);
    std::u16string m_strFolder;
    for (int m_intAttempt = 0; m_intAttempt < kAttempts; ++m_intAttempt) {
        const std::time_t m_intNow = m_doNow();
        m_strFolder = TaskLogsFolderName(p_strLogsDirectory, m_intNow);
        // create_directory is atomic: of two tasks racing for one name exactly one gets it.
        std::error_code m_Error;
        if (std::filesystem::create_directory(NativePath(m_strFolder), m_Error)) {
            return m_strFolder;
        }
        if (m_Error) {
            ThrowFolderError(m_strFolder, m_Error.message());
        }
        m_doWaitPast(m_intNow);
    }
    ThrowFolderError(m_strFolder, "A folder of that name already exists");
}

void SetTaskLogsClockForTesting(const TTaskLogsClock* p_Clock) {
    g_pClockForTesting.store(p_Clock);
}

} // namespace morvane
