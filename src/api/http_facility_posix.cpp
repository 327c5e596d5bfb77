// The request object outside Windows, on libcurl. Where libcurl cannot mirror
// the Windows object exactly:
// - time-outs: name resolution and connect share one limit (their sum); send
//   and receive become "no bytes moved for that long", checked by the progress
//   callback, since libcurl has no per-phase send or receive limit; the whole
//   transfer is limited to the request's deadline;
// - certificate errors: an unknown authority or an expired certificate both
//   turn off peer verification (libcurl cannot ignore one kind alone), a name
//   mismatch turns off host verification; wrong usage has no counterpart;
// - redirects are followed up to 10, like the Windows default.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "api/http_facility.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr long kMaxRedirects = 10;

struct CurlHandleDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

class CurlHttpFacility final : public HttpFacilityBase {
  public:
    void SetProxy(int setting, const std::string& proxyAddress) override {
        if (setting == kHttpProxySettingNamed) proxy_ = proxyAddress;
    }
    void Open(const std::string& method, const std::string& url, bool) override {
        method_ = method;
        url_ = url;
        headers_.clear();
        opened_ = true;
    }
    void SetOption(int option, int value) override {
        if (option == kHttpOptionEnableRedirects) followRedirects_ = value != 0;
        if (option == kHttpOptionSslErrorIgnoreFlags) ignoreFlags_ = value;
    }
    void SetCredentials(const std::string& user, const std::string& password, int target) override {
        auto& credentials =
            target == kHttpCredentialsForProxy ? proxyCredentials_ : serverCredentials_;
        credentials = {user, password, true};
    }

  private:
    struct Credentials {
        std::string user, password;
        bool given = false;
    };

    // Aborts a transfer on which no byte has moved for longer than the phase's limit.
    struct StallWatch {
        long limitMs = 0;
        curl_off_t lastMoved = -1;
        std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
    };

    // Returning less than was handed over ends the transfer with an error.
    static size_t OnBody(char* data, size_t size, size_t count, void* self) {
        std::string& body = static_cast<CurlHttpFacility*>(self)->body_;
        if (size * count > kHttpReplyLimitBytes - body.size()) return 0;
        body.append(data, size * count);
        return size * count;
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
        auto* facility = static_cast<CurlHttpFacility*>(self);
        std::string line(data, size * count);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.rfind("HTTP/", 0) == 0) {
            // A new status line: the headers of a redirect or an interim reply are discarded.
            facility->responseHeaders_.clear();
            const auto second = line.find(' ', line.find(' ') + 1);
            facility->statusText_ = second == std::string::npos ? "" : line.substr(second + 1);
        } else if (!line.empty()) {
            if (line.size() + 2 > kHttpReplyLimitBytes - facility->responseHeaders_.size())
                return 0;
            facility->responseHeaders_ += line + "\r\n";
        }
        return size * count;
    }

    static int OnProgress(void* watch, curl_off_t, curl_off_t downloaded, curl_off_t,
                          curl_off_t uploaded) {
        auto* stall = static_cast<StallWatch*>(watch);
        const auto now = std::chrono::steady_clock::now();
        if (downloaded + uploaded != stall->lastMoved) {
            stall->lastMoved = downloaded + uploaded;
            stall->since = now;
            return 0;
        }
        const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(now - stall->since);
        // 0 is no limit, as on Windows.
        return stall->limitMs > 0 && idle.count() > stall->limitMs ? 1 : 0;
    }

    void Perform(const std::string& body) override {
        ClearReply();
        if (!opened_) return;
        std::unique_ptr<CURL, CurlHandleDeleter> curl(curl_easy_init());
        if (!curl) return;
        CURL* c = curl.get();
        curl_easy_setopt(c, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        if (method_ == "HEAD") {
            curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
        } else if (method_ != "GET" || !body.empty()) {
            curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, method_.c_str());
        }
        if (!body.empty() || method_ == "POST" || method_ == "PUT") {
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        }

        std::unique_ptr<curl_slist, SlistDeleter> headerList;
        // libcurl would add "Expect: 100-continue" to larger bodies; the Windows object does not.
        headerList.reset(curl_slist_append(headerList.release(), "Expect:"));
        for (const auto& [name, value] : headers_) {
            // "Name;" is libcurl's spelling of a header sent with an empty value.
            const std::string line = value.empty() ? name + ";" : name + ": " + value;
            headerList.reset(curl_slist_append(headerList.release(), line.c_str()));
        }
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());

        const HttpPhaseTimeouts phases = Timeouts();
        const long connectMs = static_cast<long>(phases.resolveMs) + phases.connectMs;
        if (connectMs > 0) curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(HttpRequestDeadline(phases).count()));
        // An announced length past the limit is refused before any of the body is read.
        curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(kHttpReplyLimitBytes));
        StallWatch stall;
        stall.limitMs = std::max(phases.sendMs, phases.receiveMs);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &CurlHttpFacility::OnProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &stall);

        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
        if (ignoreFlags_ & (kHttpIgnoreUnknownAuthority | kHttpIgnoreDateInvalid))
            curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
        if (ignoreFlags_ & kHttpIgnoreNameMismatch) curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);

        if (!proxy_.empty())
            curl_easy_setopt(c, CURLOPT_PROXY, proxy_.c_str());
        else
            curl_easy_setopt(c, CURLOPT_PROXY, "");  // no proxy from the environment either
        if (proxyCredentials_.given) {
            curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxyCredentials_.user.c_str());
            curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxyCredentials_.password.c_str());
            curl_easy_setopt(c, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }
        if (serverCredentials_.given) {
            curl_easy_setopt(c, CURLOPT_USERNAME, serverCredentials_.user.c_str());
            curl_easy_setopt(c, CURLOPT_PASSWORD, serverCredentials_.password.c_str());
            curl_easy_setopt(c, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        }

        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &CurlHttpFacility::OnBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &CurlHttpFacility::OnHeader);
        curl_easy_setopt(c, CURLOPT_HEADERDATA, this);

        if (curl_easy_perform(c) != CURLE_OK) {
            ClearReply();
            return;
        }
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        status_ = static_cast<int>(status);
    }

    void ClearReply() {
        body_.clear();
        responseHeaders_.clear();
        statusText_.clear();
        status_ = 0;
    }

    std::string method_ = "GET";
    std::string url_;
    bool opened_ = false;
    std::string proxy_;
    bool followRedirects_ = true;
    int ignoreFlags_ = 0;
    Credentials proxyCredentials_, serverCredentials_;
};

}  // namespace

std::unique_ptr<HttpFacility> CreatePlatformHttpFacility() {
    // libcurl's one-time set-up must finish before any thread makes a request.
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return std::make_unique<CurlHttpFacility>();
}

}  // namespace xl::api
