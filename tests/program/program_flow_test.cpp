// The whole road a user takes, headless: start-up, the login messages against
// the stand-in service, the sweep into the main window, the tray icon, logout,
// quit and a second copy. Windows are driven by control name and key on a
// virtual clock.
#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

TEST_F(ProgramFlow, FirstStartShowsAnEmptyLoginWindowAndHangsUpAnOldConnection) {
    ras_.AddForeignConnection("岫澜IP");
    Start();
    EXPECT_TRUE(Visible(WindowId::Login));
    EXPECT_EQ(windows_.Existing(WindowId::Login)->title(), "岫澜IP");
    EXPECT_EQ(C(WindowId::Login, "编辑框_帐号").caption(), "");
    EXPECT_EQ(C(WindowId::Login, "图片框_记住密码").tag(), "no");
    EXPECT_EQ(C(WindowId::Login, "图片框_自动登录").tag(), "no");
    EXPECT_TRUE(ras_.Connections().empty());
    EXPECT_TRUE(ports_.storeLog == std::vector<std::string>{"read JiZhu"});
    EXPECT_TRUE(ports_.instance.messages.empty());
}

TEST_F(ProgramFlow, LoginMessagesInTheStatusLine) {
    Start();
    struct Case {
        const char* account;
        const char* password;
        bool reachable;
        const char* status;
    };
    const Case cases[] = {
        {"", "", true, "请输入账号和密码！"},
        {"", "demo123", true, "请输入账号！"},
        {"demo", "", true, "请输入密码！"},
        {"demo", "wrong", true, "账号或密码错误，请重新输入"},
        {"expired", "expired", true, "您的账号已到期，请续费后再登录"},
        {"demo", "demo123", false, "访问网络失败，当前你的电脑可能无网络，请联网后再试"},
    };
    for (const Case& c : cases) {
        reachable_ = c.reachable;
        TypeCredentials(c.account, c.password);
        ASSERT_TRUE(ClickLogin());
        EXPECT_EQ(Status(), c.status) << c.account << "/" << c.password;
        EXPECT_TRUE(C(WindowId::Login, "超级按钮_登录").enabled());
        EXPECT_EQ(C(WindowId::Login, "时钟1").interval(), 0);
    }
    EXPECT_EQ(windows_.Existing(WindowId::Main), nullptr);
}

TEST_F(ProgramFlow, ServiceDownLeavesAnEmptyStatus) {
    Start("http://127.0.0.1:9");
    ClickLogin();
    EXPECT_EQ(Status(), "请输入账号和密码！");
    TypeCredentials("demo", "demo123");
    ClickLogin();
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(windows_.Existing(WindowId::Main), nullptr);
}

TEST_F(ProgramFlow, TypingWritesTheSettingsAtOnceEvenWithRememberOff) {
    Start();
    TypeCredentials("张三", "pw");
    EXPECT_EQ(Get(kAccount), "张三");
    EXPECT_EQ(Get(kPassword), "pw");
    EXPECT_EQ(Get(kRememberPassword), "<none>");
    backend_.Click(WindowId::Login, "透明标签_记住密码");
    EXPECT_EQ(C(WindowId::Login, "图片框_记住密码").tag(), "yes");
    EXPECT_EQ(C(WindowId::Login, "图片框_记住密码").picture(), "check_on");
    EXPECT_EQ(Get(kRememberPassword), "yes");
    EXPECT_EQ(Get(kAutoLogin), "no");
}

