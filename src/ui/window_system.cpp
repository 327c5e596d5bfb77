#include "ui/window_system.h"

#include <cassert>

namespace xl::ui {

WindowSystem::WindowSystem(WindowBackend& backend) : backend_(backend) {}

template <typename F>
void WindowSystem::RunHandler(F&& f) {
    struct Depth {
        WindowSystem& s;
        explicit Depth(WindowSystem& ws) : s(ws) { ++s.raiseDepth_; }
        ~Depth() {
            --s.raiseDepth_;
            s.ReleaseRetired();
        }
    } depth(*this);
    f();
}

void WindowSystem::Post(std::function<void()> task) {
    backend_.Post([this, task = std::move(task)] {
        if (task) RunHandler(task);
    });
}

void WindowSystem::PostAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    backend_.PostAfter(delay, [this, task = std::move(task)] {
        if (task) RunHandler(task);
    });
}

WindowSystem::~WindowSystem() {
    // Platform windows go before the models they mirror.
    for (auto& [id, w] : windows_) w->Attach(nullptr);
    for (auto& w : retired_) w->Attach(nullptr);
}

void WindowSystem::OnCreated(WindowId window, CreationHandler handler) {
    creationHandlers_[window] = std::move(handler);
}

void WindowSystem::On(WindowId window, std::string control, EventKind event, Handler handler) {
    const WindowDesign& design = CatalogueEntry(window);
    if (design.Find(control) == nullptr) {
        // A misspelt Chinese name would otherwise be a handler that never runs.
        unknownBindings_.push_back(design.title + "/" + control);
        assert(!"handler bound to a control name the window's catalogue lacks");
    }
    handlers_[Key{window, std::move(control), event}] = std::move(handler);
}

Window& WindowSystem::Open(WindowId id) {
    if (auto it = windows_.find(id); it != windows_.end()) return *it->second;
    auto owned = std::make_unique<Window>(*this, CatalogueEntry(id));
    Window& window = *owned;
    windows_.emplace(id, std::move(owned));
    window.Attach(backend_.CreateNative(window));
    if (auto it = creationHandlers_.find(id); it != creationHandlers_.end()) {
        CreationHandler handler = it->second;  // a handler may rebind itself
        RunHandler([&] { handler(window); });
    }
    return window;
}

Window* WindowSystem::Existing(WindowId id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
}

Control* WindowSystem::Find(WindowId id, std::string_view control) const {
    Window* w = Existing(id);
    return w == nullptr ? nullptr : w->Find(control);
}

void WindowSystem::Destroy(WindowId id) {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    std::unique_ptr<Window> window = std::move(it->second);
    windows_.erase(it);
    window->Attach(nullptr);
    retired_.push_back(std::move(window));
    ReleaseRetired();
}

void WindowSystem::Raise(Window& window, const std::string& control, EventKind event) {
    // A destroyed window that a running handler still touches raises nothing.
    if (Existing(window.id()) != &window) return;
    auto it = handlers_.find(Key{window.id(), control, event});
    if (it == handlers_.end() || !it->second) return;
    Handler handler = it->second;
    RunHandler(handler);
}

void WindowSystem::Raise(Window& window, const std::string& control,
                         std::initializer_list<EventKind> events) {
    // One run: the window, and so `control`, outlive every handler of the action.
    RunHandler([&] {
        for (EventKind event : events) Raise(window, control, event);
    });
}

bool WindowSystem::Press(WindowId id, std::string_view control) {
    Window* window = Existing(id);
    if (window == nullptr || !window->visible()) return false;
    Control* c = window->Find(control);
    if (c == nullptr || !c->IsShown() || !c->enabled()) return false;
    Raise(*window, c->name(), EventKind::Click);
    return true;
}

bool WindowSystem::PressEnter(Window& window, Control* focused) {
    if (Existing(window.id()) != &window || !window.visible()) return false;
    if (focused != nullptr &&
        handlers_.contains(Key{window.id(), focused->name(), EventKind::Enter})) {
        Raise(window, focused->name(), EventKind::Enter);
        return true;
    }
    const std::string& button = window.design().defaultButton;
    return !button.empty() && Press(window.id(), button);
}

void WindowSystem::ReleaseRetired() {
    if (raiseDepth_ == 0) retired_.clear();
}

}  // namespace xl::ui
