#pragma once
// TThreadDeleteLogsFile: removes task log folders dated eight or more days before today from the
// logs folder. Runs on its own at normal priority and frees itself when done.

#include "core/u_Thread.h"

#include <atomic>
#include <string>

namespace morvane {

class TThreadDeleteLogsFile : public TThread {
public:
    // p_strLogsFileDirectory: the logs folder, without a trailing separator.
    explicit TThreadDeleteLogsFile(std::u16string p_strLogsFileDirectory);

    const std::u16string g_strLogsFileDirectory;
    std::atomic<bool> g_IsStoped{false};

    // The scan itself, with today given as yyyyMMdd; Execute passes the local date.
    void DeleteOldLogsDirectories(const std::u16string& p_strLogsFileDirectory, int p_intToday);
    static void DeleteLogsDirectory(const std::string& p_strNativeDirectory);

protected:
    void Execute() override;
};

} // namespace morvane
