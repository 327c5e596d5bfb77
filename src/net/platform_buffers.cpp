#include "net/platform_buffers.h"

#include <algorithm>
#include <cstring>

namespace xl::net {

namespace {

std::uint32_t ReadLe32(const std::byte* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | std::to_integer<std::uint32_t>(at[i]);
    return value;
}

std::uint16_t ReadLe16(const std::byte* at) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(at[0]) |
                                      (std::to_integer<unsigned>(at[1]) << 8));
}

}  // namespace

std::string FixedText(const char* field, std::size_t size) {
    const char* end = static_cast<const char*>(std::memchr(field, '\0', size));
    return std::string(field, end ? end : field + size);
}

std::vector<InterfaceIndexEntry> ParseInterfaceInfo(std::span<const std::byte> buffer) {
    std::vector<InterfaceIndexEntry> entries;
    if (buffer.size() < kInterfaceCountBytes) return entries;
    const auto count = static_cast<std::int32_t>(ReadLe32(buffer.data()));
    if (count <= 0) return entries;
    const std::size_t fits = (buffer.size() - kInterfaceCountBytes) / kInterfaceEntryBytes;
    const std::size_t n = std::min(static_cast<std::size_t>(count), fits);
    for (std::size_t i = 0; i < n; ++i) {
        const std::byte* at = buffer.data() + kInterfaceCountBytes + i * kInterfaceEntryBytes;
        InterfaceIndexEntry entry;
        entry.index = static_cast<std::int32_t>(ReadLe32(at));
        for (std::size_t u = 0; u < kInterfaceNameUnits; ++u) {
            const std::uint16_t unit = ReadLe16(at + 4 + 2 * u);
            if (unit == 0) break;
            entry.name.push_back(static_cast<char16_t>(unit));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace xl::net