TEST_F(ProgramFlow, AcceptedLoginSweepsIntoTheMainWindow) {
    Start();
    TypeCredentials("demo", "demo123");
    // Enter in the password field is the click on 登录, also in doing nothing
    // once the button is disabled.
    ASSERT_TRUE(backend_.PressKey(WindowId::Login, "编辑框_密码", ui::Key::Enter));
    ASSERT_TRUE(LoginAnswered());
    EXPECT_EQ(Status(), "");
    EXPECT_FALSE(C(WindowId::Login, "超级按钮_登录").enabled());
    backend_.PressKey(WindowId::Login, "编辑框_密码", ui::Key::Enter);
    EXPECT_EQ(standin_.Get("/_control/count?path=/userinfo/"), "1");
    backend_.Advance(74ms);
    EXPECT_EQ(C(WindowId::Login, "图片框1").position().left, -130);
    EXPECT_EQ(windows_.Existing(WindowId::Main), nullptr);
    backend_.Advance(1ms);
    ASSERT_TRUE(Visible(WindowId::Main));
    EXPECT_FALSE(Visible(WindowId::Login));
    EXPECT_TRUE(C(WindowId::Login, "超级按钮_登录").enabled());
    EXPECT_EQ(C(WindowId::Login, "图片框1").position().left, -500);
    EXPECT_EQ(C(WindowId::Login, "时钟1").interval(), 0);
    EXPECT_EQ(C(WindowId::Main, "透明标签_帐号").caption(), "demo");
    EXPECT_EQ(C(WindowId::Main, "透明标签_到期时间_内容").caption(), "2027-12-31 23:59:59");
    EXPECT_EQ(C(WindowId::Main, "透明标签_已选线路").caption(), "全国混播混合1");
    EXPECT_EQ(Get(kProtocol), "PPTP");
    EXPECT_EQ(Get(kLineMode), "动态线路");
    ASSERT_EQ(ports_.tray.ShownIcons().size(), 1u);
    EXPECT_EQ(ports_.tray.ShownIcons()[0].tip, "岫澜IP");
    // Every window's handlers are bound by now; each name is in its catalogue.
    EXPECT_TRUE(windows_.UnknownBindings().empty()) << windows_.UnknownBindings().front();
}

// The account check runs on a worker: with the service holding the reply, the
// window goes on handling posted work, clicks and ticks, and a second 登录
// starts nothing.
TEST_F(ProgramFlow, TheLoginWindowAnswersWhileTheServiceHoldsTheLogin) {
    Start();
    Settle();
    standin_.Fault("/userinfo/", "delay_ms=60000");
    TypeCredentials("demo", "demo123");
    ASSERT_TRUE(backend_.Click(WindowId::Login, "超级按钮_登录"));
    ASSERT_TRUE(program_->LoginWindow().LoginUnderWay()) << "the click waited for the reply";
    bool posted = false;
    windows_.Post([&] { posted = true; });
    backend_.Advance(1s);
    EXPECT_TRUE(posted);
    EXPECT_TRUE(backend_.Click(WindowId::Login, "透明标签_记住密码"));
    EXPECT_EQ(C(WindowId::Login, "图片框_记住密码").tag(), "yes");
    EXPECT_TRUE(backend_.Click(WindowId::Login, "超级按钮_登录"));
    EXPECT_TRUE(backend_.PressKey(WindowId::Login, "编辑框_密码", ui::Key::Enter));
    EXPECT_TRUE(program_->LoginWindow().LoginUnderWay());

    ReleaseHeldCalls("/userinfo/", 1);
    ASSERT_TRUE(LoginAnswered());
    EXPECT_EQ(standin_.Get("/_control/count?path=/userinfo/"), "1");
    backend_.Advance(75ms);
    EXPECT_TRUE(Visible(WindowId::Main));
}

// A logout, or a quit, during the account check waits for nothing, and the late
// answer reaches no window (after a quit the program's objects are gone).
TEST_F(ProgramFlow, LogoutOrQuitDuringTheLoginDropsItsLateAnswer) {
    Start();
    Settle();
    TypeCredentials("demo", "demo123");
    const auto checks = program_->LoginWindow().AccountChecks().Workers();
    const auto holdAndClick = [&] {
        standin_.Fault("/userinfo/", "delay_ms=60000&times=1");
        ASSERT_TRUE(backend_.Click(WindowId::Login, "超级按钮_登录"));
        ASSERT_TRUE(program_->LoginWindow().LoginUnderWay());
    };
    int held = 0;
    const auto releaseAndWait = [&] {
        ReleaseHeldCalls("/userinfo/", ++held);
        checks->WaitIdle();
        backend_.DispatchPending();
    };

    holdAndClick();
    program_->ConfirmDialog().AskConfirmation("确认注销吗？");
    ASSERT_TRUE(backend_.Click(WindowId::ConfirmDialog, "超级按钮_确认"));
    EXPECT_FALSE(program_->LoginWindow().LoginUnderWay());
    releaseAndWait();
    EXPECT_EQ(log_.With("登录 帐号 demo: 成功").size(), 1u);
    EXPECT_EQ(C(WindowId::Login, "时钟1").interval(), 0);
    EXPECT_TRUE(C(WindowId::Login, "超级按钮_登录").enabled());
    EXPECT_EQ(windows_.Existing(WindowId::Main), nullptr);

    holdAndClick();  // 登录 works again
    ASSERT_TRUE(backend_.Click(WindowId::Login, "透明标签_关闭"));
    EXPECT_EQ(ended_, std::vector<int>{0});
    program_.reset();
    releaseAndWait();
    EXPECT_EQ(log_.With("登录 帐号 demo: 成功").size(), 2u);
    EXPECT_EQ(C(WindowId::Login, "时钟1").interval(), 0);
}

