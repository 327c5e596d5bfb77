#pragma once
// The port between the tray icon's logic and the platform: the shell's
// notification icons, the owner window's procedure and properties, and icon
// handles. The Windows implementation is the product; the recording stand-in
// (recording_tray_shell.h) plays the shell and the windows for tests and the
// headless build. Window and icon handles are opaque here.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace xl::desktop {

using NativeWindow = void*;
using NativeIcon = void*;
using NativeWindowProc = void*;

// The application handler: one event code, no result.
using TrayEventHandler = std::function<void(int)>;

// The shell's notification record in its version-2 layout (up to dwInfoFlags):
// 504 bytes in a 64-bit process, 488 in a 32-bit one, texts in GBK. The Windows
// edge checks it field by field against the platform's NOTIFYICONDATAA and
// hands the shell the same record in its wide layout (tray_shell_win32.h).
struct NotifyIconRecord {
    std::uint32_t cbSize = 0;
    NativeWindow hWnd = nullptr;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    NativeIcon hIcon = nullptr;
    char szTip[128] = {};
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    char szInfo[256] = {};
    std::uint32_t uTimeout = 0;
    char szInfoTitle[64] = {};
    std::uint32_t dwInfoFlags = 0;
};
static_assert(sizeof(NotifyIconRecord) == (sizeof(void*) == 8 ? 504 : 488));

enum class NotifyAction : std::uint32_t { kAdd = 0, kModify = 1, kDelete = 2 };

// Window property names, exact: other code may read them off the window.
inline constexpr char kPropWinProc[] = "WinProc";
inline constexpr char kPropCallbackMessage[] = "CallbackMessage";
inline constexpr char kPropTaskbarCreatedMessage[] = "TaskbarCreatedMessage";
inline constexpr char kPropExecEvent[] = "Exec Event";
// The TrayIcon object, so the procedure can put the icon back when the taskbar returns.
inline constexpr char kPropTrayIcon[] = "TrayIcon";

class TrayIcon;

// What AttachEventHandler stores on the owner window.
struct TrayWindowProps {
    NativeWindowProc previousWindowProc = nullptr;
    std::uint32_t callbackMessage = 0;
    std::uint32_t taskbarCreatedMessage = 0;
    // nullptr leaves "Exec Event" as it is (absent unless set before).
    const TrayEventHandler* handler = nullptr;
    TrayIcon* tray = nullptr;
};

class TrayShell {
  public:
    virtual ~TrayShell() = default;

    // The id of the "TaskbarCreated" broadcast.
    virtual std::uint32_t RegisterTaskbarCreatedMessage() = 0;
    virtual bool IsWindow(NativeWindow window) = 0;
    // The window's small icon (WM_GETICON, ICON_SMALL); null when it has none.
    virtual NativeIcon SmallIconOf(NativeWindow window) = 0;
    // An icon from one image of an .ico (a DIB or PNG); null when the bytes are no image.
    virtual NativeIcon CreateIconFromImage(std::span<const std::uint8_t> image) = 0;
    virtual void DestroyIcon(NativeIcon icon) = 0;
    // The shell's result: non-zero on success.
    virtual int Notify(NotifyAction action, const NotifyIconRecord& record) = 0;

    // Puts the tray's procedure on the window and returns the one it replaces.
    virtual NativeWindowProc InstallTrayWindowProc(NativeWindow window) = 0;
    virtual void SetTrayWindowProps(NativeWindow window, const TrayWindowProps& props) = 0;
    // Puts `previous` back and takes the tray's properties off the window.
    virtual void RestoreWindowProc(NativeWindow window, NativeWindowProc previous) = 0;
};

// The shell of this platform: Windows' own, or a recording stand-in elsewhere.
std::unique_ptr<TrayShell> MakePlatformTrayShell();

}  // namespace xl::desktop
