#include "desktop/ico_file.h"

#include <cstddef>

namespace xl::desktop {
namespace {

constexpr std::size_t kHeaderSize = 6;  // reserved, type, count
constexpr std::size_t kEntrySize = 16;
constexpr std::uint16_t kIconType = 1;  // 2 would be a cursor file

std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

int Dimension(std::uint8_t stored) {
    return stored == 0 ? 256 : stored;
}

}  // namespace

std::optional<IcoImage> FindIcoImage(std::span<const std::uint8_t> ico, int index) {
    if (index < 0 || ico.size() < kHeaderSize) return std::nullopt;
    if (ReadU16(ico, 0) != 0 || ReadU16(ico, 2) != kIconType) return std::nullopt;
    const std::size_t count = ReadU16(ico, 4);
    const auto wanted = static_cast<std::size_t>(index);
    if (wanted >= count) return std::nullopt;
    const std::size_t entry = kHeaderSize + kEntrySize * wanted;
    if (entry + kEntrySize > ico.size()) return std::nullopt;

    const std::uint64_t size = ReadU32(ico, entry + 8);
    const std::uint64_t offset = ReadU32(ico, entry + 12);
    // 64-bit sums: offset + size cannot wrap.
    if (size == 0 || offset + size > ico.size()) return std::nullopt;

    IcoImage image;
    image.width = Dimension(ico[entry]);
    image.height = Dimension(ico[entry + 1]);
    image.bytes = ico.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    return image;
}

}  // namespace xl::desktop
