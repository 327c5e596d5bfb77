// The system's version and DPI for the log's start line.
#include <windows.h>

#include "program/start_line.h"
#include "win32/handles.h"

namespace xl::program {

namespace {

// GetVersionEx reports what the manifest claims to support; the kernel's own
// RtlGetVersion tells the truth, and exists on every Windows this runs on.
std::string WindowsVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return "";
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return "";
    std::string version = std::to_string(info.dwMajorVersion) + "." +
                          std::to_string(info.dwMinorVersion) + "." +
                          std::to_string(info.dwBuildNumber);
    // The service-pack text is plain ASCII on every Windows ("Service Pack 1").
    std::string pack;
    for (const wchar_t* c = info.szCSDVersion; *c != L'\0' && *c < 0x80; ++c) {
        pack.push_back(static_cast<char>(*c));
    }
    return pack.empty() ? version : version + " " + pack;
}

int SystemDpi() {
    const win32::WindowDc screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
}

}  // namespace

SystemFacts ReadSystemFacts() {
    return {.windowsVersion = WindowsVersion(), .dpi = SystemDpi()};
}

}  // namespace xl::program
