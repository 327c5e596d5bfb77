#include "ui/win32_backend/face_window_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/win32_backend/dpi_win32.h"
#include "ui/window_system.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::ui::win32_backend {

namespace {
constexpr wchar_t kFaceClass[] = L"XiulanFace";
constexpr UINT_PTR kFirstTimerId = 1;  // + control index
constexpr int kFirstChildId = 1000;    // + control index
// Single-line EDIT controls draw their text at the top: they are made as tall
// as the text and centred in the field, whose rest the face paints.
constexpr int kEditTextPadding = 4;
constexpr int kEditSideInset = 6;  // keeps typed text off the field's rounded frame

bool SelfDrawn(ControlKind k) {
    return k == ControlKind::TransparentLabel || k == ControlKind::PictureBox ||
           k == ControlKind::ImageButton;
}

RECT CentredOnWorkArea(int w, int h) {
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) work = mi.rcWork;
    const int x = work.left + (work.right - work.left - w) / 2;
    const int y = work.top + (work.bottom - work.top - h) / 2;
    return {x, y, x + w, y + h};
}
}  // namespace

FaceWindow::FaceWindow(Window& model, GdiCache& gdi) : model_(model), gdi_(gdi) {
    RegisterClassOnce(kFaceClass, 0);
    const WindowDesign& design = model.design();
    dpi_ = SystemDpi();
    const RECT r = CentredOnWorkArea(Scale(design.width, dpi_), Scale(design.height, dpi_));
    // A popup without frame or caption; the face picture is all there is.
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU;
    const DWORD exStyle = design.isDialog ? 0 : WS_EX_APPWINDOW;
    Create(kFaceClass, win32::Widen(model.title()).c_str(), style, exStyle, r.left, r.top,
           r.right - r.left, r.bottom - r.top, nullptr);
    if (hwnd() == nullptr) return;
    // The monitor the window landed on may differ from the system's DPI.
    if (const UINT actual = WindowDpi(hwnd()); actual != dpi_) {
        dpi_ = actual;
        const RECT s = CentredOnWorkArea(Scale(design.width, dpi_), Scale(design.height, dpi_));
        SetWindowPos(hwnd(), nullptr, s.left, s.top, s.right - s.left, s.bottom - s.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CreateChildren();
    // Taskbar and Alt+Tab show the program icon.
    const int bigIcon = SystemMetricForDpi(SM_CXICON, dpi_);
    const int smallIcon = SystemMetricForDpi(SM_CXSMICON, dpi_);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gdi_.Icon(bigIcon)));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(gdi_.Icon(smallIcon)));
}

FaceWindow::~FaceWindow() {
    if (hwnd() != nullptr) {
        for (size_t i = 0; i < model_.controls().size(); ++i) KillTimer(hwnd(), kFirstTimerId + i);
    }
}

int FaceWindow::IndexOf(const Control& c) const {
    const auto& cs = model_.controls();
    for (size_t i = 0; i < cs.size(); ++i) {
        if (cs[i].get() == &c) return static_cast<int>(i);
    }
    return -1;
}

Control* FaceWindow::ControlOf(HWND child) const {
    for (size_t k = 0; k < children_.size(); ++k) {
        if (child != nullptr && children_[k] == child) return model_.controls()[k].get();
    }
    return nullptr;
}

HWND FaceWindow::ChildOf(const Control& c) const {
    const int i = IndexOf(c);
    return i < 0 ? nullptr : children_[static_cast<size_t>(i)];
}

RECT FaceWindow::ScaledRect(const Control& c) const {
    const Rect r = c.WindowRect();
    const int left = Scale(r.left, dpi_), top = Scale(r.top, dpi_);
    return {left, top, left + Scale(r.width, dpi_), top + Scale(r.height, dpi_)};
}

void FaceWindow::CreateChildren() {
    const size_t n = model_.controls().size();
    children_.assign(n, nullptr);
    drawnRects_.assign(n, RECT{});
    for (size_t i = 0; i < n; ++i) {
        drawnRects_[i] = ScaledRect(*model_.controls()[i]);
        CreateChild(i);
    }
}

void FaceWindow::CreateChild(size_t index) {
    const Control& c = *model_.controls()[index];
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstChildId + index));
    DWORD style = WS_CHILD | WS_TABSTOP | (c.IsShown() ? WS_VISIBLE : 0);
    HWND child = nullptr;
    ++suppressNotifications_;
    if (c.kind() == ControlKind::EditField) {
        style |= ES_AUTOHSCROLL | (c.centred() ? ES_CENTER : ES_LEFT);
        child = CreateWindowExW(0, L"EDIT", win32::Widen(c.caption()).c_str(), style, 0, 0, 0, 0,
                                hwnd(), id, GetModuleHandleW(nullptr), nullptr);
    } else if (c.kind() == ControlKind::ListView) {
        child = CreateListView(c, style, id);
    }
    --suppressNotifications_;
    if (child == nullptr) return;
    children_[index] = child;
    ApplyFont(index);
    PlaceChild(index);
    EnableWindow(child, c.enabled());
}

