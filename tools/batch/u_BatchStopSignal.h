#pragma once
// TBatchStopSignal: Ctrl-C, SIGTERM and SIGHUP as the stop button. The first of them only writes
// one byte to a pipe (a self-pipe); the main thread waits on the pipe's read end and sets the
// workers' stop flags itself. A second one, of any of the three, while the task is stopping ends
// the program at once: the handler removes the temporary files of the rewrites under way
// (TTemporaryFiles) and exits with 128 + its number. One object at a time per process.

#include <array>
#include <functional>
#include <signal.h>

namespace morvane {

class TBatchStopSignal {
public:
    // The signals that stop a task, in the order their handlers are installed.
    static constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

    // Creates the pipe and installs the handlers; throws std::system_error when either fails. A
    // signal that was ignored on entry (nohup, a background job) stays ignored.
    TBatchStopSignal();
    // Puts the previous actions back and closes the pipe.
    ~TBatchStopSignal();
    TBatchStopSignal(const TBatchStopSignal&) = delete;
    TBatchStopSignal& operator=(const TBatchStopSignal&) = delete;

    // Readable once a stop signal has arrived.
    int ReadFd() const { return g_intReadFd; }
    // Reads away what is pending; the number of stop signals seen since the last call.
    int Drain();
    // The number of the first stop signal received; 0 while none has come.
    static int FirstSignal();

    // Runs p_doProcedure with the stop signals blocked in the calling thread, so that the threads
    // it starts inherit the blocked mask and the signals always reach the thread that waits.
    static void WithSignalBlocked(const std::function<void()>& p_doProcedure);

private:
    static void Handle(int p_intSignal);

    int g_intReadFd = -1;
    int g_intWriteFd = -1;
    std::array<struct sigaction, kStopSignals.size()> g_arrOldActions{};
    std::array<bool, kStopSignals.size()> g_arrIsInstalled{};
};

} // namespace morvane
