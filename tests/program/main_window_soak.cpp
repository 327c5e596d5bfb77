// Soak of the watch over the running main window: the program on the headless
// backend, its real panels and supervisor, the simulator and the stand-in
// service. Auto-reconnect is saved on; 1,000 server-side drops, each seen
// through the service's word, must get exactly one redial each (with two more
// rounds of 5-second ticks over the new link between drops), and threads,
// timers, posted work and memory must not grow. A second run times the
// reaction through the timers alone (the word declined, as under Wine).
//   cmake --preset bench && cmake --build --preset bench --target soak_main_window
//   build/bench/tests/program/soak_main_window
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "program/program_ports.h"
#include "support/soak_figures.h"
#include "ui/headless/headless_backend.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace xl;
using Clock = std::chrono::steady_clock;
using ui::WindowId;
using xl::test::Percentile;
using xl::test::ResidentKilobytes;
using xl::test::ThreadCount;

constexpr int kDrops = 1000;
constexpr int kEarlyMark = 100;
constexpr int kTimerDrops = 200;
constexpr char kDropLine[] = "检测到异常掉线";
constexpr char kDialLine[] = "拨号开始";

// The stand-in service as a child process on a free port.
class Standin {
  public:
    Standin() {
        const std::string portFile =
            (std::filesystem::temp_directory_path() / ("xl-soak-port-" + std::to_string(getpid())))
                .string();
        std::filesystem::remove(portFile);
        std::vector<std::string> args = {XIULAN_STANDIN_PATH, "--port=0",
                                         "--port-file=" + portFile};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return;
        for (int i = 0; i < 100 && port_ == 0; ++i) {
            std::this_thread::sleep_for(50ms);
            std::ifstream in(portFile);
            in >> port_;
        }
        std::filesystem::remove(portFile);
    }
    ~Standin() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    bool Running() const { return port_ > 0; }

  private:
    pid_t pid_ = 0;
    int port_ = 0;
};

// The product's log file, noting when each drop's reaction is logged.
class TimedLog final : public api::ProgramLog {
  public:
    TimedLog(std::string path, const ui::HeadlessBackend& clock)
        : file_(std::move(path)), clock_(clock) {}
    void Write(std::string_view line) override {
        if (line.starts_with(kDialLine)) ++dials;
        // The supervisor's line, on the user-interface thread: the clock may be read.
        if (line.starts_with(kDropLine)) {
            reactedAt = Clock::now();
            reactedAtVirtual = clock_.Now();
            ++reactions;
        }
        file_.Write(line);
    }
    std::atomic<int> dials{0};
    std::atomic<int> reactions{0};
    Clock::time_point reactedAt;
    std::chrono::milliseconds reactedAtVirtual{0};

  private:
    api::FileLog file_;
    const ui::HeadlessBackend& clock_;
};

// The program logged in, auto-reconnect on, connected.
struct Rig {
    explicit Rig(const Standin& standin, bool watch) {
        ports.items[{std::string(app::kAutoReconnect.section),
                     std::string(app::kAutoReconnect.key)}] = "yes";
        ras.SetWatchError(watch ? 0 : 120);
        program = std::make_unique<program::Program>(
            program::test::ServiceOptions(standin.BaseUrl()),
            ports.Services({
                .windows = windows,
                .ras = ras,
                .log = log,
                .settingsFolder = dir.string() + "/",
                .nativeHandleOf = [this](ui::Window&) { return ports.tray.NewWindow(); },
            }));
        program->Start();
        backend.Type(WindowId::Login, "编辑框_帐号", "demo");
        backend.Type(WindowId::Login, "编辑框_密码", "demo123");
        backend.Click(WindowId::Login, "超级按钮_登录");
        program->LoginWindow().AccountChecks().WaitIdle();  // its answer is then posted
        backend.Advance(ui::kDelayedListReload + 100ms);
        Settle();
        backend.Click(WindowId::Main, "超级按钮_连接");
        Settle();
    }
    ~Rig() {
        ras.WaitIdle();
        program.reset();
        std::filesystem::remove_all(dir);
    }
    void Settle() {
        program->WaitForBackgroundWork();
        ras.WaitIdle();
        ras.WaitWatchersIdle();
        backend.DispatchPending();
    }
    std::string Tag() { return windows.Find(WindowId::Main, "超级按钮_连接")->tag(); }
    // Real time: runs posted work until `done` or five seconds.
    bool DispatchUntil(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + 5s;
        while (!done()) {
            if (Clock::now() > deadline) return false;
            backend.DispatchPending();
            std::this_thread::sleep_for(100us);
        }
        return true;
    }

