// Runs the adapter commands with netsh: a hidden process, waited for up to the
// runner's limit.
#include <windows.h>

#include <algorithm>

#include "net/admin_state.h"

namespace xl::net {

namespace {

// Exit code of a command ended for running past the limit.
constexpr UINT kGaveUpExitCode = WAIT_TIMEOUT;
// How long an ended process is given to go away before its handle is closed.
constexpr DWORD kEndWaitMs = 5000;

// Waits for the process up to `limit`; one still running then is ended (false),
// so a hung netsh cannot disable or enable the adapter long after the user moved on.
bool WaitOrEnd(HANDLE process, std::chrono::milliseconds limit) {
    // INFINITE is all ones: keep the limit below it.
    const long long capped = std::clamp<long long>(limit.count(), 0, INFINITE - 1);
    if (WaitForSingleObject(process, static_cast<DWORD>(capped)) != WAIT_TIMEOUT) return true;
    TerminateProcess(process, kGaveUpExitCode);
    WaitForSingleObject(process, kEndWaitMs);
    return false;
}

class Win32ProcessRunner final : public ProcessRunner {
  public:
    explicit Win32ProcessRunner(std::chrono::milliseconds waitLimit) : waitLimit_(waitLimit) {}

    ProcessOutcome RunAndWait(const ProcessCommand& command) override {
        std::string line = command.commandLine;  // CreateProcessA may write into it
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION process{};
        std::string program;
        if (!command.systemProgram.empty()) {
            char folder[MAX_PATH] = {};
            const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
            if (n == 0 || n >= MAX_PATH) return {.startError = GetLastError()};
            program = std::string(folder, n) + "\\" + command.systemProgram;
        }
        if (!CreateProcessA(program.empty() ? nullptr : program.c_str(), line.data(), nullptr,
                            nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            return {.startError = GetLastError()};
        }
        const bool endedAtLimit = !WaitOrEnd(process.hProcess, waitLimit_);
        // Read for the log only.
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return {
            .started = true, .exitCode = static_cast<int>(exitCode), .endedAtLimit = endedAtLimit};
    }

  private:
    std::chrono::milliseconds waitLimit_;
};

}  // namespace

std::optional<ProcessCommand> AdminStateCommand(std::string_view name, bool enable) {
    return NetshAdminCommand(name, enable);
}

std::unique_ptr<ProcessRunner> MakePlatformProcessRunner(std::chrono::milliseconds waitLimit) {
    return std::make_unique<Win32ProcessRunner>(waitLimit);
}

}  // namespace xl::net
