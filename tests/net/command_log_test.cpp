// What the adapter commands leave in the program's log (each command with its
// exit code, and a refused name without the name) and what the caller learns:
// success only from a command that ended by itself with exit code 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/adapter_control.h"
#include "net/admin_state.h"
#include "net/fake_adapter_api.h"

namespace xl::net {
namespace {

class FixedRunner : public ProcessRunner {
  public:
    explicit FixedRunner(ProcessOutcome outcome) : outcome_(outcome) {}
    ProcessOutcome RunAndWait(const ProcessCommand&) override { return outcome_; }
    bool RunsElevated() const override { return true; }

  private:
    ProcessOutcome outcome_;
};

TEST(CommandLog, EachCommandWithHowItEnded) {
    const std::string command =
#ifdef _WIN32
        "netsh interface set interface name=\"本地连接\" admin=DISABLED";
#else
        "ip link set dev 本地连接 down";
#endif
    struct Case {
        ProcessOutcome outcome;
        std::string line;
        bool succeeded;
    };
    const Case cases[] = {
        {{.started = true, .exitCode = 0}, command + ": 退出码 0", true},
        {{.started = true, .exitCode = 1}, command + ": 退出码 1", false},
        {{.started = false, .startError = 2}, command + ": 未能启动, 错误 2", false},
        // Ended by the runner, whatever code that left behind.
        {{.started = true, .exitCode = 0, .endedAtLimit = true},
         command + ": 超过时限未结束, 已终止",
         false},
    };
    for (const Case& c : cases) {
        FixedRunner runner(c.outcome);
        test::FakeAdapterApi api;
        std::vector<std::string> lines;
        AdapterControl control(api, runner, [&](const std::string& l) { lines.push_back(l); });
        EXPECT_EQ(control.SetAdminState("本地连接", false), c.succeeded) << c.line;
        EXPECT_EQ(lines, std::vector<std::string>{c.line});
    }
}

TEST(CommandLog, RefusedNameIsReportedWithoutTheName) {
    FixedRunner runner({.started = true});
    std::vector<std::string> lines;
    EXPECT_FALSE(SetAdapterAdminState(runner, "x\" admin=ENABLED\r\n伪造", true,
                                      [&](const std::string& l) { lines.push_back(l); }));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "网卡名称含引号或控制字符, 未执行命令");
}

TEST(CommandLog, PlatformRunnerReportsExitCodesAndStartFailures) {
    ProcessCommand exits3, missing;
#ifdef _WIN32
    exits3.commandLine = "cmd.exe /c exit 3";
    exits3.systemProgram = "cmd.exe";
    missing.commandLine = "xl-no-such-program-here.exe";
    missing.systemProgram = "xl-no-such-program-here.exe";
#else
    exits3.argv = {"sh", "-c", "exit 3"};
    missing.argv = {"xl-no-such-program-here"};
#endif
    const ProcessOutcome ended = MakePlatformProcessRunner()->RunAndWait(exits3);
    EXPECT_TRUE(ended.started);
    EXPECT_EQ(ended.exitCode, 3);
    const ProcessOutcome notStarted = MakePlatformProcessRunner()->RunAndWait(missing);
    EXPECT_FALSE(notStarted.started);
    EXPECT_NE(notStarted.startError, 0u);
}

}  // namespace
}  // namespace xl::net
