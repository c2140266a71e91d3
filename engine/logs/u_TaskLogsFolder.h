#pragma once
// The task log folder: the logs folder, the separator, the local start time as yyyyMMdd_HHmmss.
// Never shared with an earlier task: the pages of two tasks started within the same second would
// otherwise overwrite and mix with each other.

#include <ctime>
#include <functional>
#include <string>

namespace morvane {

// The clock a task log folder is named by: the local time in whole seconds, and a wait until the
// given second has passed. An empty member stands for the real clock's.
struct TTaskLogsClock {
    std::function<std::time_t()> g_doNow;
    std::function<void(std::time_t p_intTime)> g_doWaitPast;
};

// Where every front-end keeps its task log folders: LogsFolder() (beside the executable when
// portable, else in the user's XDG state folder).
std::u16string DefaultLogsDirectory();

// p_strLogsDirectory + separator + the local time formatted yyyyMMdd_HHmmss, without a trailing
// separator.
std::u16string TaskLogsFolderName(const std::u16string& p_strLogsDirectory, std::time_t p_intTime);

// Creates the logs folder with its parents and then a task log folder of its own: when the name
// for the current second is taken (another task, another process), it waits for the next second
// and tries again, a few times. Returns the folder's path; throws TEngineError naming the folder
// and the reason when none can be created. Without p_Clock, the clock in force.
std::u16string CreateTaskLogsFolder(const std::u16string& p_strLogsDirectory,
                                    const TTaskLogsClock& p_Clock = {});

// Puts p_Clock in force for every task log folder made without a clock of its own (not owned; it
// must outlive its use); nullptr restores the real clock. Process-wide: for tests, while no task
// starts.
void SetTaskLogsClockForTesting(const TTaskLogsClock* p_Clock);

} // namespace morvane
