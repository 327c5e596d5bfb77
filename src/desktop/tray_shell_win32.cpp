// The notification area of the Windows shell, and the owner window's
// procedure swapped with SetWindowLongPtrW and its state kept in window
// properties, so the procedure itself holds nothing. Every call is the wide
// one: the owner is a Unicode window, and an ANSI procedure in its chain would
// make the system pass its text messages through the system's code page.
#include "desktop/tray_shell_win32.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "desktop/tray_icon.h"
#include "win32/text.h"

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
// What the shell is given: the same version in its wide layout.
static_assert(sizeof(void*) != 8 || NOTIFYICONDATAW_V2_SIZE == 952);
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAW_V2_SIZE == 936);
static_assert(offsetof(NOTIFYICONDATAW, dwInfoFlags) + sizeof(DWORD) == NOTIFYICONDATAW_V2_SIZE);

constexpr DWORD kIconResourceVersion = 0x00030000;
constexpr const char* kAllProps[] = {kPropWinProc, kPropCallbackMessage, kPropTaskbarCreatedMessage,
                                     kPropExecEvent, kPropTrayIcon};

HWND AsWindow(NativeWindow window) {
    return static_cast<HWND>(window);
}

// The property names are ASCII: the same atoms as their ANSI spellings.
HANDLE GetProperty(HWND window, const char* name) {
    return GetPropW(window, win32::Widen(name).c_str());
}
void SetProperty(HWND window, const char* name, HANDLE value) {
    SetPropW(window, win32::Widen(name).c_str(), value);
}

std::uintptr_t ReadProp(HWND window, const char* name) {
    return reinterpret_cast<std::uintptr_t>(GetProperty(window, name));
}

TrayWindowProps ReadProps(HWND window) {
    TrayWindowProps props;
    props.previousWindowProc = GetProperty(window, kPropWinProc);
    props.callbackMessage = static_cast<std::uint32_t>(ReadProp(window, kPropCallbackMessage));
    props.taskbarCreatedMessage =
        static_cast<std::uint32_t>(ReadProp(window, kPropTaskbarCreatedMessage));
    props.handler = static_cast<const TrayEventHandler*>(GetProperty(window, kPropExecEvent));
    props.tray = static_cast<TrayIcon*>(GetProperty(window, kPropTrayIcon));
    return props;
}

// Cut to the field's units, always terminated. GBK texts have no surrogate pairs to split.
template <std::size_t N>
void CopyWide(wchar_t (&field)[N], const char* gbk, std::size_t maxBytes) {
    const std::wstring text = win32::Widen(std::string_view(gbk, strnlen(gbk, maxBytes)));
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = L'\0';
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Read before the handler runs: it may restore the window's procedure.
    const TrayWindowProps props = ReadProps(window);
    if (HandleTrayWindowMessage(props, message, lParam)) return 0;
    const auto previous = reinterpret_cast<WNDPROC>(props.previousWindowProc);
    if (previous == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

class Win32TrayShell final : public TrayShell {
  public:
    std::uint32_t RegisterTaskbarCreatedMessage() override {
        return RegisterWindowMessageW(L"TaskbarCreated");
    }

    bool IsWindow(NativeWindow window) override {
        return window != nullptr && ::IsWindow(AsWindow(window)) != FALSE;
    }

    NativeIcon SmallIconOf(NativeWindow window) override {
        return reinterpret_cast<NativeIcon>(
            SendMessageW(AsWindow(window), WM_GETICON, ICON_SMALL, 0));
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
        NOTIFYICONDATAW data = ToWideRecord(record);
        return Shell_NotifyIconW(static_cast<DWORD>(action), &data);
    }

    NativeWindowProc InstallTrayWindowProc(NativeWindow window) override {
        const LONG_PTR previous = SetWindowLongPtrW(AsWindow(window), GWLP_WNDPROC,
                                                    reinterpret_cast<LONG_PTR>(&TrayWindowProc));
        return reinterpret_cast<NativeWindowProc>(previous);
    }

    void SetTrayWindowProps(NativeWindow window, const TrayWindowProps& props) override {
        const HWND w = AsWindow(window);
        SetProperty(w, kPropWinProc, props.previousWindowProc);
        SetProperty(w, kPropCallbackMessage,
                    reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(props.callbackMessage)));
        SetProperty(
            w, kPropTaskbarCreatedMessage,
            reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(props.taskbarCreatedMessage)));
        if (props.handler != nullptr) {
            SetProperty(w, kPropExecEvent, const_cast<TrayEventHandler*>(props.handler));
        }
        SetProperty(w, kPropTrayIcon, props.tray);
        // Run as administrator, the window would not hear the shell's broadcast otherwise.
        ChangeWindowMessageFilterEx(w, props.taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    }

    void RestoreWindowProc(NativeWindow window, NativeWindowProc previous) override {
        const HWND w = AsWindow(window);
        SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        for (const char* name : kAllProps) RemovePropW(w, win32::Widen(name).c_str());
    }
};

}  // namespace

NOTIFYICONDATAW ToWideRecord(const NotifyIconRecord& record) {
    NOTIFYICONDATAW data{};
    // The record's own size is the ANSI layout's; the shell learns the wide one.
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = AsWindow(record.hWnd);
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    data.uCallbackMessage = record.uCallbackMessage;
    data.hIcon = static_cast<HICON>(record.hIcon);
    CopyWide(data.szTip, record.szTip, sizeof record.szTip);
    data.dwState = record.dwState;
    data.dwStateMask = record.dwStateMask;
    CopyWide(data.szInfo, record.szInfo, sizeof record.szInfo);
    data.uTimeout = record.uTimeout;
    CopyWide(data.szInfoTitle, record.szInfoTitle, sizeof record.szInfoTitle);
    data.dwInfoFlags = record.dwInfoFlags;
    return data;
}

std::unique_ptr<TrayShell> MakePlatformTrayShell() {
    return std::make_unique<Win32TrayShell>();
}

}  // namespace xl::desktop
