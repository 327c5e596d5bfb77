// The link watched from the running main window, headless against the
// stand-in service and the simulator: drops seen by the 5-second timers alone
// (the service's word declined, as under Wine's remote-access stubs) and by the
// word, each with its one reaction through the real connection panel and the
// adapter command runner; the timed reconnect without a link; restoring the
// adapter that was disabled, across a changed choice and a restart; commands
// that Windows refuses; and clicks inside the supervisor's own reaction.
#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kDefaultHost[] = "hb1.xiulanip.com";
constexpr char kRedialStatus[] = "检测到异常掉线，开始自动重连...";
constexpr char kDisabledStatus[] = "检测到异常掉线，已禁止网卡：本地连接 请恢复网卡后再连接";

class WatchFlow : public ProgramFlow {
  protected:
    // Logged in with these saved options and connected; `watch` false makes
    // the service decline the disconnection word.
    void ConnectedWith(const char* autoReconnect, const char* disableOnDrop, const char* adapter,
                       bool watch) {
        EndRun();
        Put(kAutoReconnect, autoReconnect);
        Put(kDisableOnDrop, disableOnDrop);
        if (*adapter) Put(kChosenAdapterName, adapter);
        ras_.SetWatchError(watch ? 0 : kWatchDeclined);
        // Past the start-up's second list load, which writes the status line.
        LogInWithListsShown();
        ASSERT_TRUE(Click("超级按钮_连接"));
        ASSERT_EQ(Tag(), "断开");
        ASSERT_TRUE(Eventually([&] { return Caption("透明标签_连接状态") == "连接成功"; }));
    }
    int Dials() { return static_cast<int>(log_.With("拨号开始").size()); }
    // Either reaction leaves a line that starts so.
    bool Reacted() { return !log_.With("检测到异常掉线").empty(); }
    // What the service's word has posted has run.
    void SettleTheWord() {
        ras_.WaitIdle();
        ras_.WaitWatchersIdle();
        backend_.DispatchPending();
    }
    std::vector<net::ProcessCommand> Disabling(const char* name) {
        return {*net::AdminStateCommand(name, false)};
    }
    // The program and its windows go; the saved settings stay for the next run.
    void EndRun() {
        if (!program_) return;
        ras_.WaitIdle();
        program_.reset();
        for (WindowId w :
             {WindowId::Login, WindowId::Main, WindowId::AdapterDialog, WindowId::ConfirmDialog}) {
            windows_.Destroy(w);
        }
    }
    // The adapter dialog opened from the option's caption, the row chosen, and
    // confirmed or cancelled.
    void ChooseInTheDialog(int row, bool confirm) {
        ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));
        ASSERT_TRUE(Visible(WindowId::AdapterDialog));
        ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_下拉框"));
        ASSERT_TRUE(backend_.ClickRow(WindowId::AdapterDialog, "超级列表框_网卡列表", row));
        ASSERT_TRUE(
            backend_.Click(WindowId::AdapterDialog, confirm ? "超级按钮_确定" : "超级按钮_取消"));
    }
    // The adapter command under way, if any, has answered on the user-interface thread.
    bool AdapterCommandAnswered() {
        return Eventually([&] { return !program_->Supervisor()->AdapterCommandUnderWay(); });
    }
    // A click on 恢复网卡 whose command has answered.
    void Restore() {
        ASSERT_TRUE(Click("透明标签_恢复网卡"));
        ASSERT_TRUE(AdapterCommandAnswered());
    }

    static constexpr std::uint32_t kWatchDeclined = 120;  // the service's "not supported"
};

enum class Event { ServerDrop, UserDisconnect };

// The drop rules themselves are the supervisor's (its own tests hold the
// whole table); here each reaction runs once through the real panel, the
// adapter command runner and the window's wiring: the service's word, or the
// 5-second timers alone.
struct DropCase {
    const char* name;
    const char* autoReconnect;
    const char* disableOnDrop;
    const char* adapter;
    Event event;
    bool watch;
    int redials;
    bool disables;
    const char* status;  // the status line once everything has settled
    const char* tag;
};

