#include "ui/picture.h"

#include <png.h>

#include <algorithm>
#include <cstddef>

#include "ui/picture_embedded.h"

namespace xl::ui {
namespace {

// Far beyond any face the program draws; a header claiming more is hostile or
// broken, and refusing it keeps a few bytes from demanding gigabytes.
constexpr std::size_t kMaxPixels = 4096 * 4096;
constexpr std::size_t kSignatureBytes = 8;

// Straight alpha to premultiplied, rounding to nearest like the GDI blender.
void Premultiply(std::vector<std::uint8_t>& bgra) {
    for (std::size_t i = 0; i + 3 < bgra.size(); i += 4) {
        const unsigned alpha = bgra[i + 3];
        if (alpha == 255) continue;
        for (std::size_t c = 0; c < 3; ++c) {
            bgra[i + c] = static_cast<std::uint8_t>((bgra[i + c] * alpha + 127) / 255);
        }
    }
}

}  // namespace

std::span<const std::uint8_t> EmbeddedPicture(std::string_view name) {
    const std::span table(embedded::kPictures, embedded::kPictureCount);
    const auto it = std::ranges::find(table, name, &embedded::Entry::name);
    if (it == table.end()) return {};
    return {it->bytes, it->size};
}

std::optional<Picture> DecodePng(std::span<const std::uint8_t> png) {
    if (png.size() < kSignatureBytes || png_sig_cmp(png.data(), 0, kSignatureBytes) != 0) {
        return std::nullopt;
    }
    // The simplified reader keeps libpng's longjmp inside libpng: every error,
    // truncation included, comes back as a zero result.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size()) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    image.format = PNG_FORMAT_BGRA;
    const std::size_t pixels = std::size_t{image.width} * image.height;
    if (image.width == 0 || image.height == 0 || pixels > kMaxPixels) {
        png_image_free(&image);
        return std::nullopt;
    }
    Picture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.bgra.resize(PNG_IMAGE_SIZE(image));
    const int ok = png_image_finish_read(&image, nullptr, picture.bgra.data(), 0, nullptr);
    png_image_free(&image);
    if (ok == 0) return std::nullopt;
    Premultiply(picture.bgra);
    return picture;
}

const Picture* PictureCache::Get(std::string_view name) {
    auto it = decoded_.find(name);
    if (it == decoded_.end()) {
        const auto bytes = EmbeddedPicture(name);
        if (bytes.empty()) return nullptr;  // unknown names are not remembered
        it = decoded_.emplace(std::string(name), DecodePng(bytes)).first;
    }
    return it->second ? &*it->second : nullptr;
}

}  // namespace xl::ui
