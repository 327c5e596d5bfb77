#pragma once
// One model window on screen: a borderless popup whose face is its background
// picture; labels, picture boxes and image buttons are drawn by the window
// itself (double-buffered), edit fields and list views are native controls.
// Positions, fonts and pictures are scaled from 96 DPI to the monitor's DPI.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "ui/win32_backend/gdi_cache_win32.h"
#include "ui/win32_backend/window_base_win32.h"
#include "ui/window.h"
#include "ui/window_backend.h"

namespace xl::ui::win32_backend {

class FaceWindow : public WindowBase, public NativeWindow {
  public:
    FaceWindow(Window& model, GdiCache& gdi);
    ~FaceWindow() override;

    Window& model() const { return model_; }
    // The native child of an edit field or list view, else nullptr.
    HWND ChildOf(const Control& c) const;
    // The control whose native child is `child`, else nullptr.
    Control* ControlOf(HWND child) const;
    UINT dpi() const { return dpi_; }

    // NativeWindow
    void ControlChanged(Control& c, Change what) override;
    void TitleChanged() override;
    void VisibilityChanged() override;

    // Paints the whole face into dc (client coordinates); used by WM_PAINT
    // and by tests that look at the pixels.
    void PaintFace(HDC dc);

  private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override;

    void CreateChildren();
    void CreateChild(size_t index);
    void PlaceChild(size_t index);
    void ApplyFont(size_t index);
    // List views (face_list_win32.cpp): owner-data lists that read their rows
    // from the model when they draw, so a fill of any size is one message.
    HWND CreateListView(const Control& c, DWORD style, HMENU id);
    void ListRowsChanged(Control& c, HWND list, Change what);
    void ClearListSelection(HWND list);
    void SyncListSelection(Control& c);
    // The questions an owner-data list asks its parent; true when `hdr` was one.
    bool OnOwnerDataNotify(NMHDR* hdr, LRESULT& answer);
    // What the user did to a list: its selection moved, or a row was clicked.
    void OnListItemChanged(Control& c, const NMLISTVIEW& change);
    void OnListClick(Control& c, HWND list, const NMITEMACTIVATE& click);
    void OnListDisplayInfo(NMLVDISPINFOW* info);
    RECT ScaledRect(const Control& c) const;
    void InvalidateControl(size_t index);
    int IndexOf(const Control& c) const;
    // The topmost shown self-drawn control under the point, else -1.
    int HitTest(int x, int y, bool enabledOnly = true) const;

    void DrawControl(HDC dc, const Control& c, size_t index);
    void DrawPicture(HDC dc, std::string_view name, int x, int y, const RECT& clip);
    void DrawLabel(HDC dc, const Control& c, const RECT& r);

    void OnPaint();
    void OnMouseMove(int x, int y);
    void OnMouseLeave();
    void OnLButtonDown(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnTimer(UINT_PTR id);
    void OnCommand(WPARAM wp, LPARAM lp);
    LRESULT OnNotify(NMHDR* hdr);
    LRESULT OnCtlColorEdit(UINT msg, HDC dc, HWND child);
    void OnDpiChanged(UINT dpi, const RECT* suggested);

    Window& model_;
    GdiCache& gdi_;
    UINT dpi_ = 96;
    std::vector<HWND> children_;    // by control index; null for self-drawn
    std::vector<RECT> drawnRects_;  // where each control was last drawn
    int hover_ = -1;
    int pressed_ = -1;
    bool trackingLeave_ = false;
    int suppressNotifications_ = 0;  // changes made by the program raise no events
};

}  // namespace xl::ui::win32_backend
