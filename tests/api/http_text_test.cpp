// The header and cookie text rules of HttpRequest::Fetch, case by case.
#include <gtest/gtest.h>

#include "api/http_text.h"

namespace xl::api {
namespace {

struct Pair {
    std::string input, expected;
};

TEST(HttpTextTest, HeaderLineNameAndValue) {
    struct Case {
        std::string line, name, value;
    };
    const Case cases[] = {
        {"Accept: */*", "Accept", "*/*"},
        {"  X-A :  b c  ", "X-A", "b c"},
        {"Host: 127.0.0.1:8080", "Host", "127.0.0.1:8080"},
        {"no colon", "", ""},
        {":value", "", "value"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderLineName(c.line), c.name) << c.line;
        EXPECT_EQ(HeaderLineValue(c.line), c.value) << c.line;
    }
}

TEST(HttpTextTest, NormaliseHeaderBlock) {
    const Pair cases[] = {
        {"content-type: a", "Content-Type: a"},
        {"ACCEPT:x", "ACCEPT:x"},
        {"\r\naccept: */*\r\nreferer: http://h/", "Accept: */*\r\nReferer: http://h/"},
        {"x-a-b:   spaced  ", "X-A-B:   spaced  "},
        {"no colon here\r\nuser-agent: m", "User-Agent: m"},
        {"1-b: v", "1-B: v"},
        {"\xd6\xd0-\xce\xc4: v", "\xd6\xd0-\xce\xc4: v"},  // two-byte letters keep their bytes
        {"", ""},
        {"\r\n\r\n", ""},
    };
    for (const Pair& c : cases) EXPECT_EQ(NormaliseHeaderBlock(c.input), c.expected) << c.input;
}

TEST(HttpTextTest, CollectReceivedCookies) {
    const Pair cases[] = {
        {"Set-Cookie: sid=abc; path=/\r\nSet-Cookie: lang=zh\r\n", "sid=abc; lang=zh"},
        {"Set-Cookie: a=1; Expires=Wed, 21 Oct 2026 07:28:00 GMT; HttpOnly", "a=1"},
        {"set-cookie: a=1\r\nSet-Cookie:b=2\r\nContent-Type: x", ""},  // name must be exact
        {"Set-Cookie:  spaced = 1  ", "spaced = 1"},
        {"", ""},
    };
    for (const Pair& c : cases) EXPECT_EQ(CollectReceivedCookies(c.input), c.expected) << c.input;
}

TEST(HttpTextTest, CookieNameAndDuplicates) {
    EXPECT_EQ(CookieName(" sid = abc"), "sid");
    EXPECT_EQ(CookieName(" flag "), "flag");
    EXPECT_EQ(CookieName("a=b=c"), "a");
    EXPECT_EQ(RemoveDuplicateItems("a=1; b=2; a=1; A=1", "; "), "a=1; b=2; A=1");
    EXPECT_EQ(RemoveDuplicateItems("", "; "), "");
}

TEST(HttpTextTest, MergeCookies) {
    struct Case {
        std::string old, received, merged;
    };
    const Case cases[] = {
        {"sid=old; uid=7", "sid=new; uid=deleted", "sid=new"},
        {"a=1; b=2", "b=3", "b=3; a=1"},
        {" a=1; ", "", "a=1"},
        {"a=1;", "b=2;", "b=2; a=1"},
        {"", "", ""},
        {"x=deleted", "", ""},
        {"a=1; a=2", "", "a=1"},     // the second old 'a' finds the first one already kept
        {"A=1", "a=2", "a=2; A=1"},  // names compare case-sensitively
        {"a=1", "b=2; b=2", "b=2; a=1"},
    };
    for (const Case& c : cases) {
        std::string old = c.old;
        EXPECT_EQ(MergeCookies(old, c.received), c.merged) << c.old << " + " << c.received;
        EXPECT_EQ(old, c.merged);
    }
}

TEST(HttpTextTest, EncodeQueryValueTouchesOnlyStructuralBytes) {
    const Pair cases[] = {
        {"demo", "demo"},
        {"a&b", "a%26b"},
        {"x=y#z", "x%3Dy%23z"},
        {"100%+?", "100%25%2B%3F"},
        {"pass word", "pass%20word"},
        {std::string("a\tb\nc\x7f", 6), "a%09b%0Ac%7F"},
        {"\xd5\xcb\xba\xc5[user]~!@$*()", "\xd5\xcb\xba\xc5[user]~!@$*()"},  // GBK unchanged
        {"", ""},
    };
    for (const Pair& c : cases) EXPECT_EQ(EncodeQueryValue(c.input), c.expected) << c.input;
}

}  // namespace
}  // namespace xl::api
