#pragma once
// TThread: a worker thread object in the manner the workers of a task need. It is always created
// suspended and runs Execute once after Start. Effects on the user interface go through
// Synchronize, which runs a function on the user-interface thread and waits for it.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace morvane {

enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class TThread {
public:
    // Runs the given function on the user-interface thread, waits until it has returned, and
    // rethrows in the calling thread whatever it threw. Installed by the user interface.
    using TMainThreadDispatcher = std::function<void(const std::function<void()>&)>;

    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts the body. Called once, by the owner, after wiring. Throws std::system_error when the
    // platform cannot make the thread; the object then never runs and is not alive.
    void Start();

    // Best effort: applied when the body starts (see u_ThreadPriority for each platform).
    void SetPriority(TThreadPriority p_Priority) { g_Priority = p_Priority; }
    TThreadPriority Priority() const { return g_Priority; }

    // A thread set to free itself deletes its object when the body returns; nobody may hold a
    // pointer to it after Start.
    void SetFreeOnTerminate(bool p_IsFreeOnTerminate) { g_IsFreeOnTerminate = p_IsFreeOnTerminate; }
    bool FreeOnTerminate() const { return g_IsFreeOnTerminate; }

    // A request only: sets a flag that Execute may poll. Never waits.
    void Terminate() { g_IsTerminated.store(true); }
    bool Terminated() const { return g_IsTerminated.load(); }

    // True from Start until the body has returned.
    bool g_IsAlive() const { return g_IsRunning.load(); }

    // Joins the thread. Only for owners that know the body can end without the user-interface
    // thread's help (tests, the headless runner, a finished task's owner).
    void WaitFor();

    // An error that escaped Execute ends the thread (it never ends the process); its message is
    // kept here. Read it after the thread has ended.
    const std::string& FatalMessage() const { return g_strFatalMessage; }

    // Installed once by the user interface; an empty function removes it. Without a dispatcher,
    // Synchronize runs the function on the calling thread under one process-wide lock, so the
    // calls of all workers still happen one at a time, in order.
    static void SetMainThreadDispatcher(TMainThreadDispatcher p_doDispatcher);
    static void Synchronize(const std::function<void()>& p_doProcedure);

protected:
    // The thread body.
    virtual void Execute() = 0;

private:
    static void ThreadProc(TThread* p_trdSelf, bool p_IsFreeOnTerminate);

    std::thread g_Thread;
    TThreadPriority g_Priority = TThreadPriority::Normal;
    bool g_IsFreeOnTerminate = false;
    bool g_IsStarted = false;
    std::atomic<bool> g_IsTerminated{false};
    std::atomic<bool> g_IsRunning{false};
    std::string g_strFatalMessage;
};

// False for a null object, else whether its body still runs.
inline bool IsThreadAlive(const TThread* p_trdThread) {
    return p_trdThread != nullptr && p_trdThread->g_IsAlive();
}

} // namespace morvane