void FaceWindow::PlaceChild(size_t index) {
    HWND child = children_[index];
    if (child == nullptr) return;
    const Control& c = *model_.controls()[index];
    RECT r = ScaledRect(c);
    if (c.kind() == ControlKind::EditField) {
        TEXTMETRICW tm{};
        {
            const win32::WindowDc dc(child);
            const win32::Selection font(dc.get(), gdi_.FontFor(c.font(), dpi_));
            GetTextMetricsW(dc.get(), &tm);
        }
        const int h = std::min<int>(r.bottom - r.top, tm.tmHeight + Scale(kEditTextPadding, dpi_));
        const int side = Scale(kEditSideInset, dpi_);
        const int inset = side < (r.right - r.left) / 4 ? side : 0;
        r.top += (r.bottom - r.top - h) / 2;
        r.bottom = r.top + h;
        r.left += inset;
        r.right -= inset;
    }
    SetWindowPos(child, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(child, c.IsShown() ? SW_SHOWNA : SW_HIDE);
}

void FaceWindow::ApplyFont(size_t index) {
    if (HWND child = children_[index]) {
        SendMessageW(child, WM_SETFONT,
                     reinterpret_cast<WPARAM>(gdi_.FontFor(model_.controls()[index]->font(), dpi_)),
                     TRUE);
    }
}

void FaceWindow::InvalidateControl(size_t index) {
    if (hwnd() == nullptr || index >= drawnRects_.size()) return;
    InvalidateRect(hwnd(), &drawnRects_[index], FALSE);
    drawnRects_[index] = ScaledRect(*model_.controls()[index]);
    InvalidateRect(hwnd(), &drawnRects_[index], FALSE);
}

void FaceWindow::ControlChanged(Control& c, Change what) {
    const int i = IndexOf(c);
    if (i < 0 || hwnd() == nullptr) return;
    const size_t index = static_cast<size_t>(i);
    HWND child = children_[index];
    ++suppressNotifications_;
    switch (what) {
        case Change::Interval:
            if (c.interval() > 0) {
                SetTimer(hwnd(), kFirstTimerId + index, static_cast<UINT>(c.interval()), nullptr);
            } else {
                KillTimer(hwnd(), kFirstTimerId + index);
            }
            break;
        case Change::Caption:
            if (child != nullptr) SetWindowTextW(child, win32::Widen(c.caption()).c_str());
            InvalidateControl(index);
            break;
        case Change::Position:
        case Change::Visible:
            // A picture box carries its children with it.
            for (size_t k = 0; k < children_.size(); ++k) {
                const Control* kc = model_.controls()[k].get();
                if (k == index || kc->parent() == &c) {
                    PlaceChild(k);
                    InvalidateControl(k);
                }
            }
            break;
        case Change::Enabled:
            if (child != nullptr) EnableWindow(child, c.enabled());
            if (!c.enabled() && hover_ == i) hover_ = -1;
            InvalidateControl(index);
            break;
        case Change::Font:
            ApplyFont(index);
            PlaceChild(index);
            InvalidateControl(index);
            break;
        case Change::RowsCleared:
        case Change::RowsReplaced:
        case Change::RowAdded:
        case Change::CellSet:
            if (child != nullptr) ListRowsChanged(c, child, what);
            break;
        case Change::RowChosen:
            SyncListSelection(c);
            break;
        case Change::Tag:
            break;
        case Change::Picture:
        case Change::Colour:
            InvalidateControl(index);
            break;
    }
    --suppressNotifications_;
}

void FaceWindow::TitleChanged() {
    if (hwnd() != nullptr) SetWindowTextW(hwnd(), win32::Widen(model_.title()).c_str());
}

void FaceWindow::VisibilityChanged() {
    if (hwnd() == nullptr) return;
    if (model_.visible()) {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(hwnd());
    } else {
        ShowWindow(hwnd(), SW_HIDE);
        // A hidden window keeps no face: the login window after the login and
        // the main window in the notification area would hold megabytes of
        // pixels nobody sees. Showing it again decodes the face anew.
        gdi_.ForgetPicture(model_.design().face);
    }
}

int FaceWindow::HitTest(int x, int y, bool enabledOnly) const {
    const auto& cs = model_.controls();
    // Later controls lie on top of earlier ones.
    for (size_t k = cs.size(); k-- > 0;) {
        const Control& c = *cs[k];
        if (!SelfDrawn(c.kind()) || !c.IsShown() || (enabledOnly && !c.enabled())) continue;
        const RECT r = ScaledRect(c);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(k);
    }
    return -1;
}

LRESULT FaceWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the face covers everything; no flicker
        case WM_MOUSEMOVE:
            OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return 0;
        case WM_LBUTTONDOWN:
            OnLButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_TIMER:
            OnTimer(wp);
            return 0;
        case WM_COMMAND:
            OnCommand(wp, lp);
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lp));
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:  // read-only and disabled edits
            return OnCtlColorEdit(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wp), reinterpret_cast<RECT*>(lp));
            return 0;
        case WM_CLOSE:
            return 0;  // closing is the program's decision (its close labels)
        default:
            return Default(msg, wp, lp);
    }
}

