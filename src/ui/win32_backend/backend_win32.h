#pragma once
// The product's window backend: borderless picture-faced windows on screen,
// posted work delivered through a message-only window, the message pump for
// long waits and the application's message loop. Build it on the thread that
// will run the windows; stop the threads that post to it before it goes.
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "ui/win32_backend/gdi_cache_win32.h"
#include "ui/win32_backend/window_base_win32.h"
#include "ui/window_backend.h"

namespace xl::ui::win32_backend {

class Win32Backend : public WindowBackend, public dial::MessagePump {
  public:
    Win32Backend();
    ~Win32Backend() override;

    std::unique_ptr<NativeWindow> CreateNative(Window& window) override;
    void Post(std::function<void()> task) override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
    dial::MessagePump& Pump() override { return *this; }
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageIcon icon) override;

    void DispatchPending() override;
    void WaitDispatching(std::chrono::milliseconds d) override;
    // Real time either way: messages run as they arrive.
    void DispatchFor(std::chrono::milliseconds d) override { WaitDispatching(d); }

    // Runs until WM_QUIT; returns its exit code.
    int RunMessageLoop();
    GdiCache& gdi() { return gdi_; }

    // The platform window of a model window, for tests and the tray.
    static HWND HandleOf(const Window& window);

  private:
    class TaskWindow;
    void Deliver(MSG& msg);
    // Handles the queue until it is empty (true) or holds a quit (false),
    // which is posted again for the outer loop.
    bool DispatchUntilQuit();
    bool CloseDialogOnEscape(const MSG& msg);
    bool MoveFocusOnTab(MSG& msg);
    bool PressEnter(const MSG& msg);
    void RunOneTask();
    void RunDelayedTask(UINT_PTR id);

    GdiCache gdi_;
    std::unique_ptr<TaskWindow> taskWindow_;
    std::mutex tasksMutex_;
    std::deque<std::function<void()>> tasks_;
    // One-shot timers of the task window, by timer id (user-interface thread only).
    std::map<UINT_PTR, std::function<void()>> delayedTasks_;
    UINT_PTR nextDelayedId_ = 1;
};

}  // namespace xl::ui::win32_backend
