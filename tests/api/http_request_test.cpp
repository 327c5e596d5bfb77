// HttpRequest::Fetch against a recording request object: what it asks of the
// platform for each combination of parameters, and what it hands back.
#include <gtest/gtest.h>

#include <climits>

#include "api/http_fakes.h"
#include "api/http_request.h"
#include "api/http_text.h"

namespace xl::api {
namespace {

using test::RecordingFactory;
using Headers = std::vector<std::pair<std::string, std::string>>;

constexpr char kUrl[] = "http://127.0.0.1:8080/serverlistpc/";
const Headers kDefaultGetHeaders = {
    {"Accept", "*/*"},
    {"Referer", kUrl},
    {"Accept-Language", "zh-cn"},
    {"User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
};

class FetchTest : public ::testing::Test {
  protected:
    std::string Fetch(FetchArgs args) {
        if (args.url.empty()) args.url = kUrl;
        return HttpRequest(factory.Factory()).Fetch(args);
    }
    const test::Recording& sent() const { return factory.recording; }
    RecordingFactory factory;
};

TEST_F(FetchTest, MethodIndexOutsideTableSendsGet) {
    const std::pair<int, const char*> cases[] = {
        {0, "GET"},   {1, "POST"},    {2, "HEAD"}, {3, "PUT"}, {4, "OPTIONS"}, {5, "DELETE"},
        {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"},  {9, "GET"}, {-1, "GET"}};
    for (const auto& [method, text] : cases) {
        Fetch({.method = method});
        EXPECT_EQ(sent().method, text) << "method " << method;
        EXPECT_FALSE(sent().openedAsynchronously);
    }
}

TEST_F(FetchTest, TimeoutRuleGivesOneValueForAllFourPhases) {
    struct Case {
        std::optional<int> seconds;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {std::nullopt, {15000, 15000, 15000, 15000}},
        {0, {15000, 15000, 15000, 15000}},
        {-5, {15000, 15000, 15000, 15000}},
        {2, {2000, 2000, 2000, 2000}},
        {-1, {}},  // the platform's own time-outs stay
        {INT_MAX / 1000, {2147483000, 2147483000, 2147483000, 2147483000}},
        {INT_MAX / 1000 + 1, {INT_MAX, INT_MAX, INT_MAX, INT_MAX}},
        {INT_MAX, {INT_MAX, INT_MAX, INT_MAX, INT_MAX}},
    };
    for (const Case& c : cases) {
        Fetch({.timeoutSeconds = c.seconds});
        EXPECT_EQ(sent().timeouts, c.expected) << c.seconds.value_or(999);
    }
}

TEST_F(FetchTest, DefaultHeadersInOrderAndContentTypeOnlyForPost) {
    Fetch({});
    EXPECT_EQ(sent().headers, kDefaultGetHeaders);

    Fetch({.method = static_cast<int>(HttpMethod::Post)});
    Headers post = kDefaultGetHeaders;
    post.emplace_back("Content-Type", "application/x-www-form-urlencoded");
    EXPECT_EQ(sent().headers, post);

    Fetch({.method = static_cast<int>(HttpMethod::Put)});
    EXPECT_EQ(sent().headers, kDefaultGetHeaders);
}

TEST_F(FetchTest, CallerHeadersOverrideDefaultsAndAreNormalised) {
    Fetch({.headers = "accept: text/html"});
    ASSERT_FALSE(sent().headers.empty());
    EXPECT_EQ(sent().headers[0], (std::pair<std::string, std::string>{"Accept", "text/html"}));
    EXPECT_EQ(sent().headers.size(), kDefaultGetHeaders.size());

    Fetch({.headers = "x-forwarded-for: 1.2.3.4\r\nconnection: keep-alive\r\nX-A: b"});
    for (const auto& [name, value] : sent().headers) EXPECT_NE(name, "Connection");
    EXPECT_EQ(sent().headers[0].first, "X-Forwarded-For");

    Fetch({.headers = "Connection: Keep-Alive"});
    EXPECT_EQ(sent().headers[0], (std::pair<std::string, std::string>{"Connection", "Keep-Alive"}));
}

TEST_F(FetchTest, SingleLineBlockWithoutDefaultsSetsExactlyThatHeader) {
    Fetch({.headers = "X-Test: 1", .addDefaultHeaders = false, .normaliseHeaderNames = false});
    EXPECT_EQ(sent().headers, (Headers{{"X-Test", "1"}}));

    // Unnormalised names go out as written; a given false stays false.
    Fetch({.headers = "x-test: 1\r\ncontent-type: a",
           .addDefaultHeaders = false,
           .normaliseHeaderNames = false});
    EXPECT_EQ(sent().headers, (Headers{{"x-test", "1"}, {"content-type", "a"}}));
}

TEST_F(FetchTest, RedirectAndCertificateOptions) {
    Fetch({});
    EXPECT_EQ(sent().options, (std::vector<std::pair<int, int>>{{4, 0x3300}}));
    Fetch({.disableRedirects = true});
    EXPECT_EQ(sent().options, (std::vector<std::pair<int, int>>{{6, 0}, {4, 0x3300}}));
    Fetch({.disableRedirects = false});
    EXPECT_EQ(sent().options.size(), 1u);
}

TEST_F(FetchTest, ProxyCredentialsOnlyWithProxyAddress) {
    Fetch({.proxyAddress = "10.0.0.1:3128", .proxyUser = "u", .proxyPassword = "p"});
    EXPECT_EQ(sent().proxy, "2 10.0.0.1:3128");
    EXPECT_EQ(sent().credentials, "u|p|1");
    EXPECT_EQ(sent().headers[0],
              (std::pair<std::string, std::string>{"Proxy-Authorization", "Basic dTpw"}));

    Fetch({.proxyAddress = "10.0.0.1:3128",
           .proxyUser = "u",
           .proxyPassword = "p",
           .credentialTarget = 0});
    EXPECT_EQ(sent().credentials, "u|p|0");
    EXPECT_EQ(sent().headers, kDefaultGetHeaders);

    Fetch({.proxyUser = "u", .proxyPassword = "p"});
    EXPECT_EQ(sent().proxy, "");
    EXPECT_EQ(sent().credentials, "");
    EXPECT_EQ(sent().headers, kDefaultGetHeaders);
}

TEST_F(FetchTest, CookieHeaderOnlyWhenCookiesGiven) {
    Fetch({});
    for (const auto& [name, value] : sent().headers) EXPECT_NE(name, "Cookie");

    std::string cookies = "cookie: a=1; COOKIE:b=2";
    Fetch({.sendCookies = &cookies, .mergeCookies = false});
    EXPECT_EQ(sent().headers[0], (std::pair<std::string, std::string>{"Cookie", " a=1; b=2"}));

    std::string empty;
    Fetch({.sendCookies = &empty});
    EXPECT_EQ(sent().headers[0], (std::pair<std::string, std::string>{"Cookie", ""}));
}

TEST_F(FetchTest, BodyBytesTakePrecedenceOverText) {
    Fetch({.bodyText = "text"});
    EXPECT_EQ(sent().sentText, "text");
    const std::string bytes("a\0b", 3);
    Fetch({.bodyText = "text", .bodyBytes = bytes});
    EXPECT_EQ(sent().sentBytes, bytes);
    EXPECT_EQ(sent().sentText, "");
}

TEST_F(FetchTest, ReplyAndReceivedCookies) {
    factory.reply.body = std::string("x\0y", 3);
    factory.reply.status = 404;
    factory.reply.headers =
        "Content-Type: text/html\r\nSet-Cookie: sid=abc; path=/\r\nSet-Cookie: lang=zh\r\n"
        "set-cookie: lower=1\r\nX-Set-Cookie: no=1\r\n";
    std::string headers, received;
    int status = -1;
    EXPECT_EQ(
        Fetch({.receivedCookies = &received, .responseHeaders = &headers, .statusCode = &status}),
        std::string("x\0y", 3));
    EXPECT_EQ(status, 404);
    EXPECT_EQ(headers, factory.reply.headers);
    EXPECT_EQ(received, "sid=abc; lang=zh");
}

TEST_F(FetchTest, MergedCookiesGoBackToTheCaller) {
    struct Case {
        std::string sent, replyHeaders, merged;
    };
    const Case cases[] = {
        {"sid=old; uid=7", "Set-Cookie: sid=new\r\nSet-Cookie: uid=deleted\r\n", "sid=new"},
        {"a=1; b=2", "Set-Cookie: b=3\r\n", "b=3; a=1"},
        {"a=1", "", "a=1"},
    };
    for (const Case& c : cases) {
        factory.reply.headers = c.replyHeaders;
        std::string cookies = c.sent, received;
        Fetch({.sendCookies = &cookies, .receivedCookies = &received});
        EXPECT_EQ(received, c.merged) << c.sent;
        EXPECT_EQ(cookies, c.merged) << c.sent;
    }
    // Without merging, the caller's cookies stay as they were.
    factory.reply.headers = "Set-Cookie: b=3\r\n";
    std::string cookies = "a=1", received;
    Fetch({.sendCookies = &cookies, .receivedCookies = &received, .mergeCookies = false});
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(received, "b=3");
}

TEST_F(FetchTest, UnreachableHostGivesEmptyValues) {
    factory.reply = {.reachable = false};
    std::string headers = "old", received = "old";
    int status = 7;
    EXPECT_EQ(
        Fetch({.receivedCookies = &received, .responseHeaders = &headers, .statusCode = &status}),
        "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(headers, "");
    EXPECT_EQ(received, "");
}

TEST_F(FetchTest, FailedCreationLeavesOutValuesAlone) {
    factory.fails = true;
    std::string headers = "old";
    int status = 7;
    EXPECT_EQ(Fetch({.responseHeaders = &headers, .statusCode = &status}), "");
    EXPECT_EQ(status, 7);
    EXPECT_EQ(headers, "old");
}

TEST_F(FetchTest, GivenRequestObjectIsUsedInsteadOfANewOne) {
    test::Recording own;
    test::RecordingFacility facility(own, {.body = "mine"});
    EXPECT_EQ(Fetch({.requestObject = &facility}), "mine");
    EXPECT_EQ(factory.created, 0);
    EXPECT_EQ(own.sends, 1);
}

}  // namespace
}  // namespace xl::api
