// What a dial leaves in the program's log: its start with the account, the
// outcome with the remote-access error number, and never the password.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "dial/dial_engine.h"
#include "dial/dial_progress.h"
#include "dial_test_support.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPassword = "pa55-口令";

// The notifier writes from the simulator's thread too.
class RecordingLog {
  public:
    DialLog Sink() {
        return [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

struct Case {
    const char* name;
    SimOutcome outcome;
    std::uint32_t entryError;
    const char* lastLine;
};

class DialLogTest : public ::testing::TestWithParam<Case> {};

TEST_P(DialLogTest, StartAndOutcomeWithTheErrorNumberNeverThePassword) {
    test::SteppedRig rig;
    RasSimulator& sim = rig.sim;
    test::SteppingPump& pump = rig.pump;
    DialEngine engine(sim, pump, 0ms);
    test::RecordingView view;
    DialProgress progress(engine, view, pump.Poster());
    RecordingLog log;
    engine.SetLog(log.Sink());
    sim.SetHostOutcome("vpn.example.net", GetParam().outcome);
    if (GetParam().entryError != 0) sim.SetEntryError(GetParam().entryError);

    engine.Dial("岫澜IP", "vpn.example.net", "alice", kPassword, kStrategyL2tp,
                progress.Notifier());

    const std::vector<std::string> lines = log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(),
              "拨号开始: 连接 岫澜IP, 服务器 vpn.example.net, 协议 L2TP, 帐号 alice");
    EXPECT_EQ(lines.back().rfind(GetParam().lastLine, 0), 0u) << lines.back();
    for (const std::string& line : lines) EXPECT_EQ(line.find(kPassword), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DialLogTest,
    ::testing::Values(
        Case{"Connected", SimOutcome::Connect, 0, "拨号结果: 连接成功"},
        Case{"Refused", SimOutcome::AuthenticationRefused, 0,
             "拨号结果: 连接失败：错误代码:691 远程服务器拒绝了用户名或密码。, 错误 691"},
        Case{"Unreachable", SimOutcome::Unreachable, 0, "拨号结果: 连接失败：错误代码:800"},
        Case{"RefusedAtOnce", SimOutcome::RefusedAtOnce, 0, "拨号结果: 拨号被拒绝, 错误 633"},
        Case{"EntryNotWritten", SimOutcome::Connect, kRasErrorEntryNotFound,
             "拨号结果: 创建连接失败, 写入电话簿 C:\\Users\\测试\\AppData"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DialLog, ProgressLinesCarryStateAndErrorNumbers) {
    test::SteppedRig rig;
    DialEngine engine(rig.sim, rig.pump, 0ms);
    RecordingLog log;
    engine.SetLog(log.Sink());
    engine.StateText(kRasStateConnected, 0);
    engine.StateText(0, kRasErrorAuthentication);
    const std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "拨号进度: 状态 " + std::to_string(kRasStateConnected) + ", 错误 0: 连接成功");
    EXPECT_EQ(lines[1].rfind("拨号进度: 状态 0, 错误 691: 错误代码:691", 0), 0u) << lines[1];
}

}  // namespace
}  // namespace xl::dial
