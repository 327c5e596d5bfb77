// The supervisor over the simulator and a panel that behaves like the main
// window's: what counts as a drop, the one reaction each drop gets (a redial
// or a disabled adapter), the timed reconnect, the disconnection word racing
// the timers, and ticks that arrive inside a reaction or a dial.
#include "dial/connection_supervisor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "supervisor_test_support.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;
using test::kSupervisedEntry;

enum TimerId { kAutoReconnectTimer, kDisableOnDropTimer, kTimedReconnectTimer };
using Command = std::pair<std::string, bool>;  // connection name, enable
using Commands = std::vector<Command>;

const std::string kDisabledStatus = "检测到异常掉线，已禁止网卡：本地连接 请恢复网卡后再连接";

class SupervisorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        timers.Start(kAutoReconnectTimer, 5s, [this] { supervisor->AutoReconnectTick(); });
        timers.Start(kDisableOnDropTimer, 5s, [this] { supervisor->DisableOnDropTick(); });
    }
    void TearDown() override {
        supervisor.reset();
        sim.WaitIdle();  // no dial still reports to the panel
        EXPECT_EQ(sim.WatchCount(), 0) << "a watch thread outlived its supervisor";
    }

    std::unique_ptr<ConnectionSupervisor> MakeSupervisor() {
        return std::make_unique<ConnectionSupervisor>(
            engine, panel,
            AdapterAdminSwitch{
                .setAdminState =
                    [this](const std::string& name, bool enable, AdapterAdminSwitch::Done done) {
                        netsh.emplace_back(name, enable);
                        if (answerLater) {
                            pending = std::move(done);
                        } else {
                            done(netshWorks);
                        }
                    },
                .mayChangeAdapters = [this] { return elevated; },
                .keepDisabledAdapterName =
                    [this](const std::string& name) { kept.push_back(name); },
            },
            [this](const std::string& line) { log.push_back(line); },
            [this](std::function<void()> task) { pump.Post(std::move(task)); }, timers.Poster());
    }
    // Progress texts on their way are shown and the checks the disconnection
    // word posted have run.
    void Settle() {
        sim.WaitIdle();
        sim.WaitWatchersIdle();
        pump.DispatchPending();
    }
    // No link, nothing recorded, a fresh supervisor.
    void StartOver(bool watch) {
        supervisor.reset();
        for (const auto& c : sim.Connections()) engine.HangUp(c.handle);
        Settle();
        panel.RefreshConnectButton();
        panel.caption = "已断开";
        supervisor = MakeSupervisor();
        if (watch) {
            ASSERT_TRUE(supervisor->WatchDisconnections());
        }
        netsh.clear();
        log.clear();
        panel.dials = 0;
    }
    void Connect() {
        ASSERT_EQ(panel.tag, "连接");
        panel.ToggleConnection();
        Settle();
        ASSERT_EQ(panel.tag, "断开");
        ASSERT_EQ(panel.caption, "连接成功");
        panel.ForgetHistory();
    }
    void SetOptions(bool autoReconnect, bool disableOnDrop, const char* adapter) {
        supervisor->SetAutoReconnect(autoReconnect);
        supervisor->SetDisableOnDrop(disableOnDrop);
        supervisor->ChooseAdapter(adapter);
    }
    bool Logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    // Hang-ups take the simulator's default second, on the pump's clock.
    test::FakePump pump;
    RasSimulator sim{test::FreeRunningConfig(pump.Clock())};
    DialEngine engine{sim, pump, 1ms};
    test::FakePanel panel{engine, [this](std::function<void()> t) { pump.Post(std::move(t)); }};
    Commands netsh;
    bool netshWorks = true;
    // The command's answer is kept in `pending` instead, as from a worker.
    bool answerLater = false;
    AdapterAdminSwitch::Done pending;
    bool elevated = true;
    std::vector<std::string> kept;  // the disabled adapter's name as saved
    std::vector<std::string> log;
    test::VirtualTimers timers;
    std::unique_ptr<ConnectionSupervisor> supervisor = MakeSupervisor();
};

enum class Event { ServerDrop, UserDisconnect, DropBehindForeignVpn, ProgramHangUp };
enum class Reaction { None, Redial, DisableAdapter };
// What says the link is up when it goes: the button's tag, the status line, or both.
enum class Marks { Both, TagOnly, StatusOnly };

struct DropCase {
    const char* name;
    bool autoReconnect;
    bool disableOnDrop;
    const char* adapter;
    Event event;
    Reaction reaction;
    const char* tagAfter;
    Marks marks = Marks::Both;
};

