#include "ui/win32_backend/gdi_cache_win32.h"

#include "ui/win32_backend/dpi_win32.h"
#include "ui/win32_backend/icon_win32.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace xl::ui::win32_backend {

HICON GdiCache::Icon(int size) {
    if (auto it = icons_.find(size); it != icons_.end()) return it->second.get();
    HICON icon = IconFromIcoFile(EmbeddedPicture("app_icon"), size);
    icons_.emplace(size, win32::IconHandle(icon));
    return icon;
}

namespace {

constexpr std::size_t kPaletteSize = 256;

using OwnedDib = win32::GdiObject<HBITMAP>;

// A picture's DIB section as the cache keeps it.
struct Dib {
    OwnedDib handle;
    int width = 0, height = 0;
    bool opaque = false;
};

// A top-down DIB section of w x h at `bits` per pixel, with `colours`
// palette entries; its pixels in *pixels.
OwnedDib NewDibSection(int w, int h, WORD bits, const std::vector<RGBQUAD>& colours,
                       void** pixels) {
    std::vector<std::uint8_t> header(sizeof(BITMAPINFOHEADER) + colours.size() * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = w;
    info->bmiHeader.biHeight = -h;  // top-down rows, as decoded
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = bits;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colours.size());
    if (!colours.empty()) {
        std::memcpy(info->bmiColors, colours.data(), colours.size() * sizeof(RGBQUAD));
    }
    *pixels = nullptr;
    OwnedDib bmp(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, pixels, nullptr, 0));
    if (*pixels == nullptr) return {};
    return bmp;
}

// DIB rows are padded to whole 32-bit words.
std::size_t Stride(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

bool IsOpaque(const ui::Picture& p) {
    for (std::size_t i = 3; i < p.bgra.size(); i += 4) {
        if (p.bgra[i] != 0xFF) return false;
    }
    return true;
}

// The colours of an opaque picture, as BGR keys, if there are at most 256.
std::optional<std::vector<std::uint32_t>> FewColours(const ui::Picture& p) {
    std::vector<std::uint32_t> colours;
    std::uint32_t last = 0xFFFFFFFF;  // runs of one colour are the rule in a face
    for (std::size_t i = 0; i + 3 < p.bgra.size(); i += 4) {
        const std::uint32_t bgr = p.bgra[i] | (p.bgra[i + 1] << 8) | (p.bgra[i + 2] << 16);
        if (bgr == last || std::ranges::find(colours, bgr) != colours.end()) continue;
        last = bgr;
        if (colours.size() == kPaletteSize) return std::nullopt;
        colours.push_back(bgr);
    }
    std::ranges::sort(colours);
    return colours;
}

// An opaque picture needs no alpha: kept with a palette when it has few
// colours, else at 24 bits, and copied with BitBlt. Both keep every pixel as
// decoded, at a quarter or three quarters of the memory.
Dib OpaqueDibSection(const ui::Picture& p) {
    const auto palette = FewColours(p);
    const WORD bits = palette ? 8 : 24;
    std::vector<RGBQUAD> colours;
    if (palette) {
        for (const std::uint32_t bgr : *palette) {
            colours.push_back({static_cast<BYTE>(bgr), static_cast<BYTE>(bgr >> 8),
                               static_cast<BYTE>(bgr >> 16), 0});
        }
    }
    void* pixels = nullptr;
    OwnedDib bmp = NewDibSection(p.width, p.height, bits, colours, &pixels);
    if (!bmp) return {};
    const std::size_t stride = Stride(p.width, bits);
    for (int y = 0; y < p.height; ++y) {
        auto* out = static_cast<std::uint8_t*>(pixels) + static_cast<std::size_t>(y) * stride;
        const std::uint8_t* in = &p.bgra[static_cast<std::size_t>(y) * p.width * 4];
        for (int x = 0; x < p.width; ++x, in += 4) {
            if (palette) {
                const std::uint32_t bgr = in[0] | (in[1] << 8) | (in[2] << 16);
                out[x] = static_cast<std::uint8_t>(std::ranges::lower_bound(*palette, bgr) -
                                                   palette->begin());
            } else {
                std::memcpy(out + static_cast<std::size_t>(x) * 3, in, 3);
            }
        }
    }
    return {std::move(bmp), p.width, p.height, true};
}

Dib ToDibSection(const ui::Picture& p) {
    const size_t bytes = static_cast<size_t>(p.width) * p.height * 4;
    if (p.bgra.size() < bytes) return {};
    if (IsOpaque(p)) return OpaqueDibSection(p);
    void* pixels = nullptr;
    OwnedDib bmp = NewDibSection(p.width, p.height, 32, {}, &pixels);
    if (!bmp) return {};
    std::memcpy(pixels, p.bgra.data(), bytes);
    return {std::move(bmp), p.width, p.height, false};
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
                 .emplace(std::move(key),
                          OwnedBitmap{std::move(dib.handle), dib.width, dib.height, dib.opaque})
                 .first;
    }
    const OwnedBitmap& b = it->second;
    return {b.handle.get(), b.width, b.height, b.opaque};
}

void GdiCache::ForgetPicture(std::string_view name) {
    for (auto it = bitmaps_.lower_bound(std::make_pair(std::string(name), UINT{0}));
         it != bitmaps_.end() && it->first.first == name;) {
        it = bitmaps_.erase(it);
    }
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
        lf = MessageFontForDpi(dpi);
    }
    HFONT f = CreateFontIndirectW(&lf);
    fonts_.emplace(key, win32::GdiObject<HFONT>(f));
    return f;
}

HBRUSH GdiCache::Brush(const Colour& c) {
    const auto key = std::make_tuple(int{c.r}, int{c.g}, int{c.b});
    if (auto it = brushes_.find(key); it != brushes_.end()) return it->second.get();
    HBRUSH b = CreateSolidBrush(ToColorRef(c));
    brushes_.emplace(key, win32::GdiObject<HBRUSH>(b));
    return b;
}

}  // namespace xl::ui::win32_backend
