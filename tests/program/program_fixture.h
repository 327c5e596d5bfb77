#pragma once
// The program on the headless backend against the stand-in service and the
// remote-access simulator, for the end-to-end tests: windows driven by control
// name on a virtual clock, settings in memory, log lines kept for reading.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "api/service_fakes.h"
#include "api/standin_process.h"
#include "program/program_ports.h"
#include "ui/headless/headless_backend.h"

namespace xl::program::test {

using namespace app;
using namespace std::chrono_literals;
using ui::WindowId;

using api::test::MemoryLog;

class ProgramFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!standin_.Running()) GTEST_SKIP() << standin_.Problem();
    }
    void TearDown() override {
        // Every notification of the simulator is delivered before the panels go,
        // and no worker outlives what the fixture lends it.
        ras_.WaitIdle();
        if (program_) program_->WaitForBackgroundWork();
        program_.reset();
    }

    void Start(std::string apiBase = "") {
        Build(std::move(apiBase));
        program_->Start();
    }
    void Build(std::string apiBase = "") {
        program_ = std::make_unique<Program>(
            ServiceOptions(standin_.BaseUrl(), std::move(apiBase)),
            ports_.Services({
                .windows = windows_,
                .ras = ras_,
                .log = fileLog_ ? static_cast<api::ProgramLog&>(*fileLog_) : log_,
                .settingsFolder = "/tmp/",
                .checkInternetReachable =
                    [this](const std::string&) {
                        ++probes_;
                        return reachable_.load();
                    },
                .endProcess = [this](int code) { ended_.push_back(code); },
                .dialRoundLength = dialRound_,
            }));
    }

    // How often the service was asked for each list (dynamic, fast, static)
    // once the start-up's downloads are over: they end with the program.
    std::vector<int> ListRequestsOfTheStartUp() {
        Start();
        Settle();
        program_.reset();
        std::vector<int> counts;
        for (api::LineMode mode : api::kLineModes) {
            const std::string path = api::LineModePath(mode);
            counts.push_back(std::stoi("0" + standin_.Get("/_control/count?path=" + path)));
        }
        return counts;
    }

    // Ends the delays the stand-in holds, once `path` has been asked `calls` times.
    void ReleaseHeldCalls(const std::string& path, int calls) {
        ASSERT_TRUE(Eventually(
            [&] { return standin_.Get("/_control/count?path=" + path) == std::to_string(calls); }));
        standin_.Get("/_control/release");
    }
    void Put(SettingKey k, std::string v) {
        ports_.items[{std::string(k.section), std::string(k.key)}] = std::move(v);
    }
    std::string Get(SettingKey k) {
        auto it = ports_.items.find({std::string(k.section), std::string(k.key)});
        return it == ports_.items.end() ? "<none>" : it->second;
    }
    ui::Control& C(WindowId w, std::string_view name) { return *windows_.Find(w, name); }
    bool Visible(WindowId w) {
        ui::Window* win = windows_.Existing(w);
        return win != nullptr && win->visible();
    }
    void TypeCredentials(const std::string& account, const std::string& password) {
        backend_.Type(WindowId::Login, "编辑框_帐号", account);
        backend_.Type(WindowId::Login, "编辑框_密码", password);
    }
    std::string Status() { return C(WindowId::Login, "透明标签_登录状态").caption(); }
    // Clicks 登录 and lets the account check (on a worker) answer.
    bool ClickLogin() {
        return backend_.Click(WindowId::Login, "超级按钮_登录") && LoginAnswered();
    }
    bool LoginAnswered() {
        return Eventually([&] { return !program_->LoginWindow().LoginUnderWay(); });
    }
    void LogInAsDemo() {
        TypeCredentials("demo", "demo123");
        ASSERT_TRUE(ClickLogin());
        backend_.Advance(75ms);
        ASSERT_TRUE(Visible(WindowId::Main));
    }

    // The main window's side of things.
    std::string Caption(std::string_view control) { return C(WindowId::Main, control).caption(); }
    bool Click(std::string_view control) { return backend_.Click(WindowId::Main, control); }
    std::string Tag() { return C(WindowId::Main, "超级按钮_连接").tag(); }
    // One column of a list, top to bottom.
    std::vector<std::string> Column(std::string_view list, int column) {
        const ui::Control& c = C(WindowId::Main, list);
        std::vector<std::string> cells;
        for (int row = 0; row < c.RowCount(); ++row) cells.push_back(c.Cell(row, column));
        return cells;
    }
    std::vector<std::string> Cities() { return Column("超级列表框_节点列表", 2); }
    // Workers run on real threads: runs posted work until `done` holds, for up to five seconds.
    bool Eventually(const std::function<bool()>& done) {
        for (int i = 0; i < 500; ++i) {
            backend_.DispatchPending();
            if (done()) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    // Every call, download and refresh started so far has ended and shown what
    // it shows; twice, for the work an answer starts (the start-up's probe
    // starts the downloads).
    void Settle() {
        for (int round = 0; round < 2; ++round) {
            program_->WaitForBackgroundWork();
            backend_.DispatchPending();
        }
    }
    // The lists as the service serves them, shown once the start-up's second load has run.
    void LogInWithListsShown() {
        Start();
        LogInAsDemo();
        Settle();
        backend_.Advance(ui::kDelayedListReload);
        Settle();
    }
    // Clicks each of `controls` in the first dispatch that finds `when` true
    // (a wait inside a handler dispatches too); clicksMade_ counts the clicks
    // the window took.
    void ClickWhen(std::function<bool()> when, std::vector<std::string> controls) {
        windows_.Post([this, when = std::move(when), controls = std::move(controls)]() mutable {
            if (!when()) {
                ClickWhen(std::move(when), std::move(controls));
                return;
            }
            for (const std::string& c : controls) clicksMade_ += Click(c) ? 1 : 0;
        });
    }
    void ConnectAndWaitForExitIp() {
        ASSERT_TRUE(Click("超级按钮_连接"));
        ASSERT_TRUE(Eventually([&] { return Caption("透明标签_当前IP") == "203.0.113.25"; }))
            << Caption("透明标签_当前IP");
    }
    // The next exit-IP request is held by the stand-in until AnswerTheLookup.
    void HoldTheExitIpLookup() { standin_.Fault("/ipinfohtml/", "delay_ms=60000&times=1"); }
    // The held request has arrived: a lookup's attempt is under way.
    bool LookupAsked() {
        return Eventually([&] { return standin_.Get("/_control/count?path=/ipinfohtml/") == "1"; });
    }
    // The held request is answered, every lookup has ended (a stopped one, or
    // one left running, with that answer) and what they posted has run.
    void AnswerTheLookup() {
        standin_.Get("/_control/release");
        program_->Connection()->WaitForExitIpLookups();
        backend_.DispatchPending();
    }

    api::test::StandinProcess standin_;
    ui::HeadlessBackend backend_;
    ui::WindowSystem windows_{backend_};
    // Hang-ups take the simulator's second on the virtual clock, which every
    // wait of the program moves: no real time passes.
    dial::RasSimulator ras_{SimulatorConfig({}, [this] { return backend_.Now(); })};
    ProgramPorts ports_;
    MemoryLog log_;
    // When set before Build, the program writes its log here instead of log_.
    std::unique_ptr<api::FileLog> fileLog_;
    // One round of the dial's wait; set before Build to reach its time-out quickly.
    std::chrono::milliseconds dialRound_ = dial::kDialRoundLength;
    int clicksMade_ = 0;
    // Read by the probe on its worker.
    std::atomic<bool> reachable_ = true;
    std::atomic<int> probes_ = 0;
    std::vector<int> ended_;
    std::unique_ptr<Program> program_;
};

}  // namespace xl::program::test
