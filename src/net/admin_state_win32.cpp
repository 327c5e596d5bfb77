// Runs the adapter commands with netsh: a hidden process, waited for up to the
// runner's limit. The command line goes to the wide call, converted from GBK
// here, so a Chinese connection name reaches netsh whatever the system's code
// page.
#include <windows.h>

#include <algorithm>

#include "net/admin_state.h"
#include "win32/handles.h"
#include "win32/text.h"

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

// The system folder's program of that name; empty when the folder is unknown.
std::wstring SystemProgramPath(const std::string& program) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::wstring(folder, n) + L"\\" + win32::Widen(program);
}

class Win32ProcessRunner final : public ProcessRunner {
  public:
    explicit Win32ProcessRunner(std::chrono::milliseconds waitLimit) : waitLimit_(waitLimit) {}

    ProcessOutcome RunAndWait(const ProcessCommand& command) override {
        std::wstring line = win32::Widen(command.commandLine);  // CreateProcessW may write into it
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        std::wstring program;
        if (!command.systemProgram.empty()) {
            program = SystemProgramPath(command.systemProgram);
            if (program.empty()) return {.startError = GetLastError()};
        }
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr,
                            nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
            return {.startError = GetLastError()};
        }
        const win32::KernelHandle process(started.hProcess);
        const win32::KernelHandle thread(started.hThread);
        const bool endedAtLimit = !WaitOrEnd(process.get(), waitLimit_);
        // Read for the log only.
        DWORD exitCode = 0;
        GetExitCodeProcess(process.get(), &exitCode);
        return {
            .started = true, .exitCode = static_cast<int>(exitCode), .endedAtLimit = endedAtLimit};
    }

    bool RunsElevated() const override {
        // The commands inherit this process's token. Under UAC an
        // administrator's programs run with a filtered token unless started
        // "as administrator"; with UAC off their token counts as elevated.
        win32::KernelHandle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
            token.release();
            return false;
        }
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation,
                                 &size)) {
            return false;
        }
        return elevation.TokenIsElevated != 0;
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
