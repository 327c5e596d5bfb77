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
        ASSERT_TRUE(sim.CreateFolder("C:\\pbk"));
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

    test::ManualClock clock;
    RasSimulator sim{test::SteppedConfig(clock)};
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
    const auto list = sim.EnumConnections(RasConnLayout::Oldest);
    ASSERT_EQ(list.error, 0u);
    ASSERT_EQ(list.connections.size(), 1u);
    EXPECT_EQ(list.connections[0], (RasConnection{h, "e", "vpn", "WAN Miniport (PPTP)"}));
}

TEST_F(RasSimulatorTest, FailuresEndWithTheirErrorCode) {
    sim.SetHostOutcome("h", SimOutcome::AuthenticationRefused);
    RasHandle h = 0;
    ASSERT_EQ(Dial(h), 0u);
    EXPECT_EQ(StepAll().back(), (std::pair<std::uint32_t, std::uint32_t>{14, 691}));
    // Listed until hung up, and until the hang-up is over.
    EXPECT_EQ(sim.HangUp(h), 0u);
    clock.now += 1s;

    for (const auto& [outcome, error] :
         {std::pair{SimOutcome::Unreachable, 800u}, std::pair{SimOutcome::NoResponse, 809u}}) {
        seen.clear();
        sim.SetHostOutcome("h", outcome);
        ASSERT_EQ(Dial(h), 0u);
        EXPECT_EQ(StepAll().back(), (std::pair<std::uint32_t, std::uint32_t>{2, error}));
        EXPECT_EQ(sim.HangUp(h), 0u);
        clock.now += 1s;
    }
    EXPECT_NE(sim.ErrorString(800, 512).text.find("不"), std::string::npos);
    EXPECT_EQ(sim.ErrorString(691, 512).text.find("不"), std::string::npos);
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
}

TEST_F(RasSimulatorTest, AHungUpConnectionStaysListedUntilItsHangUpIsOver) {
    RasHandle h = 0;
    ASSERT_EQ(Dial(h), 0u);
    ASSERT_TRUE(sim.Step(200ms));
    EXPECT_EQ(sim.ConnectStatus(h).error, 0u);
    EXPECT_EQ(sim.HangUp(h), 0u);
    EXPECT_EQ(StepAll().size(), 1u) << "a hang-up stops the notifications";
    // Still listed, still answering, and its entry cannot be dialled again.
    clock.now += 999ms;
    EXPECT_EQ(sim.Connections().size(), 1u);
    EXPECT_EQ(sim.ConnectStatus(h), (RasConnectStatus{0, kRasStateDisconnected}));
    EXPECT_EQ(sim.HangUp(h), 0u) << "hanging up again changes nothing";
    RasHandle again = 0;
    EXPECT_EQ(Dial(again), kRasErrorDialAlreadyInProgress);
    EXPECT_EQ(again, 0u);
    // Gone: the status call no longer knows the handle, and the entry dials.
    clock.now += 1ms;
    EXPECT_EQ(sim.ConnectStatus(h).error, kRasErrorInvalidHandle);
    EXPECT_TRUE(sim.Connections().empty());
    EXPECT_EQ(sim.HangUp(h), kRasErrorInvalidHandle);
    EXPECT_EQ(sim.HangUp(0), kRasErrorInvalidHandle);
    EXPECT_EQ(Dial(again), 0u);
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
    EXPECT_EQ(sim.EnumConnections(RasConnLayout::Oldest).connections.size(), 10u);
    sim.SetOldestLayoutError(kRasErrorInvalidSize);
    EXPECT_EQ(sim.EnumConnections(RasConnLayout::Oldest).error, kRasErrorInvalidSize);
    EXPECT_EQ(sim.EnumConnections(RasConnLayout::Current).connections.size(), 10u);
    sim.AddForeignConnection("one too many");
    const auto list = sim.EnumConnections(RasConnLayout::Current);
    EXPECT_EQ(list.error, kRasErrorBufferTooSmall);
    EXPECT_TRUE(list.connections.empty());
}

TEST_F(RasSimulatorTest, FailedDialsCanBeForgottenAtOnce) {
    SimConfig config = test::SteppedConfig(clock);
    config.keepFailedConnections = false;
    config.defaultOutcome = SimOutcome::Unreachable;
    RasSimulator quick(config);
    ASSERT_TRUE(quick.CreateFolder("C:\\pbk\\"));
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
    EXPECT_EQ(settle(), 1) << "told before the hang-up was over";
    clock.now += 1s;
    EXPECT_EQ(sim.ConnectStatus(foreign).error, kRasErrorInvalidHandle);
    EXPECT_EQ(settle(), 2);
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

TEST(RasSimulatorTexts, ATextComesOnlyWholeIntoABufferThatHoldsIt) {
    RasSimulator sim;
    EXPECT_EQ(sim.ErrorString(1, 512), (RasErrorText{kRasErrorInvalidParameter, ""}));
    // "连接列表的缓冲区太小。": 11 characters and the terminator.
    EXPECT_EQ(sim.ErrorString(kRasErrorBufferTooSmall, 12).text, "连接列表的缓冲区太小。");
    EXPECT_EQ(sim.ErrorString(kRasErrorBufferTooSmall, 11),
              (RasErrorText{kRasErrorInsufficientBuffer, ""}));
    const RasErrorText long809 = sim.ErrorString(kRasErrorNoResponse, 512);
    EXPECT_EQ(long809.error, 0u);
    EXPECT_GT(long809.text.size(), 200u);
    EXPECT_EQ(sim.ErrorString(kRasErrorNoResponse, 100).error, kRasErrorInsufficientBuffer);
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
    EXPECT_FALSE(PhoneBookPath(ras->Folders(), "岫澜IP").empty());
#ifndef _WIN32
    EXPECT_EQ(DefaultRasBackend(), RasBackend::Simulated);
    EXPECT_NE(MakeRasApi(RasBackend::Real, {}), nullptr) << "only the simulator exists here";
#endif
}

}  // namespace
}  // namespace xl::dial
