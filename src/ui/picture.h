#pragma once
// The windows' faces, buttons, check boxes and the program icon travel inside
// the executable as PNG (and .ico) bytes. This header finds them by name and
// turns PNG bytes into pixels the window layer can blit, once per picture.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xl::ui {

// Premultiplied BGRA, rows top-down, width * 4 bytes a row.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgra;
};

// The embedded bytes of a named picture (PNG, or the .ico for "app_icon");
// empty for an unknown name.
std::span<const std::uint8_t> EmbeddedPicture(std::string_view name);

// Decodes a PNG of any colour type and depth; nullopt on bad or truncated data.
std::optional<Picture> DecodePng(std::span<const std::uint8_t> png);

// Resamples premultiplied pixels to width x height by area averaging: each new
// pixel is the mean of the source area it covers, so shrinking stays sharp and
// free of moire. nullopt for a malformed source or a size out of range.
std::optional<Picture> ScalePicture(const Picture& source, int width, int height);

// The named picture at width x height, for screens scaled above 100 %: shrunk
// from its "@2x" art when that size is above its own (sharper than growing the
// small art), resampled from itself otherwise, decoded as is at its own size.
// Decodes on every call and keeps nothing; nullopt when the name is unknown.
std::optional<Picture> PictureAtSize(std::string_view name, int width, int height);

// Decodes each embedded picture the first time it is asked for and keeps it
// for the life of the cache. User-interface thread only.
class PictureCache {
  public:
    // nullptr when the name is unknown or its bytes do not decode.
    const Picture* Get(std::string_view name);

  private:
    std::map<std::string, std::optional<Picture>, std::less<>> decoded_;
};

}  // namespace xl::ui
