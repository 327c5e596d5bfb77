#pragma once
// Disabling and enabling an adapter by its connection name. The name comes
// from the settings file, so it is outside input: a name that could change the
// command it is placed in is refused and nothing runs.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xl::net {

// A command for the process runner. Windows hands `commandLine` to the new
// process as it stands; POSIX executes `argv` directly, with no shell.
struct ProcessCommand {
    std::string commandLine;
    std::vector<std::string> argv;
    // Windows: a program of the system folder, started from there by its full
    // path, so a same-named file beside the client (run elevated, even) is
    // never picked up by the search. The command line stays as it is.
    std::string systemProgram;

    bool operator==(const ProcessCommand&) const = default;
};

// The port that starts a command hidden and waits for it to end, however long
// that takes. Whether it started and how it ended are not looked at.
class ProcessRunner {
  public:
    virtual ~ProcessRunner() = default;
    virtual void RunAndWait(const ProcessCommand& command) = 0;
};

// False for a name holding a double quote or a control character, or ending
// in a backslash or in half a GBK character: placed before the closing quote
// of name="...", either would run the name on into the rest of the command.
bool IsSafeConnectionName(std::string_view name);

// netsh interface set interface name="NAME" admin=DISABLED (or admin=ENABLED).
std::optional<ProcessCommand> NetshAdminCommand(std::string_view name, bool enable);

// ip link set dev NAME down (or up).
std::optional<ProcessCommand> IpLinkAdminCommand(std::string_view name, bool enable);

// The platform's command of the two above.
std::optional<ProcessCommand> AdminStateCommand(std::string_view name, bool enable);

// Runs the platform's command for `name` and waits for it; a refused name runs
// nothing. Reports nothing either way.
void SetAdapterAdminState(ProcessRunner& runner, std::string_view name, bool enable);

// Hidden CreateProcessA on Windows, posix_spawnp on POSIX.
std::unique_ptr<ProcessRunner> MakePlatformProcessRunner();

}  // namespace xl::net
