#include "ui/win32_backend/window_base_win32.h"

namespace xl::ui::win32_backend {

namespace {
// Marks our windows, so From never reinterprets another class's user data.
constexpr LONG_PTR kOwnedMark = 0x584c5549;  // "XLUI"
}  // namespace

WindowBase::~WindowBase() {
    if (hwnd_ != nullptr) {
        HWND h = hwnd_;
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(h);
    }
}

void WindowBase::RegisterClassOnce(const wchar_t* name, UINT style) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(inst, name, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &WindowBase::Proc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

HWND WindowBase::Create(const wchar_t* cls, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                        int y, int w, int h, HWND parent) {
    return CreateWindowExW(exStyle, cls, title, style, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), this);
}

WindowBase* WindowBase::From(HWND hwnd) {
    if (hwnd == nullptr ||
        GetClassLongPtrW(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&WindowBase::Proc)) {
        return nullptr;
    }
    if (GetWindowLongPtrW(hwnd, 0) != kOwnedMark) return nullptr;
    return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK WindowBase::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetWindowLongPtrW(hwnd, 0, kOwnedMark);
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    // Nothing may touch `self` after Handle returns: a handler can destroy it.
    return self->Handle(msg, wp, lp);
}

}  // namespace xl::ui::win32_backend
