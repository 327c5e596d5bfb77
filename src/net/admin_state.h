#pragma once
// Disabling and enabling an adapter by its connection name. The name comes
// from the settings file, so it is outside input: a name that could change the
// command it is placed in is refused and nothing runs.
#include <chrono>
#include <functional>
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

    // The command as the log shows it.
    std::string Display() const;
};

// How a command ended: the log gets all of it, the caller whether it worked.
struct ProcessOutcome {
    bool started = false;
    int exitCode = 0;           // when started
    unsigned startError = 0;    // the system's error number when not
    bool endedAtLimit = false;  // still running at the runner's limit, so ended

    // Started, ended by itself, and with exit code 0: the only outcome that
    // tells a command did what it was asked (netsh without administrator
    // rights ends with a code of its own and changes nothing).
    bool Succeeded() const { return started && !endedAtLimit && exitCode == 0; }
    std::string Describe() const;
};

// How long the platform runner waits for a command. netsh normally ends within
// a second or two; one that hangs must not freeze the window for good.
inline constexpr std::chrono::seconds kProcessWaitLimit{30};

// The port that starts a command hidden and waits for it to end. The platform
// runner waits at most its limit and then ends the command, so a hung command
// cannot change the adapter long after the user has moved on; it never starts
// it again.
class ProcessRunner {
  public:
    virtual ~ProcessRunner() = default;
    virtual ProcessOutcome RunAndWait(const ProcessCommand& command) = 0;
    // Whether the commands run with the administrator's rights that changing
    // an adapter needs; the program never asks for them itself.
    virtual bool RunsElevated() const = 0;
};

// Where each command and its exit code are reported, for the program's log.
using CommandLog = std::function<void(const std::string& line)>;

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
// nothing. True only when the command ran and reported success; `log`, when
// given, gets the command and how it ended, exit code included.
bool SetAdapterAdminState(ProcessRunner& runner, std::string_view name, bool enable,
                          const CommandLog& log = {});

// Hidden CreateProcessW on Windows, posix_spawnp on POSIX; each command is
// waited for at most `waitLimit`, then ended.
std::unique_ptr<ProcessRunner> MakePlatformProcessRunner(
    std::chrono::milliseconds waitLimit = kProcessWaitLimit);

}  // namespace xl::net
