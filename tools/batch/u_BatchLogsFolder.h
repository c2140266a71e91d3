#pragma once
// The task log folder of a batch task: the logs folder, "/", the local start time as
// yyyyMMdd_HHmmss. Never shared with an earlier task: the pages of two tasks started within the
// same second would otherwise overwrite and mix with each other.

#include <ctime>
#include <functional>
#include <string>

namespace morvane {

// The program folder + "logs", as the main window names it.
std::u16string DefaultLogsDirectory();

// p_strLogsDirectory + "/" + the local time formatted yyyyMMdd_HHmmss, without a trailing "/".
std::u16string TaskLogsFolderName(const std::u16string& p_strLogsDirectory, std::time_t p_intTime);

// Creates the logs folder with its parents and then a task log folder of its own: when the name
// for the current second is taken (another task, another process), it waits for the next second
// and tries again, a few times. Returns the folder's path; throws TEngineError naming the folder
// and the reason when none can be created. p_doNow and p_doWaitPast default to the real clock.
std::u16string CreateTaskLogsFolder(const std::u16string& p_strLogsDirectory,
                                    const std::function<std::time_t()>& p_doNow = {},
                                    const std::function<void(std::time_t)>& p_doWaitPast = {});

} // namespace morvane
