// The simulator behaves like the service where the engine relies on it: the
// notifications of each kind of dial, the connection list, refusals and limits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dial/dial_engine.h"
#include "dial/ras_simulator.h"
#include "dial_test_support.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;
using Seen = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

constexpr const char* kPbk = "C:\\pbk\\x.pbk";

class RasSimulatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sim.SetEntryProperties(kPbk, "e", MakeVpnEntry("h", 1)), 0u);
    }

    std::uint32_t Dial(RasHandle& handle, const std::string& entry = "e") {
        RasDialParams p;
        p.entryName = entry;
        return sim.Dial(
            kPbk, p,
            [this](std::uint32_t, std::uint32_t s, std::uint32_t e) {
                std::lock_guard lock(mutex);
                seen.emplace_back(s, e);
            },
            handle);
    }
    Seen StepAll() {
        while (sim.Step(200ms)) {
        }
        std::lock_guard lock(mutex);
        return seen;
    }

    RasSimulator sim{test::SteppedConfig()};
    std::mutex mutex;
    Seen seen;
};

TEST_F(RasSimulatorTest, ConnectReportsTheStatesOfAVpnDial) {
    RasHandle h = 0;
    ASSERT_EQ(Dial(h), 0u);
    EXPECT_NE(h, 0u);
    const Seen expected{{0, 0}, {1, 0}, {2, 0},  {3, 0},  {4, 0},
                        {5, 0}, {6, 0}, {12, 0}, {14, 0}, {kRasStateConnected, 0}};
    EXPECT_EQ(StepAll(), expected);
    const auto list = sim.EnumConnections();
    ASSERT_EQ(list.error, 0u);
    ASSERT_EQ(list.connections.size(), 1u);
    EXPECT_EQ(list.connections[0], (RasConnection{h, "e", "vpn", "WAN Miniport (PPTP)"}));
}

TEST_F(RasSimulatorTest, FailuresEndWithTheirErrorCode) {
    sim.SetHostOutcome("h", SimOutcome::AuthenticationRefused);
    RasHandle h = 0;
    ASSERT_EQ(Dial(h), 0u);
    EXPECT_EQ(StepAll().back(), (std::pair<std::uint32_t, std::uint32_t>{14, 691}));

    seen.clear();
    sim.SetHostOutcome("h", SimOutcome::Unreachable);
    ASSERT_EQ(Dial(h), 0u);
    EXPECT_EQ(StepAll().back(), (std::pair<std::uint32_t, std::uint32_t>{2, 800}));
    EXPECT_NE(sim.ErrorString(800).find("不"), std::string::npos);
    EXPECT_EQ(sim.ErrorString(691).find("不"), std::string::npos);
}

TEST_F(RasSimulatorTest, HostRulesMatchWithOrWithoutPort) {
    ASSERT_EQ(sim.SetEntryProperties(kPbk, "s", MakeVpnEntry("busy:4433", 5)), 0u);
    sim.SetHostOutcome("busy", SimOutcome::RefusedAtOnce);
    RasHandle h = 0;
    EXPECT_EQ(Dial(h, "s"), kRasErrorPortInUse);
    EXPECT_EQ(h, 0u);
    EXPECT_TRUE(sim.Connections().empty());
}

TEST_F(RasSimulatorTest, NoAnswerListsTheConnectionAndStaysSilent) {
    sim.SetHostOutcome("h", SimOutcome::NoAnswer);
    RasHandle h = 0;
    ASSERT_EQ(Dial(h), 0u);
    EXPECT_FALSE(sim.Step(50ms));
    EXPECT_EQ(sim.Connections().size(), 1u);
    EXPECT_EQ(sim.HangUp(h), 0u);
    EXPECT_TRUE(sim.Connections().empty());
}

TEST_F(RasSimulatorTest, HangUpStopsFurtherNotifications) {
    RasHandle h = 0;
    ASSERT_EQ(Dial(h), 0u);
    ASSERT_TRUE(sim.Step(200ms));
    EXPECT_EQ(sim.HangUp(h), 0u);
    EXPECT_EQ(StepAll().size(), 1u);
    EXPECT_EQ(sim.HangUp(h), kRasErrorInvalidHandle);
    EXPECT_EQ(sim.HangUp(0), kRasErrorInvalidHandle);
}

TEST_F(RasSimulatorTest, RefusesEntriesItDoesNotHave) {
    RasHandle h = 0;
    EXPECT_EQ(Dial(h, "missing"), kRasErrorEntryNotFound);
    EXPECT_TRUE(sim.DeletePhoneBook(kPbk));
    EXPECT_EQ(Dial(h), kRasErrorEntryNotFound);
    EXPECT_TRUE(sim.DeletePhoneBook(kPbk)) << "a missing file counts as removed";
}

TEST_F(RasSimulatorTest, MoreThanTenConnectionsOverflowTheList) {
    for (int i = 0; i < 10; ++i) sim.AddForeignConnection("f" + std::to_string(i));
    EXPECT_EQ(sim.EnumConnections().connections.size(), 10u);
    sim.AddForeignConnection("one too many");
    const auto list = sim.EnumConnections();
    EXPECT_EQ(list.error, kRasErrorBufferTooSmall);
    EXPECT_TRUE(list.connections.empty());
}

