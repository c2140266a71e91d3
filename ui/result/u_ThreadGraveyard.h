#pragma once
// Keeps the worker threads of tasks that have been let go until their bodies have returned, so
// that releasing them never makes the user-interface thread wait for a thread that may itself be
// waiting for the user-interface thread (TThread::Synchronize).

#include "core/u_Thread.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace morvane {

class TTaskRunner;

class TThreadGraveyard {
public:
    TThreadGraveyard() = default;
    // Drains: nothing buried may outlive the graveyard.
    ~TThreadGraveyard();
    TThreadGraveyard(const TThreadGraveyard&) = delete;
    TThreadGraveyard& operator=(const TThreadGraveyard&) = delete;

    // Takes the thread over; a thread whose body has returned is released at once, together with
    // p_KeepAlive, which holds whatever the thread still points at until then.
    void Bury(std::unique_ptr<TThread> p_trdThread, std::shared_ptr<const void> p_KeepAlive = {});
    // The same for a task's runner, which holds its two workers: released once neither runs.
    void Bury(std::unique_ptr<TTaskRunner> p_TaskRunner,
              std::shared_ptr<const void> p_KeepAlive = {});
    // Releases every buried thread whose body has returned.
    void Sweep();
    std::size_t Count() const { return g_arrGraves.size(); }
    // Releases everything, waiting for the threads still running. On the user-interface thread
    // the event loop runs meanwhile (user input excluded), so calls the threads make through
    // Synchronize are served; the caller must have asked them to stop.
    void Drain();

private:
    struct TGrave {
        // Declared first so that it goes last: the thread is joined before what it used.
        std::shared_ptr<const void> g_KeepAlive;
        std::shared_ptr<void> g_Body; // the thread or runner; releasing it joins
        std::function<bool()> g_doIsAlive;
    };

    void BuryBody(std::shared_ptr<void> p_Body, std::function<bool()> p_doIsAlive,
                  std::shared_ptr<const void> p_KeepAlive);
    bool IsAnyAlive() const;

    std::vector<TGrave> g_arrGraves;
};

} // namespace morvane
