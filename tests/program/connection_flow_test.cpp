// The connection panel at work, headless against the stand-in service and the
// remote-access simulator: what each protocol dials, connect and disconnect,
// what a failed dial leaves, switching, the line-mode and protocol clicks, the
// saved choices at start-up and the exit-IP labels.
#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

constexpr char kDefaultHost[] = "hb1.xiulanip.com";

TEST_F(ProgramFlow, EachProtocolDialsItsStrategyAndSstpItsPort) {
    Start();
    LogInAsDemo();
    struct Case {
        const char* click;
        std::uint32_t strategy;
        std::string host;
    };
    const Case cases[] = {
        {"透明标签_SSTP", 5, std::string(kDefaultHost) + ":4433"},
        {"图片框_L2TP", 3, kDefaultHost},
        {"透明标签_PPTP", 1, kDefaultHost},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Click(c.click));
        ASSERT_TRUE(Click("超级按钮_连接"));
        const auto entry = ras_.StoredEntry(program_->DialEngine().State().phoneBookPath, "岫澜IP");
        ASSERT_TRUE(entry) << c.click;
        EXPECT_EQ(entry->vpnStrategy, c.strategy) << c.click;
        EXPECT_EQ(entry->localPhoneNumber, c.host) << c.click;
        EXPECT_EQ(Tag(), "断开") << c.click;
        ASSERT_TRUE(Click("超级按钮_连接"));
        EXPECT_EQ(Tag(), "连接") << c.click;
    }
    EXPECT_EQ(Get(kProtocol), "PPTP");
    EXPECT_EQ(ras_.LastDialParams()->userName, "demo");
    EXPECT_EQ(ras_.LastDialParams()->password, "demo123");
    // Each dial's host, protocol and outcome are in the log, never the password.
    const auto dials = log_.With("拨号开始");
    ASSERT_EQ(dials.size(), 3u);
    EXPECT_EQ(dials[0],
              "拨号开始: 连接 岫澜IP, 服务器 hb1.xiulanip.com:4433, 协议 SSTP, 帐号 demo");
    EXPECT_EQ(log_.With("拨号结果: 连接成功").size(), 3u);
    for (const std::string& line : log_.Lines()) EXPECT_EQ(line.find("demo123"), std::string::npos);
}

TEST_F(ProgramFlow, ConnectShowsTheExitIpAndDisconnectClearsIt) {
    Start();
    LogInAsDemo();
    EXPECT_EQ(Tag(), "连接");
    ConnectAndWaitForExitIp();
    EXPECT_EQ(Caption("透明标签_归属地"), "江苏南京");
    EXPECT_EQ(Caption("透明标签_连接状态"), "连接成功");
    EXPECT_EQ(Tag(), "断开");
    EXPECT_EQ(C(WindowId::Main, "超级按钮_连接").pictures(), ui::pictures::DisconnectButton());
    EXPECT_EQ(log_.With("出口IP"), std::vector<std::string>{"出口IP 203.0.113.25 江苏南京"});

    ASSERT_TRUE(Click("超级按钮_连接"));
    EXPECT_EQ(Caption("透明标签_连接状态"), "已断开");
    EXPECT_EQ(Caption("透明标签_当前IP"), "- -");
    EXPECT_EQ(Caption("透明标签_归属地"), "- -");
    EXPECT_EQ(Tag(), "连接");
    EXPECT_EQ(C(WindowId::Main, "超级按钮_连接").pictures(), ui::pictures::ConnectButton());
    EXPECT_TRUE(ras_.Connections().empty());
}