const DropCase kDropCases[] = {
    {"redial_word", "yes", "no", "", Event::ServerDrop, true, 1, false, "连接成功", "断开"},
    {"adapter_timers", "yes", "yes", "本地连接", Event::ServerDrop, false, 0, true, kDisabledStatus,
     "连接"},
    {"user_disconnect_word", "yes", "yes", "本地连接", Event::UserDisconnect, true, 0, false,
     "已断开", "连接"},
};

class Drops : public WatchFlow, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drops, GetTheirOneReactionAndLaterTicksNone) {
    const DropCase& c = GetParam();
    ConnectedWith(c.autoReconnect, c.disableOnDrop, c.adapter, c.watch);
    const bool reacts = c.redials > 0 || c.disables;
    const auto droppedAt = backend_.Now();
    const auto droppedReal = Clock::now();
    if (c.event == Event::ServerDrop) {
        ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
    } else {
        ASSERT_TRUE(Click("超级按钮_连接"));
    }
    if (c.watch && reacts) {
        // Before any tick: the clock has moved by the hang-up's pauses only.
        ASSERT_TRUE(Eventually([&] { return Reacted(); }));
        EXPECT_LT(Clock::now() - droppedReal, 1s);
        EXPECT_LT(backend_.Now() - droppedAt, 1s);
    } else {
        SettleTheWord();
        while (!Reacted() && backend_.Now() - droppedAt < 6s) backend_.Advance(100ms);
        EXPECT_EQ(Reacted(), reacts);
        if (reacts) {
            EXPECT_LE(backend_.Now() - droppedAt, 5s);
        }
    }
    // Later ticks and words find nothing more to do.
    SettleTheWord();
    backend_.Advance(20s);
    SettleTheWord();
    EXPECT_TRUE(Eventually([&] { return Caption("透明标签_连接状态") == c.status; }))
        << Caption("透明标签_连接状态");
    ASSERT_TRUE(AdapterCommandAnswered());
    EXPECT_EQ(Dials() - 1, c.redials);
    EXPECT_EQ(ports_.runner.Commands(),
              c.disables ? Disabling("本地连接") : std::vector<net::ProcessCommand>{});
    EXPECT_EQ(Tag(), c.tag);
    if (c.disables) {
        EXPECT_EQ(Caption("透明标签_当前IP"), "异常掉线已经禁用网卡");
        EXPECT_EQ(Caption("透明标签_归属地"), "异常掉线已经禁用网卡");
        EXPECT_EQ(log_.With(Disabling("本地连接")[0].Display() + ": 退出码 0").size(), 1u);
    }
    EXPECT_EQ(log_.With("自动重连：连接成功").size(), static_cast<std::size_t>(c.redials));
    EXPECT_EQ(log_.With("断线通知不可用").size(), c.watch ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(WatchFlow, Drops, ::testing::ValuesIn(kDropCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WatchFlow, TheExitIpOfTheLinkThatDroppedNeverWritesOverTheDrop) {
    // The connect's lookup answers only after the drop has been handled.
    HoldTheExitIpLookup();
    ConnectedWith("no", "yes", "本地连接", true);
    ASSERT_TRUE(LookupAsked());
    ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
    ASSERT_TRUE(Eventually([&] { return Reacted(); }));
    AnswerTheLookup();
    EXPECT_EQ(Caption("透明标签_当前IP"), "异常掉线已经禁用网卡");
    EXPECT_EQ(Caption("透明标签_归属地"), "异常掉线已经禁用网卡");
    EXPECT_TRUE(log_.With("出口IP").empty());
}

TEST_F(WatchFlow, TheThirdDropWithinAMinuteIsRedialledOnTheWindowsTimers) {
    ConnectedWith("yes", "no", "", true);
    for (int drop = 1; drop <= 3; ++drop) {
        ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
        SettleTheWord();
    }
    EXPECT_EQ(Dials(), 3);
    EXPECT_EQ(Caption("透明标签_连接状态"), "掉线频繁，5秒后重连");
    EXPECT_EQ(log_.With("掉线频繁，5秒后重连").size(), 1u);
    backend_.Advance(4900ms);
    EXPECT_EQ(Dials(), 3);
    backend_.Advance(200ms);
    EXPECT_EQ(Dials(), 4);
    EXPECT_EQ(Tag(), "断开");
}

TEST_F(WatchFlow, ARefusedRedialKeepsTheDropsTextAndIsTheOnlyAttempt) {
    ConnectedWith("yes", "no", "", false);
    ras_.SetHostOutcome(kDefaultHost, dial::SimOutcome::RefusedAtOnce);
    ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
    backend_.Advance(5s);
    EXPECT_EQ(Caption("透明标签_连接状态"), kRedialStatus);
    EXPECT_EQ(Tag(), "连接");
    backend_.Advance(30s);
    EXPECT_EQ(Dials(), 2);
}

TEST_F(WatchFlow, TimedReconnectWithoutALinkDoesNothingWhateverTheButtonSays) {
    Put(kTimedReconnect, "yes");
    Put(kReconnectInterval, "15");
    Start();
    LogInAsDemo();
    ASSERT_EQ(C(WindowId::Main, "时钟_定时重连").interval(), 15000);
    C(WindowId::Main, "超级按钮_连接").SetTag("断开");
    backend_.Advance(31s);
    EXPECT_EQ(Dials(), 0);
    EXPECT_NE(Caption("透明标签_连接状态"), "定时重连中...");
    EXPECT_EQ(Tag(), "断开");
}

TEST_F(WatchFlow, RestoreRunsTheEnableCommandEvenWithoutAnAdapter) {
    LogInWithListsShown();
    // An empty name is no name that could break out of its quotes: it runs.
    const auto command = net::AdminStateCommand("", true);
    ASSERT_TRUE(command.has_value());
    const std::string status = Caption("透明标签_连接状态");
    Restore();
    EXPECT_EQ(ports_.runner.Commands(), std::vector<net::ProcessCommand>{*command});
    EXPECT_EQ(log_.With(command->Display() + ": 退出码 0").size(), 1u);
    EXPECT_EQ(log_.With("恢复网卡：").size(), 1u);
    EXPECT_EQ(Caption("透明标签_连接状态"), status);
}

TEST_F(WatchFlow, RestoreEnablesTheAdapterThatWasDisabledAcrossAChoiceAndARestart) {
    enum class Choice { None, Cancelled, Confirmed };
    struct Case {
        const char* name;
        bool restart;
        Choice choice;            // of the other adapter, with the option switched off first
        const char* enabledNext;  // by a second restore, once nothing is disabled
    };
    const Case cases[] = {
        {"nothing between", false, Choice::None, "本地连接"},
        {"another chosen, dialog cancelled", false, Choice::Cancelled, "无线网络连接"},
        {"another chosen and confirmed", false, Choice::Confirmed, "无线网络连接"},
        {"restart", true, Choice::None, "本地连接"},
        {"restart, another chosen and confirmed", true, Choice::Confirmed, "无线网络连接"},
    };
    const auto enabling = [](const char* name) { return *net::AdminStateCommand(name, true); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ports_.items.clear();
        ConnectedWith("no", "yes", "本地连接", true);
        ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
        ASSERT_TRUE(Eventually([&] { return Get(kDisabledAdapterName) == "本地连接"; }));
        if (c.restart) {
            EndRun();
            Start();
            LogInAsDemo();
            // The start-up's downloads end first: under Wine, a thread that
            // ends after using sockets was seen to hold the loader lock for
            // tens of seconds on a loaded machine, and no thread starts meanwhile.
            Settle();
            EXPECT_EQ(Caption("透明标签_连接状态"), kDisabledStatus);
            backend_.Advance(ui::kDelayedListReload);
            EXPECT_EQ(Caption("透明标签_连接状态"), kDisabledStatus);
        }
        if (c.choice != Choice::None) {
            ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));  // the option off
            ChooseInTheDialog(1, c.choice == Choice::Confirmed);
        }
        ports_.runner.Clear();
        Restore();
        EXPECT_EQ(Get(kDisabledAdapterName), "");
        Restore();
        EXPECT_EQ(ports_.runner.Commands(), (std::vector<net::ProcessCommand>{
                                                enabling("本地连接"), enabling(c.enabledNext)}));
    }
}

TEST_F(WatchFlow, CommandsWindowsRefusesSaySoOnTheStatusLine) {
    // netsh without the administrator's rights.
    ports_.runner.elevated = false;
    ports_.runner.Answer({.started = true, .exitCode = 1});
    ConnectedWith("no", "yes", "本地连接", true);
    EXPECT_EQ(log_.With("未以管理员身份运行：掉线时将无法禁用网卡").size(), 1u);
    ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
    ASSERT_TRUE(Eventually([&] {
        return Caption("透明标签_连接状态") == "禁用网卡失败：本地连接，请以管理员身份运行";
    })) << Caption("透明标签_连接状态");
    EXPECT_EQ(log_.With(Disabling("本地连接")[0].Display() + ": 退出码 1").size(), 1u);
    EXPECT_EQ(Caption("透明标签_当前IP"), "- -");
    EXPECT_EQ(Get(kDisabledAdapterName), "<none>");
    Restore();
    EXPECT_EQ(Caption("透明标签_连接状态"), "恢复网卡失败：本地连接，请以管理员身份运行");
    EXPECT_EQ(Tag(), "连接");
}

TEST_F(WatchFlow, AdapterCommandsLeaveTheWindowsFreeAndAQuitWaitsForNone) {
    ports_.runner.Hold();  // netsh hangs
    ConnectedWith("no", "yes", "本地连接", true);
    ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
    ASSERT_TRUE(Eventually([&] { return ports_.runner.Commands().size() == 1; }));
    bool ran = false;
    windows_.Post([&] { ran = true; });
    backend_.DispatchPending();
    EXPECT_TRUE(ran);
    ASSERT_TRUE(Click("透明标签_L2TP"));
    EXPECT_EQ(Get(kProtocol), "L2TP");
    ASSERT_TRUE(Click("透明标签_恢复网卡"));
    EXPECT_TRUE(log_.With("恢复网卡：").empty());
    EXPECT_EQ(ports_.runner.Commands().size(), 1u);

    program_->ExitProgram();
    EXPECT_EQ(ended_, std::vector<int>{0});
    const auto workers = program_->AdapterCommands().Workers();
    EndRun();
    ports_.runner.Release();
    workers->WaitIdle();
    backend_.DispatchPending();
    EXPECT_EQ(Get(kDisabledAdapterName), "<none>");
    EXPECT_TRUE(log_.With("已禁止网卡").empty());
}

TEST_F(WatchFlow, ClicksInsideEachOfTheSupervisorsWaitsDoNothing) {
    enum class Wait { HangUp, PausesAroundTheRefresh, Redial };
    struct Case {
        const char* name;
        bool timed;  // the timed reconnect, else a drop's redial
        Wait wait;
    };
    const Case cases[] = {
        {"timed reconnect, its hang-up's wait", true, Wait::HangUp},
        {"timed reconnect, its pauses", true, Wait::PausesAroundTheRefresh},
        {"timed reconnect, its redial", true, Wait::Redial},
        {"drop, its redial", false, Wait::Redial},
    };
    Put(kTimedReconnect, "yes");
    Put(kReconnectInterval, "15");
    ConnectedWith("yes", "no", "", false);
    dial::DialEngine& engine = program_->DialEngine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reacting = [&] { return program_->Supervisor()->Reacting(); };
        std::function<bool()> when;
        switch (c.wait) {
            case Wait::HangUp:
                when = [&] { return reacting() && engine.IsHangingUp(); };
                break;
            case Wait::PausesAroundTheRefresh:
                when = [&] { return reacting() && !engine.IsHangingUp() && !engine.IsDialling(); };
                break;
            case Wait::Redial:
                when = [&] { return reacting() && engine.IsDialling(); };
                break;
        }
        const int dials = Dials();
        clicksMade_ = 0;
        ClickWhen(when, {"超级按钮_切换IP", "超级按钮_连接"});
        if (c.timed) {
            // Up to the next tick of the 15-second timer.
            for (int i = 0; i < 150 && Dials() == dials; ++i) backend_.Advance(100ms);
        } else {
            ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
            backend_.Advance(5s);
        }
        EXPECT_EQ(clicksMade_, 2);
        EXPECT_EQ(Dials(), dials + 1) << "only the supervisor's own dial";
        EXPECT_TRUE(Eventually([&] { return Caption("透明标签_连接状态") == "连接成功"; }))
            << Caption("透明标签_连接状态");
        EXPECT_EQ(Tag(), "断开");
        EXPECT_EQ(ras_.Connections().size(), 1u);
        EXPECT_TRUE(log_.With("定时重连：").empty());
    }
    EXPECT_EQ(log_.With("自动重连：连接成功").size(), 1u);
}

}  // namespace
}  // namespace xl::program::test
