#pragma once
// GDI objects the windows draw with, made once and kept: picture bitmaps
// (DIB sections of the decoded PNGs: premultiplied 32-bit where a picture has
// transparency, else 8-bit with a palette or 24-bit; a hidden window's face is
// dropped), fonts per size and DPI, brushes per colour. User-interface thread
// only; released with the cache.
#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "ui/catalogue/window_design.h"
#include "ui/picture.h"
#include "win32/handles.h"

namespace xl::ui::win32_backend {

// A picture as the cache lends it: the handle stays the cache's.
struct Bitmap {
    HBITMAP handle = nullptr;
    int width = 0, height = 0;
    // No alpha: copied, not blended (faces are kept at 8 or 24 bits).
    bool opaque = false;
};

class GdiCache {
  public:
    GdiCache() = default;
    GdiCache(const GdiCache&) = delete;
    GdiCache& operator=(const GdiCache&) = delete;

    // The picture at the size it has at dpi; nullptr handle when it is
    // unknown or does not decode.
    Bitmap Picture(std::string_view name, UINT dpi);
    // Drops the picture at every DPI; the next Picture() decodes it again.
    void ForgetPicture(std::string_view name);
    // 微软雅黑 at the font's pixel height scaled to dpi, or the system's
    // message font at dpi when the size is 0.
    HFONT FontFor(const Font& font, UINT dpi);
    HBRUSH Brush(const Colour& c);
    // The program icon at a pixel size, nullptr when missing.
    HICON Icon(int size);

  private:
    struct OwnedBitmap {
        win32::GdiObject<HBITMAP> handle;
        int width = 0, height = 0;
        bool opaque = false;
    };
    // Only the DIB sections are kept; the decoded pixels are dropped once copied.
    std::map<std::pair<std::string, UINT>, OwnedBitmap, std::less<>> bitmaps_;
    std::map<std::tuple<int, bool, UINT>, win32::GdiObject<HFONT>> fonts_;
    std::map<std::tuple<int, int, int>, win32::GdiObject<HBRUSH>> brushes_;
    std::map<int, win32::IconHandle> icons_;
};

// Scales a 96-DPI length.
inline int Scale(int v, UINT dpi) {
    return MulDiv(v, static_cast<int>(dpi), 96);
}
inline COLORREF ToColorRef(const Colour& c) {
    return RGB(c.r, c.g, c.b);
}

}  // namespace xl::ui::win32_backend
