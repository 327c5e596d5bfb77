// The settings panel and the adapter dialog at work, headless against the
// stand-in service and the simulator: each switch flipped by its caption,
// saved at once and starting what depends on it; the 15-second floor of the
// timed reconnect and the seconds field's delayed check; start with the
// system; the saved switches reaching the timers and the supervisor at
// start-up; and the adapter dialog from its opening to its confirmation.
#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

constexpr char kTooShort[] = "定时重连不能小于15秒";
constexpr char kInstalled[] = "C:\\Program Files\\岫澜IP\\XiulanIP.exe";
constexpr char kRunValue[] = "HKLM set XiulanIP.exe=\"C:\\Program Files\\岫澜IP\\XiulanIP.exe\"";

class SettingsFlow : public ProgramFlow {
  protected:
    void SetUp() override {
        ProgramFlow::SetUp();
        if (IsSkipped()) return;
        Start();
        LogInAsDemo();
    }
    ui::Control& Box(std::string_view name) { return C(WindowId::Main, name); }
    int Interval(std::string_view timer) { return C(WindowId::Main, timer).interval(); }
    std::string Dialog(std::string_view control) {
        return C(WindowId::AdapterDialog, control).caption();
    }
    const dial::DropOptions& Options() { return program_->Supervisor()->Options(); }
};

struct PlainSwitch {
    const char* label;
    const char* box;
    SettingKey key;
    const char* timer;  // "" when none depends on it
};

TEST_F(SettingsFlow, PlainSwitchesFlipSaveAndRunWhatDependsOnThem) {
    const PlainSwitch switches[] = {
        {"透明标签_掉线自动重连", "图片框_掉线自动重连", kAutoReconnect, "时钟_掉线自动重连"},
        {"透明标签_连接成功后自动最小化", "图片框_连接成功最小化", kMinimiseAfterConnect, ""},
        {"透明标签_电脑开机自动开启软件", "图片框_开机启动", kAutoStart, ""},
    };
    for (const PlainSwitch& s : switches) {
        for (const bool on : {true, false}) {
            SCOPED_TRACE(std::string(s.label) + (on ? " on" : " off"));
            ASSERT_TRUE(Click(s.label));
            EXPECT_EQ(Box(s.box).tag(), on ? "yes" : "no");
            EXPECT_EQ(Box(s.box).picture(), on ? "check_on" : "check_off");
            EXPECT_EQ(Get(s.key), on ? "yes" : "no");
            if (*s.timer) {
                // The supervisor's option goes with its timer.
                EXPECT_EQ(Interval(s.timer), on ? 5000 : 0);
                EXPECT_EQ(Options().autoReconnect, on);
            }
        }
    }
    EXPECT_FALSE(program_->MainWindow()->Choices().minimiseAfterConnect);
    // The machine's value, none beside it in the user's key; then both removed.
    EXPECT_EQ(
        ports_.startup.calls,
        (std::vector<std::string>{kRunValue, "HKCU delete XiulanIP.exe", "HKLM delete XiulanIP.exe",
                                  "HKCU delete XiulanIP.exe", "shortcut XiulanIP.exe.lnk"}));
    // A tag neither "yes" nor "no" leaves the switch alone.
    for (const PlainSwitch& s : switches) {
        Box(s.box).SetTag("YES");
        ASSERT_TRUE(Click(s.label));
        EXPECT_EQ(Box(s.box).tag(), "YES") << s.label;
        EXPECT_EQ(Get(s.key), "no") << s.label;
    }
    EXPECT_EQ(ports_.startup.calls.size(), 5u);
}

