// Runs the adapter commands with netsh: a hidden process, waited for without
// a time limit. The command line goes to the wide call, converted from GBK
// here, so a Chinese connection name reaches netsh whatever the system's code
// page.
#include <windows.h>

#include "net/admin_state.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::net {

namespace {

// The system folder's program of that name; empty when the folder is unknown.
std::wstring SystemProgramPath(const std::string& program) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::wstring(folder, n) + L"\\" + win32::Widen(program);
}

class Win32ProcessRunner final : public ProcessRunner {
  public:
    void RunAndWait(const ProcessCommand& command) override {
        std::wstring line = win32::Widen(command.commandLine);  // CreateProcessW may write into it
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        std::wstring program;
        if (!command.systemProgram.empty()) {
            program = SystemProgramPath(command.systemProgram);
            if (program.empty()) return;
        }
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr,
                            nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
            return;
        }
        const win32::KernelHandle process(started.hProcess);
        const win32::KernelHandle thread(started.hThread);
        WaitForSingleObject(process.get(), INFINITE);
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