TEST_F(SupervisorTest, EachDropGetsOneReactionAndLaterTicksNone) {
    using enum Event;
    using enum Reaction;
    const DropCase cases[] = {
        {"drop, auto-reconnect", true, false, "", ServerDrop, Redial, "断开"},
        {"drop, both options", true, true, "本地连接", ServerDrop, DisableAdapter, "连接"},
        {"adapter option without a name", true, true, "", ServerDrop, None, "断开"},
        {"both options off", false, false, "本地连接", ServerDrop, None, "断开"},
        {"user disconnect, auto-reconnect", true, false, "", UserDisconnect, None, "连接"},
        {"user disconnect, adapter option", false, true, "本地连接", UserDisconnect, None, "连接"},
        {"foreign VPN hides the drop", true, false, "", DropBehindForeignVpn, None, "断开"},
        {"foreign VPN, adapter option", false, true, "本地连接", DropBehindForeignVpn, None,
         "断开"},
        // A switch of server: hang up, then messages run before the button's refresh.
        {"program's own hang-up", true, false, "", ProgramHangUp, None, "断开"},
        {"program's own hang-up, adapter option", false, true, "本地连接", ProgramHangUp, None,
         "断开"},
        // Either mark alone is belief enough.
        {"drop, only the tag says up", true, false, "", ServerDrop, Redial, "断开", Marks::TagOnly},
        {"drop, only the status says up", true, false, "", ServerDrop, Redial, "断开",
         Marks::StatusOnly},
        {"adapter, only the status says up", false, true, "本地连接", ServerDrop, DisableAdapter,
         "连接", Marks::StatusOnly},
    };
    const std::string redialStatus = "检测到异常掉线，开始自动重连...";
    // Each drop through the service's word, the ticks running after it.
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartOver(true);
        Connect();
        SetOptions(c.autoReconnect, c.disableOnDrop, c.adapter);
        // The status line is also the list panel's; the tag only the connect paths'.
        if (c.marks == Marks::TagOnly) panel.caption = "获取线路数据成功！";
        if (c.marks == Marks::StatusOnly) panel.tag = "连接";
        switch (c.event) {
            case ServerDrop:
                ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
                break;
            case UserDisconnect:
                panel.ToggleConnection();
                break;
            case DropBehindForeignVpn:
                sim.AddForeignConnection("公司VPN");
                ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
                break;
            case ProgramHangUp:
                engine.HangUpVpn("");
                break;
        }
        // Six rounds of both 5-second timers, with the posted checks between.
        for (int round = 0; round < 6; ++round) {
            Settle();
            timers.Advance(5s);
        }
        Settle();

        EXPECT_EQ(panel.dials - 1, c.reaction == Redial ? 1 : 0);
        EXPECT_EQ(panel.Saw(redialStatus), c.reaction == Redial);
        EXPECT_EQ(panel.ShowedIp("异常掉线重连中..."), c.reaction == Redial);
        EXPECT_EQ(panel.Saw(kDisabledStatus), c.reaction == DisableAdapter);
        EXPECT_EQ(panel.ShowedIp("异常掉线已经禁用网卡"), c.reaction == DisableAdapter);
        switch (c.reaction) {
            case None:
                EXPECT_TRUE(netsh.empty());
                EXPECT_TRUE(log.empty());
                break;
            case Redial:
                EXPECT_TRUE(netsh.empty());
                EXPECT_EQ(log, (std::vector<std::string>{"检测到异常掉线，开始自动重连",
                                                         "自动重连：连接成功"}));
                break;
            case DisableAdapter:
                EXPECT_EQ(netsh, (Commands{{"本地连接", false}}));
                EXPECT_EQ(log, (std::vector<std::string>{"检测到异常掉线，禁用网卡：本地连接",
                                                         "已禁止网卡：本地连接"}));
                break;
        }
        EXPECT_EQ(panel.tag, c.tagAfter);
    }
}

