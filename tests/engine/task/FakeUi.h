#pragma once
// Stand-ins for the result window's controls and callbacks, recording every call. Without a
// dispatcher, Synchronize runs the calls on the worker under one lock; the tests read what was
// recorded only after WaitFor.

#include "core/u_UiInterfaces.h"
#include "task/u_HandOffThrottle.h"
#include "task/u_ThreadProcess.h"
#include "text/u_TextConvert.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace morvane::test {

class TFakeProgressBar : public TProgressBar {
public:
    void SetPosition(std::int32_t p_intPosition) override {
        g_arrPositions.push_back(p_intPosition);
        if (g_doOnPosition) {
            g_doOnPosition(p_intPosition);
        }
    }
    void SetMax(std::int32_t p_intMax) override {
        g_arrMaxima.push_back(p_intMax);
        if (g_doOnMax) {
            g_doOnMax(p_intMax);
        }
    }

    std::vector<std::int32_t> g_arrPositions;
    std::vector<std::int32_t> g_arrMaxima;
    std::function<void(std::int32_t)> g_doOnPosition;
    std::function<void(std::int32_t)> g_doOnMax;
};

struct TFakeRow {
    std::u16string g_strCaption;
    int g_intImageIndex = -1;
    std::vector<std::u16string> g_arrSubItems;
};

class TFakeListView : public TListView {
public:
    void AddRow(const std::u16string& p_strCaption, int p_intImageIndex,
                const std::vector<std::u16string>& p_arrSubItems) override {
        g_arrRows.push_back({p_strCaption, p_intImageIndex, p_arrSubItems});
        if (g_doOnRow) {
            g_doOnRow(g_arrRows.back());
        }
    }
    std::int32_t RowCount() const override { return static_cast<std::int32_t>(g_arrRows.size()); }

    std::vector<TFakeRow> g_arrRows;
    std::function<void(const TFakeRow&)> g_doOnRow;
};

// A clock for the hand-off throttles that moves on by a fixed step each time it is read, so a
// test decides when hand-offs are due: a step of the interval or more makes every one due (each
// call then reaches the user interface on its own, as without batching), a step of 0 makes none
// due by time. Safe to share between threads.
class TFakeClock {
public:
    explicit TFakeClock(std::chrono::milliseconds p_intStep) : g_intStepMs(p_intStep.count()) {}

    THandOffClock Clock() {
        return [this] {
            return THandOffTime(
                std::chrono::milliseconds(g_intNowMs.fetch_add(g_intStepMs) + g_intStepMs));
        };
    }
    std::int64_t Reads() const { return g_intNowMs.load() / (g_intStepMs == 0 ? 1 : g_intStepMs); }

private:
    const std::int64_t g_intStepMs;
    std::atomic<std::int64_t> g_intNowMs{0};
};

// The nine task parameters, with the values most tests use.
struct TTaskParameters {
    std::int32_t g_intMode = kModeFind;
    std::string g_strLogsDirectory;
    std::string g_strDirectory;
    std::int32_t g_intEncoding = 0;
    std::u16string g_strOldText = u"needle";
    std::u16string g_strNewText = u"pin";
    std::u16string g_strExtension = u"*.txt|";
    bool g_IsContainSubFloder = true;
    bool g_IsMatchCase = false;
};

// One task, wired to fakes that record everything it does to the user interface.
class TTaskHarness {
public:
    // By default every hand-off is due at once, so the user interface sees each call on its own
    // and in the order issued; p_intClockStep of 0 lets only the batch size and the ends of the
    // task hand over.
    explicit TTaskHarness(const TTaskParameters& p_Parameters,
                          std::chrono::milliseconds p_intClockStep = std::chrono::seconds(1))
        : g_Clock(p_intClockStep) {
        g_trdProcess = std::make_unique<TThreadProcess>(
            p_Parameters.g_intMode, Utf8ToUtf16Lenient(p_Parameters.g_strLogsDirectory),
            Utf8ToUtf16Lenient(p_Parameters.g_strDirectory), p_Parameters.g_intEncoding,
            p_Parameters.g_strOldText, p_Parameters.g_strNewText, p_Parameters.g_strExtension,
            p_Parameters.g_IsContainSubFloder, p_Parameters.g_IsMatchCase);
        g_trdProcess->g_doHandOffClock = g_Clock.Clock();
        g_trdProcess->g_pgrProgress = &g_pgrProgress;
        g_trdProcess->g_lvwFileList = &g_lvwFileList;
        g_trdProcess->g_doUpdatePagerInfoCallBackProcedure = [this](std::int32_t p_intRecordCount,
                                                                    std::int32_t p_intPageSize,
                                                                    std::int32_t p_intPageCount) {
            g_arrPagerCalls.emplace_back(p_intRecordCount, p_intPageSize, p_intPageCount);
            if (g_doOnPager) {
                g_doOnPager(p_intRecordCount);
            }
        };
        g_trdProcess->g_doCheckCompletedCallBackProcedure = [this] {
            ++g_intCompletedCalls;
            g_IsCompletedSeenInCallback = g_trdProcess->g_IsCompleted.load();
            g_intRowsAtCompletion = g_lvwFileList.RowCount();
            g_intPositionsAtCompletion = static_cast<int>(g_pgrProgress.g_arrPositions.size());
            g_intPagerCallsAtCompletion = static_cast<int>(g_arrPagerCalls.size());
        };
        g_trdProcess->g_doProcessRecordCallBackProcedure = [this](const TProcessRecord& p_Record) {
            g_arrRecordLines.push_back(p_Record.g_strLogLine);
            if (g_doOnRecord) {
                g_doOnRecord(p_Record.g_strLogLine);
            }
        };
    }

    void Run() {
        g_trdProcess->Start();
        g_trdProcess->WaitFor();
    }

    TThreadProcess& Thread() { return *g_trdProcess; }

    TFakeClock g_Clock;
    TFakeProgressBar g_pgrProgress;
    TFakeListView g_lvwFileList;
    std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> g_arrPagerCalls;
    std::vector<std::u16string> g_arrRecordLines;
    std::function<void(std::int32_t)> g_doOnPager;
    std::function<void(const std::u16string&)> g_doOnRecord;
    int g_intCompletedCalls = 0;
    bool g_IsCompletedSeenInCallback = false;
    std::int32_t g_intRowsAtCompletion = -1;
    int g_intPositionsAtCompletion = -1;
    int g_intPagerCallsAtCompletion = -1;

private:
    std::unique_ptr<TThreadProcess> g_trdProcess;
};

} // namespace morvane::test
