// Runs the adapter commands with ip(8): started straight from its argument
// vector, never through a shell, and waited for without a time limit.
#include <errno.h>
#include <spawn.h>
#include <sys/wait.h>

#include "net/admin_state.h"

extern char** environ;

namespace xl::net {

namespace {

class PosixProcessRunner final : public ProcessRunner {
  public:
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
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        // A program killed by a signal shows as 128 plus its number, as shells do.
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return {.started = true, .exitCode = code};
    }
};

}  // namespace

std::optional<ProcessCommand> AdminStateCommand(std::string_view name, bool enable) {
    return IpLinkAdminCommand(name, enable);
}

std::unique_ptr<ProcessRunner> MakePlatformProcessRunner() {
    return std::make_unique<PosixProcessRunner>();
}

}  // namespace xl::net
