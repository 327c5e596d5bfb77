#pragma once
// Dots per inch of the system and of a window, and the system's metrics and
// message font at a given DPI, on every Windows from 7 on. The calls made for
// this (Windows 10 1607's *ForDpi family, 8.1's GetDpiForMonitor) are looked
// up at run time, so that the executable imports none of them and starts on
// Windows 7; where they are missing the answers come from the screen and are
// scaled. The manifest makes the process DPI-aware on every system (per
// monitor from 8.1 on). Any thread; failures give the 96-DPI answers.
#include <windows.h>

namespace xl::ui::win32_backend {

inline constexpr UINT kBaseDpi = 96;

UINT SystemDpi();
// The DPI of the monitor the window is on, where the system tracks it per
// monitor (8.1 on), else the system's.
UINT WindowDpi(HWND window);
// GetSystemMetrics(index) as it would be at dpi.
int SystemMetricForDpi(int index, UINT dpi);
// The system's message font at dpi.
LOGFONTW MessageFontForDpi(UINT dpi);

// What the functions above give where the newer calls are missing; for tests,
// which compare them with the calls where a system has both.
namespace fallback {
UINT SystemDpi();
UINT WindowDpi(HWND window);
int SystemMetricForDpi(int index, UINT dpi);
LOGFONTW MessageFontForDpi(UINT dpi);
}  // namespace fallback

}  // namespace xl::ui::win32_backend
