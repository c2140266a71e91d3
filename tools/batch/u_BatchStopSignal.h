#pragma once
// TBatchStopSignal: Ctrl-C as the stop button. The SIGINT handler only writes one byte to a pipe
// (a self-pipe); the main thread waits on the pipe's read end and sets the workers' stop flags
// itself. One object at a time per process.

#include <functional>
#include <signal.h>

namespace morvane {

class TBatchStopSignal {
public:
    // Creates the pipe and installs the handler; throws std::system_error when either fails.
    TBatchStopSignal();
    // Puts the previous SIGINT action back and closes the pipe.
    ~TBatchStopSignal();
    TBatchStopSignal(const TBatchStopSignal&) = delete;
    TBatchStopSignal& operator=(const TBatchStopSignal&) = delete;

    // Readable once a SIGINT has arrived.
    int ReadFd() const { return g_intReadFd; }
    // Reads away what is pending; the number of SIGINTs seen since the last call.
    int Drain();

    // Runs p_doProcedure with SIGINT blocked in the calling thread, so that the threads it starts
    // inherit the blocked mask and the signal always reaches the thread that waits for it.
    static void WithSignalBlocked(const std::function<void()>& p_doProcedure);

private:
    static void Handle(int p_intSignal);

    int g_intReadFd = -1;
    int g_intWriteFd = -1;
    struct sigaction g_OldAction {};
};

} // namespace morvane
