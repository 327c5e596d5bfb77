#include "ui/win32_backend/backend_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/win32_backend/face_window_win32.h"
#include "ui/window_system.h"
#include "win32/text.h"

namespace xl::ui::win32_backend {

namespace {
constexpr wchar_t kTaskClass[] = L"XiulanTasks";
constexpr UINT kRunTask = WM_APP + 1;
}  // namespace

// A message-only window: posted work arrives here as one message per task,
// so that nested message pumps run it too.
class Win32Backend::TaskWindow : public WindowBase {
  public:
    explicit TaskWindow(Win32Backend& backend) : backend_(backend) {
        RegisterClassOnce(kTaskClass, 0);
        Create(kTaskClass, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
    }

  private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kRunTask) {
            backend_.RunOneTask();
            return 0;
        }
        if (msg == WM_TIMER) {
            backend_.RunDelayedTask(wp);
            return 0;
        }
        return Default(msg, wp, lp);
    }
    Win32Backend& backend_;
};

Win32Backend::Win32Backend() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    taskWindow_ = std::make_unique<TaskWindow>(*this);
}

Win32Backend::~Win32Backend() = default;

std::unique_ptr<NativeWindow> Win32Backend::CreateNative(Window& window) {
    return std::make_unique<FaceWindow>(window, gdi_);
}

HWND Win32Backend::HandleOf(const Window& window) {
    auto* face = dynamic_cast<FaceWindow*>(window.native());
    return face == nullptr ? nullptr : face->hwnd();
}

void Win32Backend::Post(std::function<void()> task) {
    {
        std::lock_guard lock(tasksMutex_);
        tasks_.push_back(std::move(task));
    }
    PostMessageW(taskWindow_->hwnd(), kRunTask, 0, 0);
}

void Win32Backend::RunOneTask() {
    std::function<void()> task;
    {
        std::lock_guard lock(tasksMutex_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    if (task) task();
}

void Win32Backend::PostAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    const UINT_PTR id = nextDelayedId_++;
    delayedTasks_[id] = std::move(task);
    const auto ms = std::clamp<long long>(delay.count(), USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    SetTimer(taskWindow_->hwnd(), id, static_cast<UINT>(ms), nullptr);
}

void Win32Backend::RunDelayedTask(UINT_PTR id) {
    // One shot: the timer goes before the task runs, since it may pump messages.
    KillTimer(taskWindow_->hwnd(), id);
    auto it = delayedTasks_.find(id);
    if (it == delayedTasks_.end()) return;
    std::function<void()> task = std::move(it->second);
    delayedTasks_.erase(it);
    if (task) task();
}

void Win32Backend::ShowMessageBox(const std::string& text, const std::string& caption,
                                  MessageIcon icon) {
    UINT style = MB_OK | MB_TASKMODAL;
    switch (icon) {
        case MessageIcon::Stop:
            style |= MB_ICONHAND;
            break;
        case MessageIcon::Warning:
            style |= MB_ICONWARNING;
            break;
        case MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
    }
    MessageBoxW(nullptr, win32::Widen(text).c_str(), win32::Widen(caption).c_str(), style);
}

bool Win32Backend::CloseDialogOnEscape(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
    // The key goes to whichever child has the focus; the dialog is its root.
    auto* face = dynamic_cast<FaceWindow*>(WindowBase::From(GetAncestor(msg.hwnd, GA_ROOT)));
    if (face == nullptr || !face->model().design().isDialog) return false;
    Window& model = face->model();
    model.system().Destroy(model.id());
    return true;
}

bool Win32Backend::MoveFocusOnTab(MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
    // Tab walks the edit fields and lists of a window, as in a dialog box.
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (dynamic_cast<FaceWindow*>(WindowBase::From(root)) == nullptr) return false;
    return IsDialogMessageW(root, &msg) != FALSE;
}

bool Win32Backend::PressEnter(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
    // A held key repeats its WM_KEYDOWN (bit 30 set): one press, one action.
    if (msg.lParam & (1 << 30)) return true;
    auto* face = dynamic_cast<FaceWindow*>(WindowBase::From(GetAncestor(msg.hwnd, GA_ROOT)));
    if (face == nullptr) return false;
    // Taken before the focused control sees it, as a dialog box takes it for
    // its default button; a key nothing takes goes on to the control.
    Window& model = face->model();
    return model.system().PressEnter(model, face->ControlOf(msg.hwnd));
}

void Win32Backend::Deliver(MSG& msg) {
    if (CloseDialogOnEscape(msg) || MoveFocusOnTab(msg) || PressEnter(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool Win32Backend::DispatchUntilQuit() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the outer message loop, which must not lose it to a nested one.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Deliver(msg);
    }
    return true;
}

void Win32Backend::DispatchPending() {
    DispatchUntilQuit();
}

void Win32Backend::WaitDispatching(std::chrono::milliseconds d) {
    const ULONGLONG deadline =
        GetTickCount64() + static_cast<ULONGLONG>(std::max<long long>(d.count(), 0));
    for (;;) {
        const bool quitPending = !DispatchUntilQuit();
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        const auto left = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
        if (quitPending) {
            // The re-posted quit would end every message wait at once: the
            // program is ending, so the rest of the interval is slept out.
            Sleep(left);
            continue;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

int Win32Backend::RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) Deliver(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace xl::ui::win32_backend
