#pragma once
// The table of pictures compiled into the program. Its definition is generated
// at build time from the committed files of art/ by src/ui/picture_embed.cmake.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace xl::ui::embedded {

struct Entry {
    std::string_view name;
    const std::uint8_t* bytes;
    std::size_t size;
};

extern const Entry kPictures[];
extern const std::size_t kPictureCount;

}  // namespace xl::ui::embedded
