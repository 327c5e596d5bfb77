// The embedded pictures decode at the sizes the windows are laid out for, the
// decoder refuses hostile bytes without crashing, and the program icon has the
// layout the notification-area code reads.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/picture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace xl::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    const char* name;
    int width, height;
};

constexpr Expected kPictures[] = {
    {"login_face", 380, 492},
    {"main_face", 862, 560},
    {"adapter_dialog_face", 323, 197},
    {"confirm_dialog_face", 323, 197},
    {"check_on", 19, 19},
    {"check_off", 19, 19},
    {"radio_on", 20, 20},
    {"radio_off", 20, 20},
    {"connect_normal", 108, 34},
    {"connect_lit", 108, 34},
    {"connect_disabled", 108, 34},
    {"disconnect_normal", 108, 34},
    {"disconnect_lit", 108, 34},
    {"disconnect_disabled", 108, 34},
    {"switch_ip", 108, 34},
    {"login_normal", 309, 40},
    {"login_lit", 309, 40},
    {"login_disabled", 309, 40},
    {"ok_button", 76, 30},
    {"cancel_button", 76, 30},
    {"sweep_bar", 500, 30},
};

TEST(EmbeddedPictures, EveryNameDecodesAtItsSizeOnceAndIsKept) {
    PictureCache cache;
    for (const auto& [name, width, height] : kPictures) {
        SCOPED_TRACE(name);
        const Picture* picture = cache.Get(name);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, width);
        EXPECT_EQ(picture->height, height);
        EXPECT_EQ(picture->bgra.size(), std::size_t(width) * height * 4);
        EXPECT_EQ(cache.Get(name), picture) << "decoded again instead of kept";
        const Picture* large = cache.Get(std::string(name) + "@2x");
        ASSERT_NE(large, nullptr);
        EXPECT_EQ(large->width, 2 * width);
        EXPECT_EQ(large->height, 2 * height);
    }
}

TEST(EmbeddedPictures, UnknownNamesHaveNoBytesAndNoPicture) {
    PictureCache cache;
    for (const char* name : {"", "login_face.png", "LOGIN_FACE", "check", "app_icon "}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(EmbeddedPicture(name).empty());
        EXPECT_EQ(cache.Get(name), nullptr);
    }
    // The icon is embedded but is not a PNG: bytes, yet no picture.
    EXPECT_FALSE(EmbeddedPicture("app_icon").empty());
    EXPECT_EQ(cache.Get("app_icon"), nullptr);
}

// A pixel read back from a decoded picture, as r, g, b, a.
struct Rgba {
    int r, g, b, a;
};

Rgba PixelAt(const Picture& picture, int x, int y) {
    const auto* p = &picture.bgra[(std::size_t(y) * picture.width + x) * 4];
    return {p[2], p[1], p[0], p[3]};
}

// Spots that tell the pictures apart: a face swapped for another, a lit state
// that is not lighter, a disabled state that is not grey.
TEST(EmbeddedPictures, LookAtTheirTellingSpots) {
    struct Spot {
        const char* name;
        int x, y;
        Rgba colour;
    };
    constexpr Rgba kGreen{39, 159, 137, 255}, kWhite{255, 255, 255, 255};
    const Spot spots[] = {
        {"main_face", 400, 18, kGreen},    // title band
        {"main_face", 300, 300, kWhite},   // under the server list
        {"login_face", 190, 420, kWhite},  // under the login button
        {"sweep_bar", 0, 0, kGreen},
        {"sweep_bar", 499, 29, kGreen},
        {"check_on", 4, 4, kGreen},
        {"check_off", 9, 9, kWhite},
        {"radio_on", 10, 10, kGreen},
        {"radio_off", 10, 10, kWhite},
        {"connect_normal", 8, 17, kGreen},
        {"disconnect_normal", 8, 17, kGreen},
        {"login_normal", 10, 20, kGreen},
        {"ok_button", 6, 15, kGreen},
        {"cancel_button", 6, 15, kGreen},
        {"switch_ip", 8, 17, kWhite},
        {"switch_ip", 0, 17, kGreen},  // its green border
        {"connect_disabled", 8, 17, {195, 202, 200, 255}},
        {"login_disabled", 10, 20, {195, 202, 200, 255}},
        {"connect_lit", 8, 17, {60, 179, 156, 255}},
        {"login_lit", 10, 20, {60, 179, 156, 255}},
    };
    PictureCache cache;
    for (const auto& [name, x, y, want] : spots) {
        SCOPED_TRACE(std::string(name) + " at " + std::to_string(x) + "," + std::to_string(y));
        const Picture* picture = cache.Get(name);
        ASSERT_NE(picture, nullptr);
        const Rgba got = PixelAt(*picture, x, y);
        EXPECT_NEAR(got.r, want.r, 3);
        EXPECT_NEAR(got.g, want.g, 3);
        EXPECT_NEAR(got.b, want.b, 3);
        EXPECT_EQ(got.a, want.a);
    }
}

