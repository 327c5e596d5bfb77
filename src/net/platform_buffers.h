#pragma once
// Reading the raw buffers the Windows adapter tables come in, kept free of
// platform headers so the bounds rules can be tested and fuzzed anywhere.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xl::net {

// A fixed-size character field up to its first NUL, never past its end.
std::string FixedText(const char* field, std::size_t size);

// One IP_ADAPTER_INDEX_MAP entry: the index and its UTF-16 device path.
struct InterfaceIndexEntry {
    std::int32_t index = 0;
    std::u16string name;  // up to the first NUL of the 128 units, never past them
};

inline constexpr std::size_t kInterfaceCountBytes = 4;
inline constexpr std::size_t kInterfaceNameUnits = 128;
inline constexpr std::size_t kInterfaceEntryBytes = 4 + 2 * kInterfaceNameUnits;

// The interface table as GetInterfaceInfo fills it (little-endian count, then
// entries of 260 bytes). A count that is not positive gives no entries; a count
// larger than the buffer holds is cut to the whole entries that fit.
std::vector<InterfaceIndexEntry> ParseInterfaceInfo(std::span<const std::byte> buffer);

}  // namespace xl::net
