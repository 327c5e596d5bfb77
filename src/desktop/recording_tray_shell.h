#pragma once
// A shell and windows made of records, for tests and the headless program: it
// keeps the icons it shows, every call made to it, and each window's procedure
// and properties as the real shell and window manager would. A test plays the
// user (clicks on the icon) and the desktop (a re-created taskbar) through it.
// The headless program gets its main window's handle from NewWindow.
// User-interface thread only, like the real thing.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/tray_shell.h"

namespace xl::desktop {

class RecordingTrayShell final : public TrayShell {
  public:
    struct NotifyCall {
        NotifyAction action = NotifyAction::kAdd;
        NotifyIconRecord record;
        int result = 0;
    };
    struct ShownIcon {
        NativeWindow window = nullptr;
        std::uint32_t id = 0;
        std::uint32_t callbackMessage = 0;
        NativeIcon icon = nullptr;
        std::string tip;
    };

    RecordingTrayShell() = default;
    RecordingTrayShell(const RecordingTrayShell&) = delete;
    RecordingTrayShell& operator=(const RecordingTrayShell&) = delete;

    // The shell.
    std::uint32_t RegisterTaskbarCreatedMessage() override;
    bool IsWindow(NativeWindow window) override;
    NativeIcon SmallIconOf(NativeWindow window) override;
    // Accepts what starts like a DIB (a 40-byte header) or a PNG.
    NativeIcon CreateIconFromImage(std::span<const std::uint8_t> image) override;
    void DestroyIcon(NativeIcon icon) override;
    int Notify(NotifyAction action, const NotifyIconRecord& record) override;
    NativeWindowProc InstallTrayWindowProc(NativeWindow window) override;
    void SetTrayWindowProps(NativeWindow window, const TrayWindowProps& props) override;
    void RestoreWindowProc(NativeWindow window, NativeWindowProc previous) override;

    // Windows. A new window has its own procedure and the given small icon.
    NativeWindow NewWindow(NativeIcon smallIcon = nullptr);
    // WM_DESTROY through the window's procedure; afterwards it is no window.
    void DestroyWindow(NativeWindow window);
    // Through the window's procedure chain; true when the message reached the
    // window's own procedure, false when a procedure before it consumed it.
    bool Deliver(NativeWindow window, std::uint32_t message, std::intptr_t lParam = 0);
    // The messages that reached the window's own procedure, in order.
    std::vector<std::uint32_t> ReachedWindow(NativeWindow window) const;
    NativeWindowProc WindowProcOf(NativeWindow window) const;
    // The window's own procedure, as InstallTrayWindowProc hands it back.
    static NativeWindowProc OwnWindowProc();
    std::optional<std::uintptr_t> Prop(NativeWindow window, std::string_view name) const;

    // The user: a mouse action on the first icon shown; false when none is shown.
    bool Click(int mouseCode);
    bool DoubleClick();
    // The desktop: the new taskbar shows no icons, and every window hears "TaskbarCreated".
    void RecreateTaskbar();
    // Without a shell (no display) every Notify fails.
    void SetShellAvailable(bool available);

    // What it saw.
    const std::vector<NotifyCall>& Calls() const { return calls_; }
    std::vector<ShownIcon> ShownIcons() const;
    bool IsIconAlive(NativeIcon icon) const;
    std::size_t LiveIconCount() const;
    // The image an icon was made from; empty for unknown or destroyed icons.
    std::vector<std::uint8_t> IconImage(NativeIcon icon) const;

  private:
    struct Window {
        bool alive = true;
        NativeIcon smallIcon = nullptr;
        NativeWindowProc proc = nullptr;
        std::map<std::string, std::uintptr_t, std::less<>> props;
        std::vector<std::uint32_t> reached;
    };
    using IconKey = std::pair<NativeWindow, std::uint32_t>;

    Window* Find(NativeWindow window);
    const Window* Find(NativeWindow window) const;
    TrayWindowProps ReadProps(const Window& window) const;

    std::uintptr_t nextHandle_ = 0x10000;
    std::map<NativeWindow, Window> windows_;
    std::map<NativeIcon, std::vector<std::uint8_t>> icons_;
    std::map<IconKey, ShownIcon> shown_;
    std::vector<NotifyCall> calls_;
    bool available_ = true;
};

}  // namespace xl::desktop
