// Releasing the worker threads of a task that has been let go, without ever making the
// user-interface thread wait for a thread that waits for it.

#include "task/u_TaskRunner.h"
#include "u_ThreadGraveyard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

namespace morvane {
namespace {

// A thread that runs until its gate opens, optionally making one call through Synchronize
// first (served by the test's QApplication event loop).
class TGatedThread : public TThread {
public:
    TGatedThread(std::shared_future<void> p_Gate, bool p_IsSynchronizing)
        : g_Gate(std::move(p_Gate)), g_IsSynchronizing(p_IsSynchronizing) {}
    ~TGatedThread() override { WaitFor(); }

    std::atomic<bool> g_IsSynchronized{false};

protected:
    void Execute() override {
        if (g_IsSynchronizing) {
            Synchronize([this] { g_IsSynchronized.store(true); });
        }
        g_Gate.wait();
    }

private:
    std::shared_future<void> g_Gate;
    bool g_IsSynchronizing;
};

class ThreadGraveyardTest : public ::testing::Test {
protected:
    // Opened however a test ends: a thread left waiting would hang the join.
    void TearDown() override { OpenGate(); }
    void OpenGate() {
        if (!g_IsGateOpen) {
            g_IsGateOpen = true;
            g_Gate.set_value();
        }
    }
    std::unique_ptr<TGatedThread> StartThread(bool p_IsSynchronizing) {
        auto m_trdThread = std::make_unique<TGatedThread>(g_GateFuture, p_IsSynchronizing);
        m_trdThread->Start();
        return m_trdThread;
    }

    std::promise<void> g_Gate;
    std::shared_future<void> g_GateFuture = g_Gate.get_future().share();
    bool g_IsGateOpen = false;
};

TEST_F(ThreadGraveyardTest, FinishedThreadIsReleasedAtOnceWithWhatItUsed) {
    TThreadGraveyard m_Graveyard;
    auto m_trdThread = StartThread(false);
    OpenGate();
    m_trdThread->WaitFor();
    auto m_KeepAlive = std::make_shared<int>(1);
    const std::weak_ptr<int> m_KeepAliveWatch = m_KeepAlive;
    m_Graveyard.Bury(std::move(m_trdThread), std::move(m_KeepAlive));
    EXPECT_EQ(m_Graveyard.Count(), 0u);
    EXPECT_TRUE(m_KeepAliveWatch.expired());
}

TEST_F(ThreadGraveyardTest, RunningThreadIsKeptUntilItHasEnded) {
    TThreadGraveyard m_Graveyard;
    auto m_KeepAlive = std::make_shared<int>(1);
    const std::weak_ptr<int> m_KeepAliveWatch = m_KeepAlive;
    m_Graveyard.Bury(StartThread(false), std::move(m_KeepAlive));
    m_Graveyard.Sweep();
    EXPECT_EQ(m_Graveyard.Count(), 1u);
    EXPECT_FALSE(m_KeepAliveWatch.expired());

    OpenGate();
    m_Graveyard.Drain();
    EXPECT_EQ(m_Graveyard.Count(), 0u);
    EXPECT_TRUE(m_KeepAliveWatch.expired());
}

TEST_F(ThreadGraveyardTest, DrainServesAThreadWaitingInSynchronize) {
    auto m_trdThread = StartThread(true);
    TGatedThread* m_trdWatched = m_trdThread.get();
    OpenGate();
    TThreadGraveyard m_Graveyard;
    // The thread cannot end before this thread has served its call: a plain join would hang.
    m_Graveyard.Bury(std::move(m_trdThread));
    ASSERT_EQ(m_Graveyard.Count(), 1u);
    EXPECT_FALSE(m_trdWatched->g_IsSynchronized.load());
    m_Graveyard.Drain();
    EXPECT_EQ(m_Graveyard.Count(), 0u);
}

TEST_F(ThreadGraveyardTest, NullThreadOrRunnerIsIgnored) {
    TThreadGraveyard m_Graveyard;
    m_Graveyard.Bury(std::unique_ptr<TThread>());
    m_Graveyard.Bury(std::unique_ptr<TTaskRunner>());
    EXPECT_EQ(m_Graveyard.Count(), 0u);
}

} // namespace
} // namespace morvane