TEST_F(ProgramFlow, OnlyASuccessfulDialMinimisesAndLooksUpTheExitIp) {
    Put(kMinimiseAfterConnect, "yes");
    // Past the start-up's second list load, which writes the status line.
    LogInWithListsShown();
    EXPECT_EQ(C(WindowId::Main, "图片框_连接成功最小化").tag(), "yes");
    struct Case {
        dial::SimOutcome outcome;
        const char* status;  // how the status line begins
        bool hidden;
        const char* tag;
    };
    const Case cases[] = {
        // Neither a failure nor a success: the service refuses the dial itself.
        {dial::SimOutcome::RefusedAtOnce, "获取线路数据成功！", false, "连接"},
        {dial::SimOutcome::AuthenticationRefused, "错误代码:691", false, "连接"},
        {dial::SimOutcome::Unreachable,
         "发生错误，如果多次出现该错误请重启网络或系统。错误代码:800", false, "连接"},
        {dial::SimOutcome::Connect, "连接成功", true, "断开"},
    };
    for (const Case& c : cases) {
        ras_.SetHostOutcome(kDefaultHost, c.outcome);
        ASSERT_TRUE(Click("超级按钮_连接"));
        EXPECT_TRUE(Eventually([&] { return Caption("透明标签_连接状态").starts_with(c.status); }))
            << Caption("透明标签_连接状态");
        EXPECT_EQ(Visible(WindowId::Main), !c.hidden) << c.status;
        EXPECT_EQ(Tag(), c.tag) << c.status;
        if (c.hidden) continue;
        // A failed attempt is hung up and starts no lookup: the labels keep their text.
        EXPECT_TRUE(ras_.Connections().empty()) << c.status;
        std::this_thread::sleep_for(100ms);
        backend_.DispatchPending();
        EXPECT_EQ(Caption("透明标签_当前IP"), "连接中...") << c.status;
    }
    EXPECT_TRUE(Eventually([&] { return Caption("透明标签_当前IP") == "203.0.113.25"; }));
}

TEST_F(ProgramFlow, ADialThatNeverHearsBackTimesOutAndIsHungUp) {
    // The dial's wait runs its 5,000 rounds without their 20 ms each.
    dialRound_ = 0ms;
    ras_.SetHostOutcome(kDefaultHost, dial::SimOutcome::NoAnswer);
    Start();
    LogInAsDemo();
    ASSERT_TRUE(Click("超级按钮_连接"));
    EXPECT_EQ(log_.With("拨号结果: 连接超时：").size(), 1u);
    EXPECT_TRUE(ras_.Connections().empty()) << "the unanswered attempt is left listed";
    EXPECT_EQ(Tag(), "连接");
    EXPECT_EQ(Caption("透明标签_当前IP"), "连接中...");
}

TEST_F(ProgramFlow, TheConnectButtonCancelsADialAtEachPhase) {
    LogInWithListsShown();
    enum class Phase {
        HangingUpWhatWasListed,
        BeforeAnyReport,
        ConnectingTheDevice,
        Authenticating
    };
    struct Case {
        const char* name;
        Phase phase;
        bool dialled;  // the service was asked to dial before the cancel
    };
    const Case cases[] = {
        {"while the dial hangs up what was listed", Phase::HangingUpWhatWasListed, false},
        {"before any report", Phase::BeforeAnyReport, true},
        {"connecting the device", Phase::ConnectingTheDevice, true},
        {"authenticating", Phase::Authenticating, true},
    };
    dial::DialEngine& engine = program_->DialEngine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::function<bool()> when;
        switch (c.phase) {
            case Phase::HangingUpWhatWasListed:
                ras_.AddForeignConnection("别家的线路");
                when = [&] { return engine.IsDialling() && engine.IsHangingUp(); };
                break;
            case Phase::BeforeAnyReport:
                ras_.SetHostOutcome(kDefaultHost, dial::SimOutcome::NoAnswer);
                when = [&] { return engine.IsDialling() && !ras_.Connections().empty(); };
                break;
            case Phase::ConnectingTheDevice:
                ras_.SetHostOutcome(kDefaultHost, dial::SimOutcome::Connect);
                ras_.SetStallAfter(2);
                when = [&] { return Caption("透明标签_连接状态") == "正在连接设备"; };
                break;
            case Phase::Authenticating:
                ras_.SetStallAfter(5);
                when = [&] { return Caption("透明标签_连接状态") == "开始认证"; };
                break;
        }
        const auto dialsAsked = log_.With("拨号: 电话簿已写入").size();
        const auto cancelled = log_.With("拨号结果: 已取消连接").size();
        clicksMade_ = 0;
        // 切换IP inside the dial does nothing; the connect button cancels it.
        ClickWhen(when, {"超级按钮_切换IP", "超级按钮_连接"});
        ASSERT_TRUE(Click("超级按钮_连接"));
        EXPECT_EQ(clicksMade_, 2);
        EXPECT_EQ(log_.With("拨号: 电话簿已写入").size() - dialsAsked, c.dialled ? 1u : 0u);
        // Reports of the cancelled attempt that were on their way show nothing.
        ras_.WaitIdle();
        backend_.DispatchPending();
        EXPECT_EQ(Caption("透明标签_连接状态"), "已取消连接");
        EXPECT_EQ(Caption("透明标签_当前IP"), "- -");
        EXPECT_EQ(Caption("透明标签_归属地"), "- -");
        EXPECT_EQ(Tag(), "连接");
        EXPECT_TRUE(ras_.Connections().empty());
        EXPECT_EQ(log_.With("拨号结果: 已取消连接").size() - cancelled, 1u);
    }
    // The next click connects as ever.
    ras_.SetStallAfter(std::nullopt);
    ASSERT_TRUE(Click("超级按钮_连接"));
    EXPECT_EQ(Tag(), "断开");
}