Picture Make(int width, int height, Bytes bgra) {
    return {width, height, std::move(bgra)};
}

TEST(ScalePicture, AveragesTheAreaEachNewPixelCovers) {
    const struct {
        const char* what;
        Picture source;
        int width, height;
        Bytes want;
    } cases[] = {
        {"halving averages 2 x 2 blocks",
         Make(4, 2, {0,  0,  0,  0,   40, 40, 40, 100, 200, 0, 0,   200, 0, 0, 0, 255,
                     40, 40, 40, 100, 80, 80, 80, 200, 0,   0, 200, 200, 0, 0, 0, 255}),
         2,
         1,
         {40, 40, 40, 100, 50, 0, 50, 228}},
        {"two thirds weighs the middle pixel half into each",
         Make(3, 1, {30, 30, 30, 255, 60, 60, 60, 255, 90, 90, 90, 255}),
         2,
         1,
         {40, 40, 40, 255, 80, 80, 80, 255}},
        {"growing repeats a pixel", Make(1, 1, {10, 20, 30, 40}), 3, 2, Bytes(6, 0)},
        {"the same size copies",
         Make(2, 1, {1, 2, 3, 4, 5, 6, 7, 8}),
         2,
         1,
         {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& [what, source, width, height, want] : cases) {
        SCOPED_TRACE(what);
        const auto scaled = ScalePicture(source, width, height);
        ASSERT_TRUE(scaled.has_value());
        EXPECT_EQ(scaled->width, width);
        EXPECT_EQ(scaled->height, height);
        if (std::string_view(what) == "growing repeats a pixel") {
            for (std::size_t i = 0; i < scaled->bgra.size(); i += 4) {
                EXPECT_EQ(Bytes(scaled->bgra.begin() + i, scaled->bgra.begin() + i + 4),
                          (Bytes{10, 20, 30, 40}));
            }
        } else {
            EXPECT_EQ(scaled->bgra, want);
        }
    }
}

TEST(ScalePicture, RefusesMalformedSourcesAndSizes) {
    const Picture good = Make(2, 2, Bytes(16, 255));
    const struct {
        const char* what;
        Picture source;
        int width, height;
    } cases[] = {
        {"zero width", good, 0, 2},
        {"negative height", good, 2, -1},
        {"absurd size", good, 20000, 20000},
        {"empty source", Picture{}, 2, 2},
        {"pixels shorter than the size", Make(2, 2, Bytes(15, 255)), 1, 1},
        {"negative source size", Make(-2, -2, Bytes(16, 255)), 1, 1},
    };
    for (const auto& [what, source, width, height] : cases) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(ScalePicture(source, width, height).has_value());
    }
}

TEST(PictureAtSize, ShrinksTheLargeArtForScaledScreens) {
    const auto own = PictureAtSize("login_face", 380, 492);
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(own->bgra, DecodePng(EmbeddedPicture("login_face"))->bgra);

    // At 200 % the large art is used as it is, at 150 % it is shrunk.
    const auto doubled = PictureAtSize("login_face", 760, 984);
    ASSERT_TRUE(doubled.has_value());
    EXPECT_EQ(doubled->bgra, DecodePng(EmbeddedPicture("login_face@2x"))->bgra);
    const auto large = DecodePng(EmbeddedPicture("check_on@2x"));
    ASSERT_TRUE(large.has_value());
    const auto at150 = PictureAtSize("check_on", 29, 29);
    ASSERT_TRUE(at150.has_value());
    EXPECT_EQ(at150->bgra, ScalePicture(*large, 29, 29)->bgra);
    for (std::size_t i = 0; i < at150->bgra.size(); i += 4) {
        for (int c = 0; c < 3; ++c) ASSERT_LE(at150->bgra[i + c], at150->bgra[i + 3]);
    }
    // Below 100 % the small art is shrunk.
    const auto small = PictureAtSize("check_on", 10, 10);
    ASSERT_TRUE(small.has_value());
    EXPECT_EQ(small->bgra, ScalePicture(*DecodePng(EmbeddedPicture("check_on")), 10, 10)->bgra);

    EXPECT_FALSE(PictureAtSize("no_such_picture", 10, 10).has_value());
    EXPECT_FALSE(PictureAtSize("app_icon", 48, 48).has_value());
    EXPECT_FALSE(PictureAtSize("check_on", 0, 29).has_value());
}

// Encodes straight-alpha pixels with libpng's own writer.
Bytes EncodePng(int width, int height, std::uint32_t format, const Bytes& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    Bytes png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr))
        return {};
    png.resize(size);
    return png;
}