TEST_F(RasSimulatorTest, FailedDialsCanBeForgottenAtOnce) {
    SimConfig config = test::SteppedConfig();
    config.keepFailedConnections = false;
    config.defaultOutcome = SimOutcome::Unreachable;
    RasSimulator quick(config);
    ASSERT_EQ(quick.SetEntryProperties(kPbk, "e", MakeVpnEntry("h", 1)), 0u);
    RasDialParams p;
    p.entryName = "e";
    RasHandle h = 0;
    ASSERT_EQ(quick.Dial(
                  kPbk, p, [](std::uint32_t, std::uint32_t, std::uint32_t) {}, h),
              0u);
    while (quick.Step(200ms)) {
    }
    EXPECT_TRUE(quick.Connections().empty());
}

TEST_F(RasSimulatorTest, DialWithoutNotifierStillConnects) {
    RasDialParams p;
    p.entryName = "e";
    RasHandle h = 0;
    ASSERT_EQ(sim.Dial(kPbk, p, nullptr, h), 0u);
    while (sim.Step(200ms)) {
    }
    EXPECT_EQ(sim.Connections().size(), 1u);
}

TEST_F(RasSimulatorTest, WatchesAreToldOfEveryEndOfAListedConnection) {
    std::atomic<int> told{0};
    auto start = sim.WatchDisconnections([&] { ++told; });
    ASSERT_NE(start.watch, nullptr);
    EXPECT_EQ(start.error, 0u);
    EXPECT_EQ(sim.WatchCount(), 1);
    const auto settle = [&] {
        sim.WaitWatchersIdle();
        return told.load();
    };

    RasHandle a = 0;
    ASSERT_EQ(Dial(a), 0u);
    StepAll();
    const RasHandle foreign = sim.AddForeignConnection("别的VPN");
    EXPECT_EQ(settle(), 0) << "a new connection is no end";
    ASSERT_TRUE(sim.DropConnection("e"));
    EXPECT_EQ(settle(), 1);
    EXPECT_EQ(sim.HangUp(foreign), 0u);
    EXPECT_EQ(settle(), 2);
    EXPECT_EQ(sim.HangUp(foreign), kRasErrorInvalidHandle);
    EXPECT_FALSE(sim.DropConnection("e"));
    EXPECT_EQ(settle(), 2) << "nothing listed ended";

    start.watch.reset();
    EXPECT_EQ(sim.WatchCount(), 0);
    sim.AddForeignConnection("别的VPN");
    ASSERT_TRUE(sim.DropConnection("别的VPN"));
    EXPECT_EQ(told.load(), 2) << "told after the watch was gone";
}

TEST_F(RasSimulatorTest, EndsWhileAWatchIsBusyComeAsOneCall) {
    std::mutex gate;
    std::unique_lock hold(gate);
    std::atomic<int> entered{0};
    std::atomic<int> told{0};
    auto start = sim.WatchDisconnections([&] {
        ++entered;
        std::lock_guard wait(gate);
        ++told;
    });
    for (int i = 0; i < 3; ++i) sim.AddForeignConnection("x" + std::to_string(i));
    ASSERT_TRUE(sim.DropConnection("x0"));
    while (entered.load() == 0) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(sim.DropConnection("x1"));
    ASSERT_TRUE(sim.DropConnection("x2"));
    hold.unlock();
    sim.WaitWatchersIdle();
    EXPECT_EQ(told.load(), 2);
}

TEST(RasSimulatorTexts, UnknownCodesLeaveThePreparedBuffer) {
    RasSimulator sim;
    EXPECT_EQ(sim.ErrorString(1), std::string(100, ' '));
    EXPECT_EQ(sim.ErrorString(kRasErrorBufferTooSmall), "连接列表的缓冲区太小。");
}

TEST(RasBackendSetting, ParsesTheTwoSpellings) {
    EXPECT_EQ(ParseRasBackend("real"), RasBackend::Real);
    EXPECT_EQ(ParseRasBackend("sim"), RasBackend::Simulated);
    EXPECT_EQ(ParseRasBackend("Sim"), std::nullopt);
    EXPECT_EQ(ParseRasBackend(""), std::nullopt);
}

TEST(RasBackendSetting, SimulatorFromTheFactoryHasAProfileAndConnects) {
    auto ras = MakeRasApi(RasBackend::Simulated, DemoSimConfig());
    ASSERT_NE(ras, nullptr);
    EXPECT_FALSE(PhoneBookPath(ras->DocumentsFolder(), "岫澜IP").empty());
#ifndef _WIN32
    EXPECT_EQ(DefaultRasBackend(), RasBackend::Simulated);
    EXPECT_NE(MakeRasApi(RasBackend::Real, {}), nullptr) << "only the simulator exists here";
#endif
}

}  // namespace
}  // namespace xl::dial
