#include "ui/win32_backend/dpi_win32.h"

#include <string>

#include "win32/handles.h"

namespace xl::ui::win32_backend {

namespace {

// Declared here: the build targets Windows 7, whose headers lack them.
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kMonitorEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// The newer calls of this system, null where it lacks them.
struct NewerCalls {
    GetDpiForSystemFn getDpiForSystem = nullptr;
    GetDpiForWindowFn getDpiForWindow = nullptr;
    GetSystemMetricsForDpiFn getSystemMetricsForDpi = nullptr;
    SystemParametersInfoForDpiFn systemParametersInfoForDpi = nullptr;
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // Through a plain function pointer: the call's real type is only known here.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Looked up once; the system's exports do not change while the process runs.
const NewerCalls& Newer() {
    static const NewerCalls calls = [] {
        NewerCalls c;
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        c.getDpiForSystem = Lookup<GetDpiForSystemFn>(user32, "GetDpiForSystem");
        c.getDpiForWindow = Lookup<GetDpiForWindowFn>(user32, "GetDpiForWindow");
        c.getSystemMetricsForDpi =
            Lookup<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi");
        c.systemParametersInfoForDpi =
            Lookup<SystemParametersInfoForDpiFn>(user32, "SystemParametersInfoForDpi");
        return c;
    }();
    return calls;
}

// shcore.dll's GetDpiForMonitor (Windows 8.1 on), loaded at the first need
// only: a system with GetDpiForWindow never loads the library. By its full
// path, so that only the system's copy is ever loaded; it stays loaded.
GetDpiForMonitorFn DpiForMonitorCall() {
    static const GetDpiForMonitorFn call = []() -> GetDpiForMonitorFn {
        wchar_t folder[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return nullptr;
        const std::wstring path = std::wstring(folder, n) + L"\\shcore.dll";
        return Lookup<GetDpiForMonitorFn>(LoadLibraryW(path.c_str()), "GetDpiForMonitor");
    }();
    return call;
}

UINT ValidOr96(UINT dpi) {
    return dpi == 0 ? kBaseDpi : dpi;
}

}  // namespace

namespace fallback {

UINT SystemDpi() {
    const win32::WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

UINT WindowDpi(HWND window) {
    // Windows 8.1 and 10 before 1607 know the monitor's DPI; 7 has one for all.
    if (const auto getDpiForMonitor = DpiForMonitorCall()) {
        UINT x = 0, y = 0;
        HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(getDpiForMonitor(monitor, kMonitorEffectiveDpi, &x, &y)) && x != 0) return x;
    }
    return SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) {
    // The system answers at its own DPI.
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

LOGFONTW MessageFontForDpi(UINT dpi) {
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof(m);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0)) return LOGFONTW{};
    m.lfMessageFont.lfHeight =
        MulDiv(m.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return m.lfMessageFont;
}

}  // namespace fallback

UINT SystemDpi() {
    if (const auto getDpiForSystem = Newer().getDpiForSystem) return ValidOr96(getDpiForSystem());
    return fallback::SystemDpi();
}

UINT WindowDpi(HWND window) {
    if (const auto getDpiForWindow = Newer().getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
    }
    return fallback::WindowDpi(window);
}

int SystemMetricForDpi(int index, UINT dpi) {
    if (const auto forDpi = Newer().getSystemMetricsForDpi) return forDpi(index, dpi);
    return fallback::SystemMetricForDpi(index, dpi);
}

LOGFONTW MessageFontForDpi(UINT dpi) {
    if (const auto forDpi = Newer().systemParametersInfoForDpi) {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof(m);
        if (forDpi(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0, dpi)) return m.lfMessageFont;
    }
    return fallback::MessageFontForDpi(dpi);
}

}  // namespace xl::ui::win32_backend
