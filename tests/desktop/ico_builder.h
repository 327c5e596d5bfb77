#pragma once
// Builds small, well-formed .ico files in memory (32-bit DIB images with their
// AND masks), and patches their fields, for tests that need real icon bytes.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace xl::desktop::test {

inline void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    PutU16(b, at, v & 0xFFFF);
    PutU16(b, at + 2, v >> 16);
}

inline std::size_t EntryAt(int index) {
    return 6 + 16 * static_cast<std::size_t>(index);
}

// One 32-bit image of `size` × `size` pixels, all of one opaque colour.
inline std::vector<std::uint8_t> DibImage(int size, std::uint8_t shade) {
    const auto s = static_cast<std::uint32_t>(size);
    const std::uint32_t pixels = s * s * 4;
    const std::uint32_t mask = (s + 31) / 32 * 4 * s;
    std::vector<std::uint8_t> dib(40 + pixels + mask, 0);
    PutU32(dib, 0, 40);
    PutU32(dib, 4, s);
    PutU32(dib, 8, 2 * s);  // colour rows and mask rows
    PutU16(dib, 12, 1);
    PutU16(dib, 14, 32);
    PutU32(dib, 20, pixels + mask);
    for (std::uint32_t p = 0; p < s * s; ++p) {
        dib[40 + 4 * p] = shade;
        dib[40 + 4 * p + 1] = static_cast<std::uint8_t>(255 - shade);
        dib[40 + 4 * p + 2] = 0x40;
        dib[40 + 4 * p + 3] = 0xFF;
    }
    return dib;
}

// An .ico holding one image per size, in the order given.
inline std::vector<std::uint8_t> BuildIco(std::initializer_list<int> sizes) {
    std::vector<std::vector<std::uint8_t>> images;
    std::uint8_t shade = 0x20;
    for (int size : sizes) images.push_back(DibImage(size, shade += 0x30));

    std::vector<std::uint8_t> ico(EntryAt(static_cast<int>(images.size())), 0);
    PutU16(ico, 2, 1);
    PutU16(ico, 4, static_cast<std::uint32_t>(images.size()));
    int index = 0;
    for (int size : sizes) {
        const std::vector<std::uint8_t>& image = images[static_cast<std::size_t>(index)];
        const std::size_t entry = EntryAt(index++);
        ico[entry] = static_cast<std::uint8_t>(size);
        ico[entry + 1] = static_cast<std::uint8_t>(size);
        PutU16(ico, entry + 4, 1);
        PutU16(ico, entry + 6, 32);
        PutU32(ico, entry + 8, static_cast<std::uint32_t>(image.size()));
        PutU32(ico, entry + 12, static_cast<std::uint32_t>(ico.size()));
        ico.insert(ico.end(), image.begin(), image.end());
    }
    return ico;
}

}  // namespace xl::desktop::test
