#include "desktop/ico_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "desktop/ico_builder.h"

namespace xl::desktop {
namespace {

using test::BuildIco;
using test::EntryAt;
using test::PutU16;
using test::PutU32;

TEST(IcoFile, FindsEachImageOfAWellFormedFile) {
    const std::vector<std::uint8_t> ico = BuildIco({32, 24, 20, 16});
    const int sizes[] = {32, 24, 20, 16};
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        const auto image = FindIcoImage(ico, index);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, sizes[index]);
        EXPECT_EQ(image->height, sizes[index]);
        EXPECT_EQ(image->bytes.size(), test::DibImage(sizes[index], 0).size());
        // The image starts with its 40-byte header and lies inside the file.
        EXPECT_EQ(image->bytes[0], 40);
        EXPECT_GE(image->bytes.data(), ico.data());
        EXPECT_LE(image->bytes.data() + image->bytes.size(), ico.data() + ico.size());
    }
}

TEST(IcoFile, ZeroSizeMeans256Pixels) {
    std::vector<std::uint8_t> ico = BuildIco({16});
    ico[EntryAt(0)] = 0;
    ico[EntryAt(0) + 1] = 0;
    const auto image = FindIcoImage(ico, 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 256);
    EXPECT_EQ(image->height, 256);
}

TEST(IcoFile, TheProgramIconHasFourImagesLargestFirst) {
    std::ifstream file(XIULAN_APP_ICON_PATH, std::ios::binary);
    if (!file) GTEST_SKIP() << "no program icon at " << XIULAN_APP_ICON_PATH;
    const std::vector<std::uint8_t> ico{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(ico.size(), 9622u);
    const int sizes[] = {32, 24, 20, 16};
    for (int index = 0; index < 4; ++index) {
        const auto image = FindIcoImage(ico, index);
        ASSERT_TRUE(image) << index;
        EXPECT_EQ(image->width, sizes[index]);
    }
    EXPECT_FALSE(FindIcoImage(ico, 4));
}

// Each case damages a good two-image file; every one must give no image.
TEST(IcoFile, MalformedDataGivesNoImage) {
    const std::vector<std::uint8_t> good = BuildIco({32, 16});
    const std::size_t second = EntryAt(1);
    const std::size_t lastSize = test::DibImage(16, 0).size();
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        int index;
    };
    const Case cases[] = {
        {"empty", [](auto& b) { b.clear(); }, 0},
        {"short header", [](auto& b) { b.resize(5); }, 0},
        {"header only", [](auto& b) { b.resize(6); }, 0},
        {"directory cut inside the entry", [&](auto& b) { b.resize(second + 15); }, 1},
        {"cursor file", [](auto& b) { PutU16(b, 2, 2); }, 0},
        {"reserved field set", [](auto& b) { PutU16(b, 0, 1); }, 0},
        {"index past the directory", [](auto&) {}, 2},
        {"negative index", [](auto&) {}, -1},
        {"count smaller than the index", [](auto& b) { PutU16(b, 4, 1); }, 1},
        {"count claims more entries than the bytes hold", [](auto& b) { PutU16(b, 4, 4000); },
         3999},
        {"offset past the end", [&](auto& b) { PutU32(b, second + 12, 0x7FFFFFF0); }, 1},
        {"size past the end", [&](auto& b) { PutU32(b, second + 8, 0x7FFFFFF0); }, 1},
        {"offset + size wraps 32 bits",
         [&](auto& b) {
             PutU32(b, second + 12, 0xFFFFFF00);
             PutU32(b, second + 8, 0x200);
         },
         1},
        {"image one byte longer than the file",
         [&](auto& b) { PutU32(b, second + 8, static_cast<std::uint32_t>(lastSize + 1)); }, 1},
        {"empty image", [&](auto& b) { PutU32(b, second + 8, 0); }, 1},
        {"file cut inside the last image", [](auto& b) { b.resize(b.size() - 1); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = good;
        c.damage(bytes);
        EXPECT_FALSE(FindIcoImage(bytes, c.index));
    }
    // The untouched first image still reads when only the last one is cut.
    std::vector<std::uint8_t> cut = good;
    cut.resize(cut.size() - 1);
    EXPECT_TRUE(FindIcoImage(cut, 0));
}

}  // namespace
}  // namespace xl::desktop
