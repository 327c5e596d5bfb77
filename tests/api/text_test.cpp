// The basic text operations and the marker-based extraction, over GBK bytes.
#include "api/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xl::api {
namespace {

// "中" is D6 D0; "蓝" is C0 B6, whose trail byte is not ASCII; "\x95\x5C" has a backslash as
// trail byte, "\xB0\x41" an 'A', "\xB0\x61" an 'a': a match must never start or fold there.
constexpr const char* kTrailBackslash = "\x95\x5C";

struct FindCase {
    std::string text, needle;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(TextFindTest, FollowsTheRules) {
    const std::vector<FindCase> cases = {
        {"abcabc", "bc", 1, false, 2},
        {"abcabc", "bc", 3, false, 5},
        {"abcabc", "bc", 0, false, 2},  // below 1 means 1
        {"abcabc", "bc", -7, false, 2},
        {"abcabc", "bc", 6, false, -1},
        {"abcabc", "bc", 99, false, -1},  // beyond the end
        {"abc", "abcd", 1, false, -1},
        {"", "a", 1, false, -1},
        {"abc", "", 1, false, 1},  // empty needle: 1 while something is left to search
        {"abc", "", 3, false, 1},
        {"abc", "", 4, false, -1},
        {"", "", 1, false, -1},
        {"aBc", "bC", 1, false, -1},
        {"aBc", "bC", 1, true, 2},
        {"中国", "国", 1, false, 3},
        {"中国", "\xD0\xB9", 1, false, -1},  // would start on the trail byte of 中
        {std::string(kTrailBackslash) + "\\n", "\\", 1, false, 3},
        {"\xB0\x41x", "A", 1, true, -1},        // the trail byte 'A' is no letter
        {"\xB0\x41", "\xB0\x61", 1, true, -1},  // nor does it fold inside a needle
        {"x\xB0\x41", "X\xB0\x41", 1, true, 1},
        {"中国中国", "中", 2, false, 5},  // a start on a trail byte moves to the next character
        {"ab\xD6", "\xD6", 1, false, 3},  // a lead byte alone at the end
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(TextFind(c.text, c.needle, c.start, c.ignoreCase), c.expected)
            << "text '" << c.text << "' needle '" << c.needle << "' start " << c.start;
    }
}

TEST(TextReplaceTest, LeftToRightWithoutOverlap) {
    EXPECT_EQ(TextReplace("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(TextReplace("aaa", "aa", "b"), "ba");
    EXPECT_EQ(TextReplace("a.b.c.d", ".", "::", 1, 2), "a::b::c.d");
    EXPECT_EQ(TextReplace("a.b.c.d", ".", "", 4), "a.bcd");
    EXPECT_EQ(TextReplace("a.b", ".", "x", 1, 0), "a.b");
    EXPECT_EQ(TextReplace("a.b", ".", "x", 9), "a.b");
    EXPECT_EQ(TextReplace("a.b", "", "x"), "a.b");
    EXPECT_EQ(TextReplace("", "a", "x"), "");
    EXPECT_EQ(TextReplace("Abc ABC", "abc", "x"), "Abc ABC");
    EXPECT_EQ(TextReplace("Abc ABC", "abc", "x", 1, -1, true), "x x");
    EXPECT_EQ(TextReplace("岫澜IP岫澜", "岫澜", "XL"), "XLIPXL");
    EXPECT_EQ(TextReplace("\xB0\x41"
                          "A",
                          "A", "b"),
              "\xB0\x41"
              "b");
    EXPECT_EQ(TextReplace("\xB0\x61"
                          "a",
                          "A", "b", 1, -1, true),
              "\xB0\x61"
              "b");
    EXPECT_EQ(TextReplace("x", "x", "xx"), "xx");  // replacements are not searched again
}

TEST(TextSplitTest, KeepsInnerAndLeadingEmptyPieces) {
    using Items = std::vector<std::string>;
    EXPECT_EQ(TextSplit("", ","), Items{});
    EXPECT_EQ(TextSplit("a", ","), Items{"a"});
    EXPECT_EQ(TextSplit("a,b", ","), (Items{"a", "b"}));
    EXPECT_EQ(TextSplit("a,,b", ","), (Items{"a", "", "b"}));
    EXPECT_EQ(TextSplit(",a", ","), (Items{"", "a"}));
    EXPECT_EQ(TextSplit("a,", ","), Items{"a"});
    EXPECT_EQ(TextSplit("a,,", ","), (Items{"a", ""}));
    EXPECT_EQ(TextSplit(",", ","), Items{""});
    EXPECT_EQ(TextSplit("a\r\nb\r\n", "\r\n"), (Items{"a", "b"}));
    EXPECT_EQ(TextSplit("a,b", ""), Items{"a,b"});
    EXPECT_EQ(TextSplit(std::string(kTrailBackslash) + "\\x", "\\"), (Items{kTrailBackslash, "x"}));
    EXPECT_EQ(TextSplit("北京|上海", "|"), (Items{"北京", "上海"}));
}

TEST(TextTrimTest, OnlyAsciiAndFullWidthSpaces) {
    EXPECT_EQ(TextTrim(" a b　"), "a b");
    EXPECT_EQ(TextTrim("　 中 　"), "中");
    EXPECT_EQ(TextTrim("a\r\n"), "a\r\n");
    EXPECT_EQ(TextTrim("\ta "), "\ta");
    EXPECT_EQ(TextTrim("   "), "");
    EXPECT_EQ(TextTrim(""), "");
    // A1 A1 that is really the trail of one character and the lead of another is no space.
    EXPECT_EQ(TextTrim("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
    EXPECT_EQ(TextTrim("\xA1"), "\xA1");
}

TEST(TextCutTest, LeftRightMiddleCountBytes) {
    EXPECT_EQ(TextLeft("abc", 2), "ab");
    EXPECT_EQ(TextLeft("abc", 9), "abc");
    EXPECT_EQ(TextLeft("abc", 0), "");
    EXPECT_EQ(TextLeft("abc", -1), "");
    EXPECT_EQ(TextRight("abc", 2), "bc");
    EXPECT_EQ(TextRight("abc", 9), "abc");
    EXPECT_EQ(TextRight("abc", -3), "");
    EXPECT_EQ(TextLeft("中国", 2), "中");
    EXPECT_EQ(TextMiddle("abcdef", 2, 3), "bcd");
    EXPECT_EQ(TextMiddle("abcdef", 5, 9), "ef");
    EXPECT_EQ(TextMiddle("abcdef", 0, 2), "");
    EXPECT_EQ(TextMiddle("abcdef", 7, 1), "");
    EXPECT_EQ(TextMiddle("abcdef", 1, 0), "");
    EXPECT_EQ(TextMiddle("", 1, 1), "");
}

TEST(TextCaseTest, AsciiLettersOnly) {
    EXPECT_EQ(TextUpper("abcXYZ 中z"), "ABCXYZ 中Z");
    EXPECT_EQ(TextLower("ABCxyz 中Z"), "abcxyz 中z");
    EXPECT_EQ(TextUpper("\xB0\x61"), "\xB0\x61");
    EXPECT_EQ(TextLower("\xB0\x41"), "\xB0\x41");
    EXPECT_EQ(TextUpper("a\xD6"), "A\xD6");
}

TEST(Base64Test, StandardAlphabetWithPadding) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("a"), "YQ==");
    EXPECT_EQ(Base64Encode("ab"), "YWI=");
    EXPECT_EQ(Base64Encode("abc"), "YWJj");
    EXPECT_EQ(Base64Encode("user:pass"), "dXNlcjpwYXNz");
    EXPECT_EQ(Base64Encode(std::string("\0\xFF\xFE", 3)), "AP/+");
    EXPECT_EQ(Base64Encode(std::string(57, 'x')).size(), 76u);  // no line breaks
}

TEST(TextBeforeTest, UpToTheFirstSeparator) {
    EXPECT_EQ(TextBefore("key: value: x", ":"), "key");
    EXPECT_EQ(TextBefore(" key :v", ":"), " key ");
    EXPECT_EQ(TextBefore(":v", ":"), "");
    EXPECT_EQ(TextBefore("no separator", ":"), "");
    EXPECT_EQ(TextBefore("Key:v", "key"), "");
}

TEST(TextBetweenTest, FirstPairOfMarkers) {
    EXPECT_EQ(TextBetween("<a>x</a><a>y</a>", "<a>", "</a>"), "x");
    EXPECT_EQ(TextBetween("<a>x</a><a>y</a>", "<a>", "</a>", 2), "y");
    EXPECT_EQ(TextBetween("<a>x</a>", "<b>", "</a>"), "");
    EXPECT_EQ(TextBetween("</a><a>x", "<a>", "</a>"), "");
    EXPECT_EQ(TextBetween("<a></a>", "<a>", "</a>"), "");
    EXPECT_EQ(TextBetween("<A>x</A>", "<a>", "</a>"), "");
    EXPECT_EQ(TextBetween("<A>x</A>", "<a>", "</a>", 1, true), "x");
    EXPECT_EQ(TextBetween("{\"msg\":\"错误\"}", "\"msg\":\"", "\""), "错误");
    EXPECT_EQ(TextBetween("{\"msg\":\"错误\"}", "#引号msg#引号:#引号", "#引号"), "错误");
    EXPECT_EQ(TextBetween("", "<a>", "</a>"), "");
}

TEST(TextBetweenFromTest, WalksThroughTheText) {
    const std::string reply = "<ip>1.2.3.4</ip><pos>x</pos>";
    int position = 0;
    EXPECT_EQ(TextBetweenFrom(reply, "<ip>", "</ip>", position), "1.2.3.4");
    EXPECT_EQ(position, 17);
    EXPECT_EQ(TextBetweenFrom(reply, "<pos>", "</pos>", position), "x");
    EXPECT_EQ(position, 29);
    EXPECT_EQ(TextBetweenFrom(reply, "<pos>", "</pos>", position), "");
    EXPECT_EQ(position, -1);

    position = 0;
    EXPECT_EQ(TextBetweenFrom("<pos>x", "<pos>", "</pos>", position), "");
    EXPECT_EQ(position, -1);

    std::vector<std::string> found;
    position = 0;
    for (int guard = 0; guard < 10; ++guard) {
        std::string value = TextBetweenFrom("[1][][3]", "[", "]", position);
        if (position == -1) break;
        found.push_back(value);
    }
    EXPECT_EQ(found, (std::vector<std::string>{"1", "", "3"}));
}

TEST(TextBetweenFromTest, EmptyMarkersEndTheWalk) {
    int position = 0;
    EXPECT_EQ(TextBetweenFrom("abc", "", "c", position), "");
    EXPECT_EQ(position, -1);
    position = 0;
    EXPECT_EQ(TextBetweenFrom("abc", "a", "", position), "");
    EXPECT_EQ(position, -1);
}

}  // namespace
}  // namespace xl::api
