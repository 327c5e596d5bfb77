#pragma once
// The program's one notification-area icon: put up for the main window, its
// tooltip and image changed, its mouse messages handed to the application
// through the owner window's procedure, and taken down at the end. The
// platform work goes through a TrayShell, which must outlive the icon.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "desktop/tray_shell.h"

namespace xl::desktop {

// The message the shell sends the owner window for mouse actions on the icon;
// its lParam is the mouse message, passed to the handler as the event code.
inline constexpr std::uint32_t kTrayCallbackMessage = 11685;
inline constexpr std::uint32_t kTrayIconId = 1;
// NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO
inline constexpr std::uint32_t kTrayIconFlags = 1 | 2 | 4 | 16;
inline constexpr std::uint32_t kTrayBalloonTimeoutMs = 10000;
inline constexpr std::size_t kTrayTipMaxBytes = 127;
inline constexpr std::uint32_t kWindowDestroyMessage = 2;  // WM_DESTROY

// Event codes handed to the application handler.
inline constexpr int kTrayMouseMove = 512;
inline constexpr int kTrayLeftButtonDown = 513;
inline constexpr int kTrayLeftButtonUp = 514;
inline constexpr int kTrayLeftDoubleClick = 515;
inline constexpr int kTrayRightButtonDown = 516;
inline constexpr int kTrayRightButtonUp = 517;
inline constexpr int kTrayTaskbarCreated = 1120;
inline constexpr int kTrayOwnerDestroyed = 1130;

// At most 127 bytes of `text`, up to its first NUL, never ending in half of a
// double-byte GBK character.
std::string TrayTipText(std::string_view text);

class TrayIcon {
  public:
    // Registers "TaskbarCreated" at once.
    explicit TrayIcon(TrayShell& shell);
    // Takes the icon down and restores the owner's procedure if Destroy was not called.
    ~TrayIcon();
    // The owner window's properties point at this object.
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // RemoveIcon, then releases the record and the image this object made.
    void Destroy();
    // The shell's result (non-zero = added); 0 without a shell call when `owner`
    // is not a window. Without usable bytes the icon shows the owner's small icon.
    int AddIcon(NativeWindow owner, std::span<const std::uint8_t> icoBytes = {},
                std::string_view tip = {});
    // Restores the owner's procedure and deletes the icon; the shell's result.
    int RemoveIcon();
    int SetTip(std::string_view tip);
    // The shell's result, or 0 (image unchanged) when the bytes give no icon.
    int SetIcon(std::span<const std::uint8_t> icoBytes);
    // An icon from image `index` of an .ico, owned by the caller; null on failure.
    // `width` and `height` (either may be null) receive the entry's size, 0 on failure.
    NativeIcon IconFromIcoBytes(std::span<const std::uint8_t> icoBytes, int index, int* width,
                                int* height);
    // Subclasses the owner window (once) and sets its properties; with
    // `installHandler` the handler receives the event codes.
    void AttachEventHandler(TrayEventHandler handler, bool installHandler);

    // Called by the owner's procedure on "TaskbarCreated": a new taskbar starts
    // without icons, and the main window may be reachable only through this one.
    void RestoreAfterTaskbarCreated();

    const NotifyIconRecord& IconData() const { return iconData; }
    std::uint32_t TaskbarCreatedMessage() const { return taskbarCreatedMessage; }
    NativeWindow OwnerWindow() const { return ownerWindow; }
    NativeWindowProc PreviousWindowProc() const { return previousWindowProc; }

  private:
    // Puts `icon` into the record, tells the shell, then destroys the image this
    // object made before (the shell keeps its own copy).
    int ShowIcon(NotifyAction action, NativeIcon icon, bool madeHere);
    void RestoreSubclassedWindow();

    TrayShell& shell_;
    std::uint32_t taskbarCreatedMessage = 0;
    NotifyIconRecord iconData;
    NativeWindowProc previousWindowProc = nullptr;
    NativeWindow ownerWindow = nullptr;
    // Where the procedure was put; AddIcon may move the icon to another window.
    NativeWindow subclassedWindow_ = nullptr;
    NativeIcon madeIcon_ = nullptr;
    TrayEventHandler handler_;
};

// The owner window procedure's work, shared by both shells: `props` are read
// off the window. True when the message was consumed (the procedure returns
// 0); false when it goes on, unchanged, to the previous procedure.
bool HandleTrayWindowMessage(const TrayWindowProps& props, std::uint32_t message,
                             std::intptr_t lParam);

}  // namespace xl::desktop
