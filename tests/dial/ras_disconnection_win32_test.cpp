// The service's word that a connection ended, on Windows: the thread-pool wait
// on an auto-reset event, and the registration with rasapi32 (a stub under
// Wine, which declines, so there the timers alone watch the link).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "dial/connection_supervisor.h"
#include "dial/event_watch_win32.h"
#include "dial/queued_message_pump.h"
#include "dial/ras_api_win32.h"
#include "support/platform.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;

template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit = 2s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(EventWatch, EachSettingCallsBackOnAPoolThreadUntilTheWatchIsGone) {
    std::atomic<int> calls{0};
    std::atomic<DWORD> thread{0};
    std::uint32_t error = 1;
    auto watch = EventWatch::Start(
        [&] {
            thread = GetCurrentThreadId();
            ++calls;
        },
        error);
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(error, 0u);
    const HANDLE event = watch->Event();

    ASSERT_TRUE(SetEvent(event));
    ASSERT_TRUE(WaitFor([&] { return calls.load() == 1; }));
    EXPECT_NE(thread.load(), GetCurrentThreadId());
    // The wait goes back to the event after each call.
    ASSERT_TRUE(SetEvent(event));
    ASSERT_TRUE(WaitFor([&] { return calls.load() == 2; }));

    watch.reset();
    // Another handle to the same event outlives the watch.
    EXPECT_EQ(calls.load(), 2);
}

TEST(EventWatch, DestructionWaitsForACallbackUnderWay) {
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::uint32_t error = 0;
    auto watch = EventWatch::Start(
        [&] {
            inside = true;
            std::this_thread::sleep_for(150ms);
            finished = true;
        },
        error);
    ASSERT_NE(watch, nullptr);
    SetEvent(watch->Event());
    ASSERT_TRUE(WaitFor([&] { return inside.load(); }));
    watch.reset();
    EXPECT_TRUE(finished.load());
}

TEST(Win32RasApi, DisconnectionWordFromTheService) {
    auto ras = MakeWin32RasApi();
    DisconnectionWatchStart start = ras->WatchDisconnections([] {});
    if (!test::RunningUnderWine()) {
        ASSERT_NE(start.watch, nullptr) << start.error;
        start.watch.reset();  // unregisters without waiting for an end
        return;
    }
    // Wine's RasConnectionNotificationW is a stub answering 1.
    EXPECT_EQ(start.watch, nullptr);
    EXPECT_EQ(start.error, 1u);

    QueuedMessagePump pump;
    DialEngine engine(*ras, pump, 0ms);
    struct NoPanel : SupervisedConnection {
        void SetStatusCaption(const std::string&) override {}
        std::string StatusCaption() override { return ""; }
        void RefreshConnectButton() override {}
        std::string ConnectButtonTag() override { return "连接"; }
        void SetIpLabels(const std::string&) override {}
        void ToggleConnection() override {}
    } panel;
    std::vector<std::string> log;
    ConnectionSupervisor supervisor(
        engine, panel, {}, [&](const std::string& line) { log.push_back(line); },
        [&](std::function<void()> task) { pump.Post(std::move(task)); }, {});
    EXPECT_FALSE(supervisor.WatchDisconnections());
    EXPECT_EQ(log, std::vector<std::string>{"断线通知不可用（1），掉线由定时检查发现"});
}

}  // namespace
}  // namespace xl::dial
