#pragma once
// Owners for Win32 handles: one small move-only type per kind of handle, each
// closing its handle with the kind's own function when it goes, so no code
// pairs an open with a manual close. Every *_win32.cpp takes its handles from
// here. A type is no more thread-safe than the handle it holds; a failed open
// leaves an empty owner (false in a test), which closes nothing.
//
// Kinds whose closing function lives in a header that cannot be included with
// the others (WinINet and WinHTTP clash; the router configuration needs the
// network headers) are named where they are used, from the same template:
//   using WinInetHandle = win32::Unique<win32::ClosedWith<HINTERNET, &InternetCloseHandle>>;
#include <windows.h>

#include <utility>

namespace xl::win32 {

// A kind of handle: its type, the value meaning "none", and how to close it.
template <typename H, auto CloseFunction>
struct ClosedWith {
    using Handle = H;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { CloseFunction(h); }
};

// Files, whose "none" is INVALID_HANDLE_VALUE rather than null.
struct FileKind {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

template <typename Kind>
class Unique {
  public:
    using Handle = typename Kind::Handle;

    Unique() = default;
    explicit Unique(Handle h) : handle_(h) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Kind::None(); }
    // For a call that hands a new handle out through a parameter: closes what
    // this holds and gives the empty slot's address. Most calls say nothing of
    // that parameter when they fail, so a caller release()s it unclosed then.
    Handle* put() {
        reset();
        return &handle_;
    }
    // Gives the handle up without closing it.
    Handle release() { return std::exchange(handle_, Kind::None()); }
    void reset(Handle h = Kind::None()) {
        const Handle old = std::exchange(handle_, h);
        if (old != Kind::None()) Kind::Close(old);
    }

  private:
    Handle handle_ = Kind::None();
};

// Events, processes, threads, waitable timers.
using KernelHandle = Unique<ClosedWith<HANDLE, &CloseHandle>>;
using FileHandle = Unique<FileKind>;
using RegistryKey = Unique<ClosedWith<HKEY, &RegCloseKey>>;
// Bitmaps, fonts, brushes.
template <typename T>
using GdiObject = Unique<ClosedWith<T, &DeleteObject>>;
// A memory device context (CreateCompatibleDC).
using MemoryDc = Unique<ClosedWith<HDC, &DeleteDC>>;
using IconHandle = Unique<ClosedWith<HICON, &DestroyIcon>>;
// Memory a call allocated for its caller, to be freed with LocalFree.
using LocalMemory = Unique<ClosedWith<HLOCAL, &LocalFree>>;

// A window's device context (GetDC), given back to its window.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// The painting of one WM_PAINT (BeginPaint, EndPaint).
class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const { return dc_; }
    const RECT& dirty() const { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context; the one it replaced goes back.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace xl::win32
