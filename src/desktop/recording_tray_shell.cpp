#include "desktop/recording_tray_shell.h"

#include <cstring>

#include "desktop/tray_icon.h"

namespace xl::desktop {
namespace {

// Registered-message ids live above 0xC000 on Windows; any fixed one will do here.
constexpr std::uint32_t kTaskbarCreatedId = 0xC0DE;
constexpr std::uint32_t kNotifyIconFlag = 2;  // NIF_ICON
constexpr std::uint32_t kNotifyTipFlag = 4;   // NIF_TIP
constexpr std::uint32_t kDibHeaderSize = 40;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// A chain longer than this means the tray procedure was installed as its own predecessor.
constexpr int kMaxProcedureChain = 8;

// Distinct addresses stand for the two procedures a window can have.
const char kOwnProcToken = 0;
const char kTrayProcToken = 0;

NativeWindowProc TrayProc() {
    return const_cast<char*>(&kTrayProcToken);
}

std::string TipOf(const NotifyIconRecord& record) {
    return std::string(record.szTip, strnlen(record.szTip, sizeof record.szTip));
}

bool LooksLikeImage(std::span<const std::uint8_t> image) {
    if (image.size() >= sizeof kPngSignature &&
        std::memcmp(image.data(), kPngSignature, sizeof kPngSignature) == 0) {
        return true;
    }
    return image.size() >= kDibHeaderSize && image[0] == kDibHeaderSize && image[1] == 0 &&
           image[2] == 0 && image[3] == 0;
}

}  // namespace

std::uint32_t RecordingTrayShell::RegisterTaskbarCreatedMessage() {
    return kTaskbarCreatedId;
}

bool RecordingTrayShell::IsWindow(NativeWindow window) {
    const Window* w = Find(window);
    return w != nullptr && w->alive;
}

NativeIcon RecordingTrayShell::SmallIconOf(NativeWindow window) {
    const Window* w = Find(window);
    return w != nullptr ? w->smallIcon : nullptr;
}

NativeIcon RecordingTrayShell::CreateIconFromImage(std::span<const std::uint8_t> image) {
    if (!LooksLikeImage(image)) return nullptr;
    auto icon = reinterpret_cast<NativeIcon>(nextHandle_ += 0x10);
    icons_[icon].assign(image.begin(), image.end());
    return icon;
}

void RecordingTrayShell::DestroyIcon(NativeIcon icon) {
    icons_.erase(icon);
}

int RecordingTrayShell::Notify(NotifyAction action, const NotifyIconRecord& record) {
    const IconKey key{record.hWnd, record.uID};
    const auto found = shown_.find(key);
    int result = 0;
    if (!available_) {
        result = 0;
    } else if (action == NotifyAction::kAdd) {
        if (found == shown_.end() && IsWindow(record.hWnd)) {
            shown_[key] = ShownIcon{record.hWnd, record.uID, record.uCallbackMessage, record.hIcon,
                                    TipOf(record)};
            result = 1;
        }
    } else if (action == NotifyAction::kModify) {
        if (found != shown_.end()) {
            if (record.uFlags & kNotifyIconFlag) found->second.icon = record.hIcon;
            if (record.uFlags & kNotifyTipFlag) found->second.tip = TipOf(record);
            result = 1;
        }
    } else if (found != shown_.end()) {
        shown_.erase(found);
        result = 1;
    }
    calls_.push_back(NotifyCall{action, record, result});
    return result;
}

NativeWindowProc RecordingTrayShell::InstallTrayWindowProc(NativeWindow window) {
    Window* w = Find(window);
    if (w == nullptr || !w->alive) return nullptr;
    NativeWindowProc previous = w->proc;
    w->proc = TrayProc();
    return previous;
}

void RecordingTrayShell::SetTrayWindowProps(NativeWindow window, const TrayWindowProps& props) {
    Window* w = Find(window);
    if (w == nullptr) return;
    w->props[kPropWinProc] = reinterpret_cast<std::uintptr_t>(props.previousWindowProc);
    w->props[kPropCallbackMessage] = props.callbackMessage;
    w->props[kPropTaskbarCreatedMessage] = props.taskbarCreatedMessage;
    if (props.handler != nullptr) {
        w->props[kPropExecEvent] = reinterpret_cast<std::uintptr_t>(props.handler);
    }
    w->props[kPropTrayIcon] = reinterpret_cast<std::uintptr_t>(props.tray);
}

void RecordingTrayShell::RestoreWindowProc(NativeWindow window, NativeWindowProc previous) {
    Window* w = Find(window);
    if (w == nullptr) return;
    w->proc = previous;
    for (const char* name : {kPropWinProc, kPropCallbackMessage, kPropTaskbarCreatedMessage,
                             kPropExecEvent, kPropTrayIcon}) {
        w->props.erase(name);
    }
}

NativeWindow RecordingTrayShell::NewWindow(NativeIcon smallIcon) {
    auto window = reinterpret_cast<NativeWindow>(nextHandle_ += 0x10);
    Window& w = windows_[window];
    w.smallIcon = smallIcon;
    w.proc = OwnWindowProc();
    return window;
}

void RecordingTrayShell::DestroyWindow(NativeWindow window) {
    if (!IsWindow(window)) return;
    Deliver(window, kWindowDestroyMessage);
    Find(window)->alive = false;
}

bool RecordingTrayShell::Deliver(NativeWindow window, std::uint32_t message, std::intptr_t lParam) {
    Window* w = Find(window);
    if (w == nullptr || !w->alive) return false;
    NativeWindowProc proc = w->proc;
    for (int depth = 0; proc == TrayProc(); ++depth) {
        // The real procedure would call itself until the stack ran out.
        if (depth == kMaxProcedureChain) return false;
        // Read before the handler runs: it may restore the window's procedure.
        const TrayWindowProps props = ReadProps(*w);
        if (HandleTrayWindowMessage(props, message, lParam)) return false;
        proc = props.previousWindowProc;
    }
    if (proc != OwnWindowProc()) return false;
    w->reached.push_back(message);
    return true;
}

std::vector<std::uint32_t> RecordingTrayShell::ReachedWindow(NativeWindow window) const {
    const Window* w = Find(window);
    return w != nullptr ? w->reached : std::vector<std::uint32_t>{};
}

NativeWindowProc RecordingTrayShell::WindowProcOf(NativeWindow window) const {
    const Window* w = Find(window);
    return w != nullptr ? w->proc : nullptr;
}

NativeWindowProc RecordingTrayShell::OwnWindowProc() {
    return const_cast<char*>(&kOwnProcToken);
}

std::optional<std::uintptr_t> RecordingTrayShell::Prop(NativeWindow window,
                                                       std::string_view name) const {
    const Window* w = Find(window);
    if (w == nullptr) return std::nullopt;
    const auto found = w->props.find(name);
    if (found == w->props.end()) return std::nullopt;
    return found->second;
}

bool RecordingTrayShell::Click(int mouseCode) {
    if (shown_.empty()) return false;
    const ShownIcon icon = shown_.begin()->second;
    Deliver(icon.window, icon.callbackMessage, mouseCode);
    return true;
}

bool RecordingTrayShell::DoubleClick() {
    return Click(kTrayLeftDoubleClick);
}

void RecordingTrayShell::RecreateTaskbar() {
    shown_.clear();
    std::vector<NativeWindow> alive;
    for (const auto& [handle, w] : windows_) {
        if (w.alive) alive.push_back(handle);
    }
    for (NativeWindow window : alive) Deliver(window, kTaskbarCreatedId);
}

void RecordingTrayShell::SetShellAvailable(bool available) {
    available_ = available;
}

std::vector<RecordingTrayShell::ShownIcon> RecordingTrayShell::ShownIcons() const {
    std::vector<ShownIcon> result;
    for (const auto& [key, icon] : shown_) result.push_back(icon);
    return result;
}

bool RecordingTrayShell::IsIconAlive(NativeIcon icon) const {
    return icons_.count(icon) != 0;
}

std::size_t RecordingTrayShell::LiveIconCount() const {
    return icons_.size();
}

std::vector<std::uint8_t> RecordingTrayShell::IconImage(NativeIcon icon) const {
    const auto found = icons_.find(icon);
    return found != icons_.end() ? found->second : std::vector<std::uint8_t>{};
}

RecordingTrayShell::Window* RecordingTrayShell::Find(NativeWindow window) {
    const auto found = windows_.find(window);
    return found != windows_.end() ? &found->second : nullptr;
}

const RecordingTrayShell::Window* RecordingTrayShell::Find(NativeWindow window) const {
    const auto found = windows_.find(window);
    return found != windows_.end() ? &found->second : nullptr;
}

TrayWindowProps RecordingTrayShell::ReadProps(const Window& window) const {
    const auto read = [&](const char* name) -> std::uintptr_t {
        const auto found = window.props.find(name);
        return found != window.props.end() ? found->second : 0;
    };
    TrayWindowProps props;
    props.previousWindowProc = reinterpret_cast<NativeWindowProc>(read(kPropWinProc));
    props.callbackMessage = static_cast<std::uint32_t>(read(kPropCallbackMessage));
    props.taskbarCreatedMessage = static_cast<std::uint32_t>(read(kPropTaskbarCreatedMessage));
    props.handler = reinterpret_cast<const TrayEventHandler*>(read(kPropExecEvent));
    props.tray = reinterpret_cast<TrayIcon*>(read(kPropTrayIcon));
    return props;
}

}  // namespace xl::desktop
