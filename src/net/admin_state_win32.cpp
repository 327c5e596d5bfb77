// Runs the adapter commands with netsh: a hidden process, waited for without
// a time limit.
#include <windows.h>

#include "net/admin_state.h"

namespace xl::net {

namespace {

class Win32ProcessRunner final : public ProcessRunner {
  public:
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
        WaitForSingleObject(process.hProcess, INFINITE);
        // Read for the log only.
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return {.started = true, .exitCode = static_cast<int>(exitCode)};
    }
};

}  // namespace

std::optional<ProcessCommand> AdminStateCommand(std::string_view name, bool enable) {
    return NetshAdminCommand(name, enable);
}

std::unique_ptr<ProcessRunner> MakePlatformProcessRunner() {
    return std::make_unique<Win32ProcessRunner>();
}

}  // namespace xl::net
