// The dial against the simulator: outcome texts, the entry and phone book,
// the progress texts on the status line, hang-ups and the connection checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "dial/dial_engine.h"
#include "dial/dial_progress.h"
#include "dial/ras_simulator.h"
#include "dial_test_support.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;
using test::kProfilePbk;

constexpr const char* kEntry = "岫澜IP";

class DialEngineTest : public ::testing::Test {
  protected:
    std::string DialHost(const std::string& host, std::uint32_t strategy = kStrategyPptp,
                         const std::string& entry = kEntry) {
        return engine.Dial(entry, host, "alice", "secret", strategy, progress.Notifier());
    }
    int ConnectionsOf(const std::string& entry) {
        int n = 0;
        for (const auto& c : sim.Connections()) n += c.entryName == entry ? 1 : 0;
        return n;
    }

    test::ManualClock clock;
    RasSimulator sim{test::SteppedConfig(clock)};
    test::SteppingPump pump{sim, clock};
    DialEngine engine{sim, pump, 0ms};
    test::RecordingView view;
    DialProgress progress{engine, view, pump.Poster()};
};

TEST_F(DialEngineTest, SuccessfulDialWritesEntryAndReportsConnected) {
    EXPECT_EQ(DialHost("vpn1.example.net:4433", kStrategySstp), "连接成功");

    const std::string pbk = std::string(kProfilePbk) + "岫澜IP.pbk";
    EXPECT_EQ(engine.State().phoneBookPath, pbk);
    EXPECT_EQ(engine.State().entryName, kEntry);
    const auto entry = sim.StoredEntry(pbk, kEntry);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(*entry, MakeVpnEntry("vpn1.example.net:4433", kStrategySstp));
    EXPECT_EQ(entry->deviceName, "WAN Miniport (SSTP)");

    const auto params = sim.LastDialParams();
    ASSERT_TRUE(params.has_value());
    EXPECT_EQ(params->entryName, kEntry);
    EXPECT_EQ(params->userName, "alice");
    EXPECT_EQ(params->password, "secret");
    EXPECT_EQ(params->phoneNumber, "");
    EXPECT_EQ(params->domain, "");

    EXPECT_NE(engine.State().connectionHandle, 0u);
    EXPECT_TRUE(engine.IsVpnConnected());
    pump.RunPosted();
    EXPECT_EQ(view.caption, "连接成功");
    EXPECT_EQ(view.buttonRefreshes, 0);
}

TEST_F(DialEngineTest, EmptyEntryNameDialsTheDefaultEntry) {
    EXPECT_EQ(DialHost("vpn1.example.net", kStrategyPptp, ""), "连接成功");
    EXPECT_EQ(engine.State().entryName, "虚拟专用网络");
    EXPECT_EQ(engine.State().phoneBookPath, std::string(kProfilePbk) + "虚拟专用网络.pbk");
    EXPECT_EQ(ConnectionsOf("虚拟专用网络"), 1);
}

TEST_F(DialEngineTest, FirstDialOfARunDeletesThePhoneBookLaterDialsOnlyRewrite) {
    const std::string pbk = std::string(kProfilePbk) + "岫澜IP.pbk";
    ASSERT_EQ(sim.SetEntryProperties(pbk, "旧条目", MakeVpnEntry("old", 1)),
              kRasErrorCannotWritePhoneBook)
        << "a fresh profile has no phone-book folder";
    ASSERT_TRUE(sim.CreateFolder(kProfilePbk));
    ASSERT_EQ(sim.SetEntryProperties(pbk, "旧条目", MakeVpnEntry("old", 1)), 0u);

    EXPECT_EQ(DialHost("a.example.net"), "连接成功");
    EXPECT_EQ(sim.PhoneBookDeletions(), 1);
    EXPECT_EQ(sim.EntryNames(pbk), std::vector<std::string>{kEntry});
    EXPECT_EQ(engine.State().resetEntryName, kEntry);

    ASSERT_EQ(sim.SetEntryProperties(pbk, "旧条目", MakeVpnEntry("old", 1)), 0u);
    EXPECT_EQ(DialHost("b.example.net", kStrategyL2tp), "连接成功");
    EXPECT_EQ(sim.PhoneBookDeletions(), 1);
    EXPECT_EQ(sim.EntryNames(pbk).size(), 2u);
    EXPECT_EQ(sim.StoredEntry(pbk, kEntry)->localPhoneNumber, "b.example.net");
    EXPECT_EQ(sim.StoredEntry(pbk, kEntry)->deviceName, "WAN Miniport (L2TP)");
    // The new dial ended the earlier connection of the same entry first.
    EXPECT_EQ(ConnectionsOf(kEntry), 1);
}

