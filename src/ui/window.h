#pragma once
// A window built from its catalogue entry: its controls, found by name, and
// its shown/hidden state. One object per created window, owned by the
// WindowSystem; a dialog closed with Esc is destroyed and built anew.
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/catalogue/window_design.h"
#include "ui/control.h"

namespace xl::ui {

class WindowSystem;
class NativeWindow;

// RowChosen: the selection of a list moved to a row (by a click or a key).
// RowClicked: a click on a row, after its RowChosen when it moved the selection.
// Enter: the Enter key while the control has the keyboard focus.
enum class EventKind { Click, TextChange, RowChosen, RowClicked, Enter, Tick };

class Window {
  public:
    Window(WindowSystem& system, const WindowDesign& design);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowId id() const { return design_.id; }
    const WindowDesign& design() const { return design_; }
    WindowSystem& system() const { return system_; }

    // nullptr when the window has no control of that name.
    Control* Find(std::string_view name) const;
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    const std::string& title() const { return title_; }
    void SetTitle(std::string title);

    bool visible() const { return visible_; }
    void Show();
    void Hide();

    // Backend side.
    void Attach(std::unique_ptr<NativeWindow> native);
    NativeWindow* native() const { return native_.get(); }
    void ControlChanged(Control& c, Change what);
    void Raise(Control& c, EventKind event);
    // Events of one user action, in order; those after a handler that
    // destroyed the window are dropped.
    void Raise(Control& c, std::initializer_list<EventKind> events);

  private:
    WindowSystem& system_;
    const WindowDesign& design_;
    std::string title_;
    bool visible_ = false;
    std::vector<std::unique_ptr<Control>> controls_;
    std::unique_ptr<NativeWindow> native_;
};

}  // namespace xl::ui