TEST_F(ProgramFlow, RememberedCredentialsLogInWithoutAClick) {
    Put(kRememberPassword, "yes");
    Put(kAutoLogin, "yes");
    Put(kAccount, "demo");
    Put(kPassword, "demo123");
    Start();
    ASSERT_TRUE(LoginAnswered());
    EXPECT_EQ(C(WindowId::Login, "编辑框_帐号").caption(), "demo");
    EXPECT_EQ(C(WindowId::Login, "图片框_自动登录").tag(), "yes");
    EXPECT_EQ(C(WindowId::Login, "图片框_记住密码").picture(), "check_on");
    EXPECT_EQ(C(WindowId::Login, "图片框_自动登录").picture(), "check_on");
    EXPECT_EQ(C(WindowId::Login, "时钟1").interval(), 1);
    backend_.Advance(75ms);
    EXPECT_TRUE(Visible(WindowId::Main));
}

TEST_F(ProgramFlow, AutoLoginWithoutNetworkReportsIt) {
    Put(kRememberPassword, "yes");
    Put(kAutoLogin, "yes");
    Put(kAccount, "demo");
    Put(kPassword, "demo123");
    reachable_ = false;
    Start();
    ASSERT_TRUE(LoginAnswered());
    EXPECT_EQ(Status(), "访问网络失败，当前你的电脑可能无网络，请联网后再试");
}

