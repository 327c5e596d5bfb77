// Icon directories of any shape: every image found must lie inside the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "desktop/ico_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (int index = -1; index < 4; ++index) {
        const auto image = xl::desktop::FindIcoImage(bytes, index);
        if (!image) continue;
        if (image->bytes.data() < data || image->bytes.data() + image->bytes.size() > data + size ||
            image->bytes.empty() || image->width < 1 || image->width > 256) {
            std::abort();
        }
    }
    return 0;
}