TEST_F(ProgramFlow, SwitchConnectsWhenDownAndRedialsTheNewPickWhenUp) {
    LogInWithListsShown();
    ASSERT_TRUE(Click("超级按钮_切换IP"));
    EXPECT_EQ(Tag(), "断开");
    EXPECT_TRUE(Eventually([&] { return Caption("透明标签_连接状态") == "连接成功"; }));

    ASSERT_EQ(Cities()[1], "广州");
    ASSERT_TRUE(backend_.ClickRow(WindowId::Main, "超级列表框_节点列表", 1));
    EXPECT_EQ(ras_.Connections().size(), 1u) << "a pick alone does not redial";
    ASSERT_TRUE(Click("超级按钮_切换IP"));
    EXPECT_EQ(Tag(), "断开");
    const auto connections = ras_.Connections();
    ASSERT_EQ(connections.size(), 1u);
    const auto entry = ras_.StoredEntry(program_->DialEngine().State().phoneBookPath, "岫澜IP");
    EXPECT_EQ(entry->localPhoneNumber, "gd-gz1.xiulan.example");
    EXPECT_EQ(log_.With("拨号结果").size(), 2u);
}

TEST_F(ProgramFlow, LineModeLabelsDropTheFilterAndOnlyTheStaticLabelSwitchesToSstp) {
    LogInWithListsShown();
    struct Case {
        const char* click;
        const char* lineMode;
        const char* protocol;
        const char* provinceCaption;
    };
    const Case cases[] = {
        {"图片框_静态线路", "静态线路", "PPTP", "广东"},
        {"透明标签_极速线路", "极速线路", "PPTP", "广东"},
        {"透明标签_动态线路", "动态线路", "PPTP", "全部"},
        {"透明标签_静态线路", "静态线路", "SSTP", "全部"},
    };
    for (const Case& c : cases) {
        C(WindowId::Main, "透明标签_省份已选").SetCaption("广东");
        backend_.Type(WindowId::Main, "编辑框_搜索", "广");
        ASSERT_TRUE(Click("透明标签_搜索"));
        ASSERT_TRUE(Click(c.click));
        EXPECT_EQ(Get(kLineMode), c.lineMode) << c.click;
        EXPECT_EQ(Get(kProtocol), c.protocol) << c.click;
        EXPECT_EQ(Caption("透明标签_省份已选"), c.provinceCaption) << c.click;
        EXPECT_EQ(program_->ServerList()->FilterText().empty(),
                  std::string(c.provinceCaption) == "全部")
            << c.click;
        EXPECT_EQ(C(WindowId::Main, std::string("图片框_") + c.lineMode).picture(), "radio_on");
        EXPECT_EQ(C(WindowId::Main, std::string("图片框_") + c.protocol).picture(), "radio_on");
        EXPECT_EQ(Caption("透明标签_连接状态"), "获取线路数据成功！") << c.click;
    }
    EXPECT_EQ(C(WindowId::Main, "图片框_PPTP").picture(), "radio_off");
    EXPECT_EQ(C(WindowId::Main, "图片框_动态线路").picture(), "radio_off");
}

