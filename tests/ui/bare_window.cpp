// The floor the client's start-up and memory are measured against: the least
// a Win32 program with a window does (register a class, create one window,
// paint it), built with the same toolchain and flags. It prints the same
// figures as "ui_window_gallery measure" and ends (with "hold", when standard
// input closes); tools/bench-startup runs both.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr wchar_t kClass[] = L"BareWindow";

// Milliseconds from the creation of this process until now.
double MillisecondsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    const ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}};
    const ULARGE_INTEGER b{{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<double>(b.QuadPart - a.QuadPart) / 10000.0;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TextOutW(dc, 10, 10, L"bare", 4);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    const double atMain = MillisecondsSinceProcessStart();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, kClass, L"bare", WS_POPUP, 100, 100, 380, 500, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);  // paints now
    const double firstPaint = MillisecondsSinceProcessStart();
    // Let the window settle as the client's measurement does.
    const ULONGLONG until = GetTickCount64() + 200;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                         sizeof(pmc));
    std::printf("main_entered_ms=%.1f first_paint_ms=%.1f working_set_mb=%.1f private_mb=%.1f\n",
                atMain, firstPaint, static_cast<double>(pmc.WorkingSetSize) / 1048576.0,
                static_cast<double>(pmc.PrivateUsage) / 1048576.0);
    std::fflush(stdout);
    // "hold": stay until standard input closes, for a look from outside.
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0) {
        char byte;
        DWORD read = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read > 0) {
        }
    }
    DestroyWindow(hwnd);
    return 0;
}
