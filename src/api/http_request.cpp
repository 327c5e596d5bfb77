#include "api/http_request.h"

#include <climits>
#include <memory>

#include "api/http_text.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr const char* kMethodTexts[] = {"GET",     "POST",   "HEAD",  "PUT",
                                        "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kMethodCount = 8;
constexpr int kMillisecondsPerSecond = 1000;
constexpr std::string_view kLineBreak = "\r\n";
constexpr char kUserAgent[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

int TimeoutMilliseconds(int timeoutSeconds) {
    if (timeoutSeconds < 1) return kHttpDefaultTimeoutSeconds * kMillisecondsPerSecond;
    // Beyond 24 days of seconds the product would overflow: the longest limit instead.
    if (timeoutSeconds > INT_MAX / kMillisecondsPerSecond) return INT_MAX;
    return timeoutSeconds * kMillisecondsPerSecond;
}

void SetHeaderLine(HttpFacility& facility, std::string_view line) {
    const std::string name = HeaderLineName(line);
    // A line without a name would be refused by the platform: it has no effect either way.
    if (!name.empty()) facility.SetRequestHeader(name, HeaderLineValue(line));
}

void SetHeaderBlock(HttpFacility& facility, const std::string& block) {
    if (TextFind(block, kLineBreak) < 1) {
        SetHeaderLine(facility, block);
        return;
    }
    for (const std::string& line : TextSplit(block, kLineBreak)) {
        if (line.empty()) continue;
        // The platform keeps connections alive by itself; a caller's explicit line is not sent.
        if (HeaderLineName(line) == "Connection" && HeaderLineValue(line) == "keep-alive") continue;
        SetHeaderLine(facility, line);
    }
}

void SetCookieHeader(HttpFacility& facility, const std::string& sendCookies) {
    std::string cookies = sendCookies;
    if (!cookies.empty() && TextFind(cookies, "Cookie:", 1, true) > 0)
        cookies = TextReplace(cookies, "Cookie:", "", 1, -1, true);
    facility.SetRequestHeader("Cookie", cookies);
}

}  // namespace

const char* HttpMethodText(int method) {
    return kMethodTexts[(method < 0 || method >= kMethodCount) ? 0 : method];
}

std::string PrepareHeaderBlock(const FetchArgs& args, int method) {
    std::string block = args.headers.value_or("");
    if (args.addDefaultHeaders.value_or(true)) {
        struct DefaultHeader {
            std::string_view checkedName;
            std::string text;
            bool wanted;
        };
        const bool post = method == static_cast<int>(HttpMethod::Post);
        const DefaultHeader defaults[] = {
            {"Accept:", "Accept: */*", true},
            {"Referer:", "Referer: " + args.url, true},
            {"Accept-Language:", "Accept-Language: zh-cn", true},
            {"User-Agent:", kUserAgent, true},
            {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", post},
        };
        for (const DefaultHeader& header : defaults) {
            if (!header.wanted || TextFind(block, header.checkedName, 1, true) > 0) continue;
            block += kLineBreak;
            block += header.text;
        }
    }
    if (args.normaliseHeaderNames.value_or(true)) block = NormaliseHeaderBlock(block);
    return block;
}

std::string HttpRequest::Fetch(const FetchArgs& args) const {
    int method = args.method.value_or(0);
    if (method < 0 || method >= kMethodCount) method = 0;

    std::unique_ptr<HttpFacility> created;
    HttpFacility* facility = args.requestObject;
    if (facility == nullptr) {
        if (factory_) created = factory_();
        if (!created) return {};
        facility = created.get();
    }

    const int timeoutSeconds = args.timeoutSeconds.value_or(kHttpDefaultTimeoutSeconds);
    if (timeoutSeconds != kHttpPlatformTimeouts) {
        const int t = TimeoutMilliseconds(timeoutSeconds);
        facility->SetTimeouts(t, t, t, t);
    }
    const std::string proxyAddress = args.proxyAddress.value_or("");
    if (!proxyAddress.empty()) facility->SetProxy(kHttpProxySettingNamed, proxyAddress);
    facility->Open(kMethodTexts[method], args.url, false);
    if (args.disableRedirects.value_or(false)) facility->SetOption(kHttpOptionEnableRedirects, 0);
    facility->SetOption(kHttpOptionSslErrorIgnoreFlags, kHttpIgnoredCertificateErrors);

    const std::string block = PrepareHeaderBlock(args, method);

    const std::string proxyUser = args.proxyUser.value_or("");
    if (!proxyAddress.empty() && !proxyUser.empty()) {
        const int target = args.credentialTarget.value_or(kHttpCredentialsForProxy);
        const std::string proxyPassword = args.proxyPassword.value_or("");
        facility->SetCredentials(proxyUser, proxyPassword, target);
        if (target == kHttpCredentialsForProxy) {
            facility->SetRequestHeader("Proxy-Authorization",
                                       "Basic " + Base64Encode(proxyUser + ":" + proxyPassword));
        }
    }
    if (args.sendCookies != nullptr) SetCookieHeader(*facility, *args.sendCookies);
    SetHeaderBlock(*facility, block);

    const std::string bodyBytes = args.bodyBytes.value_or("");
    if (!bodyBytes.empty()) {
        facility->SendBytes(bodyBytes);
    } else {
        facility->Send(args.bodyText.value_or(""));
    }

    std::string body = facility->TakeResponseBody();
    const std::string responseHeaders = facility->GetAllResponseHeaders();
    const int status = facility->Status();
    facility->StatusText();

    std::string receivedCookies = CollectReceivedCookies(responseHeaders);
    if (args.mergeCookies.value_or(true) && args.sendCookies != nullptr)
        receivedCookies = MergeCookies(*args.sendCookies, receivedCookies);

    if (args.responseHeaders != nullptr) *args.responseHeaders = responseHeaders;
    if (args.statusCode != nullptr) *args.statusCode = status;
    if (args.receivedCookies != nullptr) *args.receivedCookies = receivedCookies;
    return body;
}

}  // namespace xl::api
