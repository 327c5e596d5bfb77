#include "ui/win32/gdi_cache_win32.h"

#include "ui/win32/icon_win32.h"

#include <cstring>

namespace xl::ui::win32 {

HICON GdiCache::Icon(int size) {
    if (auto it = icons_.find(size); it != icons_.end()) return it->second.get();
    HICON icon = IconFromIcoFile(EmbeddedPicture("app_icon"), size);
    icons_.emplace(size, ::xl::win32::IconHandle(icon));
    return icon;
}

namespace {

struct Dib {
    ::xl::win32::GdiObject<HBITMAP> handle;
    int width = 0, height = 0;
};

Dib ToDibSection(const ui::Picture& p) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;  // top-down rows, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ::xl::win32::GdiObject<HBITMAP> bmp(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const size_t bytes = static_cast<size_t>(p.width) * p.height * 4;
    if (!bmp || bits == nullptr || p.bgra.size() < bytes) return {};
    std::memcpy(bits, p.bgra.data(), bytes);
    return {std::move(bmp), p.width, p.height};
}

}  // namespace

Bitmap GdiCache::Picture(std::string_view name, UINT dpi) {
    auto key = std::make_pair(std::string(name), dpi);
    auto it = bitmaps_.find(key);
    if (it == bitmaps_.end()) {
        Dib dib;
        if (auto p = DecodePng(EmbeddedPicture(name)); p && p->width > 0 && p->height > 0) {
            const int w = Scale(p->width, dpi), h = Scale(p->height, dpi);
            if (w == p->width && h == p->height) {
                dib = ToDibSection(*p);
            } else if (auto scaled = PictureAtSize(name, w, h)) {
                dib = ToDibSection(*scaled);  // from the @2x art where there is one
            }
        }
        it = bitmaps_
                 .emplace(std::move(key), OwnedBitmap{std::move(dib.handle), dib.width, dib.height})
                 .first;
    }
    return {it->second.handle.get(), it->second.width, it->second.height};
}

HFONT GdiCache::FontFor(const Font& font, UINT dpi) {
    const auto key = std::make_tuple(font.pixels, font.bold, dpi);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second.get();
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
    fonts_.emplace(key, ::xl::win32::GdiObject<HFONT>(f));
    return f;
}

HBRUSH GdiCache::Brush(const Colour& c) {
    const auto key = std::make_tuple(int{c.r}, int{c.g}, int{c.b});
    if (auto it = brushes_.find(key); it != brushes_.end()) return it->second.get();
    HBRUSH b = CreateSolidBrush(ToColorRef(c));
    brushes_.emplace(key, ::xl::win32::GdiObject<HBRUSH>(b));
    return b;
}

}  // namespace xl::ui::win32
