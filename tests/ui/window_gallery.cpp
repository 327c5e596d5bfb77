// Opens one catalogue window in its initial state for a screenshot, or, with
// "measure", times the login window's first paint from process start and reads
// the working set once all four windows exist.
//   ui_window_gallery login|main|adapter|confirm [tick]
//   ui_window_gallery measure [hold]
// "measure" prints the figures with all four windows shown, then those with
// the main window alone. hold: wait for a line of standard input after each,
// so that tools/bench-startup can read the process's memory from outside.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ui/win32_backend/backend_win32.h"
#include "ui/window_system.h"

namespace {

using xl::ui::WindowId;

// Milliseconds from the creation of this process until now. (The system clock
// ticks in 15.6 ms steps on Windows 7; Wine's is exact.)
double MillisecondsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER b{{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<double>(b.QuadPart - a.QuadPart) / 10000.0;
}

struct Memory {
    double workingSetMb = 0, privateMb = 0;
};

Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                         sizeof(pmc));
    return {static_cast<double>(pmc.WorkingSetSize) / 1048576.0,
            static_cast<double>(pmc.PrivateUsage) / 1048576.0};
}

// Returns after a line of standard input, or when it closes.
void WaitForStandardInput() {
    char byte = 0;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read > 0 &&
           byte != '\n') {
    }
}

// The figures of tests/ui/bare_window.cpp, then where the memory went: the
// process before any window, and the working set after each window.
int Measure(xl::ui::win32_backend::Win32Backend& backend, xl::ui::WindowSystem& ui, double atMain,
            bool hold) {
    const Memory before = MemoryNow();
    xl::ui::Window& login = ui.Open(WindowId::Login);
    login.Show();
    UpdateWindow(xl::ui::win32_backend::Win32Backend::HandleOf(login));  // paints now
    const double firstPaint = MillisecondsSinceProcessStart();
    std::string steps = "login:" + std::to_string(MemoryNow().workingSetMb);
    for (WindowId id : {WindowId::Main, WindowId::AdapterDialog, WindowId::ConfirmDialog}) {
        ui.Open(id).Show();
        UpdateWindow(xl::ui::win32_backend::Win32Backend::HandleOf(ui.Open(id)));
        steps += " " + ui.Open(id).design().face + ":" + std::to_string(MemoryNow().workingSetMb);
    }
    backend.WaitDispatching(std::chrono::milliseconds(200));
    const Memory shown = MemoryNow();
    std::printf(
        "main_entered_ms=%.1f first_paint_ms=%.1f working_set_mb=%.1f private_mb=%.1f "
        "before_windows_mb=%.1f\nsteps_mb %s\n",
        atMain, firstPaint, shown.workingSetMb, shown.privateMb, before.workingSetMb,
        steps.c_str());
    std::fflush(stdout);
    if (hold) WaitForStandardInput();
    // After the login only the main window stays up.
    for (WindowId id : {WindowId::Login, WindowId::AdapterDialog, WindowId::ConfirmDialog}) {
        ui.Open(id).Hide();
    }
    backend.WaitDispatching(std::chrono::milliseconds(200));
    const Memory mainOnly = MemoryNow();
    std::printf("main_only working_set_mb=%.1f private_mb=%.1f\n", mainOnly.workingSetMb,
                mainOnly.privateMb);
    std::fflush(stdout);
    if (hold) WaitForStandardInput();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double atMain = MillisecondsSinceProcessStart();
    const char* which = argc > 1 ? argv[1] : "login";
    xl::ui::win32_backend::Win32Backend backend;
    xl::ui::WindowSystem ui(backend);
    if (std::strcmp(which, "measure") == 0) {
        return Measure(backend, ui, atMain, argc > 2 && std::strcmp(argv[2], "hold") == 0);
    }

    WindowId id = WindowId::Login;
    if (std::strcmp(which, "main") == 0) id = WindowId::Main;
    if (std::strcmp(which, "adapter") == 0) id = WindowId::AdapterDialog;
    if (std::strcmp(which, "confirm") == 0) id = WindowId::ConfirmDialog;
    // Report what reaches the handlers, for the script's pointer and key checks.
    for (const xl::ui::ControlDesign& c : xl::ui::CatalogueEntry(id).controls) {
        const std::string name = c.name;
        ui.OnClick(id, name,
                   [name] { std::printf("click %s\n", name.c_str()), std::fflush(stdout); });
        ui.OnTextChange(id, name, [&ui, id, name] {
            std::printf("text %s %s\n", name.c_str(), ui.Find(id, name)->caption().c_str());
            std::fflush(stdout);
        });
    }
    xl::ui::Window& w = ui.Open(id);
    // "tick" ticks one check box so that a screenshot shows both states.
    if (argc > 2 && std::strcmp(argv[2], "tick") == 0) {
        if (xl::ui::Control* box =
                w.Find(id == WindowId::Main ? "图片框_掉线自动重连" : "图片框_记住密码")) {
            box->SetPicture("check_on");
            box->SetTag("yes");
        }
    }
    w.Show();
    std::printf("shown\n");
    std::fflush(stdout);
    return backend.RunMessageLoop();
}
