// Jobs on workers: one that throws leaves a line in the log and nothing else;
// the next job runs as usual.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "api/service_fakes.h"
#include "ui/handlers/background_work.h"

namespace xl::ui {
namespace {

TEST(BackgroundWorkTest, AJobThatThrowsIsLoggedAndTheWorkGoesOn) {
    api::test::MemoryLog log;
    std::atomic<bool> ran = false;
    {
        BackgroundWork work(log);
        work.Run([] { throw std::runtime_error("列表合并失败"); });
        work.WaitIdle();
        work.Run([&] { ran = true; });
    }
    EXPECT_TRUE(ran);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"后台任务异常: 列表合并失败"});
}

}  // namespace
}  // namespace xl::ui
