// UnescapeUnicode: literal escapes first, then percent escapes, as the service's replies need.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/text.h"

namespace xl::api {
namespace {

struct UnescapeCase {
    std::string input, expected;
};

TEST(UnescapeUnicodeTest, DecodesTheEscapesOfReplies) {
    const std::vector<UnescapeCase> cases = {
        {"\\u4e2d\\u56fd", "中国"},
        {"\\u4E2D", "中"},
        {"a\\/b", "a/b"},
        {"a%41b", "aAb"},
        {"100%", "100%"},
        {"it's", "it's"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\"msg\":\"\\u5bc6\\u7801\\u9519\\u8bef\"", "\"msg\":\"密码错误\""},
        {"%u4e2d", "中"},
        {"a\\nb\\tc", "a\nb\tc"},
        {"\\\\", "\\"},
        {"\\\"", "\""},
        {"\\'", "'"},
        {"\\x41\\x4a", "AJ"},
        {"\\x", "x"},  // no digits: the letter stays
        {"\\x4", "x4"},
        {"\\xZZ", "xZZ"},
        {"\\v", "v"},  // the engine knows no \v
        {"\\q", "q"},
        {"\\101", "A"},  // legacy octal
        {"\\18",
         "\x01"
         "8"},
        {"%", "%"},
        {"%4", "%4"},
        {"%zz", "%zz"},
        {"%u12", "%u12"},
        {"%u12345", "?5"},  // U+1234 has no GBK character
        {"%E4%B8%AD",
         "?"
         "?-"},              // code units (ä, cedilla, soft hyphen), not UTF-8
        {"\\u", "%u"},       // becomes a lone %u, which stays
        {"\\\\u0041", "A"},  // "\u" inside "\\u" turns into "%u" first
        {"\u2019", "'"},     // the stand-in for the apostrophe is undone
        {"{$}", "\r\n"},
        {"\rabc", "abc"},  // one leading CR goes
        {"", ""},
        {"%00abc", ""},  // text ends at a NUL code unit
        {"中文\\u4e2d", "中文中"},
        {"\x95\x5Cn", "\x95\x5Cn"},  // the backslash is a trail byte, not an escape
        {"%uD83D%uDE00", "??"},
    };
    for (const UnescapeCase& c : cases) {
        EXPECT_EQ(UnescapeUnicode(c.input), c.expected) << "input '" << c.input << "'";
    }
}

// Where the literal could not be compiled (a bare line break, a backslash before the closing
// quote), the text comes back as it was prepared, undecoded.
TEST(UnescapeUnicodeTest, TextsTheLiteralCannotHoldComeBackAsGiven) {
    EXPECT_EQ(UnescapeUnicode("a\nb\\u0041"), "a\nb%u0041");
    EXPECT_EQ(UnescapeUnicode("x\ry"), "x\ry");
    EXPECT_EQ(UnescapeUnicode("tail\\"), "tail\\");
    EXPECT_EQ(UnescapeUnicode("it's\\"), "it's\\");
    EXPECT_EQ(UnescapeUnicode("a\\\r\nb"), "a\r\nb");
}

}  // namespace
}  // namespace xl::api