    std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() /
                 ("xl-soak-" + std::to_string(Clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(d);
        return d;
    }();
    ui::HeadlessBackend backend;
    ui::WindowSystem windows{backend};
    dial::RasSimulator ras{program::test::SimulatorConfig({}, [this] { return backend.Now(); })};
    program::test::ProgramPorts ports;
    TimedLog log{(dir / "岫澜IP.log").string(), backend};
    std::unique_ptr<program::Program> program;
};

void BM_ThousandDropsOnTheMainWindow(benchmark::State& state) {
    const Standin standin;
    if (!standin.Running()) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    for (auto _ : state) {
        const int threadsBefore = ThreadCount();
        long rssEarly = 0, rssLast = 0;
        int threadsEarly = 0, threadsLast = 0, timersEarly = 0, timersLast = 0;
        int delayedLast = 0, extraRedials = 0, watchesLeft = 0;
        std::vector<double> reactionMs;
        {
            Rig rig(standin, true);
            if (rig.Tag() != "断开") {
                state.SkipWithError("the first connect failed");
                return;
            }
            for (int drop = 1; drop <= kDrops; ++drop) {
                const auto dropped = Clock::now();
                rig.ras.DropConnection("岫澜IP");
                if (!rig.DispatchUntil([&] { return rig.log.reactions == drop; })) {
                    state.SkipWithError("a drop was not seen through the word");
                    return;
                }
                reactionMs.push_back(
                    std::chrono::duration<double, std::milli>(rig.log.reactedAt - dropped).count());
                rig.Settle();
                // Ticks over the new link, which holds past the back-off's window,
                // so the next drop is redialled at once as well.
                rig.backend.Advance(dial::kDropWindow + 1s);
                rig.Settle();
                if (rig.Tag() != "断开") {
                    state.SkipWithError("a redial did not connect");
                    return;
                }
                if (drop == kEarlyMark) {
                    rssEarly = ResidentKilobytes();
                    threadsEarly = ThreadCount();
                    timersEarly = rig.backend.runningTimers();
                }
            }
            rssLast = ResidentKilobytes();
            threadsLast = ThreadCount();
            timersLast = rig.backend.runningTimers();
            delayedLast = rig.backend.delayedTasks();
            extraRedials = rig.log.dials - (kDrops + 1);
            rig.program.reset();
            watchesLeft = rig.ras.WatchCount();
        }
        state.counters["drops"] = kDrops;
        state.counters["extra_redials"] = extraRedials;
        state.counters["threads_before"] = threadsBefore;
        state.counters["threads_at_100"] = threadsEarly;
        state.counters["threads_at_1000"] = threadsLast;
        state.counters["threads_after"] = ThreadCount();
        state.counters["timers_at_100"] = timersEarly;
        state.counters["timers_at_1000"] = timersLast;
        state.counters["delayed_at_1000"] = delayedLast;
        state.counters["watches_left"] = watchesLeft;
        state.counters["rss_kb_at_100"] = static_cast<double>(rssEarly);
        state.counters["rss_kb_at_1000"] = static_cast<double>(rssLast);
        state.counters["rss_growth_kb"] = static_cast<double>(rssLast - rssEarly);
        state.counters["word_reaction_ms_p50"] = Percentile(reactionMs, 0.5);
        state.counters["word_reaction_ms_p99"] = Percentile(reactionMs, 0.99);
        state.counters["word_reaction_ms_max"] = Percentile(reactionMs, 1.0);
        if (extraRedials != 0 || rssLast - rssEarly > 1024 || threadsLast != threadsEarly ||
            timersLast != timersEarly || delayedLast != 0 || watchesLeft != 0 ||
            ThreadCount() != threadsBefore) {
            state.SkipWithError("a drop got other than one redial, or something grew");
        }
    }
}
BENCHMARK(BM_ThousandDropsOnTheMainWindow)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ReactionThroughTheMainWindowsTimersAlone(benchmark::State& state) {
    const Standin standin;
    if (!standin.Running()) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    for (auto _ : state) {
        Rig rig(standin, false);
        std::mt19937 random(12);
        std::uniform_int_distribution<int> phase(0, 4999);
        std::vector<double> reactionMs;
        for (int drop = 1; drop <= kTimerDrops; ++drop) {
            // The link holds past the back-off's window: every drop is redialled at once.
            rig.backend.Advance(dial::kDropWindow + std::chrono::milliseconds(phase(random)));
            const auto dropped = rig.backend.Now();
            rig.ras.DropConnection("岫澜IP");
            while (rig.log.reactions != drop && rig.backend.Now() - dropped < 6s)
                rig.backend.Advance(1ms);
            if (rig.log.reactions != drop) {
                state.SkipWithError("a drop was not seen by the timers");
                return;
            }
            reactionMs.push_back(static_cast<double>((rig.log.reactedAtVirtual - dropped).count()));
            rig.Settle();
        }
        double sum = 0;
        for (double ms : reactionMs) sum += ms;
        state.counters["timer_reaction_ms_mean"] = sum / static_cast<double>(reactionMs.size());
        state.counters["timer_reaction_ms_p99"] = Percentile(reactionMs, 0.99);
        state.counters["timer_reaction_ms_max"] = Percentile(reactionMs, 1.0);
        state.counters["extra_redials"] = rig.log.dials - (kTimerDrops + 1);
    }
}
BENCHMARK(BM_ReactionThroughTheMainWindowsTimersAlone)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