// Without administrator rights the machine's key refuses; the user's key then
// starts the program for this user. What neither key takes leaves the box as
// it was, and the log says why.
TEST_F(SettingsFlow, StartWithWindowsShowsWhatWindowsAccepted) {
    constexpr char kLabel[] = "透明标签_电脑开机自动开启软件";
    const std::string quoted = std::string("\"") + kInstalled + "\"";
    const std::string machineRefused = "开机启动: 本机 Run 键拒绝写入 (错误 5)";
    desktop::StartupRegistry& startup = ports_.startup;
    auto& fake = ports_.startup;
    auto logged = [this] { return log_.With("开机启动: ").back(); };
    struct Case {
        const char* what;
        long machineRefusal, userRefusal;
        const char* installed;
        bool ticks;
        std::string logLine;
    };
    const Case cases[] = {
        {"machine refused: the user's key", 5, 0, kInstalled, true,
         machineRefused + "，已写入当前用户的 Run 键 " + quoted},
        {"both refused", 5, 5, kInstalled, false,
         "开机启动: 未能登记: 本机 Run 键拒绝写入 (错误 5)，当前用户的 Run 键也拒绝写入 (错误 5)"},
        {"no install location recorded", 0, 0, "", false,
         "开机启动: 未能登记: 没有安装程序记录的安装位置"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string saved = Get(kAutoStart);
        fake.machineRefusal = c.machineRefusal;
        fake.userRefusal = c.userRefusal;
        fake.installed = c.installed;
        ASSERT_TRUE(Click(kLabel));
        EXPECT_EQ(Box("图片框_开机启动").tag(), c.ticks ? "yes" : "no");
        EXPECT_EQ(Get(kAutoStart), c.ticks ? "yes" : saved);
        EXPECT_EQ(logged(), c.logLine);
        if (!c.ticks) continue;
        EXPECT_EQ(startup.RunValue(desktop::RunKey::User, "XiulanIP.exe"), quoted);
        // Off: the machine's key still refuses, but holds no value to remove.
        ASSERT_TRUE(Click(kLabel));
        EXPECT_EQ(Box("图片框_开机启动").tag(), "no");
        EXPECT_EQ(startup.RunValue(desktop::RunKey::User, "XiulanIP.exe"), std::nullopt);
        EXPECT_EQ(logged(), "开机启动: 已取消");
    }

    // A machine value an administrator wrote: on counts it, off cannot remove it.
    fake.installed = kInstalled;
    fake.machineRefusal = 0;
    ASSERT_TRUE(Click(kLabel));
    fake.machineRefusal = 5;
    fake.userRefusal = 0;
    ASSERT_TRUE(Click(kLabel));
    EXPECT_EQ(Box("图片框_开机启动").tag(), "yes");
    EXPECT_EQ(Get(kAutoStart), "yes");
    EXPECT_EQ(logged(),
              "开机启动: 未能取消: 本机 Run 键的值不能删除 (错误 5)，请以管理员身份运行后再取消");
}

TEST_F(SettingsFlow, MinimiseAfterConnectHidesTheWindowOnceOn) {
    ASSERT_TRUE(Click("透明标签_连接成功后自动最小化"));
    EXPECT_TRUE(program_->MainWindow()->Choices().minimiseAfterConnect);
    ASSERT_TRUE(Click("超级按钮_连接"));
    EXPECT_FALSE(Visible(WindowId::Main));
    program_->MainWindow()->ShowMainWindow();
    ASSERT_TRUE(Click("超级按钮_连接"));
    ASSERT_TRUE(Click("透明标签_连接成功后自动最小化"));
    ASSERT_TRUE(Click("超级按钮_连接"));
    EXPECT_TRUE(Visible(WindowId::Main));
}

TEST_F(SettingsFlow, TimedReconnectNeedsFifteenSecondsAndRedialsEveryInterval) {
    struct Case {
        const char* text;
        int intervalMs;  // 0: refused
    };
    const Case cases[] = {{"14", 0},  {"", 0},       {"abc", 0},
                          {"-20", 0}, {"15", 15000}, {"020", 20000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        C(WindowId::Main, "透明标签_定时重连错误提示").SetCaption("");
        backend_.Type(WindowId::Main, "编辑框_定时重连秒数", c.text);
        ASSERT_TRUE(Click("透明标签_是否定时重连"));
        EXPECT_EQ(Interval("时钟_定时重连"), c.intervalMs);
        EXPECT_EQ(Box("图片框_定时重连").tag(), c.intervalMs > 0 ? "yes" : "no");
        EXPECT_EQ(Caption("透明标签_定时重连错误提示"), c.intervalMs > 0 ? "" : kTooShort);
        EXPECT_EQ(Get(kTimedReconnect), c.intervalMs > 0 ? "yes" : "<none>");
        EXPECT_EQ(Get(kReconnectInterval), c.intervalMs > 0 ? c.text : "<none>");
        if (c.intervalMs > 0) {
            ASSERT_TRUE(Click("透明标签_是否定时重连"));
        }
    }
    // On at 15 over a live link: the first redial comes at 15 s, not before.
    backend_.Type(WindowId::Main, "编辑框_定时重连秒数", "15");
    ASSERT_TRUE(Click("超级按钮_连接"));
    ASSERT_TRUE(Click("透明标签_是否定时重连"));
    backend_.Advance(14999ms);
    EXPECT_EQ(log_.With("拨号开始").size(), 1u);
    backend_.Advance(1ms);
    EXPECT_EQ(log_.With("拨号开始").size(), 2u);
    EXPECT_EQ(Tag(), "断开");
}

TEST_F(SettingsFlow, TheSecondsFieldIsCheckedASecondAfterEachChange) {
    const std::string error = "透明标签_定时重连错误提示";
    backend_.Type(WindowId::Main, "编辑框_定时重连秒数", "5");
    backend_.Advance(999ms);
    EXPECT_EQ(Caption(error), "");
    backend_.Advance(1ms);
    EXPECT_EQ(Caption(error), kTooShort);
    backend_.Type(WindowId::Main, "编辑框_定时重连秒数", "30");
    backend_.Advance(999ms);
    EXPECT_EQ(Caption(error), kTooShort);
    backend_.Advance(1ms);
    EXPECT_EQ(Caption(error), "");
    EXPECT_EQ(Get(kReconnectInterval), "<none>") << "typing saves nothing";
}

TEST_F(SettingsFlow, TurningTimedReconnectOffSavesTheFieldUnchecked) {
    backend_.Type(WindowId::Main, "编辑框_定时重连秒数", "20");
    ASSERT_TRUE(Click("透明标签_是否定时重连"));
    backend_.Type(WindowId::Main, "编辑框_定时重连秒数", "5");
    EXPECT_EQ(Interval("时钟_定时重连"), 20000) << "editing leaves a running timer alone";
    ASSERT_TRUE(Click("透明标签_是否定时重连"));
    EXPECT_EQ(Get(kTimedReconnect), "no");
    EXPECT_EQ(Get(kReconnectInterval), "5");
    EXPECT_EQ(Interval("时钟_定时重连"), 0);
    EXPECT_EQ(Box("图片框_定时重连").picture(), "check_off");
}

TEST_F(SettingsFlow, TheAdapterDialogListsConfirmsAndSwitchesOff) {
    ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));
    ASSERT_TRUE(Visible(WindowId::AdapterDialog));
    EXPECT_EQ(windows_.Existing(WindowId::AdapterDialog)->title(), "选择异常掉线要禁用的网卡");
    ui::Control& list = C(WindowId::AdapterDialog, "超级列表框_网卡列表");
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, 0), "本地连接");
    EXPECT_EQ(list.Cell(1, 0), "无线网络连接");
    EXPECT_FALSE(list.visible());
    EXPECT_EQ(Dialog("透明标签_已选网卡名称"), "请选择网卡");
    EXPECT_EQ(log_.With("网卡列表"),
              std::vector<std::string>{"网卡列表: 2 个 \"本地连接\" \"无线网络连接\""});

    // Confirmed with no row chosen: the option stays off and nothing is saved.
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "超级按钮_确定"));
    EXPECT_EQ(Dialog("透明标签_确定结果"), "未选择网卡");
    EXPECT_TRUE(Visible(WindowId::AdapterDialog));
    EXPECT_EQ(Box("图片框_异常掉线禁止网卡").tag(), "no");
    EXPECT_EQ(Get(kDisableOnDrop), "<none>");
    EXPECT_EQ(Interval("时钟_异常掉线禁用网卡"), 0);
    EXPECT_FALSE(Options().disableOnDrop);

    // The arrow and the name both drop the list down and fold it up.
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_下拉框"));
    EXPECT_TRUE(list.visible());
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_已选网卡名称"));
    EXPECT_FALSE(list.visible());
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_已选网卡名称"));
    ASSERT_TRUE(backend_.ClickRow(WindowId::AdapterDialog, "超级列表框_网卡列表", 1));
    EXPECT_EQ(Dialog("透明标签_已选网卡名称"), "无线网络连接");
    EXPECT_FALSE(list.visible());
    EXPECT_EQ(Dialog("透明标签_确定结果"), "");
    // The row already chosen, picked again, folds the list up too.
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_下拉框"));
    ASSERT_TRUE(backend_.ClickRow(WindowId::AdapterDialog, "超级列表框_网卡列表", 1));
    EXPECT_FALSE(list.visible());

    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "超级按钮_确定"));
    EXPECT_FALSE(Visible(WindowId::AdapterDialog));
    EXPECT_EQ(Box("图片框_异常掉线禁止网卡").tag(), "yes");
    EXPECT_EQ(Box("图片框_异常掉线禁止网卡").picture(), "check_on");
    EXPECT_EQ(Get(kDisableOnDrop), "yes");
    EXPECT_EQ(Get(kChosenAdapterName), "无线网络连接");
    EXPECT_EQ(Interval("时钟_异常掉线禁用网卡"), 5000);
    EXPECT_TRUE(Options().disableOnDrop);
    EXPECT_EQ(Options().chosenAdapterName, "无线网络连接");

    // A click on the option now switches it off without the dialog.
    ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));
    EXPECT_FALSE(Visible(WindowId::AdapterDialog));
    EXPECT_EQ(Box("图片框_异常掉线禁止网卡").tag(), "no");
    EXPECT_EQ(Get(kDisableOnDrop), "no");
    EXPECT_EQ(Get(kChosenAdapterName), "无线网络连接");
    EXPECT_EQ(Interval("时钟_异常掉线禁用网卡"), 0);
    EXPECT_FALSE(Options().disableOnDrop);
    EXPECT_TRUE(ports_.runner.Commands().empty()) << "switching off enables nothing";
}

