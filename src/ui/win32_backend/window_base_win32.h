#pragma once
// The one place where a window procedure meets a C++ object: the object is
// captured at WM_NCCREATE and every later message is forwarded to it.
#include <windows.h>

namespace xl::ui::win32_backend {

class WindowBase {
  public:
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The object behind a window of one of our classes, else nullptr.
    static WindowBase* From(HWND hwnd);

  protected:
    WindowBase() = default;
    // Registers the class once per name; the class sends everything to Proc.
    static void RegisterClassOnce(const wchar_t* name, UINT style);
    HWND Create(const wchar_t* cls, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
                int w, int h, HWND parent);
    virtual LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) = 0;
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

}  // namespace xl::ui::win32_backend
