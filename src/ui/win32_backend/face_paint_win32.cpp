// Drawing of a face window: the background picture, then the self-drawn
// controls in catalogue order, all into one off-screen bitmap of the part to
// repaint, copied to the screen at once.
#include "ui/win32_backend/face_window_win32.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::ui::win32_backend {

void FaceWindow::OnPaint() {
    const win32::PaintDc screen(hwnd());
    const RECT& dirty = screen.dirty();
    const int w = dirty.right - dirty.left, h = dirty.bottom - dirty.top;
    if (w <= 0 || h <= 0) return;
    // The buffer covers only what is repainted (a button under the pointer
    // needs a button's worth), and is a DIB section: its pixels go back to
    // the system when it is deleted instead of staying in the heap.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const win32::GdiObject<HBITMAP> buffer(
        CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!buffer) return;
    const win32::MemoryDc mem(CreateCompatibleDC(screen.get()));
    const win32::Selection selected(mem.get(), buffer.get());
    // Client coordinates stay as they are; the buffer starts at the dirty corner.
    SetViewportOrgEx(mem.get(), -dirty.left, -dirty.top, nullptr);
    PaintFace(mem.get());
    SetViewportOrgEx(mem.get(), 0, 0, nullptr);
    BitBlt(screen.get(), dirty.left, dirty.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

void FaceWindow::PaintFace(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, gdi_.Brush(kWhite));
    DrawPicture(dc, model_.design().face, 0, 0, client);
    const auto& cs = model_.controls();
    for (size_t k = 0; k < cs.size(); ++k) {
        if (cs[k]->IsShown()) DrawControl(dc, *cs[k], k);
    }
}

void FaceWindow::DrawControl(HDC dc, const Control& c, size_t index) {
    const RECT r = ScaledRect(c);
    switch (c.kind()) {
        case ControlKind::EditField:
            // The native field is only as tall as its text; its box is painted here.
            FillRect(dc, &r, gdi_.Brush(c.background().value_or(kWhite)));
            break;
        case ControlKind::PictureBox:
            DrawPicture(dc, c.picture(), r.left, r.top, r);
            break;
        case ControlKind::ImageButton: {
            const ImageSet& set = c.pictures();
            const std::string& name = !c.enabled()                        ? set.disabled
                                      : hover_ == static_cast<int>(index) ? set.lit
                                                                          : set.normal;
            DrawPicture(dc, name.empty() ? set.normal : name, r.left, r.top, r);
            break;
        }
        case ControlKind::TransparentLabel:
            DrawLabel(dc, c, r);
            break;
        case ControlKind::ListView:
        case ControlKind::Timer:
            break;
    }
}

void FaceWindow::DrawPicture(HDC dc, std::string_view name, int x, int y, const RECT& clip) {
    const Bitmap b = gdi_.Picture(name, dpi_);
    if (b.handle == nullptr) return;
    const win32::MemoryDc src(CreateCompatibleDC(dc));
    const win32::Selection selected(src.get(), b.handle);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    // Pictures are already at the DPI's size; those with transparency are
    // premultiplied BGRA.
    if (b.opaque) {
        BitBlt(dc, x, y, b.width, b.height, src.get(), 0, 0, SRCCOPY);
    } else {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, b.width, b.height, src.get(), 0, 0, b.width, b.height, blend);
    }
    RestoreDC(dc, saved);
}

void FaceWindow::DrawLabel(HDC dc, const Control& c, const RECT& r) {
    if (c.caption().empty()) return;
    const std::wstring text = win32::Widen(c.caption());
    const win32::Selection font(dc, gdi_.FontFor(c.font(), dpi_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(c.colour()));
    // Leading spaces are part of the caption (they leave room for a check box).
    // A caption wraps when its label is tall enough for the lines, otherwise it
    // stays on one line, centred vertically and clipped.
    RECT measured = r;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    RECT box = r;
    if (measured.bottom - measured.top <= r.bottom - r.top) {
        box.top += ((r.bottom - r.top) - (measured.bottom - measured.top)) / 2;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                  DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    } else {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

}  // namespace xl::ui::win32_backend
