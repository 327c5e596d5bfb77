#include "net/admin_state.h"

#include <gtest/gtest.h>

#include "net/adapter_control.h"
#include "net/fake_adapter_api.h"

namespace xl::net {
namespace {

class RecordingRunner : public ProcessRunner {
  public:
    std::vector<ProcessCommand> commands;
    ProcessOutcome outcome{.started = true};
    ProcessOutcome RunAndWait(const ProcessCommand& command) override {
        commands.push_back(command);
        return outcome;
    }
    bool RunsElevated() const override { return true; }
};

TEST(NetshAdminCommand, ExactCommandLines) {
    struct Case {
        std::string name;
        bool enable;
        std::string line;
    };
    const Case cases[] = {
        {"本地连接", false, "netsh interface set interface name=\"本地连接\" admin=DISABLED"},
        {"本地连接", true, "netsh interface set interface name=\"本地连接\" admin=ENABLED"},
        {"Local Area Connection 2", false,
         "netsh interface set interface name=\"Local Area Connection 2\" admin=DISABLED"},
        {"", true, "netsh interface set interface name=\"\" admin=ENABLED"},
        {"a&b|c>%PATH%", false,
         "netsh interface set interface name=\"a&b|c>%PATH%\" admin=DISABLED"},
    };
    for (const auto& c : cases) {
        const auto command = NetshAdminCommand(c.name, c.enable);
        ASSERT_TRUE(command.has_value()) << c.name;
        EXPECT_EQ(command->commandLine, c.line);
        EXPECT_TRUE(command->argv.empty());
        // Started from the system folder, never found beside the client.
        EXPECT_EQ(command->systemProgram, "netsh.exe");
    }
}

TEST(NetshAdminCommand, TheConnectionNameIsGbk) {
    const std::string expected =
        "netsh interface set interface name=\""
        "\xB1\xBE\xB5\xD8\xC1\xAC\xBD\xD3"
        "\" admin=DISABLED";
    const auto command = NetshAdminCommand("\xB1\xBE\xB5\xD8\xC1\xAC\xBD\xD3", false);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->commandLine, expected);
    EXPECT_EQ(std::string("本地连接"), "\xB1\xBE\xB5\xD8\xC1\xAC\xBD\xD3");
}

TEST(IpLinkAdminCommand, ArgumentVectorWithTheNameAsOneArgument) {
    const auto down = IpLinkAdminCommand("veth 0;rm -rf", false);
    ASSERT_TRUE(down.has_value());
    const std::vector<std::string> expected{"ip", "link", "set", "dev", "veth 0;rm -rf", "down"};
    EXPECT_EQ(down->argv, expected);
    EXPECT_EQ(IpLinkAdminCommand("eth0", true)->argv.back(), "up");
}

TEST(AdminCommands, RefuseNamesThatWouldChangeTheCommand) {
    const std::string hostile[] = {
        "a\" admin=ENABLED & calc \"", "\"", "本地连接\"", std::string("nul\0byte", 8),
        "line\nbreak", "tab\there", "cr\r", "esc\x1b[0m", "del\x7f",
        // \" is a literal quote to the parser: the name would take admin=... with it.
        "本地连接\\", "\\", "a\\\\",
        "運\\",          // a backslash after a character whose second byte is 0x5C
        "本地连接\xB1",  // half a character, which would take the quote
    };
    for (const auto& name : hostile) {
        EXPECT_FALSE(IsSafeConnectionName(name)) << name;
        EXPECT_FALSE(NetshAdminCommand(name, false).has_value()) << name;
        EXPECT_FALSE(IpLinkAdminCommand(name, true).has_value()) << name;
    }
    // The last character decides, not the last byte: 運 is DF 5C.
    EXPECT_EQ(std::string("運"), "\xDF\x5C");
    for (const std::string name : {"本地连接", "以太网 2", "Wi-Fi", "", "x\xFE\xFE", "€", "運",
                                   "以太网運", "a\\b", "運運"}) {
        EXPECT_TRUE(IsSafeConnectionName(name)) << name;
        EXPECT_TRUE(NetshAdminCommand(name, false).has_value()) << name;
    }
    EXPECT_EQ(NetshAdminCommand("以太网運", true)->commandLine,
              "netsh interface set interface name=\"以太网運\" admin=ENABLED");
}

TEST(SetAdapterAdminState, RunsThePlatformCommandOnceAndRefusesQuotes) {
    RecordingRunner runner;
    SetAdapterAdminState(runner, "本地连接", false);
    SetAdapterAdminState(runner, "本地连接\" admin=ENABLED", true);
    SetAdapterAdminState(runner, "本地连接", true);
    ASSERT_EQ(runner.commands.size(), 2u);
#ifdef _WIN32
    EXPECT_EQ(runner.commands[0].commandLine,
              "netsh interface set interface name=\"本地连接\" admin=DISABLED");
    EXPECT_EQ(runner.commands[1].commandLine,
              "netsh interface set interface name=\"本地连接\" admin=ENABLED");
#else
    EXPECT_EQ(runner.commands[0].argv.back(), "down");
    EXPECT_EQ(runner.commands[1].argv.back(), "up");
    EXPECT_EQ(runner.commands[1].argv[4], "本地连接");
#endif
}

TEST(AdapterControl, SetAdminStateGoesThroughItsRunner) {
    test::FakeAdapterApi api;
    RecordingRunner runner;
    AdapterControl control(api, runner);
    control.SetAdminState("本地连接", false);
    control.SetAdminState("bad\"name", false);
    ASSERT_EQ(runner.commands.size(), 1u);
    EXPECT_EQ(runner.commands[0], *AdminStateCommand("本地连接", false));
}

}  // namespace
}  // namespace xl::net
