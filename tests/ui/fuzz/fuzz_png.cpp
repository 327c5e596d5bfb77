// Feeds arbitrary bytes to the PNG decoder: it must refuse or return a picture
// whose pixel buffer matches its size, never crash or read out of bounds.
#include <cstdint>
#include <cstdlib>

#include "ui/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto picture = xl::ui::DecodePng({data, size});
    if (picture && picture->bgra.size() != std::size_t(picture->width) * picture->height * 4) {
        std::abort();
    }
    return 0;
}
