// Soak of the supervisor: 1,000 server-side drops with auto-reconnect on, each
// seen through the service's word (the simulator's watch thread posting the
// check) while the 5-second ticks keep running on a virtual clock. Each drop
// must get exactly one redial, and threads, watches and memory must not grow.
// A second run times the reaction through the timers alone.
//   cmake --preset bench && cmake --build --preset bench --target soak_supervisor
//   build/bench/tests/dial/soak_supervisor
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dial/connection_supervisor.h"
#include "supervisor_test_support.h"
#include "support/soak_figures.h"

namespace {

using namespace std::chrono_literals;
using namespace xl::dial;
using Clock = std::chrono::steady_clock;
using xl::test::Percentile;
using xl::test::ResidentKilobytes;
using xl::test::ThreadCount;

constexpr int kDrops = 1000;
constexpr int kEarlyMark = 100;
constexpr int kTimerDrops = 200;

// Notes the moment the drop's reaction shows on the status line.
class TimedPanel : public test::FakePanel {
  public:
    using FakePanel::FakePanel;
    void SetStatusCaption(const std::string& text) override {
        if (text == kAutoReconnectStatus) {
            reactedAt = Clock::now();
            reactedAtVirtual = virtualNow != nullptr ? *virtualNow : 0ms;
        }
        FakePanel::SetStatusCaption(text);
    }
    Clock::time_point reactedAt;
    std::chrono::milliseconds reactedAtVirtual{0};
    const std::chrono::milliseconds* virtualNow = nullptr;
};

struct Rig {
    explicit Rig(bool watch) {
        timers.Start(0, 5s, [this] { supervisor->AutoReconnectTick(); });
        timers.Start(1, 5s, [this] { supervisor->DisableOnDropTick(); });
        panel.virtualNow = &timers.now;
        supervisor->SetAutoReconnect(true);
        supervisor->SetDisableOnDrop(false);
        if (watch) supervisor->WatchDisconnections();
    }
    ~Rig() { sim.WaitIdle(); }
    void Settle() {
        sim.WaitIdle();
        sim.WaitWatchersIdle();
        pump.DispatchPending();
    }

    test::FakePump pump;
    RasSimulator sim{test::FreeRunningConfig(pump.Clock(), 1ms)};
    DialEngine engine{sim, pump, 1ms};
    TimedPanel panel{engine, [this](std::function<void()> t) { pump.Post(std::move(t)); }};
    test::VirtualTimers timers;
    std::unique_ptr<ConnectionSupervisor> supervisor = std::make_unique<ConnectionSupervisor>(
        engine, panel, AdapterAdminSwitch{}, SupervisorLog{},
        [this](std::function<void()> t) { pump.Post(std::move(t)); }, timers.Poster());
};

void BM_ThousandDropsThroughTheWord(benchmark::State& state) {
    for (auto _ : state) {
        const int threadsBefore = ThreadCount();
        long rssEarly = 0;
        int threadsEarly = 0;
        int extraRedials = 0;
        std::vector<double> reactionMs;
        long rssLast = 0;
        int threadsLast = 0;
        int watchesLeft = 0;
        {
            Rig rig(true);
            rig.panel.ToggleConnection();
            rig.Settle();
            for (int drop = 1; drop <= kDrops; ++drop) {
                const auto dropped = Clock::now();
                rig.sim.DropConnection(test::kSupervisedEntry);
                if (!rig.pump.DispatchUntil([&] { return rig.panel.dials == drop + 1; }, 5s)) {
                    state.SkipWithError("a drop was not redialled through the word");
                    return;
                }
                reactionMs.push_back(
                    std::chrono::duration<double, std::milli>(rig.panel.reactedAt - dropped)
                        .count());
                rig.Settle();
                // Ticks over a live link that holds past the back-off's window,
                // so the next drop is redialled at once as well.
                rig.timers.Advance(kDropWindow + 1s);
                rig.Settle();
                extraRedials += rig.panel.dials - (drop + 1);
                rig.panel.dials = drop + 1;
                rig.panel.ForgetHistory();
                if (rig.panel.tag != "断开") {
                    state.SkipWithError("the redial did not connect");
                    return;
                }
                if (drop == kEarlyMark) {
                    rssEarly = ResidentKilobytes();
                    threadsEarly = ThreadCount();
                }
            }
            rssLast = ResidentKilobytes();
            threadsLast = ThreadCount();
            extraRedials += static_cast<int>(rig.engine.DialCount()) - (kDrops + 1);
            rig.supervisor.reset();
            watchesLeft = rig.sim.WatchCount();
        }
        state.counters["drops"] = kDrops;
        state.counters["extra_redials"] = extraRedials;
        state.counters["threads_before"] = threadsBefore;
        state.counters["threads_at_100"] = threadsEarly;
        state.counters["threads_at_1000"] = threadsLast;
        state.counters["threads_after"] = ThreadCount();
        state.counters["watches_left"] = watchesLeft;
        state.counters["rss_kb_at_100"] = static_cast<double>(rssEarly);
        state.counters["rss_kb_at_1000"] = static_cast<double>(rssLast);
        state.counters["rss_growth_kb"] = static_cast<double>(rssLast - rssEarly);
        state.counters["word_reaction_ms_p50"] = Percentile(reactionMs, 0.5);
        state.counters["word_reaction_ms_p99"] = Percentile(reactionMs, 0.99);
        state.counters["word_reaction_ms_max"] = Percentile(reactionMs, 1.0);
        if (extraRedials != 0 || rssLast - rssEarly > 1024 || ThreadCount() != threadsBefore) {
            state.SkipWithError("a drop got other than one redial, or something grew");
        }
    }
}
BENCHMARK(BM_ThousandDropsThroughTheWord)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ReactionThroughTheTimersAlone(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig(false);
        std::mt19937 random(12);
        std::uniform_int_distribution<int> phase(0, 4999);
        rig.panel.ToggleConnection();
        rig.Settle();
        std::vector<double> reactionMs;
        for (int drop = 1; drop <= kTimerDrops; ++drop) {
            // The link holds past the back-off's window: every drop is redialled at once.
            rig.timers.Advance(kDropWindow + std::chrono::milliseconds(phase(random)));
            const auto dropped = rig.timers.now;
            rig.sim.DropConnection(test::kSupervisedEntry);
            while (rig.panel.dials != drop + 1) rig.timers.Advance(1ms);
            reactionMs.push_back(
                static_cast<double>((rig.panel.reactedAtVirtual - dropped).count()));
            rig.Settle();
        }
        double sum = 0;
        for (double ms : reactionMs) sum += ms;
        state.counters["timer_reaction_ms_mean"] = sum / static_cast<double>(reactionMs.size());
        state.counters["timer_reaction_ms_p99"] = Percentile(reactionMs, 0.99);
        state.counters["timer_reaction_ms_max"] = Percentile(reactionMs, 1.0);
    }
}
BENCHMARK(BM_ReactionThroughTheTimersAlone)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
