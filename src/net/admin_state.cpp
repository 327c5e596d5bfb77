#include "net/admin_state.h"

namespace xl::net {

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastLeadByte = 0xFE;

bool IsLeadByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= kFirstLeadByte && byte <= kLastLeadByte;
}

// Whether the last character, read as GBK, would take the closing quote with
// it: a backslash makes \" a literal quote to the command-line parser, and a
// lead byte without its second byte takes the quote as that byte. A two-byte
// character whose second byte is 0x5C is no backslash.
bool LastCharacterSwallowsAQuote(std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = IsLeadByte(name[i]) ? 2 : 1;
        if (i + length > name.size()) return true;  // half a character
        if (i + length == name.size()) return length == 1 && name[i] == '\\';
        i += length;
    }
    return false;
}

}  // namespace

bool IsSafeConnectionName(std::string_view name) {
    // GBK trail bytes start at 0x40 and skip 0x7F, so these tests never split a character.
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte < kFirstPrintable || byte == kDelete) return false;
    }
    return !LastCharacterSwallowsAQuote(name);
}

std::optional<ProcessCommand> NetshAdminCommand(std::string_view name, bool enable) {
    if (!IsSafeConnectionName(name)) return std::nullopt;
    ProcessCommand command;
    command.commandLine = "netsh interface set interface name=\"";
    command.commandLine += name;
    command.commandLine += enable ? "\" admin=ENABLED" : "\" admin=DISABLED";
    command.systemProgram = "netsh.exe";
    return command;
}

std::optional<ProcessCommand> IpLinkAdminCommand(std::string_view name, bool enable) {
    if (!IsSafeConnectionName(name)) return std::nullopt;
    ProcessCommand command;
    command.argv = {"ip", "link", "set", "dev", std::string(name), enable ? "up" : "down"};
    return command;
}

std::string ProcessCommand::Display() const {
    if (!commandLine.empty() || argv.empty()) return commandLine;
    std::string line;
    for (const std::string& arg : argv) line += (line.empty() ? "" : " ") + arg;
    return line;
}

std::string ProcessOutcome::Describe() const {
    if (!started) return "未能启动, 错误 " + std::to_string(startError);
    if (endedAtLimit) return "超过时限未结束, 已终止";
    return "退出码 " + std::to_string(exitCode);
}

bool SetAdapterAdminState(ProcessRunner& runner, std::string_view name, bool enable,
                          const CommandLog& log) {
    const std::optional<ProcessCommand> command = AdminStateCommand(name, enable);
    if (!command) {
        // The name itself may hold the control bytes that made it unsafe; it is left out.
        if (log) log("网卡名称含引号或控制字符, 未执行命令");
        return false;
    }
    const ProcessOutcome outcome = runner.RunAndWait(*command);
    if (log) log(command->Display() + ": " + outcome.Describe());
    return outcome.Succeeded();
}

}  // namespace xl::net