TEST_F(DialEngineTest, UnknownStrategyWritesNoDeviceName) {
    EXPECT_EQ(DialHost("a.example.net", 7), "连接成功");
    const auto entry = sim.StoredEntry(engine.State().phoneBookPath, kEntry);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->deviceName, "");
    EXPECT_EQ(entry->vpnStrategy, 7u);
}

TEST_F(DialEngineTest, RefusedCredentialsFailWithoutAdviceOrHangUp) {
    sim.SetHostOutcome("auth.example.net", SimOutcome::AuthenticationRefused);
    EXPECT_EQ(DialHost("auth.example.net"),
              "连接失败：错误代码:691 远程服务器拒绝了用户名或密码。");
    pump.RunPosted();
    EXPECT_EQ(view.caption, "错误代码:691 远程服务器拒绝了用户名或密码。");
    EXPECT_EQ(view.buttonRefreshes, 0);
    // Left to the next hang-up.
    EXPECT_EQ(ConnectionsOf(kEntry), 1);
}

TEST_F(DialEngineTest, ErrorTextWithBuShowsAdviceAndHangsUp) {
    sim.SetHostOutcome("down.example.net", SimOutcome::Unreachable);
    const std::string text = "错误代码:800 无法连接远程服务器：服务器不可达。";
    EXPECT_EQ(DialHost("down.example.net"), "连接失败：" + text);
    pump.RunPosted();
    EXPECT_EQ(view.caption, std::string(kHardErrorAdvice) + text);
    EXPECT_EQ(view.buttonRefreshes, 1);
    EXPECT_EQ(ConnectionsOf(kEntry), 0);
    EXPECT_FALSE(engine.IsVpnConnected());
}

TEST_F(DialEngineTest, ALongSystemTextIsShownCutAndKeptWholeInTheLog) {
    std::vector<std::string> log;
    engine.SetLog([&](const std::string& line) { log.push_back(line); });
    sim.SetHostOutcome("far.example.net", SimOutcome::NoResponse);
    const RasErrorText whole = sim.ErrorString(kRasErrorNoResponse, kErrorTextUnits);
    ASSERT_EQ(whole.error, 0u);
    ASSERT_EQ(sim.ErrorString(kRasErrorNoResponse, 100).error, kRasErrorInsufficientBuffer);
    // The first 100 characters, with their words.
    const std::string shown =
        "错误代码:809 远程服务器一直没有应答，这台计算机与VPN服务器之间的网络连接未能建立。"
        "常见的原因是两者之间的防火墙、地址转换设备或路由器拦截了VPN所用的协议或端口。"
        "请检查本机与服务器之间的网络设备设置，或向网络管";
    EXPECT_EQ(DialHost("far.example.net"), "连接失败：" + shown);
    pump.RunPosted();
    EXPECT_EQ(view.caption, shown);
    EXPECT_NE(
        std::find(log.begin(), log.end(), "拨号进度: 状态 2, 错误 809: 错误代码:809 " + whole.text),
        log.end());
}

TEST_F(DialEngineTest, DialThatNeverHearsBackTimesOut) {
    sim.SetHostOutcome("silent.example.net", SimOutcome::NoAnswer);
    pump.stepWait = 0ms;
    EXPECT_EQ(DialHost("silent.example.net"), "连接超时：");
    EXPECT_EQ(ConnectionsOf(kEntry), 1);
}

TEST_F(DialEngineTest, ImmediateRefusalReturnsTheSystemTextAlone) {
    sim.SetHostOutcome("busy.example.net", SimOutcome::RefusedAtOnce);
    EXPECT_EQ(DialHost("busy.example.net"), "端口已被占用，无法拨号。");
    EXPECT_EQ(engine.State().LastStatusText(), "端口已被占用，无法拨号。");
    EXPECT_EQ(engine.State().connectionHandle, 0u);
}

TEST_F(DialEngineTest, EntryThatCannotBeWrittenIsNotDialled) {
    sim.SetEntryError(kRasErrorEntryNotFound);
    EXPECT_EQ(DialHost("a.example.net"), "创建连接失败");
    EXPECT_FALSE(sim.LastDialParams().has_value());
}

