#pragma once
// The front of the window layer for the rest of the program: opens windows
// from the catalogue on first need, keeps the handlers bound to control names
// (so a dialog built anew after Esc gets them again), runs posted work on the
// user-interface thread and offers the message pump and the message box.
// User-interface thread only, except Post.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "ui/window.h"
#include "ui/window_backend.h"

namespace xl::ui {

using Handler = std::function<void()>;
using CreationHandler = std::function<void(Window&)>;

class WindowSystem {
  public:
    explicit WindowSystem(WindowBackend& backend);
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    // Handlers are bound to a window and a control name, before or after the
    // window exists; binding again replaces. A name the window's catalogue
    // lacks could never be raised: debug builds stop on it, and every build
    // lists it in UnknownBindings() for the tests that bind whole windows.
    void OnCreated(WindowId window, CreationHandler handler);
    void On(WindowId window, std::string control, EventKind event, Handler handler);
    void OnClick(WindowId w, std::string c, Handler h) {
        On(w, std::move(c), EventKind::Click, std::move(h));
    }
    void OnTextChange(WindowId w, std::string c, Handler h) {
        On(w, std::move(c), EventKind::TextChange, std::move(h));
    }
    void OnRowChosen(WindowId w, std::string c, Handler h) {
        On(w, std::move(c), EventKind::RowChosen, std::move(h));
    }
    void OnRowClicked(WindowId w, std::string c, Handler h) {
        On(w, std::move(c), EventKind::RowClicked, std::move(h));
    }
    void OnEnter(WindowId w, std::string c, Handler h) {
        On(w, std::move(c), EventKind::Enter, std::move(h));
    }
    void OnTick(WindowId w, std::string c, Handler h) {
        On(w, std::move(c), EventKind::Tick, std::move(h));
    }

    // The window, created (hidden, creation handler run) the first time.
    Window& Open(WindowId id);
    // "window/control" of every binding whose control the catalogue lacks.
    const std::vector<std::string>& UnknownBindings() const { return unknownBindings_; }

    // The window if it exists now, else nullptr.
    Window* Existing(WindowId id) const;
    // A control of an existing window, else nullptr.
    Control* Find(WindowId id, std::string_view control) const;

    // Destroys a dialog (Esc); Open builds it again.
    void Destroy(WindowId id);

    // A click from the keyboard: the control's click handler runs as for the
    // user's click, only if the window is shown and the control shown and
    // enabled (false otherwise).
    bool Press(WindowId id, std::string_view control);

    // Any thread. The task runs on the user-interface thread as a handler does.
    void Post(std::function<void()> task);
    // User-interface thread. The task runs there once, `delay` from now; the
    // wait costs no thread and follows the headless backend's virtual clock.
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> task);
    dial::MessagePump& Pump() { return backend_.Pump(); }
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageIcon icon = MessageIcon::Stop) {
        backend_.ShowMessageBox(text, caption, icon);
    }

    // Backend side: runs the handler bound to that control and event.
    void Raise(Window& window, const std::string& control, EventKind event);
    // The events of one user action, in order, within one handler run.
    void Raise(Window& window, const std::string& control, std::initializer_list<EventKind> events);
    // Backend side: Enter in a window, `focused` the control with the keyboard
    // focus (nullptr: the window itself). The control's Enter handler runs if
    // it has one; otherwise a dialog's default button is pressed. False when
    // nothing took the key.
    bool PressEnter(Window& window, Control* focused);

  private:
    using Key = std::tuple<WindowId, std::string, EventKind>;

    // Runs user code; a window destroyed meanwhile is released only when the
    // outermost of these returns.
    template <typename F>
    void RunHandler(F&& f);
    void ReleaseRetired();

    WindowBackend& backend_;
    std::map<WindowId, std::unique_ptr<Window>> windows_;
    std::map<WindowId, CreationHandler> creationHandlers_;
    std::map<Key, Handler> handlers_;
    // Destroyed windows wait here until no handler is running, since one of
    // them may still hold a reference to it.
    std::vector<std::unique_ptr<Window>> retired_;
    int raiseDepth_ = 0;
    std::vector<std::string> unknownBindings_;
};

}  // namespace xl::ui
