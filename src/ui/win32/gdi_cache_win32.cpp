#include "ui/win32/gdi_cache_win32.h"

#include "ui/win32/icon_win32.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xl::ui::win32 {

GdiCache::~GdiCache() {
    for (auto& [name, b] : bitmaps_) {
        if (b.handle) DeleteObject(b.handle);
    }
    for (auto& [key, f] : fonts_) DeleteObject(f);
    for (auto& [key, b] : brushes_) DeleteObject(b);
    for (auto& [size, icon] : icons_) {
        if (icon) DestroyIcon(icon);
    }
}

HICON GdiCache::Icon(int size) {
    if (auto it = icons_.find(size); it != icons_.end()) return it->second;
    HICON icon = IconFromIcoFile(EmbeddedPicture("app_icon"), size);
    icons_.emplace(size, icon);
    return icon;
}

namespace {

// Bilinear resampling of premultiplied pixels (premultiplied values
// interpolate without dark fringes).
ui::Picture Resample(const ui::Picture& p, int w, int h) {
    ui::Picture out{w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h * 4)};
    for (int y = 0; y < h; ++y) {
        const double sy = std::clamp((y + 0.5) * p.height / h - 0.5, 0.0, p.height - 1.0);
        const int y0 = static_cast<int>(sy), y1 = std::min(y0 + 1, p.height - 1);
        const double fy = sy - y0;
        for (int x = 0; x < w; ++x) {
            const double sx = std::clamp((x + 0.5) * p.width / w - 0.5, 0.0, p.width - 1.0);
            const int x0 = static_cast<int>(sx), x1 = std::min(x0 + 1, p.width - 1);
            const double fx = sx - x0;
            for (int ch = 0; ch < 4; ++ch) {
                auto at = [&](int xx, int yy) {
                    return static_cast<double>(
                        p.bgra[(static_cast<size_t>(yy) * p.width + xx) * 4 + ch]);
                };
                const double v = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
                                 (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
                out.bgra[(static_cast<size_t>(y) * w + x) * 4 + ch] =
                    static_cast<std::uint8_t>(std::lround(v));
            }
        }
    }
    return out;
}

Bitmap ToDibSection(const ui::Picture& p) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;  // top-down rows, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const size_t bytes = static_cast<size_t>(p.width) * p.height * 4;
    if (bmp == nullptr || bits == nullptr || p.bgra.size() < bytes) {
        if (bmp != nullptr) DeleteObject(bmp);
        return {};
    }
    std::memcpy(bits, p.bgra.data(), bytes);
    return {bmp, p.width, p.height};
}

}  // namespace

Bitmap GdiCache::Picture(std::string_view name, UINT dpi) {
    auto key = std::make_pair(std::string(name), dpi);
    if (auto it = bitmaps_.find(key); it != bitmaps_.end()) return it->second;
    Bitmap out;
    if (auto p = DecodePng(EmbeddedPicture(name)); p && p->width > 0 && p->height > 0) {
        const int w = Scale(p->width, dpi), h = Scale(p->height, dpi);
        out =
            (w == p->width && h == p->height) ? ToDibSection(*p) : ToDibSection(Resample(*p, w, h));
    }
    bitmaps_.emplace(std::move(key), out);
    return out;
}

HFONT GdiCache::FontFor(const Font& font, UINT dpi) {
    const auto key = std::make_tuple(font.pixels, font.bold, dpi);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    LOGFONTW lf{};
    if (font.pixels > 0) {
        lf.lfHeight = -Scale(font.pixels, dpi);  // negative: character height, not cell height
        lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        wcscpy(lf.lfFaceName, L"微软雅黑");
    } else {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof(m);
        if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0, dpi)) {
            SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0);
        }
        lf = m.lfMessageFont;
    }
    HFONT f = CreateFontIndirectW(&lf);
    fonts_.emplace(key, f);
    return f;
}

HBRUSH GdiCache::Brush(const Colour& c) {
    const auto key = std::make_tuple(int{c.r}, int{c.g}, int{c.b});
    if (auto it = brushes_.find(key); it != brushes_.end()) return it->second;
    HBRUSH b = CreateSolidBrush(ToColorRef(c));
    brushes_.emplace(key, b);
    return b;
}

}  // namespace xl::ui::win32