TEST(DialEngineNoProfile, UnknownDocumentsFolderIsNotDialled) {
    test::ManualClock clock;
    SimConfig config = test::SteppedConfig(clock);
    config.documentsFolder = "";
    RasSimulator sim(config);
    test::SteppingPump pump(sim, clock);
    DialEngine engine(sim, pump, 0ms);
    EXPECT_EQ(engine.Dial(kEntry, "a.example.net", "u", "p", 1, nullptr), "创建连接失败");
    EXPECT_FALSE(sim.LastDialParams().has_value());
    EXPECT_EQ(sim.PhoneBookDeletions(), 0);
}

TEST_F(DialEngineTest, TextWithSuccessAndFailureWordsIsAFailure) {
    const DialNotifier notifier = [&](std::uint32_t m, std::uint32_t state, std::uint32_t e) {
        progress.OnDialProgress(m, state, e);
        if (state == kRasStateConnected) engine.State().SetLastStatusText("连接成功后认证失败");
    };
    EXPECT_EQ(engine.Dial(kEntry, "a.example.net", "u", "p", 1, notifier),
              "连接失败：连接成功后认证失败");
}

TEST_F(DialEngineTest, DisconnectedStateDoesNotEndTheWait) {
    // "断开连接" arrives where the link would come up; the wait goes on to the next text.
    const DialNotifier notifier = [&](std::uint32_t m, std::uint32_t state, std::uint32_t e) {
        progress.OnDialProgress(m, state == 14 ? kRasStateDisconnected : state, e);
    };
    EXPECT_EQ(engine.Dial(kEntry, "a.example.net", "u", "p", 1, notifier), "连接成功");
    pump.RunPosted();
    EXPECT_NE(std::find(view.captions.begin(), view.captions.end(), "断开连接"),
              view.captions.end());
}

TEST_F(DialEngineTest, ProgressCaptionsFollowTheStates) {
    EXPECT_EQ(DialHost("a.example.net"), "连接成功");
    pump.RunPosted();
    const std::vector<std::string> expected{
        "正在打开端口",     "端口打开", "正在连接设备",         "DeviceConnected",
        "所有设备已连接上", "开始认证", "AuthenticationNotify", "认证通过",
        "Authenticated",    "连接成功"};
    EXPECT_EQ(view.captions, expected);
}

struct HangUpCase {
    const char* name;
    std::vector<RasConnection> up;  // handles assigned by the simulator
    std::string asked;
    std::string report;
    std::vector<std::string> left;  // entry names still listed
};

class HangUpVpnTest : public ::testing::TestWithParam<HangUpCase> {};

