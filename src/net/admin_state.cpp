#include "net/admin_state.h"

namespace xl::net {

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

}  // namespace

bool IsSafeConnectionName(std::string_view name) {
    // GBK trail bytes start at 0x40 and skip 0x7F, so these tests never split a character.
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte < kFirstPrintable || byte == kDelete) return false;
    }
    return true;
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

void SetAdapterAdminState(ProcessRunner& runner, std::string_view name, bool enable) {
    if (auto command = AdminStateCommand(name, enable)) runner.RunAndWait(*command);
}

}  // namespace xl::net