TEST_F(SettingsFlow, ACancelledChoiceStaysForTheRunAndEscapeBuildsTheDialogAfresh) {
    ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_下拉框"));
    ASSERT_TRUE(backend_.ClickRow(WindowId::AdapterDialog, "超级列表框_网卡列表", 0));
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "超级按钮_取消"));
    EXPECT_FALSE(Visible(WindowId::AdapterDialog));
    EXPECT_EQ(Options().chosenAdapterName, "本地连接");
    EXPECT_EQ(Get(kChosenAdapterName), "<none>");
    EXPECT_EQ(Box("图片框_异常掉线禁止网卡").tag(), "no");

    // Esc destroys it; the next opening lists the adapters there are then.
    ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));
    ASSERT_TRUE(backend_.PressEscape(WindowId::AdapterDialog));
    EXPECT_EQ(windows_.Existing(WindowId::AdapterDialog), nullptr);
    ports_.adapterApi.chain.pop_back();
    ASSERT_TRUE(Click("透明标签_异常掉线禁止网卡"));
    EXPECT_EQ(Dialog("透明标签_已选网卡名称"), "本地连接");
    EXPECT_EQ(C(WindowId::AdapterDialog, "超级列表框_网卡列表").RowCount(), 1);
    ASSERT_TRUE(backend_.Click(WindowId::AdapterDialog, "透明标签_关闭"));
    EXPECT_FALSE(Visible(WindowId::AdapterDialog));
    EXPECT_EQ(Box("图片框_异常掉线禁止网卡").tag(), "no");
}

