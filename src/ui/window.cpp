#include "ui/window.h"

#include "ui/window_backend.h"
#include "ui/window_system.h"

namespace xl::ui {

Window::Window(WindowSystem& system, const WindowDesign& design)
    : system_(system), design_(design), title_(design.title) {
    controls_.reserve(design.controls.size());
    for (const ControlDesign& c : design.controls) {
        // Parents come before their children in the catalogue.
        Control* parent = c.parent.empty() ? nullptr : Find(c.parent);
        controls_.push_back(std::make_unique<Control>(*this, c, parent));
    }
}

Window::~Window() = default;

Control* Window::Find(std::string_view name) const {
    for (const auto& c : controls_) {
        if (c->name() == name) return c.get();
    }
    return nullptr;
}

void Window::SetTitle(std::string title) {
    if (title == title_) return;
    title_ = std::move(title);
    if (native_) native_->TitleChanged();
}

void Window::Show() {
    if (visible_) return;
    visible_ = true;
    if (native_) native_->VisibilityChanged();
}

void Window::Hide() {
    if (!visible_) return;
    visible_ = false;
    if (native_) native_->VisibilityChanged();
}

void Window::Attach(std::unique_ptr<NativeWindow> native) {
    native_ = std::move(native);
}

void Window::ControlChanged(Control& c, Change what) {
    if (native_) native_->ControlChanged(c, what);
}

void Window::Raise(Control& c, EventKind event) {
    system_.Raise(*this, c.name(), event);
}

void Window::Raise(Control& c, std::initializer_list<EventKind> events) {
    system_.Raise(*this, c.name(), events);
}

}  // namespace xl::ui
