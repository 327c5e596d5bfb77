// The windowless pump: tasks posted from other threads run on the waiting one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "dial/queued_message_pump.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;

TEST(QueuedMessagePump, RunsTasksPostedFromAnotherThreadWhileWaiting) {
    QueuedMessagePump pump;
    const auto waiter = std::this_thread::get_id();
    std::atomic<bool> ranOnWaiter{false};
    std::thread poster([&] {
        std::this_thread::sleep_for(5ms);
        pump.Post([&] { ranOnWaiter = std::this_thread::get_id() == waiter; });
    });
    const auto start = std::chrono::steady_clock::now();
    pump.WaitDispatching(60ms);
    poster.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);
    EXPECT_TRUE(ranOnWaiter);
}

TEST(QueuedMessagePump, DispatchPendingRunsTasksPostedByTasks) {
    QueuedMessagePump pump;
    int order = 0;
    int first = 0, second = 0;
    pump.Post([&] {
        first = ++order;
        pump.Post([&] { second = ++order; });
    });
    pump.DispatchPending();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}

}  // namespace
}  // namespace xl::dial