// The saved switches, applied when the main window opens, with their timers
// and the supervisor's options; start with the system is registered again.
class SavedSwitches : public ProgramFlow {};

TEST_F(SavedSwitches, ReachTheTimersTheSupervisorAndTheRunKey) {
    Put(kAutoReconnect, "yes");
    Put(kDisableOnDrop, "yes");
    Put(kChosenAdapterName, "本地连接");
    Put(kTimedReconnect, "yes");
    Put(kReconnectInterval, "5");
    Put(kAutoStart, "yes");
    Put(kMinimiseAfterConnect, "yes");
    Start();
    LogInAsDemo();
    for (const char* box : {"图片框_掉线自动重连", "图片框_异常掉线禁止网卡", "图片框_定时重连",
                            "图片框_开机启动", "图片框_连接成功最小化"}) {
        EXPECT_EQ(C(WindowId::Main, box).tag(), "yes") << box;
    }
    EXPECT_EQ(C(WindowId::Main, "时钟_掉线自动重连").interval(), 5000);
    EXPECT_EQ(C(WindowId::Main, "时钟_异常掉线禁用网卡").interval(), 5000);
    EXPECT_EQ(C(WindowId::Main, "时钟_定时重连").interval(), 5000) << "no floor for a saved value";
    EXPECT_EQ(Caption("编辑框_定时重连秒数"), "5");
    const dial::DropOptions& options = program_->Supervisor()->Options();
    EXPECT_TRUE(options.autoReconnect);
    EXPECT_TRUE(options.disableOnDrop);
    EXPECT_EQ(options.chosenAdapterName, "本地连接");
    EXPECT_EQ(options.disabledAdapterName, "");
    EXPECT_EQ(ports_.startup.calls,
              (std::vector<std::string>{kRunValue, "HKCU delete XiulanIP.exe"}));
}

TEST_F(SavedSwitches, AStartWhereWindowsRefusesTheRunValueLeavesTheBoxUnticked) {
    Put(kAutoStart, "yes");
    ports_.startup.machineRefusal = desktop::kAccessDenied;
    ports_.startup.userRefusal = desktop::kAccessDenied;
    Start();
    LogInAsDemo();
    EXPECT_EQ(C(WindowId::Main, "图片框_开机启动").tag(), "no");
    EXPECT_EQ(Get(kAutoStart), "yes") << "kept for the next start to try again";
    EXPECT_EQ(log_.With("开机启动: 未能登记").size(), 1u);
}

}  // namespace
}  // namespace xl::program::test
