#pragma once
// The window layer without pixels, for tests: windows live in memory, events
// are injected by control name, and a virtual clock drives the timers so a
// test decides exactly when each tick happens. Posting is thread-safe; the
// posted work runs when the pump (or the clock) dispatches.
// Lists report what the Win32 report list view reports, no more: a change of
// selection only when the selection changes (LVN_ITEMCHANGED), so a click on
// the row already chosen raises no RowChosen; then the click itself (NM_CLICK),
// whether or not it moved anything, as RowClicked. The arrow, Home and End
// keys move the selection as the list's own keyboard handling does (WM_KEYDOWN),
// reported as a change of selection with no click; with nothing chosen, each
// of them chooses the first row (End the last), and past either end nothing
// moves. Enter goes to the focused control, else to a dialog's default button.
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/window_backend.h"
#include "ui/window_system.h"

namespace xl::ui {

enum class Key { Enter, Escape, Up, Down, Home, End };

struct ShownMessageBox {
    std::string text, caption;
    MessageIcon icon;
};

class HeadlessBackend : public WindowBackend, public dial::MessagePump {
  public:
    HeadlessBackend() = default;
    ~HeadlessBackend() override;

    // WindowBackend
    std::unique_ptr<NativeWindow> CreateNative(Window& window) override;
    void Post(std::function<void()> task) override;
    // Runs when the virtual clock reaches now + delay, among the timers' ticks.
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
    dial::MessagePump& Pump() override { return *this; }
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageIcon icon) override;

    // MessagePump: dispatching runs the posted work; waiting advances the
    // virtual clock by d, ticking timers on the way.
    void DispatchPending() override;
    void WaitDispatching(std::chrono::milliseconds d) override { Advance(d); }

    // The virtual clock.
    std::chrono::milliseconds Now() const { return now_; }
    void Advance(std::chrono::milliseconds d);

    // Injected user actions. Each returns false, doing nothing, when the
    // window is not shown or the control is missing, hidden, disabled or of
    // a kind that has no such event.
    bool Click(WindowId window, std::string_view control);
    bool Type(WindowId window, std::string_view control, std::string text);
    // A click on a row of a list view.
    bool ClickRow(WindowId window, std::string_view control, int row);
    // A key pressed with the keyboard focus on `control` (empty: on the window
    // itself). Esc destroys a dialog and does nothing to the other windows;
    // Enter returns false when nothing took it; the moving keys need a list.
    bool PressKey(WindowId window, std::string_view control, Key key);
    bool PressEscape(WindowId window) { return PressKey(window, {}, Key::Escape); }

    const std::vector<ShownMessageBox>& messageBoxes() const { return messageBoxes_; }
    int pendingTasks() const;
    int delayedTasks() const { return static_cast<int>(delayed_.size()); }
    // Timers with a non-zero interval.
    int runningTimers() const { return static_cast<int>(timers_.size()); }

  private:
    friend class HeadlessWindow;
    struct Due {
        std::chrono::milliseconds at;
        std::uint64_t order;  // keeps ticks due at the same moment in start order
        bool operator<(const Due& o) const { return at != o.at ? at < o.at : order < o.order; }
    };
    struct Delayed {
        Due due;
        std::function<void()> task;
    };
    void TimerChanged(Control& timer);
    void TimerGone(Window& window);
    Control* Target(WindowId window, std::string_view control) const;
    static int RowAfterKey(const Control& list, Key key);
    bool RunOneTask();

    WindowSystem* system_ = nullptr;
    std::chrono::milliseconds now_{0};
    std::uint64_t nextOrder_ = 0;
    std::map<Control*, Due> timers_;
    std::vector<Delayed> delayed_;
    mutable std::mutex tasksMutex_;
    std::deque<std::function<void()>> tasks_;
    std::vector<ShownMessageBox> messageBoxes_;
};

}  // namespace xl::ui
