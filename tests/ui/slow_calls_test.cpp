// Slow calls on workers: the outcome reaches the user-interface thread only
// through its post; a throwing call delivers its failure; nothing waits for a
// worker, and a late outcome after a drop or after the owner's end is thrown
// away.
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "api/service_fakes.h"
#include "ui/handlers/slow_calls.h"
#include "ui/headless/headless_backend.h"

namespace xl::ui {
namespace {

class SlowCallsTest : public ::testing::Test {
  protected:
    // A call that waits until the test opens the gate, then answers `answer`.
    std::function<std::string()> GatedCall(std::string answer) {
        return [gate = gate_.get_future().share(), answer] {
            gate.wait();
            return answer;
        };
    }
    std::function<void(std::string)> Record() {
        return [this](std::string outcome) {
            delivered_ = outcome;
            deliveredOn_ = std::this_thread::get_id();
        };
    }

    HeadlessBackend backend_;
    WindowSystem windows_{backend_};
    api::test::MemoryLog log_;
    std::promise<void> gate_;
    std::optional<std::string> delivered_;
    std::thread::id deliveredOn_;
};

TEST_F(SlowCallsTest, TheOutcomeArrivesOnlyThroughThePostedTask) {
    SlowCalls calls(windows_, log_, "登录");
    calls.Run(GatedCall("ok"), Record(), std::string("failed"));
    EXPECT_TRUE(calls.UnderWay());
    backend_.DispatchPending();
    EXPECT_FALSE(delivered_);

    gate_.set_value();
    calls.WaitIdle();
    EXPECT_FALSE(delivered_) << "delivered from the worker";
    backend_.DispatchPending();
    EXPECT_EQ(delivered_, "ok");
    EXPECT_EQ(deliveredOn_, std::this_thread::get_id());
    EXPECT_FALSE(calls.UnderWay());
}

TEST_F(SlowCallsTest, AThrowingCallIsLoggedAndDeliversItsFailure) {
    SlowCalls calls(windows_, log_, "登录");
    calls.Run<std::string>([]() -> std::string { throw std::runtime_error("boom"); }, Record(),
                           "failed");
    calls.WaitIdle();
    backend_.DispatchPending();
    EXPECT_EQ(delivered_, "failed");
    EXPECT_EQ(log_.With("登录").size(), 1u);
    EXPECT_EQ(log_.With("boom").size(), 1u);
}

TEST_F(SlowCallsTest, NothingWaitsForAWorkerAndALateOutcomeIsThrownAway) {
    for (const bool ownerGoes : {false, true}) {
        SCOPED_TRACE(ownerGoes ? "owner gone" : "dropped");
        gate_ = {};
        delivered_.reset();
        auto calls = std::make_unique<SlowCalls>(windows_, log_, "登录");
        const std::shared_ptr<const WorkerCount> workers = calls->Workers();
        calls->Run(GatedCall("late"), Record(), std::string("failed"));
        if (ownerGoes) {
            calls.reset();  // with the call still waiting at the gate
        } else {
            calls->Drop();
            EXPECT_FALSE(calls->UnderWay());
        }
        gate_.set_value();
        workers->WaitIdle();
        backend_.DispatchPending();
        EXPECT_FALSE(delivered_);
    }
}

}  // namespace
}  // namespace xl::ui
