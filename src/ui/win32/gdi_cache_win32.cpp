#include "ui/win32/gdi_cache_win32.h"

#include "ui/win32/dpi_win32.h"
#include "ui/win32/icon_win32.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

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
        if (w == p->width && h == p->height) {
            out = ToDibSection(*p);
        } else if (auto scaled = PictureAtSize(name, w, h)) {
            out = ToDibSection(*scaled);  // from the @2x art where there is one
        }
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
        lf = MessageFontForDpi(dpi);
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
