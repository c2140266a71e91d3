#include "u_ThreadGraveyard.h"

#include "task/u_TaskRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace morvane {

namespace {
// How often a drain looks whether the threads have ended: their end posts no event to wait for.
constexpr int kDrainPollIntervalMs = 5;
} // namespace

TThreadGraveyard::~TThreadGraveyard() {
    Drain();
}

void TThreadGraveyard::Bury(std::unique_ptr<TThread> p_trdThread,
                            std::shared_ptr<const void> p_KeepAlive) {
    if (p_trdThread != nullptr) {
        TThread* m_trdThread = p_trdThread.get();
        BuryBody(
            std::move(p_trdThread), [m_trdThread] { return m_trdThread->g_IsAlive(); },
            std::move(p_KeepAlive));
    }
}

void TThreadGraveyard::Bury(std::unique_ptr<TTaskRunner> p_TaskRunner,
                            std::shared_ptr<const void> p_KeepAlive) {
    if (p_TaskRunner != nullptr) {
        TTaskRunner* m_TaskRunner = p_TaskRunner.get();
        BuryBody(
            std::move(p_TaskRunner), [m_TaskRunner] { return m_TaskRunner->IsAlive(); },
            std::move(p_KeepAlive));
    }
}

void TThreadGraveyard::BuryBody(std::shared_ptr<void> p_Body, std::function<bool()> p_doIsAlive,
                                std::shared_ptr<const void> p_KeepAlive) {
    if (!p_doIsAlive()) {
        // The bodies have returned: joining takes no time. The body goes before what it used.
        p_Body.reset();
        return;
    }
    g_arrGraves.push_back({std::move(p_KeepAlive), std::move(p_Body), std::move(p_doIsAlive)});
}

void TThreadGraveyard::Sweep() {
    std::erase_if(g_arrGraves, [](const TGrave& p_Grave) { return !p_Grave.g_doIsAlive(); });
}

bool TThreadGraveyard::IsAnyAlive() const {
    return std::any_of(g_arrGraves.begin(), g_arrGraves.end(),
                       [](const TGrave& p_Grave) { return p_Grave.g_doIsAlive(); });
}

void TThreadGraveyard::Drain() {
    const QCoreApplication* m_App = QCoreApplication::instance();
    if (m_App != nullptr && QThread::currentThread() == m_App->thread() && IsAnyAlive()) {
        QEventLoop m_Loop;
        QTimer m_Poll;
        QObject::connect(&m_Poll, &QTimer::timeout, &m_Loop, [this, &m_Loop] {
            if (!IsAnyAlive()) {
                m_Loop.quit();
            }
        });
        m_Poll.start(kDrainPollIntervalMs);
        m_Loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // Every body has returned here, or there is no application, in which case the dispatcher runs
    // the workers' calls on the workers themselves and joining them cannot wait for this thread.
    while (!g_arrGraves.empty()) {
        g_arrGraves.pop_back();
    }
}

} // namespace morvane
