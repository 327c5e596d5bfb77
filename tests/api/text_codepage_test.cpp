// Code-page conversions: the same bytes for the same input on Windows and on the Linux stand-in.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "api/text.h"
#include "support/platform.h"

namespace xl::api {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

struct ConversionCase {
    const char* what;
    std::string input, expected;
};

TEST(CodePageTest, Utf8ToGbk) {
    const std::vector<ConversionCase> cases = {
        {"Chinese", "\xE4\xB8\xAD\xE5\x9B\xBD", Bytes({0xD6, 0xD0, 0xB9, 0xFA})},
        {"ASCII", "IP 1.2.3.4", "IP 1.2.3.4"},
        {"empty", "", ""},
        {"stops at NUL", std::string("a\0b", 3), "a"},
        {"full-width space", "\xE3\x80\x80", Bytes({0xA1, 0xA1})},
        {"euro sign", "\xE2\x82\xAC", Bytes({0x80})},
        {"character GBK lacks", "\xE2\x82\xA9", "?"},  // won sign
        {"emoji (two code units)", "\xF0\x9F\x98\x80", "??"},
        {"best fit: broken bar", "\xC2\xA6", "|"},
        {"best fit: cent sign", "\xC2\xA2", Bytes({0xA1, 0xE9})},
        {"private use to user-defined", "\xEE\x80\x80", Bytes({0xAA, 0xA1})},
        {"invalid lead byte",
         "a\xFF"
         "b",
         "a?b"},
        {"lone continuation byte",
         "a\x80"
         "b",
         "a?b"},
        {"overlong slash", "\xC0\xAF", "??"},
    };
    for (const ConversionCase& c : cases) EXPECT_EQ(Utf8ToGbk(c.input), c.expected) << c.what;
}

TEST(CodePageTest, GbkToUtf8) {
    const std::vector<ConversionCase> cases = {
        {"Chinese", "岫澜IP",
         "\xE5\xB2\xAB\xE6\xBE\x9C"
         "IP"},
        {"empty", "", ""},
        {"euro byte", "\x80", "\xE2\x82\xAC"},
        {"user-defined to private use", Bytes({0xAA, 0xA1}), "\xEE\x80\x80"},
        {"0xFF to private use", "\xFF", "\xEF\xA3\xB5"},
        {"lead byte at the end", "a\x81", "a?"},
        {"lead byte with a control trail",
         "\x81\x20"
         "b",
         "?b"},
        {"lead byte with 0x7F", "\x81\x7F", "?"},
    };
    for (const ConversionCase& c : cases) EXPECT_EQ(GbkToUtf8(c.input), c.expected) << c.what;
}

TEST(CodePageTest, Utf16CarriesItsTerminator) {
    EXPECT_EQ(MultiByteToUtf16("A"), Bytes({0x41, 0, 0, 0}));
    EXPECT_EQ(MultiByteToUtf16(""), Bytes({0, 0}));
    EXPECT_EQ(MultiByteToUtf16("中", gbk::kCodePage), Bytes({0x2D, 0x4E, 0, 0}));
    EXPECT_EQ(MultiByteToUtf16("中", kCodePageAnsi), Bytes({0x2D, 0x4E, 0, 0}));
    EXPECT_EQ(MultiByteToUtf16("\xE4\xB8\xAD"), Bytes({0x2D, 0x4E, 0, 0}));
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x2D, 0x4E, 0, 0})), "中");
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x2D, 0x4E})), "中");  // the terminator may be missing
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x41, 0, 0, 0, 0x42, 0})), "A");
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x41, 0, 0x42})), "A");  // an odd last byte is no unit
    EXPECT_EQ(Utf16ToMultiByte(""), "");
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x2D, 0x4E}), kCodePageUtf8), "\xE4\xB8\xAD");
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x3D, 0xD8, 0x00, 0xDE}), kCodePageUtf8), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x3D, 0xD8, 0x41, 0}), kCodePageUtf8),
              "\xEF\xBF\xBD"
              "A");
}

TEST(CodePageTest, UnknownCodePageGivesEmptyText) {
    EXPECT_EQ(MultiByteToUtf16("abc", 12345), "");
    EXPECT_EQ(Utf16ToMultiByte(Bytes({0x41, 0}), 12345), "");
}

TEST(CodePageTest, EveryGbkCharacterRoundTrips) {
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            std::string gbk = Bytes({lead, trail});
            std::string utf8 = GbkToUtf8(gbk);
            ASSERT_NE(utf8, "?") << std::hex << lead << ' ' << trail;
            EXPECT_EQ(Utf8ToGbk(utf8), gbk) << std::hex << lead << ' ' << trail;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 126 * 190);
}

std::uint64_t Fnv1a(std::uint64_t hash, const std::string& bytes) {
    for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ULL;
    return hash;
}

// Every two-byte sequence and every code unit, in both directions, digested: the Linux tables and
// Windows' own conversions must give these same bytes.
TEST(CodePageTest, WholeCodePage936AsWindowsHasIt) {
    std::uint64_t decode = 0xCBF29CE484222325ULL, encode = decode;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        decode = Fnv1a(decode, MultiByteToUtf16(Bytes({lead}), gbk::kCodePage));
        for (int trail = 0x01; trail <= 0xFF; ++trail) {
            decode = Fnv1a(decode, MultiByteToUtf16(Bytes({lead, trail}), gbk::kCodePage));
        }
    }
    for (int unit = 1; unit <= 0xFFFF; ++unit) {
        encode = Fnv1a(encode, Utf16ToMultiByte(Bytes({unit & 0xFF, unit >> 8}), gbk::kCodePage));
        encode = Fnv1a(encode, "|");
    }
    EXPECT_EQ(decode, 0x8C4E2A2C55DFE2ADULL);
    EXPECT_EQ(encode, 0x2C14A5306EB40120ULL);
}

// Windows replaces each maximal ill-formed part of UTF-8 with one U+FFFD. Wine swallows a
// truncated sequence together with whatever follows it, and reads E0 80..9F and ED A0..BF as one
// ill-formed part.
TEST(CodePageTest, IllFormedUtf8AsWindowsReplacesIt) {
    if (test::RunningUnderWine()) {
        GTEST_SKIP() << "Wine replaces ill-formed UTF-8 differently from Windows and drops the "
                        "bytes after a truncated sequence";
    }
    EXPECT_EQ(Utf8ToGbk("\xED\xA0\x80"
                        "a"),
              "???a");
    EXPECT_EQ(Utf8ToGbk("ab\xE4\xB8"), "ab?");
    EXPECT_EQ(Utf8ToGbk("\xF0\x41"), "?A");
    EXPECT_EQ(Utf8ToGbk("\xE0\x8F\x41"), "??A");
    EXPECT_EQ(MultiByteToUtf16("\xE4"), Bytes({0xFD, 0xFF, 0, 0}));
}

}  // namespace
}  // namespace xl::api
