#pragma once
// The port between the window model and a platform: the Win32 backend puts
// windows on screen, the headless one keeps them in memory for tests. The
// model calls these; a backend calls back into Window/WindowSystem for events.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "dial/message_pump.h"
#include "ui/control.h"

namespace xl::ui {

class Window;
class WindowSystem;

// The platform side of one window, created with it and destroyed with it.
class NativeWindow {
  public:
    virtual ~NativeWindow() = default;
    virtual void ControlChanged(Control& c, Change what) = 0;
    virtual void TitleChanged() = 0;
    virtual void VisibilityChanged() = 0;
};

enum class MessageIcon { Stop, Warning, Information };

class WindowBackend {
  public:
    virtual ~WindowBackend() = default;
    // Builds the platform window and its controls, hidden, centred on screen.
    virtual std::unique_ptr<NativeWindow> CreateNative(Window& window) = 0;
    // Any thread: run the task on the user-interface thread.
    virtual void Post(std::function<void()> task) = 0;
    // User-interface thread: run the task there once, `delay` from now, as a
    // one-shot timer would (the headless backend on its virtual clock).
    virtual void PostAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;
    virtual dial::MessagePump& Pump() = 0;
    // A system message box with one OK button, task-modal, without owner.
    virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageIcon icon) = 0;
};

}  // namespace xl::ui
