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

    RasSimulator sim{test::SteppedConfig()};
    test::SteppingPump pump{sim};
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
    SimConfig config = test::SteppedConfig();
    config.documentsFolder = "";
    RasSimulator sim(config);
    test::SteppingPump pump(sim);
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
    RasSimulator sim(test::SteppedConfig());
    test::SteppingPump pump(sim);
    DialEngine engine(sim, pump, 0ms);
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
    RasSimulator sim(test::SteppedConfig());
    test::SteppingPump pump(sim);
    DialEngine engine(sim, pump, 0ms);
    sim.AddForeignConnection("甲");
    sim.SetHangUpError(kRasErrorInvalidHandle);
    EXPECT_EQ(engine.HangUpVpn(""), "错误:连接句柄无效。");
    EXPECT_EQ(sim.Connections().size(), 1u);

    for (int i = 0; i < 10; ++i) sim.AddForeignConnection("conn" + std::to_string(i));
    EXPECT_EQ(engine.HangUpVpn(""), "错误:连接列表的缓冲区太小。\r\n");
    EXPECT_FALSE(engine.IsVpnConnected());
}

TEST(IsVpnConnected, CountsAnyVpnButNothingElse) {
    RasSimulator sim(test::SteppedConfig());
    test::SteppingPump pump(sim);
    DialEngine engine(sim, pump, 0ms);
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

TEST_F(DialEngineTest, ServerDropEndsTheLink) {
    ASSERT_EQ(DialHost("a.example.net"), "连接成功");
    EXPECT_TRUE(sim.DropConnection(kEntry));
    EXPECT_FALSE(engine.IsVpnConnected());
    EXPECT_EQ(engine.HangUpVpn(""), "");
}

TEST(PumpingWait, DispatchesPostedTasksAndWaitsTheInterval) {
    RasSimulator sim(test::SteppedConfig());
    QueuedMessagePump pump;
    DialEngine engine(sim, pump);
    bool ran = false;
    pump.Post([&] { ran = true; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(engine.PumpingWait(30, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_TRUE(ran);
}

// Real threads, no stepping: notifications race the wait loop as they do in
// the product (run under the thread sanitizer).
TEST(DialEngineThreads, RepeatedTimedDialsAgreeWithTheirNotifications) {
    SimConfig config = test::SteppedConfig();
    config.stepByStep = false;
    config.stepDelay = 5ms;
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