void FaceWindow::OnMouseMove(int x, int y) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, hwnd(), 0};
        trackingLeave_ = TrackMouseEvent(&t) != FALSE;
    }
    int hit = HitTest(x, y);
    if (hit >= 0 &&
        model_.controls()[static_cast<size_t>(hit)]->kind() != ControlKind::ImageButton) {
        hit = -1;
    }
    if (hit == hover_) return;
    const int old = hover_;
    hover_ = hit;
    if (old >= 0) InvalidateControl(static_cast<size_t>(old));
    if (hit >= 0) InvalidateControl(static_cast<size_t>(hit));
}

void FaceWindow::OnMouseLeave() {
    trackingLeave_ = false;
    if (hover_ >= 0) {
        const int old = hover_;
        hover_ = -1;
        InvalidateControl(static_cast<size_t>(old));
    }
}

void FaceWindow::OnLButtonDown(int x, int y) {
    pressed_ = HitTest(x, y);
    if (pressed_ >= 0) {
        SetCapture(hwnd());
        return;
    }
    // A disabled control is still a control: pressing it does not drag.
    if (model_.design().movable && HitTest(x, y, false) < 0) {
        // Dragging the face moves the window, as a caption bar would.
        ReleaseCapture();
        SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
}

void FaceWindow::OnLButtonUp(int x, int y) {
    const int pressed = pressed_;
    pressed_ = -1;
    if (GetCapture() == hwnd()) ReleaseCapture();
    if (pressed < 0 || HitTest(x, y) != pressed) return;
    Control& c = *model_.controls()[static_cast<size_t>(pressed)];
    // Last statement: the handler may destroy this window.
    model_.system().Raise(model_, c.name(), EventKind::Click);
}

void FaceWindow::OnTimer(UINT_PTR id) {
    const size_t index = id - kFirstTimerId;
    if (id < kFirstTimerId || index >= model_.controls().size()) return;
    Control& c = *model_.controls()[index];
    if (c.kind() != ControlKind::Timer || c.interval() == 0) return;
    model_.system().Raise(model_, c.name(), EventKind::Tick);
}

void FaceWindow::OnCommand(WPARAM wp, LPARAM) {
    const int index = LOWORD(wp) - kFirstChildId;
    if (HIWORD(wp) != EN_CHANGE || suppressNotifications_ > 0 || index < 0 ||
        static_cast<size_t>(index) >= children_.size() || children_[index] == nullptr) {
        return;
    }
    HWND edit = children_[static_cast<size_t>(index)];
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    model_.controls()[static_cast<size_t>(index)]->UserTyped(win32::Narrow(text));
}

LRESULT FaceWindow::OnNotify(NMHDR* hdr) {
    // Answered at any time, also while the program changes the list.
    if (LRESULT answer = 0; OnOwnerDataNotify(hdr, answer)) return answer;
    const int index = static_cast<int>(hdr->idFrom) - kFirstChildId;
    if (suppressNotifications_ > 0 || index < 0 || static_cast<size_t>(index) >= children_.size() ||
        children_[static_cast<size_t>(index)] != hdr->hwndFrom) {
        return 0;
    }
    Control& c = *model_.controls()[static_cast<size_t>(index)];
    if (c.kind() != ControlKind::ListView) return 0;
    if (hdr->code == LVN_ITEMCHANGED) {
        OnListItemChanged(c, *reinterpret_cast<NMLISTVIEW*>(hdr));
    } else if (hdr->code == NM_CLICK) {
        // Last statement: the handler may destroy this window.
        OnListClick(c, hdr->hwndFrom, *reinterpret_cast<NMITEMACTIVATE*>(hdr));
    }
    return 0;
}

LRESULT FaceWindow::OnCtlColorEdit(UINT msg, HDC dc, HWND child) {
    for (size_t k = 0; k < children_.size(); ++k) {
        if (children_[k] != child) continue;
        const Control& c = *model_.controls()[k];
        const Colour bg = c.background().value_or(kWhite);
        SetBkColor(dc, ToColorRef(bg));
        SetTextColor(dc, ToColorRef(c.colour()));
        return reinterpret_cast<LRESULT>(gdi_.Brush(bg));
    }
    return Default(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
}

void FaceWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    for (size_t k = 0; k < children_.size(); ++k) {
        drawnRects_[k] = ScaledRect(*model_.controls()[k]);
        if (children_[k] == nullptr) continue;
        ApplyFont(k);
        PlaceChild(k);
        const Control& c = *model_.controls()[k];
        for (size_t col = 0; col < c.columns().size(); ++col) {
            ListView_SetColumnWidth(children_[k], col, Scale(c.columns()[col].width, dpi_));
        }
    }
    InvalidateRect(hwnd(), nullptr, FALSE);
}

}  // namespace xl::ui::win32_backend
