#include "ui/headless/headless_backend.h"

#include <algorithm>

namespace xl::ui {

// The in-memory side of a window: it only tracks the timers.
class HeadlessWindow : public NativeWindow {
  public:
    HeadlessWindow(HeadlessBackend& backend, Window& window) : backend_(backend), window_(window) {}
    ~HeadlessWindow() override { backend_.TimerGone(window_); }

    void ControlChanged(Control& c, Change what) override {
        if (what == Change::Interval) backend_.TimerChanged(c);
    }
    void TitleChanged() override {}
    void VisibilityChanged() override {}

  private:
    HeadlessBackend& backend_;
    Window& window_;
};

HeadlessBackend::~HeadlessBackend() = default;

std::unique_ptr<NativeWindow> HeadlessBackend::CreateNative(Window& window) {
    system_ = &window.system();
    return std::make_unique<HeadlessWindow>(*this, window);
}

void HeadlessBackend::Post(std::function<void()> task) {
    std::lock_guard lock(tasksMutex_);
    tasks_.push_back(std::move(task));
}

void HeadlessBackend::PostAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    delayed_.push_back(
        {Due{now_ + std::max(delay, std::chrono::milliseconds(0)), nextOrder_++}, std::move(task)});
}

int HeadlessBackend::pendingTasks() const {
    std::lock_guard lock(tasksMutex_);
    return static_cast<int>(tasks_.size());
}

void HeadlessBackend::ShowMessageBox(const std::string& text, const std::string& caption,
                                     MessageIcon icon) {
    messageBoxes_.push_back({text, caption, icon});
}

bool HeadlessBackend::RunOneTask() {
    std::function<void()> task;
    {
        std::lock_guard lock(tasksMutex_);
        if (tasks_.empty()) return false;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    if (task) task();
    return true;
}

void HeadlessBackend::DispatchPending() {
    // Only the work queued now: a task that keeps reposting itself must not
    // hold the caller forever.
    int count = pendingTasks();
    while (count-- > 0 && RunOneTask()) {
    }
}

void HeadlessBackend::TimerChanged(Control& timer) {
    if (timer.interval() == 0) {
        timers_.erase(&timer);
    } else {
        timers_[&timer] = Due{now_ + std::chrono::milliseconds(timer.interval()), nextOrder_++};
    }
}

void HeadlessBackend::TimerGone(Window& window) {
    std::erase_if(timers_, [&](const auto& entry) { return &entry.first->window() == &window; });
}

void HeadlessBackend::Advance(std::chrono::milliseconds d) {
    const auto end = now_ + std::max(d, std::chrono::milliseconds(0));
    DispatchPending();
    for (;;) {
        auto timer =
            std::min_element(timers_.begin(), timers_.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        auto delayed =
            std::min_element(delayed_.begin(), delayed_.end(),
                             [](const Delayed& a, const Delayed& b) { return a.due < b.due; });
        const bool timerDue = timer != timers_.end() && timer->second.at <= end;
        const bool delayedDue = delayed != delayed_.end() && delayed->due.at <= end;
        if (!timerDue && !delayedDue) break;
        if (delayedDue && (!timerDue || delayed->due < timer->second)) {
            now_ = delayed->due.at;
            std::function<void()> task = std::move(delayed->task);
            delayed_.erase(delayed);  // before it runs: the task may add others
            if (task) task();
        } else {
            Control& c = *timer->first;
            now_ = timer->second.at;
            timer->second = Due{now_ + std::chrono::milliseconds(c.interval()), nextOrder_++};
            if (system_ != nullptr) system_->Raise(c.window(), c.name(), EventKind::Tick);
        }
        DispatchPending();
    }
    now_ = end;
    DispatchPending();
}

Control* HeadlessBackend::Target(WindowId window, std::string_view control) const {
    if (system_ == nullptr) return nullptr;
    Window* w = system_->Existing(window);
    if (w == nullptr || !w->visible()) return nullptr;
    Control* c = w->Find(control);
    if (c == nullptr || !c->IsShown() || !c->enabled()) return nullptr;
    return c;
}

bool HeadlessBackend::Click(WindowId window, std::string_view control) {
    Control* c = Target(window, control);
    if (c == nullptr) return false;
    switch (c->kind()) {
        case ControlKind::TransparentLabel:
        case ControlKind::PictureBox:
        case ControlKind::ImageButton:
            system_->Raise(c->window(), c->name(), EventKind::Click);
            return true;
        default:
            return false;
    }
}

bool HeadlessBackend::Type(WindowId window, std::string_view control, std::string text) {
    Control* c = Target(window, control);
    if (c == nullptr || c->kind() != ControlKind::EditField) return false;
    c->UserTyped(std::move(text));
    return true;
}

bool HeadlessBackend::ClickRow(WindowId window, std::string_view control, int row) {
    Control* c = Target(window, control);
    if (c == nullptr || c->kind() != ControlKind::ListView || row < 0 || row >= c->RowCount()) {
        return false;
    }
    c->UserClickedRow(row);
    return true;
}

int HeadlessBackend::RowAfterKey(const Control& list, Key key) {
    const int last = list.RowCount() - 1;
    const int row = list.chosenRow();
    switch (key) {
        case Key::Up:
            return row < 0 ? 0 : std::max(row - 1, 0);
        case Key::Down:
            return row < 0 ? 0 : std::min(row + 1, last);
        case Key::Home:
            return 0;
        case Key::End:
            return last;
        default:
            return row;
    }
}

bool HeadlessBackend::PressKey(WindowId window, std::string_view control, Key key) {
    if (system_ == nullptr) return false;
    Window* w = system_->Existing(window);
    if (w == nullptr || !w->visible()) return false;
    Control* focused = nullptr;
    if (!control.empty()) {
        focused = Target(window, control);
        // Labels, picture boxes and buttons never hold the keyboard focus.
        if (focused == nullptr || (focused->kind() != ControlKind::EditField &&
                                   focused->kind() != ControlKind::ListView)) {
            return false;
        }
    }
    switch (key) {
        case Key::Escape:
            if (!w->design().isDialog) return false;
            system_->Destroy(window);
            return true;
        case Key::Enter:
            return system_->PressEnter(*w, focused);
        default:
            if (focused == nullptr || focused->kind() != ControlKind::ListView) return false;
            if (focused->RowCount() > 0) focused->UserChoseRow(RowAfterKey(*focused, key));
            return true;
    }
}

}  // namespace xl::ui