TEST_F(ProgramFlow, OnlineStartUpDownloadsEachListOnce) {
    EXPECT_EQ(ListRequestsOfTheStartUp(), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(probes_, 1);
}

TEST_F(ProgramFlow, OfflineStartUpDownloadsNothing) {
    reachable_ = false;
    EXPECT_EQ(ListRequestsOfTheStartUp(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(probes_, 1);
}

TEST_F(ProgramFlow, TrayDoubleClickTogglesTheMainWindow) {
    Start();
    LogInAsDemo();
    backend_.Click(WindowId::Main, "透明标签_最小化");
    EXPECT_FALSE(Visible(WindowId::Main));
    EXPECT_TRUE(ports_.tray.Click(513));
    EXPECT_FALSE(Visible(WindowId::Main));
    EXPECT_TRUE(ports_.tray.DoubleClick());
    EXPECT_TRUE(Visible(WindowId::Main));
    EXPECT_TRUE(ports_.tray.DoubleClick());
    EXPECT_FALSE(Visible(WindowId::Main));
}

TEST_F(ProgramFlow, LogoutKeepsTheConnectionAndTheMainWindowsSettings) {
    Start();
    LogInAsDemo();
    ras_.AddForeignConnection("岫澜IP");
    backend_.Click(WindowId::Main, "透明标签_注销");
    EXPECT_EQ(C(WindowId::ConfirmDialog, "透明标签_提示信息").caption(), "确认注销吗？");
    backend_.Click(WindowId::ConfirmDialog, "超级按钮_确认");
    EXPECT_TRUE(Visible(WindowId::Login));
    EXPECT_FALSE(Visible(WindowId::Main));
    EXPECT_FALSE(Visible(WindowId::ConfirmDialog));
    EXPECT_EQ(C(WindowId::Login, "编辑框_帐号").caption(), "demo");
    EXPECT_EQ(ras_.Connections().size(), 1u);

    const std::size_t readsBefore = ports_.storeLog.size();
    ClickLogin();
    backend_.Advance(75ms);
    EXPECT_TRUE(Visible(WindowId::Main));
    EXPECT_EQ(ports_.storeLog.size(), readsBefore);  // nothing re-read or written
    EXPECT_EQ(ras_.Connections().size(), 1u);
    EXPECT_TRUE(ended_.empty());
}

TEST_F(ProgramFlow, QuitHangsUpThenEndsWithZero) {
    Start();
    LogInAsDemo();
    ras_.AddForeignConnection("岫澜IP");
    backend_.Click(WindowId::Main, "透明标签_注销");
    backend_.Click(WindowId::Main, "透明标签_关闭");  // the later question replaces the first
    EXPECT_EQ(program_->ConfirmDialog().ConfirmPrompt(), "确认退出程序吗？");
    ASSERT_EQ(ports_.tray.ShownIcons().size(), 1u);
    EXPECT_TRUE(backend_.PressKey(WindowId::ConfirmDialog, "", ui::Key::Enter)) << "confirms";
    EXPECT_TRUE(ras_.Connections().empty());
    EXPECT_TRUE(ports_.tray.ShownIcons().empty());
    EXPECT_EQ(ended_, std::vector<int>{0});
}

// A quit from anywhere ends the message loop: the process ends as by the
// close labels, without leaving the icon behind.
TEST_F(ProgramFlow, TheEndOfTheMessageLoopTakesTheIconDownAndEndsWithZero) {
    Build();
    program_->Run([this] {
        LogInAsDemo();
        EXPECT_EQ(ports_.tray.ShownIcons().size(), 1u);
        EXPECT_TRUE(ended_.empty());
    });
    EXPECT_TRUE(ports_.tray.ShownIcons().empty());
    EXPECT_EQ(ended_, std::vector<int>{0});
}

TEST_F(ProgramFlow, CancelAndEscapeLeaveEverythingAsItWas) {
    Start();
    LogInAsDemo();
    backend_.Click(WindowId::Main, "透明标签_关闭");
    backend_.Click(WindowId::Main, "透明标签_最小化");
    backend_.Click(WindowId::ConfirmDialog, "超级按钮_取消");
    EXPECT_TRUE(Visible(WindowId::Main));
    EXPECT_FALSE(Visible(WindowId::ConfirmDialog));

    backend_.Click(WindowId::Main, "透明标签_注销");
    EXPECT_TRUE(backend_.PressEscape(WindowId::ConfirmDialog));
    EXPECT_EQ(windows_.Existing(WindowId::ConfirmDialog), nullptr);
    EXPECT_TRUE(Visible(WindowId::Main));
    backend_.Click(WindowId::Main, "透明标签_关闭");
    EXPECT_EQ(C(WindowId::ConfirmDialog, "透明标签_提示信息").caption(), "确认退出程序吗？");
    backend_.Click(WindowId::ConfirmDialog, "透明标签_关闭");
    EXPECT_FALSE(Visible(WindowId::ConfirmDialog));
    EXPECT_TRUE(ended_.empty());
}

TEST_F(ProgramFlow, LoginWindowCloseEndsAtOnceWithoutHangingUp) {
    ras_.AddForeignConnection("岫澜IP");
    ras_.AddForeignConnection("其他", "vpn");
    Start();
    ASSERT_EQ(ras_.Connections().size(), 1u);
    backend_.Click(WindowId::Login, "透明标签_关闭");
    EXPECT_EQ(ended_, std::vector<int>{0});
    EXPECT_EQ(ras_.Connections().size(), 1u);
}

TEST_F(ProgramFlow, SecondCopyIsRefusedWithItsMessageAndDoesNothingElse) {
    ports_.instance.lookup = MarkerLookup::Found;
    ras_.AddForeignConnection("岫澜IP");
    Start();
    ASSERT_EQ(ports_.instance.messages.size(), 1u);
    EXPECT_EQ(ports_.instance.messages[0], "友情提醒:|程序已运行，请勿重复打开！");
    EXPECT_EQ(ports_.instance.ended, std::vector<int>{0});
    // The first copy's connection stays up, the network is not probed, nothing is read.
    EXPECT_EQ(ras_.Connections().size(), 1u);
    EXPECT_EQ(probes_, 0);
    EXPECT_TRUE(ports_.storeLog.empty());
    EXPECT_EQ(program_->Settings(), nullptr);
}

}  // namespace
}  // namespace xl::program::test
