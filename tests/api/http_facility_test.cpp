// The platform's request object (libcurl natively, WinHTTP under Wine) against
// the stand-in service: what goes over the wire and what comes back, including
// the failures that must give an empty reply instead of an error.
#include <gtest/gtest.h>

#include <chrono>

#include "api/http_facility.h"
#include "api/http_request.h"
#include "api/standin_process.h"
#include "api/text.h"

namespace xl::api {
namespace {

class HttpFacilityTest : public test::StandinSuite {
  protected:
    std::string Url(const std::string& path) const { return standin->BaseUrl() + path; }

    HttpRequest http{CreatePlatformHttpFacility};
};

TEST_F(HttpFacilityTest, DefaultHeadersReachTheServer) {
    int status = 0;
    std::string headers;
    const std::string url = Url("/_control/echo");
    const std::string echo =
        http.Fetch({.url = url, .responseHeaders = &headers, .statusCode = &status});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(TextFind(echo, "GET /_control/echo\r\n"), 1) << echo;
    const std::string expected[] = {
        "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
        "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"};
    for (const std::string& line : expected)
        EXPECT_GT(TextFind(echo, line + "\r\n"), 0) << line << " missing in\n" << echo;
    EXPECT_GT(TextFind(headers, "Content-Type: text/plain", 1, true), 0) << headers;
    EXPECT_LT(TextFind(headers, "HTTP/"), 1) << "the status line is not a header";
}

TEST_F(HttpFacilityTest, CookiesFromSetCookieLinesAreCollectedAndMerged) {
    std::string sent = "sid=old; keep=1", received;
    http.Fetch({.url = Url("/_control/setcookie?c=sid%3Dabc%3B%20path%3D%2F&c=lang%3Dzh"),
                .sendCookies = &sent,
                .receivedCookies = &received});
    EXPECT_EQ(received, "sid=abc; lang=zh; keep=1");
    EXPECT_EQ(sent, received);
    // The cookies go back on the next request.
    const std::string echo = http.Fetch({.url = Url("/_control/echo"), .sendCookies = &sent});
    EXPECT_GT(TextFind(echo, "Cookie: sid=abc; lang=zh; keep=1\r\n"), 0) << echo;
}

// The first request of a session has no cookies yet: their empty header must not cost the others.
TEST_F(HttpFacilityTest, EmptyCookiesStillSendTheOtherHeaders) {
    std::string none;
    const std::string echo =
        http.Fetch({.url = Url("/_control/echo"), .sendCookies = &none, .headers = "X-Test: 1"});
    for (const char* line : {"X-Test: 1\r\n", "Accept: */*\r\n", "Accept-Language: zh-cn\r\n"})
        EXPECT_GT(TextFind(echo, line), 0) << line << " missing in\n" << echo;
}

TEST_F(HttpFacilityTest, RedirectsFollowedUnlessDisabled) {
    int status = 0;
    EXPECT_EQ(
        TextFind(http.Fetch({.url = Url("/_control/redirect?to=/probe/"), .statusCode = &status}),
                 "ok"),
        13);
    EXPECT_EQ(status, 200);
    http.Fetch({.url = Url("/_control/redirect?to=/probe/"),
                .statusCode = &status,
                .disableRedirects = true});
    EXPECT_EQ(status, 302);
}

// The stand-in's TLS endpoint shows a certificate that is self-signed, expired
// and issued to another name: every error the request object is told to ignore.
TEST_F(HttpFacilityTest, CertificateErrorsAreIgnoredAlsoAfterARedirectFromHttp) {
    const std::string toTls = Url("/_control/tls?path=/_control/echo");
    // First (WinHTTP reuses a connection it has once accepted): the certificate
    // really is refused when its errors are not ignored.
    auto strict = CreatePlatformHttpFacility();
    strict->Open("GET", toTls, false);
    strict->SetOption(kHttpOptionSslErrorIgnoreFlags, 0);
    strict->Send("");
    EXPECT_EQ(strict->Status(), 0);
    EXPECT_EQ(strict->TakeResponseBody(), "");

    int status = 0;
    std::string headers;
    const std::string echo =
        http.Fetch({.url = toTls, .responseHeaders = &headers, .statusCode = &status});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(TextFind(echo, "GET /_control/echo\r\n"), 1) << echo;
    EXPECT_GT(TextFind(headers, "X-Standin-Tls: 1\r\n", 1, true), 0) << "not over TLS:\n"
                                                                     << headers;
}

TEST_F(HttpFacilityTest, ErrorStatusIsAReplyNotAFailure) {
    standin->Fault("/probe/", "status=404&raw=gone");
    int status = 0;
    EXPECT_EQ(http.Fetch({.url = Url("/probe/"), .statusCode = &status}), "gone");
    EXPECT_EQ(status, 404);
}

TEST_F(HttpFacilityTest, TransportFailuresGiveEmptyReply) {
    struct Case {
        const char* name;
        std::string fault;
        std::string url;
        int timeoutSeconds;
    };
    const std::string pastLimit = "huge=" + std::to_string(kHttpReplyLimitBytes + 1);
    const Case cases[] = {
        {"dropped connection", "drop=1", "/serverlistpc/", 15},
        {"stalled reply cut by the time-out", "delay_ms=10000", "/ipinfohtml/", 2},
        {"nothing listening", "", "http://127.0.0.1:1/", 2},
        {"announced body past the limit", pastLimit, "/probe/", 15},
        {"chunked body past the limit", pastLimit + "&chunked=1", "/probe/", 15},
        // A byte every 50 ms never trips a one-second phase limit, and the whole list would take
        // over a minute: only the request's deadline (four seconds) ends it.
        {"trickled reply cut by the deadline", "trickle_ms=50", "/serverlistpc/", 1},
    };
    for (const Case& c : cases) {
        if (!c.fault.empty()) standin->Fault(c.url, c.fault);
        const std::string url = c.url.rfind("http", 0) == 0 ? c.url : Url(c.url);
        std::string headers = "old", cookies = "old";
        int status = -1;
        const auto start = std::chrono::steady_clock::now();
        const std::string body = http.Fetch({.url = url,
                                             .receivedCookies = &cookies,
                                             .responseHeaders = &headers,
                                             .statusCode = &status,
                                             .timeoutSeconds = c.timeoutSeconds});
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(body, "") << c.name;
        EXPECT_EQ(status, 0) << c.name;
        EXPECT_EQ(headers, "") << c.name;
        EXPECT_EQ(cookies, "") << c.name;
        EXPECT_LT(seconds, 6.0) << c.name << " took " << seconds << " s";
        standin->Reset();
    }
}

TEST_F(HttpFacilityTest, BodyOfExactlyTheLimitArrivesWhole) {
    standin->Fault("/probe/", "huge=" + std::to_string(kHttpReplyLimitBytes) + "&chunked=1");
    int status = 0;
    const std::string body = http.Fetch({.url = Url("/probe/"), .statusCode = &status});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body.size(), kHttpReplyLimitBytes);
}

TEST_F(HttpFacilityTest, NamedProxyCarriesTheRequestAndItsCredentials) {
    // 127.0.0.2:9 answers nothing: only the proxy (the stand-in) can.
    const std::string proxy = standin->BaseUrl().substr(std::string("http://").size());
    int status = 0;
    const std::string echo = http.Fetch({.url = "http://127.0.0.2:9/never?x=1",
                                         .statusCode = &status,
                                         .proxyAddress = proxy,
                                         .timeoutSeconds = 5,
                                         .proxyUser = "u",
                                         .proxyPassword = "p"});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(TextFind(echo, "proxied GET http://127.0.0.2:9/never?x=1\r\n"), 1) << echo;
    EXPECT_GT(TextFind(echo, "Proxy-Authorization: Basic dTpw\r\n"), 0) << echo;
}

TEST_F(HttpFacilityTest, ServerCredentialsAnswerAChallenge) {
    const std::string proxy = standin->BaseUrl().substr(std::string("http://").size());
    int status = 0;
    const std::string echo = http.Fetch({.url = "http://127.0.0.2:9/needs-auth",
                                         .statusCode = &status,
                                         .proxyAddress = proxy,
                                         .timeoutSeconds = 5,
                                         .proxyUser = "u",
                                         .proxyPassword = "p",
                                         .credentialTarget = 0});
    EXPECT_EQ(status, 200) << echo;
    EXPECT_GT(TextFind(echo, "Authorization: Basic dTpw\r\n"), 0) << echo;
    EXPECT_LT(TextFind(echo, "Proxy-Authorization"), 1) << "no proxy header for server credentials";
}

TEST_F(HttpFacilityTest, BodyBytesAndMethods) {
    int status = 0;
    // HEAD gives the status and no body.
    EXPECT_EQ(http.Fetch({.url = Url("/probe/"), .method = 2, .statusCode = &status}), "");
    EXPECT_EQ(status, 200);
    // A method the stand-in has no route for is answered, not failed.
    http.Fetch({.url = Url("/probe/"),
                .method = 1,
                .statusCode = &status,
                .bodyBytes = std::string("a\0b", 3)});
    EXPECT_GE(status, 400);
}

}  // namespace
}  // namespace xl::api
