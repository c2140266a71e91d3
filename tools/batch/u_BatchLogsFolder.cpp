#include "u_BatchLogsFolder.h"

#include "core/u_Types.h"
#include "files/u_ProgramFolder.h"
#include "text/u_TextConvert.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace morvane {

namespace {

constexpr int kAttempts = 3;

std::time_t RealNow() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

void RealWaitPast(std::time_t p_intTime) {
    std::this_thread::sleep_until(std::chrono::system_clock::from_time_t(p_intTime + 1));
}

[[noreturn]] void ThrowFolderError(const std::u16string& p_strFolder, const std::string& p_strWhy) {
    throw TEngineError("Cannot create folder \"" + Utf16ToUtf8(p_strFolder) + "\". " + p_strWhy);
}

} // namespace

std::u16string DefaultLogsDirectory() {
    return GetProgramFolder() + u"logs";
}

std::u16string TaskLogsFolderName(const std::u16string& p_strLogsDirectory, std::time_t p_intTime) {
    std::tm m_Local{};
    localtime_r(&p_intTime, &m_Local);
    char m_arrName[32];
    std::strftime(m_arrName, sizeof m_arrName, "%Y%m%d_%H%M%S", &m_Local);
    std::u16string m_strFolder = p_strLogsDirectory;
    if (m_strFolder.empty() || m_strFolder.back() != u'/') {
        m_strFolder += u'/';
    }
    return m_strFolder + Utf8ToUtf16Lenient(m_arrName);
}

std::u16string CreateTaskLogsFolder(const std::u16string& p_strLogsDirectory,
                                    const std::function<std::time_t()>& p_doNow,
                                    const std::function<void(std::time_t)>& p_doWaitPast) {
    const auto& m_doNow = p_doNow ? p_doNow : std::function<std::time_t()>(RealNow);
    const auto& m_doWaitPast =
        p_doWaitPast ? p_doWaitPast : std::function<void(std::time_t)>(RealWaitPast);

    std::error_code m_Error;
    const std::filesystem::path m_LogsPath(Utf16ToUtf8(p_strLogsDirectory));
    std::filesystem::create_directories(m_LogsPath, m_Error);
    if (m_Error || !std::filesystem::is_directory(m_LogsPath, m_Error)) {
        ThrowFolderError(p_strLogsDirectory,
                         m_Error ? m_Error.message() : std::string("Not a directory"));
    }

    std::u16string m_strFolder;
    for (int m_intAttempt = 0; m_intAttempt < kAttempts; ++m_intAttempt) {
        const std::time_t m_intNow = m_doNow();
        m_strFolder = TaskLogsFolderName(p_strLogsDirectory, m_intNow);
        // create_directory is atomic: of two tasks racing for one name exactly one gets it.
        if (std::filesystem::create_directory(std::filesystem::path(Utf16ToUtf8(m_strFolder)),
                                              m_Error)) {
            return m_strFolder;
        }
        if (m_Error) {
            ThrowFolderError(m_strFolder, m_Error.message());
        }
        m_doWaitPast(m_intNow);
    }
    ThrowFolderError(m_strFolder, "A folder of that name already exists");
}

} // namespace morvane
