#include "ui/win32/gdi_cache_win32.h"

#include <cstring>

namespace xl::ui::win32 {

GdiCache::~GdiCache() {
    for (auto& [name, b] : bitmaps_) {
        if (b.handle) DeleteObject(b.handle);
    }
    for (auto& [key, f] : fonts_) DeleteObject(f);
    for (auto& [key, b] : brushes_) DeleteObject(b);
}

Bitmap GdiCache::Picture(std::string_view name) {
    if (auto it = bitmaps_.find(name); it != bitmaps_.end()) return it->second;
    Bitmap out;
    if (const ui::Picture* p = pictures_.Get(name); p != nullptr && p->width > 0 && p->height > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = p->width;
        info.bmiHeader.biHeight = -p->height;  // top-down rows, as decoded
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const size_t bytes = static_cast<size_t>(p->width) * p->height * 4;
        if (bmp != nullptr && bits != nullptr && p->bgra.size() >= bytes) {
            std::memcpy(bits, p->bgra.data(), bytes);
            out = {bmp, p->width, p->height};
        } else if (bmp != nullptr) {
            DeleteObject(bmp);
        }
    }
    bitmaps_.emplace(std::string(name), out);
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