TEST_P(HangUpVpnTest, EndsAtMostTheFirstMatch) {
    const HangUpCase& c = GetParam();
    test::SteppedRig rig;
    RasSimulator& sim = rig.sim;
    DialEngine engine(sim, rig.pump, 0ms);
    engine.State().entryName = kEntry;
    for (const auto& conn : c.up) sim.AddForeignConnection(conn.entryName, conn.deviceType);
    EXPECT_EQ(engine.HangUpVpn(c.asked), c.report);
    std::vector<std::string> left;
    for (const auto& conn : sim.Connections()) left.push_back(conn.entryName);
    EXPECT_EQ(left, c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HangUpVpnTest,
    ::testing::Values(HangUpCase{"TwoVpnsOnlyFirst",
                                 {{0, "公司VPN", "vpn", ""}, {0, "岫澜IP", "vpn", ""}},
                                 "",
                                 "挂断拨号:公司VPN",
                                 {"岫澜IP"}},
                      HangUpCase{"NameMatchesAnyDeviceType",
                                 {{0, "宽带", "PPPoE", ""}, {0, "岫澜IP", "pppoe", ""}},
                                 "岫澜IP",
                                 "挂断拨号:岫澜IP",
                                 {"宽带"}},
                      HangUpCase{"DeviceTypeIgnoresAsciiCase",
                                 {{0, "宽带", "PPPoE", ""}, {0, "别家", "VPN", ""}},
                                 "",
                                 "挂断拨号:别家",
                                 {"宽带"}},
                      HangUpCase{
                          "NoMatchReportsNothing", {{0, "宽带", "PPPoE", ""}}, "", "", {"宽带"}},
                      HangUpCase{"NothingUp", {}, "", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HangUpVpnErrors, TooManyConnectionsAndFailedHangUpAreReported) {
    test::SteppedRig rig;
    RasSimulator& sim = rig.sim;
    DialEngine engine(sim, rig.pump, 0ms);
    sim.AddForeignConnection("甲");
    sim.SetHangUpError(kRasErrorInvalidHandle);
    EXPECT_EQ(engine.HangUpVpn(""), "错误:连接句柄无效。");
    EXPECT_EQ(sim.Connections().size(), 1u);

    for (int i = 0; i < 10; ++i) sim.AddForeignConnection("conn" + std::to_string(i));
    EXPECT_EQ(engine.HangUpVpn(""), "错误:连接列表的缓冲区太小。\r\n");
    EXPECT_FALSE(engine.IsVpnConnected());
}

TEST(IsVpnConnected, CountsAnyVpnButNothingElse) {
    test::SteppedRig rig;
    RasSimulator& sim = rig.sim;
    DialEngine engine(sim, rig.pump, 0ms);
    EXPECT_FALSE(engine.IsVpnConnected());
    sim.AddForeignConnection("岫澜IP", "PPPoE");
    EXPECT_FALSE(engine.IsVpnConnected());
    sim.AddForeignConnection("别家的线路", "Vpn");
    EXPECT_TRUE(engine.IsVpnConnected());
    sim.DropConnection("别家的线路");
    EXPECT_FALSE(engine.IsVpnConnected());
    for (int i = 0; i < 10; ++i) sim.AddForeignConnection("v" + std::to_string(i));
    EXPECT_FALSE(engine.IsVpnConnected()) << "eleven connections overflow the list";
}

TEST_F(DialEngineTest, AHangUpWaitsUntilTheLinkIsGoneForAtMostThreeSeconds) {
    struct Case {
        std::chrono::milliseconds hangUpDelay;
        std::chrono::milliseconds waited;
        bool gone;
    };
    std::vector<std::string> log;
    engine.SetLog([&](const std::string& line) { log.push_back(line); });
    for (const Case& c : {Case{1000ms, 1000ms, true}, Case{5000ms, kHangUpWaitCap, false}}) {
        SCOPED_TRACE(c.hangUpDelay.count());
        for (const auto& conn : sim.Connections()) sim.DropConnection(conn.entryName);
        log.clear();
        ASSERT_EQ(DialHost("a.example.net"), "连接成功");
        sim.SetHangUpDelay(c.hangUpDelay);
        const auto before = clock.now;
        EXPECT_EQ(engine.HangUpVpn(""), "挂断拨号:岫澜IP");
        EXPECT_EQ(clock.now - before, c.waited);
        EXPECT_EQ(ConnectionsOf(kEntry), c.gone ? 0 : 1);
        // A link that outlasts the wait is no longer the program's hang-up:
        // when it ends later, that is a drop.
        EXPECT_EQ(engine.HungUpByProgram(), c.gone);
        EXPECT_EQ(log.back() == "挂断 岫澜IP: 3秒后连接仍未结束 (状态查询 0)，不再等待", !c.gone)
            << log.back();
    }
}

TEST_F(DialEngineTest, ReportsOfAnEarlierDialNeverReachTheNextOne) {
    // The first dial hears nothing and times out; a report of it comes in
    // while it is still the newest dial, so it is passed on and its caption
    // waits in the queue.
    sim.SetHostOutcome("silent.example.net", SimOutcome::NoAnswer);
    pump.stepWait = 0ms;
    ASSERT_EQ(DialHost("silent.example.net"), "连接超时：");
    const RasHandle first = engine.State().connectionHandle;
    const std::string hardError = "错误代码:800 无法连接远程服务器：服务器不可达。";
    ASSERT_TRUE(sim.DeliverLateReport(first, 2, kRasErrorUnreachable));
    // The next dial hangs the first one up; its queued caption runs inside
    // that wait and is dropped, and a report arriving during the next dial's
    // own wait is never passed on.
    pump.stepWait = 500ms;
    pump.Poster()([&] { sim.DeliverLateReport(first, 2, kRasErrorUnreachable); });
    EXPECT_EQ(DialHost("a.example.net"), "连接成功");
    pump.RunPosted();
    EXPECT_EQ(std::count_if(view.captions.begin(), view.captions.end(),
                            [&](const std::string& c) { return c.find(hardError) != c.npos; }),
              0);
    EXPECT_EQ(view.buttonRefreshes, 0) << "the first dial's hard error hung up the second";
    EXPECT_EQ(ConnectionsOf(kEntry), 1);
    EXPECT_EQ(view.caption, "连接成功");
}

TEST_F(DialEngineTest, ARedirectedDocumentsFolderDialsFromTheRoamingFolderItCreates) {
    test::ManualClock otherClock;
    SimConfig config = test::SteppedConfig(otherClock);
    config.documentsFolder = "C:\\Users\\测试\\OneDrive\\文档";
    config.profileFolder = "C:\\Users\\测试";
    config.roamingAppDataFolder = "C:\\Users\\测试\\AppData\\Roaming";
    RasSimulator redirected(config);
    test::SteppingPump otherPump(redirected, otherClock);
    DialEngine other(redirected, otherPump, 0ms);
    const DialNotifier notifier = [&](std::uint32_t, std::uint32_t state, std::uint32_t error) {
        other.StateText(state, error);
    };
    EXPECT_EQ(other.Dial(kEntry, "a.example.net", "u", "p", kStrategyPptp, notifier), "连接成功");
    EXPECT_EQ(other.State().phoneBookPath, std::string(kProfilePbk) + "岫澜IP.pbk");
    EXPECT_TRUE(redirected.FolderExists(kProfilePbk));
}

struct LayoutCase {
    const char* name;
    std::uint32_t refusal;
};

class ConnectionLayoutTest : public DialEngineTest,
                             public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ConnectionLayoutTest, ARefusedOldestLayoutIsRetriedInTheCurrentOneAndLoggedOnce) {
    std::vector<std::string> log;
    engine.SetLog([&](const std::string& line) { log.push_back(line); });
    sim.SetOldestLayoutError(GetParam().refusal);
    sim.AddForeignConnection("别家的线路");
    EXPECT_TRUE(engine.IsVpnConnected());
    EXPECT_EQ(engine.HangUpVpn(""), "挂断拨号:别家的线路");
    EXPECT_FALSE(engine.IsVpnConnected());
    EXPECT_EQ(log.front(), "连接列表: 系统不接受旧的记录格式 (错误 " +
                               std::to_string(GetParam().refusal) + ")，改用当前格式");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("连接列表"); }),
              1);
}

