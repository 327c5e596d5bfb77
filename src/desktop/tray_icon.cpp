#include "desktop/tray_icon.h"

#include <cstring>
#include <utility>

#include "desktop/ico_file.h"

namespace xl::desktop {
namespace {

bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

void CopyTip(char (&destination)[128], std::string_view tip) {
    const std::string cut = TrayTipText(tip);
    std::memcpy(destination, cut.data(), cut.size());
    destination[cut.size()] = '\0';
}

bool HasHandler(const TrayEventHandler* handler) {
    return handler != nullptr && static_cast<bool>(*handler);
}

// Called through a copy: the handler may replace or clear the stored one while it runs.
void Call(const TrayEventHandler* handler, int code) {
    const TrayEventHandler copy = *handler;
    copy(code);
}

}  // namespace

std::string TrayTipText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t width =
            IsGbkLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + width > kTrayTipMaxBytes) break;
        end += width;
    }
    return std::string(text.substr(0, end));
}

TrayIcon::TrayIcon(TrayShell& shell)
    : shell_(shell), taskbarCreatedMessage(shell.RegisterTaskbarCreatedMessage()) {}

TrayIcon::~TrayIcon() {
    if (ownerWindow != nullptr || previousWindowProc != nullptr || madeIcon_ != nullptr) Destroy();
}

void TrayIcon::Destroy() {
    RemoveIcon();
    if (madeIcon_ != nullptr) shell_.DestroyIcon(std::exchange(madeIcon_, nullptr));
    iconData = NotifyIconRecord{};
    handler_ = nullptr;
}

int TrayIcon::AddIcon(NativeWindow owner, std::span<const std::uint8_t> icoBytes,
                      std::string_view tip) {
    if (!shell_.IsWindow(owner)) return 0;
    ownerWindow = owner;

    NativeIcon icon = nullptr;
    if (!icoBytes.empty()) icon = IconFromIcoBytes(icoBytes, 0, nullptr, nullptr);
    const bool madeHere = icon != nullptr;
    // Bytes that give no icon would leave a blank slot in the notification area.
    if (icon == nullptr) icon = shell_.SmallIconOf(owner);

    iconData.cbSize = sizeof(NotifyIconRecord);
    iconData.hWnd = owner;
    iconData.uID = kTrayIconId;
    iconData.uFlags = kTrayIconFlags;
    iconData.uCallbackMessage = kTrayCallbackMessage;
    iconData.uTimeout = kTrayBalloonTimeoutMs;
    CopyTip(iconData.szTip, tip);
    return ShowIcon(NotifyAction::kAdd, icon, madeHere);
}

int TrayIcon::RemoveIcon() {
    RestoreSubclassedWindow();
    ownerWindow = nullptr;
    iconData.szInfo[0] = '\0';
    iconData.szInfoTitle[0] = '\0';
    // hWnd and uID still name the icon that was added.
    return shell_.Notify(NotifyAction::kDelete, iconData);
}

int TrayIcon::SetTip(std::string_view tip) {
    CopyTip(iconData.szTip, tip);
    return shell_.Notify(NotifyAction::kModify, iconData);
}

int TrayIcon::SetIcon(std::span<const std::uint8_t> icoBytes) {
    NativeIcon icon = IconFromIcoBytes(icoBytes, 0, nullptr, nullptr);
    if (icon == nullptr) return 0;
    iconData.uFlags = kTrayIconFlags;
    return ShowIcon(NotifyAction::kModify, icon, true);
}

NativeIcon TrayIcon::IconFromIcoBytes(std::span<const std::uint8_t> icoBytes, int index, int* width,
                                      int* height) {
    const std::optional<IcoImage> image = FindIcoImage(icoBytes, index);
    if (width != nullptr) *width = image ? image->width : 0;
    if (height != nullptr) *height = image ? image->height : 0;
    if (!image) return nullptr;
    return shell_.CreateIconFromImage(image->bytes);
}

void TrayIcon::AttachEventHandler(TrayEventHandler handler, bool installHandler) {
    if (!shell_.IsWindow(ownerWindow)) return;
    if (subclassedWindow_ != ownerWindow) RestoreSubclassedWindow();
    // Subclassing twice would store the tray's own procedure as the previous
    // one, and every message would then call itself without end.
    if (previousWindowProc == nullptr) {
        previousWindowProc = shell_.InstallTrayWindowProc(ownerWindow);
        subclassedWindow_ = ownerWindow;
    }
    if (installHandler) handler_ = std::move(handler);

    TrayWindowProps props;
    props.previousWindowProc = previousWindowProc;
    props.callbackMessage = kTrayCallbackMessage;
    props.taskbarCreatedMessage = taskbarCreatedMessage;
    props.handler = installHandler ? &handler_ : nullptr;
    props.tray = this;
    shell_.SetTrayWindowProps(ownerWindow, props);
}

void TrayIcon::RestoreAfterTaskbarCreated() {
    if (ownerWindow == nullptr) return;
    // The broadcast also comes when the icon is still there; then refresh it instead.
    if (shell_.Notify(NotifyAction::kAdd, iconData) == 0) {
        shell_.Notify(NotifyAction::kModify, iconData);
    }
}

int TrayIcon::ShowIcon(NotifyAction action, NativeIcon icon, bool madeHere) {
    NativeIcon previous = std::exchange(madeIcon_, madeHere ? icon : nullptr);
    iconData.hIcon = icon;
    const int result = shell_.Notify(action, iconData);
    if (previous != nullptr && previous != icon) shell_.DestroyIcon(previous);
    return result;
}

void TrayIcon::RestoreSubclassedWindow() {
    if (previousWindowProc != nullptr) {
        shell_.RestoreWindowProc(subclassedWindow_, previousWindowProc);
    }
    previousWindowProc = nullptr;
    subclassedWindow_ = nullptr;
}

bool HandleTrayWindowMessage(const TrayWindowProps& props, std::uint32_t message,
                             std::intptr_t lParam) {
    if (props.callbackMessage != 0 && message == props.callbackMessage) {
        if (!HasHandler(props.handler)) return false;
        Call(props.handler, static_cast<int>(lParam));
        return true;
    }
    if (props.taskbarCreatedMessage != 0 && message == props.taskbarCreatedMessage) {
        if (props.tray != nullptr) props.tray->RestoreAfterTaskbarCreated();
        if (!HasHandler(props.handler)) return false;
        Call(props.handler, kTrayTaskbarCreated);
        return true;
    }
    if (message == kWindowDestroyMessage && HasHandler(props.handler)) {
        Call(props.handler, kTrayOwnerDestroyed);
    }
    return false;
}

}  // namespace xl::desktop
