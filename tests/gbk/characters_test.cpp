// The character walk over GBK texts: matches only where a character starts,
// the two word rules side by side, ASCII case and cuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gbk/characters.h"

namespace xl::gbk {
namespace {

struct ContainsCase {
    const char* name;
    std::string text;
    std::string needle;
    bool found;
};

class ContainsTest : public ::testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsTest, MatchesOnlyOnCharacterStarts) {
    EXPECT_EQ(Contains(GetParam().text, GetParam().needle), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContainsTest,
    ::testing::Values(ContainsCase{"Plain", "服务器不可达", "不", true},
                      ContainsCase{"Absent", "认证通过", "不", false},
                      // B2 BB ("不") straddles two characters: A1 B2 | BB A1.
                      ContainsCase{"Straddling", "\xA1\xB2\xBB\xA1", "\xB2\xBB", false},
                      ContainsCase{"AfterAscii", "a\xB2\xBB", "\xB2\xBB", true},
                      ContainsCase{"TrailingLeadByte", "ab\xB2", "\xB2", true},
                      ContainsCase{"EmptyText", "", "不", false},
                      ContainsCase{"EmptyNeedle", "x", "", true},
                      ContainsCase{"EmptyBoth", "", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Find, StartsOnTheCharacterAtOrAfterTheOffset) {
    // Offset 1 is the trail byte of 中: the search starts at "a".
    EXPECT_EQ(Find("中a中a", "a", 1), 2u);
    EXPECT_EQ(Find("中a中a", "a", 3), 5u);
    EXPECT_EQ(Find("中a", "A", 0, true), 2u);
    EXPECT_EQ(Find("\xB0\x61", "A", 0, true), std::string_view::npos);
}

struct WordCase {
    const char* text;
    const char* words;
    bool countingEmpty;  // the words cut at every space, an empty one counting
    bool skippingEmpty;
};

TEST(WordRules, DifferOnlyInWhatAnEmptyWordMeans) {
    const WordCase cases[] = {
        {"错误代码:691 x", "错误 失败 拒绝", true, true},
        {"服务器拒绝了", "错误 失败 拒绝", true, true},
        {"断开连接", "错误 失败 拒绝", false, false},
        {"", "错误 失败", false, false},
        // Two spaces in a row, a space at an end, or nothing at all.
        {"断开连接", "错误  失败", true, false},
        {"北京", "上海 ", true, false},
        {"北京", "", true, false},
        {"", "", false, false},
        {"a b", "  ", true, false},
    };
    for (const WordCase& c : cases) {
        EXPECT_EQ(ContainsAnyWordCountingEmpty(c.text, SplitAtEverySpace(c.words)), c.countingEmpty)
            << c.text << " / " << c.words;
        EXPECT_EQ(ContainsAnyWordSkippingEmpty(c.text, c.words), c.skippingEmpty)
            << c.text << " / " << c.words;
    }
    EXPECT_EQ(SplitAtEverySpace("a  b "), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitAtEverySpace(""), (std::vector<std::string>{""}));
}

TEST(AsciiCase, LeavesTwoByteCharactersAlone) {
    EXPECT_EQ(AsciiLower("VpN"), "vpn");
    EXPECT_EQ(AsciiLower("\x81\x41Z"), "\x81\x41z");
    EXPECT_EQ(AsciiUpper("a\xB0\x61z"), "A\xB0\x61Z");
}

TEST(Cut, CutsOnCharacterBoundaries) {
    EXPECT_EQ(Cut("错误:809 文本", 5), "错误:80");
    EXPECT_EQ(Cut("ab错误", 3), "ab错");
    EXPECT_EQ(Cut("ab错误", 9), "ab错误");
    EXPECT_EQ(Cut("", 3), "");
    // A lone lead byte at the end counts as one character.
    EXPECT_EQ(Cut("a\xb4", 2), "a\xb4");
}

}  // namespace
}  // namespace xl::gbk
