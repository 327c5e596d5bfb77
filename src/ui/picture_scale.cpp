#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "ui/picture.h"

namespace xl::ui {
namespace {

// Large enough for the main face at 400 %; anything bigger is a caller's bug.
constexpr std::size_t kMaxScaledPixels = 4096 * 4096;

// The source pixels one target pixel covers along one axis, with the share of
// each in the target pixel (the shares add up to 1).
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> AreaTaps(int from, int to) {
    const double step = static_cast<double>(from) / to;
    std::vector<Taps> taps(static_cast<std::size_t>(to));
    for (int i = 0; i < to; ++i) {
        const double lo = i * step, hi = (i + 1) * step;
        auto& tap = taps[static_cast<std::size_t>(i)];
        tap.first = static_cast<int>(std::floor(lo));
        const int end = std::min(from, static_cast<int>(std::ceil(hi)));
        for (int j = tap.first; j < end; ++j) {
            const double cover = std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j));
            tap.weights.push_back(static_cast<float>(cover / step));
        }
    }
    return taps;
}

}  // namespace

std::optional<Picture> ScalePicture(const Picture& source, int width, int height) {
    const std::size_t source_pixels =
        std::size_t(std::max(source.width, 0)) * std::size_t(std::max(source.height, 0));
    if (source_pixels == 0 || source.bgra.size() != source_pixels * 4) return std::nullopt;
    if (width <= 0 || height <= 0 || std::size_t(width) * std::size_t(height) > kMaxScaledPixels) {
        return std::nullopt;
    }
    // Rows first, into floats, then columns: two passes of a separable filter.
    const auto across = AreaTaps(source.width, width);
    std::vector<float> rows(std::size_t(width) * source.height * 4);
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* in = &source.bgra[std::size_t(y) * source.width * 4];
        float* out = &rows[std::size_t(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            const auto& tap = across[std::size_t(x)];
            for (std::size_t k = 0; k < tap.weights.size(); ++k) {
                const std::uint8_t* p = in + (std::size_t(tap.first) + k) * 4;
                for (int c = 0; c < 4; ++c) out[x * 4 + c] += tap.weights[k] * p[c];
            }
        }
    }
    const auto down = AreaTaps(source.height, height);
    Picture scaled{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    std::vector<float> sum(std::size_t(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::ranges::fill(sum, 0.0f);
        const auto& tap = down[std::size_t(y)];
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const float* in = &rows[(std::size_t(tap.first) + k) * width * 4];
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += tap.weights[k] * in[i];
        }
        std::uint8_t* out = &scaled.bgra[std::size_t(y) * width * 4];
        for (std::size_t i = 0; i < sum.size(); i += 4) {
            const auto to_byte = [](float v) {
                return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
            };
            out[i + 3] = to_byte(sum[i + 3]);
            // Rounding must not leave a colour above its alpha: premultiplied
            // blending would overflow it.
            for (int c = 0; c < 3; ++c) out[i + c] = std::min(to_byte(sum[i + c]), out[i + 3]);
        }
    }
    return scaled;
}

std::optional<Picture> PictureAtSize(std::string_view name, int width, int height) {
    auto own = DecodePng(EmbeddedPicture(name));
    if (!own || (width == own->width && height == own->height)) return own;
    if (width > own->width || height > own->height) {
        if (auto large = DecodePng(EmbeddedPicture(std::string(name) + "@2x"))) {
            if (width == large->width && height == large->height) return large;
            return ScalePicture(*large, width, height);
        }
    }
    return ScalePicture(*own, width, height);
}

}  // namespace xl::ui