TEST_F(SupervisorTest, AFailedRedialIsTheOnlyAttemptForItsDrop) {
    Connect();
    SetOptions(true, false, "");
    sim.SetHostOutcome("vpn1.example.net", SimOutcome::AuthenticationRefused);
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    timers.Advance(5s);
    Settle();
    EXPECT_EQ(panel.dials, 2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("自动重连：连接失败：错误代码:691", 0), 0u) << log[1];
    // The refused dial stays listed until something hangs it up, as with the service.
    for (const auto& c : sim.Connections()) sim.HangUp(c.handle);
    panel.RefreshConnectButton();
    timers.Advance(60s);
    Settle();
    EXPECT_EQ(panel.dials, 2);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(SupervisorTest, TimedReconnectRedialsALiveLinkAndNeverStartsOne) {
    timers.Start(kTimedReconnectTimer, 15s, [this] { supervisor->TimedReconnectTick(); });
    // The button still says "断开", yet no link is up.
    panel.tag = "断开";
    timers.Advance(15s);
    EXPECT_EQ(panel.dials, 0);
    EXPECT_TRUE(panel.captions.empty());

    struct Case {
        std::chrono::milliseconds hangUpDelay;
        int dials;     // the first connect included
        bool redials;  // else the link outlasted the hang-up's wait: the click hung up instead
    };
    for (const Case& c : {Case{1s, 2, true}, Case{5s, 1, false}}) {
        SCOPED_TRACE(c.hangUpDelay.count());
        StartOver(false);
        Connect();
        // Whatever the other two options say.
        SetOptions(false, true, "本地连接");
        sim.SetHangUpDelay(c.hangUpDelay);
        const RasHandle first = sim.Connections().at(0).handle;
        const auto waitedBefore = pump.waited;
        timers.Advance(15s);
        Settle();
        EXPECT_EQ(panel.dials, c.dials);
        EXPECT_TRUE(panel.Saw("定时重连中..."));
        EXPECT_TRUE(panel.ShowedIp("定时重连中..."));
        EXPECT_TRUE(netsh.empty());
        if (c.redials) {
            ASSERT_EQ(sim.Connections().size(), 1u);
            EXPECT_NE(sim.Connections()[0].handle, first);
            EXPECT_EQ(panel.tag, "断开");
            EXPECT_TRUE(log.empty());
            // The redial waited for the hang-up: the link went before the dial.
            EXPECT_GE(pump.waited - waitedBefore, c.hangUpDelay);
        } else {
            EXPECT_TRUE(sim.Connections().empty());
            EXPECT_EQ(panel.tag, "连接");
            EXPECT_EQ(panel.caption, "已断开");
            EXPECT_EQ(log, (std::vector<std::string>{
                               "定时重连：未拨号",
                           }));
            EXPECT_FALSE(engine.HungUpByProgram()) << "a reaction without a dial left its mark";
        }
        sim.SetHangUpDelay(1s);
    }
}

TEST_F(SupervisorTest, LinksThatKeepDroppingAreRedialledLaterEachTime) {
    ASSERT_TRUE(supervisor->WatchDisconnections());
    Connect();
    SetOptions(true, false, "");
    // Drops the link as soon as it is up; the whole seconds until its redial.
    const auto dropAndWait = [&] {
        const int before = panel.dials;
        EXPECT_TRUE(sim.DropConnection(kSupervisedEntry));
        Settle();
        int waited = 0;
        for (; panel.dials == before && waited <= 61; ++waited) {
            timers.Advance(1s);
            Settle();
        }
        EXPECT_EQ(panel.tag, "断开");
        return waited;
    };
    const auto waits = [&](int drops) {
        std::vector<int> seconds;
        for (int i = 0; i < drops; ++i) seconds.push_back(dropAndWait());
        return seconds;
    };
    EXPECT_EQ(waits(8), (std::vector<int>{0, 0, 5, 10, 20, 40, 60, 60}));
    for (const char* text :
         {"掉线频繁，5秒后重连", "掉线频繁，40秒后重连", "掉线频繁，60秒后重连"}) {
        EXPECT_TRUE(panel.Saw(text)) << text;
        EXPECT_TRUE(Logged(text)) << text;
    }

    // A link that holds for a minute starts the count afresh.
    timers.Advance(60s);
    Settle();
    EXPECT_EQ(waits(4), (std::vector<int>{0, 0, 5, 10}));

    // A disconnect while a redial waits: no redial.
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    Settle();
    ASSERT_EQ(panel.caption, "掉线频繁，20秒后重连");
    const int dials = panel.dials;
    panel.ToggleConnection();
    EXPECT_EQ(panel.caption, "已断开");
    timers.Advance(30s);
    Settle();
    EXPECT_EQ(panel.dials, dials);

    // So does a connect of the user's own.
    panel.ToggleConnection();
    Settle();
    EXPECT_EQ(waits(3), (std::vector<int>{0, 0, 5}));
}

TEST_F(SupervisorTest, TicksInsideADialLeaveItAlone) {
    // Every timer and the posted check fire while a dial waits. The link being
    // dialled is already listed, so a timed reconnect there would hang it up
    // and dial inside the dial.
    timers.Start(kTimedReconnectTimer, 15s, [this] { supervisor->TimedReconnectTick(); });
    for (const bool userDial : {true, false}) {
        SCOPED_TRACE(userDial ? "the user's dial" : "the supervisor's redial");
        StartOver(true);
        const std::uint64_t dialsBefore = engine.DialCount();
        SetOptions(true, false, "");
        if (!userDial) {
            Connect();
            ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
        }
        int inside = 0;
        pump.onDispatch = [&] {
            if (!engine.IsDialling()) return;
            ++inside;
            EXPECT_EQ(panel.tag, "连接");
            timers.Advance(15s);
            supervisor->CheckForDrop();
        };
        if (userDial) {
            panel.ToggleConnection();
        } else {
            timers.Advance(5s);
        }
        pump.onDispatch = nullptr;
        Settle();
        EXPECT_GT(inside, 0);
        EXPECT_EQ(panel.dials, userDial ? 1 : 2);
        EXPECT_EQ(engine.DialCount() - dialsBefore, userDial ? 1u : 2u);
        EXPECT_EQ(sim.Connections().size(), 1u);
        EXPECT_EQ(panel.tag, "断开");
    }
}

TEST_F(SupervisorTest, TheDisconnectionWordAndATickForOneDropActOnce) {
    enum class Order { TickFirst, WordFirst, TickInsideTheWordsReaction };
    struct RaceCase {
        const char* name;
        bool adapterOption;
        Order order;
    };
    const RaceCase cases[] = {
        {"redial, tick first", false, Order::TickFirst},
        {"redial, word first", false, Order::WordFirst},
        {"redial, tick inside the word's reaction", false, Order::TickInsideTheWordsReaction},
        {"adapter, tick first", true, Order::TickFirst},
        {"adapter, word first", true, Order::WordFirst},
        {"adapter, tick inside the word's reaction", true, Order::TickInsideTheWordsReaction},
    };
    for (const RaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartOver(true);
        Connect();
        SetOptions(true, c.adapterOption, "本地连接");

        bool ticked = false;
        if (c.order == Order::TickInsideTheWordsReaction) {
            pump.onDispatch = [&] {
                const bool reacting =
                    panel.Saw(kDisabledStatus) || panel.Saw("检测到异常掉线，开始自动重连...");
                if (reacting && !ticked) {
                    ticked = true;
                    timers.Advance(5s);
                }
            };
        }
        ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
        if (c.order == Order::TickFirst) timers.Advance(5s);
        Settle();
        pump.onDispatch = nullptr;
        timers.Advance(30s);
        Settle();

        if (c.order == Order::TickInsideTheWordsReaction) {
            EXPECT_TRUE(ticked);
        }
        if (c.adapterOption) {
            EXPECT_EQ(netsh, (Commands{{"本地连接", false}}));
            EXPECT_EQ(panel.dials, 1);
        } else {
            EXPECT_TRUE(netsh.empty());
            EXPECT_EQ(panel.dials, 2);
            EXPECT_EQ(panel.tag, "断开");
        }
    }
}

TEST_F(SupervisorTest, TheDisconnectionWordHandlesADropWithinASecond) {
    ASSERT_TRUE(supervisor->WatchDisconnections());
    Connect();
    SetOptions(true, false, "");
    const auto dropped = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    // No timer ticks: the word alone brings the redial.
    ASSERT_TRUE(pump.DispatchUntil([&] { return panel.dials == 2; }, 1s));
    EXPECT_LT(std::chrono::steady_clock::now() - dropped, 1s);
    EXPECT_TRUE(panel.Saw("检测到异常掉线，开始自动重连..."));
    Settle();
    EXPECT_EQ(panel.tag, "断开");
}

TEST_F(SupervisorTest, ACheckPostedToAGoneSupervisorDoesNothing) {
    ASSERT_TRUE(supervisor->WatchDisconnections());
    Connect();
    SetOptions(true, false, "");
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    sim.WaitWatchersIdle();  // the check is posted
    supervisor.reset();
    EXPECT_EQ(sim.WatchCount(), 0);
    pump.DispatchPending();
    EXPECT_EQ(panel.dials, 1);
}

TEST_F(SupervisorTest, DisableOnDropStates) {
    // Confirming without a chosen adapter changes nothing.
    EXPECT_FALSE(supervisor->ConfirmDisableOnDrop());
    EXPECT_FALSE(supervisor->Options().disableOnDrop);

    // Restore with no adapter runs the command with an empty name.
    supervisor->RestoreAdapter();
    EXPECT_EQ(netsh, (Commands{{"", true}}));

    supervisor->ChooseAdapter("本地连接");
    EXPECT_TRUE(supervisor->ConfirmDisableOnDrop());
    EXPECT_TRUE(supervisor->Options().disableOnDrop);

    // Watching, disabled, restored, watching again: a second drop disables
    // again, once; the name is kept (and saved) only while it is disabled.
    netsh.clear();
    for (int drop = 0; drop < 2; ++drop) {
        Connect();
        ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
        timers.Advance(20s);
        EXPECT_EQ(supervisor->Options().disabledAdapterName, "本地连接");
        supervisor->RestoreAdapter();
        EXPECT_EQ(supervisor->Options().disabledAdapterName, "");
    }
    const Commands expected{
        {"本地连接", false}, {"本地连接", true}, {"本地连接", false}, {"本地连接", true}};
    EXPECT_EQ(netsh, expected);
    EXPECT_EQ(kept, (std::vector<std::string>{"本地连接", "", "本地连接", ""}));
    EXPECT_TRUE(Logged("恢复网卡：本地连接"));

    // Switching the option off neither enables the adapter nor forgets it:
    // restore enables it, not the one chosen since.
    Connect();
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    timers.Advance(5s);
    supervisor->SwitchOffDisableOnDrop();
    supervisor->ChooseAdapter("无线网络连接");
    EXPECT_FALSE(supervisor->Options().disableOnDrop);
    EXPECT_EQ(netsh.size(), 5u);
    supervisor->RestoreAdapter();
    EXPECT_EQ(netsh.back(), (Command{"本地连接", true}));
}

TEST_F(SupervisorTest, OneAdapterCommandAtATimeAndALateAnswerIsDropped) {
    answerLater = true;
    SetOptions(false, true, "本地连接");
    Connect();
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    timers.Advance(5s);
    ASSERT_EQ(netsh, (Commands{{"本地连接", false}}));
    EXPECT_TRUE(supervisor->AdapterCommandUnderWay());
    supervisor->RestoreAdapter();
    timers.Advance(20s);
    EXPECT_EQ(netsh.size(), 1u) << "a restore or a tick while the disable runs";

    std::exchange(pending, nullptr)(true);
    EXPECT_EQ(supervisor->Options().disabledAdapterName, "本地连接");
    supervisor->RestoreAdapter();
    ASSERT_EQ(netsh.size(), 2u);
    const AdapterAdminSwitch::Done late = std::exchange(pending, nullptr);
    supervisor.reset();
    late(true);
    EXPECT_EQ(kept, std::vector<std::string>{"本地连接"});
}

TEST_F(SupervisorTest, RefusedCommandsSayWhatWasRefused) {
    const std::string failedStatus = "禁用网卡失败：本地连接，请以管理员身份运行";
    SetOptions(false, true, "本地连接");
    netshWorks = false;
    Connect();
    ASSERT_TRUE(sim.DropConnection(kSupervisedEntry));
    timers.Advance(20s);
    EXPECT_EQ(netsh, (Commands{{"本地连接", false}}));
    EXPECT_EQ(panel.caption, failedStatus);
    EXPECT_EQ(panel.ipLabels, "- -");
    EXPECT_EQ(supervisor->Options().disabledAdapterName, "");
    EXPECT_TRUE(kept.empty());
    EXPECT_TRUE(Logged("禁用网卡失败：本地连接"));
    EXPECT_FALSE(Logged("已禁止网卡：本地连接"));

    // A refused enable keeps the adapter counted as disabled.
    netshWorks = true;
    supervisor->RecallDisabledAdapter("本地连接");
    netshWorks = false;
    supervisor->RestoreAdapter();
    EXPECT_EQ(panel.caption, "恢复网卡失败：本地连接，请以管理员身份运行");
    EXPECT_EQ(supervisor->Options().disabledAdapterName, "本地连接");
    EXPECT_TRUE(Logged("恢复网卡失败：本地连接"));
    EXPECT_TRUE(kept.empty());
}

TEST_F(SupervisorTest, TurningTheOptionOnWithoutRightsIsLogged) {
    const std::string warning = "未以管理员身份运行：掉线时将无法禁用网卡";
    for (const bool rights : {true, false}) {
        elevated = rights;
        log.clear();
        supervisor->SetDisableOnDrop(false);
        supervisor->SetDisableOnDrop(true);  // as at start-up
        supervisor->ChooseAdapter("本地连接");
        ASSERT_TRUE(supervisor->ConfirmDisableOnDrop());  // as from the dialog
        EXPECT_EQ(std::count(log.begin(), log.end(), warning), rights ? 0 : 2);
    }
}

}  // namespace
}  // namespace xl::dial
