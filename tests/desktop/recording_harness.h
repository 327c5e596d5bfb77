#pragma once
// The contract suite's view of the recording shell.
#include <algorithm>
#include <optional>

#include "desktop/recording_tray_shell.h"

namespace xl::desktop::test {

class RecordingHarness {
  public:
    TrayShell& Shell() { return shell; }
    NativeWindow NewWindow() { return shell.NewWindow(); }
    void DestroyWindow(NativeWindow w) { shell.DestroyWindow(w); }
    bool Send(NativeWindow w, std::uint32_t message, std::intptr_t lParam) {
        return shell.Deliver(w, message, lParam);
    }
    bool Reached(NativeWindow w, std::uint32_t message) const {
        const auto reached = shell.ReachedWindow(w);
        return std::find(reached.begin(), reached.end(), message) != reached.end();
    }
    bool IconShown(NativeWindow w) const {
        const auto shown = shell.ShownIcons();
        return std::any_of(shown.begin(), shown.end(),
                           [&](const auto& i) { return i.window == w; });
    }
    void LoseIconsAndRecreateTaskbar(NativeWindow) { shell.RecreateTaskbar(); }
    NativeWindowProc ProcOf(NativeWindow w) const { return shell.WindowProcOf(w); }
    std::optional<std::uintptr_t> Prop(NativeWindow w, const char* name) const {
        return shell.Prop(w, name);
    }

    RecordingTrayShell shell;
};

}  // namespace xl::desktop::test
