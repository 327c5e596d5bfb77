// The request object on Windows, on the WinHTTP C API. The automation object
// with the same operations hangs in a synchronous send under Wine and its
// certificate option is missing there; the C API offers every operation with
// the same meaning. A synchronous WinHTTP call cannot be cancelled, so the
// request's deadline is kept by cutting every phase limit to the time left
// before each call that blocks, and by checking it between reads.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "api/http_facility.h"
#include "api/text.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::api {
namespace {

constexpr wchar_t kAgent[] = L"Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr DWORD kReadChunk = 16384;

using Clock = std::chrono::steady_clock;

using WinHttpHandle = win32::Unique<win32::ClosedWith<HINTERNET, &WinHttpCloseHandle>>;

// One header of the reply as text, or empty.
std::wstring QueryHeaderText(HINTERNET request, DWORD info) {
    DWORD bytes = 0;
    WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                             WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(bytes / sizeof(wchar_t));
    return text;
}

// The first authentication scheme WinHTTP offers for a 401 or 407 challenge.
DWORD ChosenAuthScheme(HINTERNET request) {
    DWORD supported = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(request, &supported, &first, &target)) return 0;
    for (DWORD scheme : {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                         WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC}) {
        if (supported & scheme) return scheme;
    }
    return 0;
}

class WinHttpFacility final : public HttpFacilityBase {
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
        if (option == kHttpOptionSslErrorIgnoreFlags) ignoreFlags_ = static_cast<DWORD>(value);
    }
    void SetCredentials(const std::string& user, const std::string& password, int target) override {
        auto& credentials =
            target == kHttpCredentialsForProxy ? proxyCredentials_ : serverCredentials_;
        credentials = {win32::Widen(user), win32::Widen(password), true};
    }

  private:
    struct Credentials {
        std::wstring user, password;
        bool given = false;
    };
    void Perform(const std::string& body) override {
        ClearReply();
        if (opened_ && !Exchange(body)) ClearReply();
    }

    bool Exchange(const std::string& body) {
        const Clock::time_point deadline = Clock::now() + HttpRequestDeadline(Timeouts());
        std::wstring url = win32::Widen(url_);
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof(parts);
        parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength =
            static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return false;
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

        const std::wstring proxy = win32::Widen(proxy_);
        WinHttpHandle session(WinHttpOpen(
            kAgent,
            proxy.empty() ? WINHTTP_ACCESS_TYPE_DEFAULT_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
            proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session) return false;
        // The request handle inherits these; LimitPhases cuts them on it as the deadline nears.
        const HttpPhaseTimeouts phases = Timeouts();
        WinHttpSetTimeouts(session.get(), phases.resolveMs, phases.connectMs, phases.sendMs,
                           phases.receiveMs);
        WinHttpHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
        if (!connection) return false;
        const std::wstring method = win32::Widen(method_);
        WinHttpHandle request(WinHttpOpenRequest(
            connection.get(), method.c_str(), path.c_str(), nullptr, WINHTTP_NO_REFERER,
            WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
        if (!request) return false;
        HINTERNET r = request.get();
        if (!followRedirects_) {
            DWORD feature = WINHTTP_DISABLE_REDIRECTS;
            WinHttpSetOption(r, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
        }
        // On every request, secure or not: a redirect from http to https goes on with this handle
        // and its flags. A plain-http handle may refuse them, which changes nothing.
        WinHttpSetOption(r, WINHTTP_OPTION_SECURITY_FLAGS, &ignoreFlags_, sizeof(ignoreFlags_));
        std::wstring headerBlock;
        for (const auto& [name, value] : headers_)
            headerBlock += win32::Widen(name) + L": " + win32::Widen(value) + L"\r\n";
        if (!headerBlock.empty()) {
            WinHttpAddRequestHeaders(r, headerBlock.c_str(), static_cast<DWORD>(-1),
                                     WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
        }

        if (!LimitPhases(r, deadline) || !SendAndReceive(r, body)) return false;
        status_ = Status(r);
        // Credentials are offered once, when the server or the proxy asks for them.
        const bool proxyChallenge =
            status_ == HTTP_STATUS_PROXY_AUTH_REQ && proxyCredentials_.given;
        const bool serverChallenge = status_ == HTTP_STATUS_DENIED && serverCredentials_.given;
        if (proxyChallenge || serverChallenge) {
            const Credentials& credentials =
                proxyChallenge ? proxyCredentials_ : serverCredentials_;
            const DWORD scheme = ChosenAuthScheme(r);
            if (scheme != 0 &&
                WinHttpSetCredentials(
                    r, proxyChallenge ? WINHTTP_AUTH_TARGET_PROXY : WINHTTP_AUTH_TARGET_SERVER,
                    scheme, credentials.user.c_str(), credentials.password.c_str(), nullptr)) {
                if (!LimitPhases(r, deadline) || !SendAndReceive(r, body)) return false;
                status_ = Status(r);
            }
        }
        statusText_ = win32::Narrow(QueryHeaderText(r, WINHTTP_QUERY_STATUS_TEXT));
        responseHeaders_ =
            HeaderLines(win32::Narrow(QueryHeaderText(r, WINHTTP_QUERY_RAW_HEADERS_CRLF)));
        return ReadBody(r, deadline) && BodyComplete(r);
    }

    // Sets the request's phase limits for the next blocking call, each cut to the time left until
    // the deadline; false when none is left.
    bool LimitPhases(HINTERNET request, Clock::time_point deadline) const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        // 0 is no limit of the phase's own: the time left is the limit then.
        auto cut = [left](int phaseMs) {
            return static_cast<int>(phaseMs > 0 ? std::min<long long>(phaseMs, left) : left);
        };
        const HttpPhaseTimeouts phases = Timeouts();
        WinHttpSetTimeouts(request, cut(phases.resolveMs), cut(phases.connectMs),
                           cut(phases.sendMs), cut(phases.receiveMs));
        // The wait for the reply's headers is a phase of its own: without this a server that
        // accepts and never answers holds the call far beyond the receive time-out.
        DWORD receive = static_cast<DWORD>(cut(phases.receiveMs));
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive,
                         sizeof(receive));
        return true;
    }

    // The announced length, when the reply has one.
    static std::optional<DWORD> ContentLength(HINTERNET request) {
        DWORD length = 0, size = sizeof(length);
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &length, &size,
                                 WINHTTP_NO_HEADER_INDEX))
            return std::nullopt;
        return length;
    }

    // A connection closed before the announced length arrived is a failed transfer; Wine's
    // WinHttpReadData reports it as a normal end of the body.
    bool BodyComplete(HINTERNET request) const {
        if (method_ == "HEAD") return true;
        const std::optional<DWORD> length = ContentLength(request);
        return !length || body_.size() >= *length;
    }

    static bool SendAndReceive(HINTERNET request, const std::string& body) {
        void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
        const DWORD size = static_cast<DWORD>(body.size());
        return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size, 0) &&
               WinHttpReceiveResponse(request, nullptr);
    }

    static int Status(HINTERNET request) {
        DWORD status = 0, size = sizeof(status);
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                 WINHTTP_NO_HEADER_INDEX))
            return 0;
        return static_cast<int>(status);
    }

    // The raw block starts with the status line and ends with an empty line: keep the header
    // lines, each ended by CR LF.
    static std::string HeaderLines(const std::string& raw) {
        std::string lines;
        for (const std::string& line : TextSplit(raw, "\r\n")) {
            if (line.empty() || line.rfind("HTTP/", 0) == 0) continue;
            lines += line + "\r\n";
        }
        return lines;
    }

    // Reads straight into the body; one byte past the limit fails the transfer, and so does the
    // deadline, however little each read brings. Each read asks only for what is there already:
    // Wine's WinHttpReadData waits until it has filled the buffer, which a server sending a byte
    // at a time can stretch without end.
    bool ReadBody(HINTERNET request, Clock::time_point deadline) {
        if (method_ != "HEAD") {
            const std::optional<DWORD> announced = ContentLength(request);
            if (announced && *announced > kHttpReplyLimitBytes) return false;
            if (announced) body_.reserve(*announced);
        }
        for (;;) {
            DWORD available = 0;
            if (!LimitPhases(request, deadline) || !WinHttpQueryDataAvailable(request, &available))
                return false;
            if (available == 0) return true;
            const std::size_t had = body_.size();
            const DWORD room = static_cast<DWORD>(
                std::min<std::size_t>({available, kReadChunk, kHttpReplyLimitBytes + 1 - had}));
            body_.resize(had + room);
            DWORD read = 0;
            const bool ok = WinHttpReadData(request, body_.data() + had, room, &read);
            body_.resize(had + (ok ? read : 0));
            if (!ok || body_.size() > kHttpReplyLimitBytes) return false;
            if (read == 0) return true;
        }
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
    DWORD ignoreFlags_ = 0;
    Credentials proxyCredentials_, serverCredentials_;
};

}  // namespace

std::unique_ptr<HttpFacility> CreatePlatformHttpFacility() {
    return std::make_unique<WinHttpFacility>();
}

}  // namespace xl::api
