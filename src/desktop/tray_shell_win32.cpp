// The notification area of the Windows shell, and the owner window's
// procedure swapped with SetWindowLongPtrA and its state kept in window
// properties, so the procedure itself holds nothing.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "desktop/tray_icon.h"

namespace xl::desktop {
namespace {

static_assert(sizeof(NotifyIconRecord) == NOTIFYICONDATAA_V2_SIZE);
static_assert(sizeof(void*) != 8 || NOTIFYICONDATAA_V2_SIZE == 504);
static_assert(offsetof(NotifyIconRecord, hWnd) == offsetof(NOTIFYICONDATAA, hWnd));
static_assert(offsetof(NotifyIconRecord, uID) == offsetof(NOTIFYICONDATAA, uID));
static_assert(offsetof(NotifyIconRecord, uFlags) == offsetof(NOTIFYICONDATAA, uFlags));
static_assert(offsetof(NotifyIconRecord, uCallbackMessage) ==
              offsetof(NOTIFYICONDATAA, uCallbackMessage));
static_assert(offsetof(NotifyIconRecord, hIcon) == offsetof(NOTIFYICONDATAA, hIcon));
static_assert(offsetof(NotifyIconRecord, szTip) == offsetof(NOTIFYICONDATAA, szTip));
static_assert(offsetof(NotifyIconRecord, dwState) == offsetof(NOTIFYICONDATAA, dwState));
static_assert(offsetof(NotifyIconRecord, szInfo) == offsetof(NOTIFYICONDATAA, szInfo));
static_assert(offsetof(NotifyIconRecord, uTimeout) == offsetof(NOTIFYICONDATAA, uTimeout));
static_assert(offsetof(NotifyIconRecord, szInfoTitle) == offsetof(NOTIFYICONDATAA, szInfoTitle));
static_assert(offsetof(NotifyIconRecord, dwInfoFlags) == offsetof(NOTIFYICONDATAA, dwInfoFlags));

constexpr DWORD kIconResourceVersion = 0x00030000;
constexpr const char* kAllProps[] = {kPropWinProc, kPropCallbackMessage, kPropTaskbarCreatedMessage,
                                     kPropExecEvent, kPropTrayIcon};

HWND AsWindow(NativeWindow window) {
    return static_cast<HWND>(window);
}

std::uintptr_t ReadProp(HWND window, const char* name) {
    return reinterpret_cast<std::uintptr_t>(GetPropA(window, name));
}

TrayWindowProps ReadProps(HWND window) {
    TrayWindowProps props;
    props.previousWindowProc = GetPropA(window, kPropWinProc);
    props.callbackMessage = static_cast<std::uint32_t>(ReadProp(window, kPropCallbackMessage));
    props.taskbarCreatedMessage =
        static_cast<std::uint32_t>(ReadProp(window, kPropTaskbarCreatedMessage));
    props.handler = static_cast<const TrayEventHandler*>(GetPropA(window, kPropExecEvent));
    props.tray = static_cast<TrayIcon*>(GetPropA(window, kPropTrayIcon));
    return props;
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Read before the handler runs: it may restore the window's procedure.
    const TrayWindowProps props = ReadProps(window);
    if (HandleTrayWindowMessage(props, message, lParam)) return 0;
    const auto previous = reinterpret_cast<WNDPROC>(props.previousWindowProc);
    if (previous == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

class Win32TrayShell final : public TrayShell {
  public:
    std::uint32_t RegisterTaskbarCreatedMessage() override {
        return RegisterWindowMessageA("TaskbarCreated");
    }

    bool IsWindow(NativeWindow window) override {
        return window != nullptr && ::IsWindow(AsWindow(window)) != FALSE;
    }

    NativeIcon SmallIconOf(NativeWindow window) override {
        return reinterpret_cast<NativeIcon>(
            SendMessageA(AsWindow(window), WM_GETICON, ICON_SMALL, 0));
    }

    NativeIcon CreateIconFromImage(std::span<const std::uint8_t> image) override {
        if (image.empty() || image.size() > MAXDWORD) return nullptr;
        // The function only reads the bytes; its parameter is not const.
        auto* bits = const_cast<PBYTE>(image.data());
        return CreateIconFromResource(bits, static_cast<DWORD>(image.size()), TRUE,
                                      kIconResourceVersion);
    }

    void DestroyIcon(NativeIcon icon) override { ::DestroyIcon(static_cast<HICON>(icon)); }

    int Notify(NotifyAction action, const NotifyIconRecord& record) override {
        NOTIFYICONDATAA data{};
        std::memcpy(&data, &record, sizeof record);
        return Shell_NotifyIconA(static_cast<DWORD>(action), &data);
    }

    NativeWindowProc InstallTrayWindowProc(NativeWindow window) override {
        const LONG_PTR previous = SetWindowLongPtrA(AsWindow(window), GWLP_WNDPROC,
                                                    reinterpret_cast<LONG_PTR>(&TrayWindowProc));
        return reinterpret_cast<NativeWindowProc>(previous);
    }

    void SetTrayWindowProps(NativeWindow window, const TrayWindowProps& props) override {
        const HWND w = AsWindow(window);
        SetPropA(w, kPropWinProc, props.previousWindowProc);
        SetPropA(w, kPropCallbackMessage,
                 reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(props.callbackMessage)));
        SetPropA(
            w, kPropTaskbarCreatedMessage,
            reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(props.taskbarCreatedMessage)));
        if (props.handler != nullptr) {
            SetPropA(w, kPropExecEvent, const_cast<TrayEventHandler*>(props.handler));
        }
        SetPropA(w, kPropTrayIcon, props.tray);
        // Run as administrator, the window would not hear the shell's broadcast otherwise.
        ChangeWindowMessageFilterEx(w, props.taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    }

    void RestoreWindowProc(NativeWindow window, NativeWindowProc previous) override {
        const HWND w = AsWindow(window);
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        for (const char* name : kAllProps) RemovePropA(w, name);
    }
};

}  // namespace

std::unique_ptr<TrayShell> MakePlatformTrayShell() {
    return std::make_unique<Win32TrayShell>();
}

}  // namespace xl::desktop
