#pragma once
// Finds one image inside a Windows .ico file held in memory. The bytes may come
// from anywhere, so every field is checked against the data before it is used:
// a short or inconsistent file gives no image rather than a read past its end.
#include <cstdint>
#include <optional>
#include <span>

namespace xl::desktop {

struct IcoImage {
    int width = 0;                        // pixels; the file's 0 means 256
    int height = 0;                       // pixels; the file's 0 means 256
    std::span<const std::uint8_t> bytes;  // the image itself (a DIB or a PNG), inside the file
};

// Directory entry `index` and its image; nullopt when the data is not an icon
// file, its directory has no such entry, or the entry's image lies outside the data.
std::optional<IcoImage> FindIcoImage(std::span<const std::uint8_t> ico, int index);

}  // namespace xl::desktop