INSTANTIATE_TEST_SUITE_P(Refusals, ConnectionLayoutTest,
                         ::testing::Values(LayoutCase{"InvalidSize", kRasErrorInvalidSize},
                                           LayoutCase{"BufferTooSmall", kRasErrorBufferTooSmall}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialEngineTest, ServerDropEndsTheLink) {
    ASSERT_EQ(DialHost("a.example.net"), "连接成功");
    EXPECT_TRUE(sim.DropConnection(kEntry));
    EXPECT_FALSE(engine.IsVpnConnected());
    EXPECT_EQ(engine.HangUpVpn(""), "");
}

TEST(PumpingWait, DispatchesPostedTasksAndWaitsTheInterval) {
    test::ManualClock clock;
    RasSimulator sim(test::SteppedConfig(clock));
    QueuedMessagePump pump;
    DialEngine engine(sim, pump);
    bool ran = false;
    pump.Post([&] { ran = true; });
    const auto start = std::chrono::steady_clock::now();
    engine.PumpingWait(30ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_TRUE(ran);
}

// Real threads, no stepping: notifications race the wait loop as they do in
// the product (run under the thread sanitizer).
TEST(DialEngineThreads, RepeatedTimedDialsAgreeWithTheirNotifications) {
    test::ManualClock clock;
    SimConfig config = test::SteppedConfig(clock);
    config.stepByStep = false;
    config.stepDelay = 5ms;
    // Each dial hangs up the one before and waits on the pump's real clock.
    config.clock = {};
    config.hangUpDelay = 30ms;
    RasSimulator sim(config);
    QueuedMessagePump pump;
    DialEngine engine(sim, pump, 1ms);
    test::RecordingView view;
    DialProgress progress(engine, view, [&](std::function<void()> t) { pump.Post(std::move(t)); });
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(engine.Dial(kEntry, "a.example.net", "u", "p", 1, progress.Notifier()),
                  "连接成功");
        EXPECT_TRUE(engine.IsVpnConnected());
    }
    sim.WaitIdle();
    pump.DispatchPending();
    EXPECT_EQ(view.caption, "连接成功");
    EXPECT_EQ(sim.Connections().size(), 1u);
}

}  // namespace
}  // namespace xl::dial
