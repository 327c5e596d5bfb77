#include "ui/picture.h"

namespace xl::ui {

std::span<const std::uint8_t> EmbeddedPicture(std::string_view) { return {}; }

std::optional<Picture> DecodePng(std::span<const std::uint8_t>) { return std::nullopt; }

const Picture* PictureCache::Get(std::string_view name) {
    auto it = decoded_.find(name);
    if (it == decoded_.end()) {
        it = decoded_.emplace(std::string(name), DecodePng(EmbeddedPicture(name))).first;
    }
    return it->second ? &*it->second : nullptr;
}

}  // namespace xl::ui
