#pragma once
// The port through which HttpRequest::Fetch speaks HTTP. Its operations are
// the few that Fetch needs of a platform request object, with the same
// meanings on every platform: WinHTTP implements it on Windows, libcurl
// elsewhere, and tests substitute a recording fake. A failing operation never
// throws: it has no effect, and a read after a failed Send yields empty bytes,
// empty text and status 0.
//
// The service is reached over plain http, so a reply may come from anyone on
// the way: the platform objects fail a transfer whose body grows past
// kHttpReplyLimitBytes, and end every request, redirects and a credentials
// round included, once the sum of its four phase limits has passed, however
// slowly the bytes keep coming.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace xl::api {

constexpr int kHttpProxySettingNamed = 2;          // SetProxy: use the named proxy server
constexpr int kHttpOptionSslErrorIgnoreFlags = 4;  // SetOption: certificate errors to ignore
constexpr int kHttpOptionEnableRedirects = 6;      // SetOption: 0 turns redirects off
constexpr int kHttpIgnoreUnknownAuthority = 0x100;
constexpr int kHttpIgnoreWrongUsage = 0x200;
constexpr int kHttpIgnoreNameMismatch = 0x1000;
constexpr int kHttpIgnoreDateInvalid = 0x2000;
constexpr int kHttpIgnoredCertificateErrors = kHttpIgnoreUnknownAuthority | kHttpIgnoreWrongUsage |
                                              kHttpIgnoreNameMismatch |
                                              kHttpIgnoreDateInvalid;  // 0x3300
constexpr int kHttpCredentialsForServer = 0;
constexpr int kHttpCredentialsForProxy = 1;

// The largest reply body taken in: a few times the service's longest list.
constexpr std::size_t kHttpReplyLimitBytes = 8 * 1024 * 1024;

// The four phase limits in milliseconds; 0 means the platform's own for that phase.
struct HttpPhaseTimeouts {
    int resolveMs = 0, connectMs = 0, sendMs = 0, receiveMs = 0;
};
// The platform's own limits, used when a caller sets none: Windows waits for a name without limit,
// 60 s for a connection and 30 s each for sending and receiving.
constexpr HttpPhaseTimeouts kHttpPlatformPhaseLimits{0, 60000, 30000, 30000};
// A whole request may take the sum of its phase limits; a phase without a limit counts as the
// longest of the others.
std::chrono::milliseconds HttpRequestDeadline(const HttpPhaseTimeouts& phases);

class HttpFacility {
  public:
    virtual ~HttpFacility() = default;
    // Each phase (name resolution, connect, send, receive) limited separately.
    virtual void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) = 0;
    virtual void SetProxy(int setting, const std::string& proxyAddress) = 0;
    virtual void Open(const std::string& method, const std::string& url, bool asynchronous) = 0;
    virtual void SetOption(int option, int value) = 0;
    // Offered when the server (target 0) or the proxy (target 1) asks for them.
    virtual void SetCredentials(const std::string& user, const std::string& password,
                                int target) = 0;
    // Sets or replaces one request header (names compare case-insensitively).
    virtual void SetRequestHeader(const std::string& name, const std::string& value) = 0;
    // Perform the request and wait for the whole reply; the body as text or as bytes.
    virtual void Send(const std::string& bodyText) = 0;
    virtual void SendBytes(const std::string& bodyBytes) = 0;
    // The reply body, handed over: a second call gives empty bytes.
    virtual std::string TakeResponseBody() = 0;
    // The reply's header lines without the status line, each ended by CR LF.
    virtual std::string GetAllResponseHeaders() = 0;
    virtual int Status() = 0;
    virtual std::string StatusText() = 0;
};

// What both platform request objects keep alike: the phase limits, the request
// headers (set or replaced by name, case-insensitively) and the last reply.
// Each platform supplies Perform, which sends with headers_ and fills the
// reply fields.
class HttpFacilityBase : public HttpFacility {
  public:
    void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
        timeouts_ = {resolveMs, connectMs, sendMs, receiveMs};
        timeoutsGiven_ = true;
    }
    void SetRequestHeader(const std::string& name, const std::string& value) override;
    void Send(const std::string& bodyText) override { Perform(bodyText); }
    void SendBytes(const std::string& bodyBytes) override { Perform(bodyBytes); }
    std::string TakeResponseBody() override { return std::move(body_); }
    std::string GetAllResponseHeaders() override { return responseHeaders_; }
    int Status() override { return status_; }
    std::string StatusText() override { return statusText_; }

  protected:
    virtual void Perform(const std::string& body) = 0;
    // The limits in force: the caller's, or the platform's own when it set none.
    HttpPhaseTimeouts Timeouts() const {
        return timeoutsGiven_ ? timeouts_ : kHttpPlatformPhaseLimits;
    }

    HttpPhaseTimeouts timeouts_;
    bool timeoutsGiven_ = false;

    std::vector<std::pair<std::string, std::string>> headers_;
    std::string body_;
    std::string responseHeaders_;
    std::string statusText_;
    int status_ = 0;
};

// Creates a fresh request object, or null when the platform cannot.
using HttpFacilityFactory = std::function<std::unique_ptr<HttpFacility>()>;

// The platform's own request objects (WinHTTP on Windows, libcurl elsewhere).
std::unique_ptr<HttpFacility> CreatePlatformHttpFacility();

}  // namespace xl::api