TEST_F(ProgramFlow, AStoppedExitIpLookupWritesNothingMore) {
    Start();
    LogInAsDemo();
    // The lookup's first attempt answers only after the link is gone again.
    HoldTheExitIpLookup();
    ASSERT_TRUE(Click("超级按钮_连接"));
    ASSERT_TRUE(LookupAsked());
    ASSERT_TRUE(Click("超级按钮_连接"));
    AnswerTheLookup();
    EXPECT_EQ(Caption("透明标签_当前IP"), "- -");
    EXPECT_EQ(Caption("透明标签_归属地"), "- -");
    EXPECT_TRUE(log_.With("出口IP").empty());

    // A write already queued when its lookup stops is dropped as well.
    ui::ConnectionPanel& panel = *program_->Connection();
    panel.ShowExitIp("198.51.100.7", "过时");
    panel.StopExitIpLookup();
    backend_.DispatchPending();
    EXPECT_EQ(Caption("透明标签_当前IP"), "- -");
}

TEST_F(ProgramFlow, TheExitIpOfTheLinkASwitchEndedNeverShows) {
    LogInWithListsShown();
    // The connect's lookup answers only after the switch's dial has failed.
    HoldTheExitIpLookup();
    ASSERT_TRUE(Click("超级按钮_连接"));
    ASSERT_TRUE(LookupAsked());
    ASSERT_TRUE(backend_.ClickRow(WindowId::Main, "超级列表框_节点列表", 1));
    ras_.SetHostOutcome("gd-gz1.xiulan.example", dial::SimOutcome::AuthenticationRefused);
    ASSERT_TRUE(Click("超级按钮_切换IP"));
    ASSERT_EQ(Tag(), "连接");
    AnswerTheLookup();
    EXPECT_EQ(Caption("透明标签_当前IP"), "连接中...");
    EXPECT_EQ(Caption("透明标签_归属地"), "连接中...");
    EXPECT_TRUE(log_.With("出口IP").empty());
}

struct SavedChoice {
    const char* protocol;
    const char* lineMode;
    const char* shownProtocol;  // written back and shown
    const char* shownLineMode;
    const char* checkedRadio;  // "" when no protocol radio shows it
};

class SavedChoices : public ProgramFlow, public ::testing::WithParamInterface<SavedChoice> {};

TEST_P(SavedChoices, AreAppliedAtStartUp) {
    const SavedChoice& c = GetParam();
    if (*c.protocol) Put(kProtocol, c.protocol);
    if (*c.lineMode) Put(kLineMode, c.lineMode);
    Start();
    LogInAsDemo();
    EXPECT_EQ(Get(kProtocol), c.shownProtocol);
    EXPECT_EQ(Get(kLineMode), c.shownLineMode);
    EXPECT_EQ(program_->MainWindow()->Choices().protocol, c.shownProtocol);
    for (const char* radio : {"图片框_PPTP", "图片框_L2TP", "图片框_SSTP"}) {
        EXPECT_EQ(C(WindowId::Main, radio).picture(),
                  std::string("图片框_") + c.checkedRadio == radio ? "radio_on" : "radio_off")
            << radio;
    }
    EXPECT_EQ(Tag(), "连接");
    EXPECT_EQ(backend_.delayedTasks(), 1) << "the second list load";
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFlow, SavedChoices,
    ::testing::Values(SavedChoice{"", "", "PPTP", "动态线路", "PPTP"},
                      SavedChoice{"PPTP", "静态线路", "SSTP", "静态线路", "SSTP"},
                      SavedChoice{"L2TP", "极速线路", "L2TP", "极速线路", "L2TP"},
                      SavedChoice{"IKEv2", "动态线路", "IKEv2", "动态线路", ""}));

}  // namespace
}  // namespace xl::program::test
