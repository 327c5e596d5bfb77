// Feeds arbitrary bytes to the PNG decoder, then scales what it accepts: each
// step must refuse or return premultiplied pixels matching the picture's size,
// never crash or read out of bounds.
#include <cstdint>
#include <cstdlib>

#include "ui/picture.h"

namespace {

void CheckPremultiplied(const xl::ui::Picture& picture) {
    if (picture.bgra.size() != std::size_t(picture.width) * picture.height * 4) std::abort();
    for (std::size_t i = 0; i < picture.bgra.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            if (picture.bgra[i + c] > picture.bgra[i + 3]) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto picture = xl::ui::DecodePng({data, size});
    if (!picture) return 0;
    CheckPremultiplied(*picture);
    // Sizes from the input's own bytes: shrinking and growing, odd ratios.
    const int width = 1 + data[size / 2] % 48, height = 1 + data[size - 1] % 48;
    const auto scaled = xl::ui::ScalePicture(*picture, width, height);
    if (!scaled || scaled->width != width || scaled->height != height) std::abort();
    CheckPremultiplied(*scaled);
    return 0;
}
