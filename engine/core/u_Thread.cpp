#include "core/u_Thread.h"

#include "core/u_ThreadPriority.h"

#include <exception>
#include <memory>

namespace morvane {

namespace {

std::mutex g_DispatcherLock;                                          // guards g_doDispatcher
std::shared_ptr<const TThread::TMainThreadDispatcher> g_doDispatcher; // guarded by g_DispatcherLock
std::mutex g_NoDispatcherLock; // serialises Synchronize calls when no dispatcher is installed

} // namespace

TThread::TThread() = default;

TThread::~TThread() {
    if (g_Thread.joinable()) {
        if (g_Thread.get_id() == std::this_thread::get_id()) {
            g_Thread.detach();
        } else {
            g_Thread.join();
        }
    }
}

void TThread::Start() {
    if (g_IsStarted) {
        return;
    }
    g_IsStarted = true;
    g_IsRunning.store(true);
    const bool m_IsFreeOnTerminate = g_IsFreeOnTerminate;
    std::thread m_Thread;
    try {
        m_Thread = std::thread(&TThread::ThreadProc, this, m_IsFreeOnTerminate);
    } catch (...) {
        // No body will ever run: the thread must not look alive to those waiting for its end.
        g_IsRunning.store(false);
        throw;
    }
    if (m_IsFreeOnTerminate) {
        // The body deletes the object; after this line `this` may already be gone.
        m_Thread.detach();
        return;
    }
    g_Thread = std::move(m_Thread);
}

void TThread::WaitFor() {
    if (g_Thread.joinable() && g_Thread.get_id() != std::this_thread::get_id()) {
        g_Thread.join();
    }
}

void TThread::ThreadProc(TThread* p_trdSelf, bool p_IsFreeOnTerminate) {
    ApplyCurrentThreadPriority(p_trdSelf->g_Priority);
    try {
        p_trdSelf->Execute();
    } catch (const std::exception& m_Error) {
        p_trdSelf->g_strFatalMessage = m_Error.what();
    } catch (...) {
        p_trdSelf->g_strFatalMessage = "Unknown error";
    }
    p_trdSelf->g_IsRunning.store(false);
    if (p_IsFreeOnTerminate) {
        delete p_trdSelf;
    }
}

void TThread::SetMainThreadDispatcher(TMainThreadDispatcher p_doDispatcher) {
    std::lock_guard m_Lock(g_DispatcherLock);
    if (p_doDispatcher) {
        g_doDispatcher = std::make_shared<const TMainThreadDispatcher>(std::move(p_doDispatcher));
    } else {
        g_doDispatcher.reset();
    }
}

void TThread::Synchronize(const std::function<void()>& p_doProcedure) {
    std::shared_ptr<const TMainThreadDispatcher> m_doDispatcher;
    {
        std::lock_guard m_Lock(g_DispatcherLock);
        m_doDispatcher = g_doDispatcher;
    }
    if (m_doDispatcher) {
        (*m_doDispatcher)(p_doProcedure);
        return;
    }
    std::lock_guard m_Lock(g_NoDispatcherLock);
    p_doProcedure();
}

} // namespace morvane