TEST(DecodePng, GivesPremultipliedBgraTopDown) {
    const Bytes rgba = {255, 0,  0,  255, 0,   0,   255, 128,  // red; half-transparent blue
                        10,  20, 30, 0,   255, 255, 255, 64};  // transparent; quarter white
    const auto picture = DecodePng(EncodePng(2, 2, PNG_FORMAT_RGBA, rgba));
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 2);
    EXPECT_EQ(picture->height, 2);
    const Bytes want = {0, 0, 255, 255, 128, 0, 0, 128, 0, 0, 0, 0, 64, 64, 64, 64};
    EXPECT_EQ(picture->bgra, want);
}

TEST(DecodePng, TakesGreyAndRgbWithoutAlphaAsOpaque) {
    const auto grey = DecodePng(EncodePng(3, 1, PNG_FORMAT_GRAY, {0, 128, 255}));
    ASSERT_TRUE(grey.has_value());
    EXPECT_EQ(grey->bgra, (Bytes{0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}));
    const auto rgb = DecodePng(EncodePng(1, 2, PNG_FORMAT_RGB, {1, 2, 3, 200, 100, 50}));
    ASSERT_TRUE(rgb.has_value());
    EXPECT_EQ(rgb->bgra, (Bytes{3, 2, 1, 255, 50, 100, 200, 255}));
}

