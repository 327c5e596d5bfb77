// Runs the adapter commands with ip(8): started straight from its argument
// vector, never through a shell, and waited for up to the runner's limit.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "net/admin_state.h"

extern char** environ;

namespace xl::net {

namespace {

// The first pause between looks at a child still running, doubling up to the last.
constexpr std::chrono::milliseconds kFirstPoll{1};
constexpr std::chrono::milliseconds kLongestPoll{50};

// True once the child has ended and been reaped, within `limit`; `status` is its wait status.
bool ReapWithin(pid_t child, std::chrono::milliseconds limit, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::chrono::milliseconds pause = kFirstPoll;
    for (;;) {
        const pid_t reaped = waitpid(child, &status, WNOHANG);
        if (reaped == child) return true;
        // ECHILD: someone else reaped it; there is nothing left to wait for.
        if (reaped < 0 && errno != EINTR) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        std::this_thread::sleep_for(std::min(pause, left + std::chrono::milliseconds(1)));
        pause = std::min(pause * 2, kLongestPoll);
    }
}

ProcessOutcome Ended(int status) {
    // A program killed by a signal shows as 128 plus its number, as shells do.
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return {.started = true, .exitCode = code};
}

class PosixProcessRunner final : public ProcessRunner {
  public:
    explicit PosixProcessRunner(std::chrono::milliseconds waitLimit) : waitLimit_(waitLimit) {}

    ProcessOutcome RunAndWait(const ProcessCommand& command) override {
        if (command.argv.empty()) return {.startError = static_cast<unsigned>(EINVAL)};
        std::vector<char*> argv;
        for (const auto& arg : command.argv) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_t child = 0;
        const int spawnError =
            posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
        if (spawnError != 0) return {.startError = static_cast<unsigned>(spawnError)};
        int status = 0;
        if (ReapWithin(child, waitLimit_, status)) return Ended(status);
        // Killed and reaped, so no zombie and no late change of the link.
        kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        ProcessOutcome outcome = Ended(status);
        outcome.endedAtLimit = true;
        return outcome;
    }

    // ip(8) needs CAP_NET_ADMIN to change a link; root is taken as having it.
    bool RunsElevated() const override { return geteuid() == 0; }

  private:
    std::chrono::milliseconds waitLimit_;
};

}  // namespace

std::optional<ProcessCommand> AdminStateCommand(std::string_view name, bool enable) {
    return IpLinkAdminCommand(name, enable);
}

std::unique_ptr<ProcessRunner> MakePlatformProcessRunner(std::chrono::milliseconds waitLimit) {
    return std::make_unique<PosixProcessRunner>(waitLimit);
}

}  // namespace xl::net