// A PNG chunk with its length and CRC, for headers no encoder would write.
void AppendChunk(Bytes& png, const char* type, const Bytes& body) {
    const auto put32 = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(std::uint8_t(v >> shift));
    };
    put32(static_cast<std::uint32_t>(body.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    put32(static_cast<std::uint32_t>(
        crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// A well-formed signature and header claiming width x height, then no pixels.
Bytes HeaderOnly(std::uint32_t width, std::uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes ihdr;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(std::uint8_t(v >> shift));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    AppendChunk(png, "IHDR", ihdr);
    AppendChunk(png, "IEND", {});
    return png;
}

TEST(DecodePng, RefusesHostileBytes) {
    const Bytes valid(EmbeddedPicture("check_on").begin(), EmbeddedPicture("check_on").end());
    ASSERT_GT(valid.size(), 60u);
    Bytes bad_crc = valid;
    bad_crc[valid.size() / 2] ^= 0x5a;  // inside the image data
    Bytes bad_signature = valid;
    bad_signature[1] = 'J';
    Bytes garbage(4096);
    std::generate(garbage.begin(), garbage.end(), [n = 7u]() mutable {
        return std::uint8_t((n = n * 1103515245u + 12345u) >> 16);
    });
    const Bytes signature_only(valid.begin(), valid.begin() + 8);
    const Bytes icon(EmbeddedPicture("app_icon").begin(), EmbeddedPicture("app_icon").end());

    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"nothing", {}},
        {"signature only", signature_only},
        {"signature with a wrong byte", bad_signature},
        {"damaged image data", bad_crc},
        {"random bytes", garbage},
        {"an icon", icon},
        {"header claiming 100000 x 100000", HeaderOnly(100000, 100000)},
        {"header claiming 0 x 10", HeaderOnly(0, 10)},
        {"header claiming 5000 x 5000 without pixels", HeaderOnly(5000, 5000)},
        {"header of 4 x 4 without pixels", HeaderOnly(4, 4)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(DecodePng(bytes).has_value());
    }
}

TEST(DecodePng, RefusesEveryTruncationOfAPicture) {
    const auto embedded = EmbeddedPicture("radio_on");
    const Bytes valid(embedded.begin(), embedded.end());
    ASSERT_TRUE(DecodePng(valid).has_value());
    constexpr std::size_t kIendChunk = 12;
    for (std::size_t length = 0; length + kIendChunk < valid.size(); ++length) {
        EXPECT_FALSE(DecodePng({valid.data(), length}).has_value()) << "cut at " << length;
    }
}

std::uint32_t Le(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | bytes[at + i];
    return v;
}

TEST(AppIcon, HoldsFour32BitImagesIn9622Bytes) {
    const auto ico = EmbeddedPicture("app_icon");
    ASSERT_EQ(ico.size(), 9622u);
    EXPECT_EQ(Le(ico, 0, 2), 0u);  // reserved
    EXPECT_EQ(Le(ico, 2, 2), 1u);  // icon, not cursor
    ASSERT_EQ(Le(ico, 4, 2), 4u);
    std::uint32_t next_offset = 6 + 4 * 16;
    for (int index = 0; index < 4; ++index) {
        const int side = std::vector{32, 24, 20, 16}[index];
        SCOPED_TRACE(side);
        const std::size_t entry = 6 + 16 * std::size_t(index);
        EXPECT_EQ(Le(ico, entry, 1), std::uint32_t(side));
        EXPECT_EQ(Le(ico, entry + 1, 1), std::uint32_t(side));
        EXPECT_EQ(Le(ico, entry + 4, 2), 1u);   // planes
        EXPECT_EQ(Le(ico, entry + 6, 2), 32u);  // bits per pixel
        const std::uint32_t mask_row = (side + 31) / 32 * 4;
        const std::uint32_t size = 40 + side * side * 4 + side * mask_row;
        EXPECT_EQ(Le(ico, entry + 8, 4), size);
        const std::uint32_t offset = Le(ico, entry + 12, 4);
        ASSERT_EQ(offset, next_offset);
        next_offset += size;
        // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
        EXPECT_EQ(Le(ico, offset, 4), 40u);
        EXPECT_EQ(Le(ico, offset + 4, 4), std::uint32_t(side));
        EXPECT_EQ(Le(ico, offset + 8, 4), std::uint32_t(2 * side));
        EXPECT_EQ(Le(ico, offset + 14, 2), 32u);
        // The centre pixel is opaque and greenish; the corner is transparent.
        const std::size_t centre = offset + 40 + (std::size_t(side / 2) * side + side / 2) * 4;
        EXPECT_EQ(ico[centre + 3], 255);
        EXPECT_EQ(ico[offset + 40 + 3], 0);
    }
    EXPECT_EQ(next_offset, ico.size());
}

#ifdef _WIN32
// The shell's loader is what finally reads the icon: every image must make an
// icon of its own size.
TEST(AppIcon, EveryImageLoadsWithTheSystemIconLoader) {
    const auto ico = EmbeddedPicture("app_icon");
    ASSERT_EQ(ico.size(), 9622u);
    for (int index = 0; index < 4; ++index) {
        const std::size_t entry = 6 + 16 * std::size_t(index);
        const int side = int(Le(ico, entry, 1));
        SCOPED_TRACE(side);
        auto* image = const_cast<BYTE*>(ico.data() + Le(ico, entry + 12, 4));
        HICON icon = CreateIconFromResourceEx(image, Le(ico, entry + 8, 4), TRUE, 0x30000, 0, 0,
                                              LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        ASSERT_NE(GetObjectW(info.hbmColor, sizeof colour, &colour), 0);
        EXPECT_EQ(colour.bmWidth, side);
        EXPECT_EQ(colour.bmHeight, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}
#endif

}  // namespace
}  // namespace xl::ui
