#pragma once
// HttpRequest::Fetch is the program's only way of speaking HTTP: one
// synchronous request that returns the reply body, adding browser-like
// default headers, normalising header names and carrying cookies from call to
// call for a caller that keeps passing them. The request itself goes through
// an HttpFacility (the platform's request object); everything else here is
// plain logic.
#include <optional>
#include <string>

#include "api/http_facility.h"

namespace xl::api {

enum class HttpMethod { Get, Post, Head, Put, Options, Delete, Trace, Connect };

// The method text of an index into the method table; an index outside 0-7 means GET.
const char* HttpMethodText(int method);

// The nineteen parameters of Fetch, in their order; write them with designated initialisers.
// An optional member remembers whether the caller gave it; an out-parameter is given by pointing
// it at the caller's variable. Bodies are byte strings and may hold NUL bytes.
struct FetchArgs {
    std::string url{};                          // full address including the scheme
    std::optional<int> method{};                // HttpMethod index; default GET
    std::optional<std::string> bodyText{};      // sent when bodyBytes is empty
    std::string* sendCookies = nullptr;         // in-out: cookies to send, then the merge
    std::string* receivedCookies = nullptr;     // out: the reply's cookie items
    std::optional<std::string> headers{};       // extra header lines joined by CR LF
    std::string* responseHeaders = nullptr;     // out: the reply's header block
    int* statusCode = nullptr;                  // out: HTTP status, 0 without a reply
    std::optional<bool> disableRedirects{};     // default false
    std::optional<std::string> bodyBytes{};     // takes precedence over bodyText
    std::optional<std::string> proxyAddress{};  // host:port; empty means none
    std::optional<int> timeoutSeconds{};        // all four phases; -1 = platform's own; 15
    std::optional<std::string> proxyUser{};
    std::optional<std::string> proxyPassword{};
    std::optional<int> credentialTarget{};       // 1 proxy (default), 0 server
    HttpFacility* requestObject = nullptr;       // an existing object instead of a new one
    std::optional<bool> mergeCookies{};          // default true
    std::optional<bool> addDefaultHeaders{};     // default true
    std::optional<bool> normaliseHeaderNames{};  // default true
};

constexpr int kHttpDefaultTimeoutSeconds = 15;
constexpr int kHttpPlatformTimeouts = -1;

class HttpRequest {
  public:
    explicit HttpRequest(HttpFacilityFactory factory) : factory_(std::move(factory)) {}

    // Never throws and never shows anything: a request that cannot be made gives an empty body,
    // status 0 and empty header and cookie texts. HTTP error statuses are returned as received.
    std::string Fetch(const FetchArgs& args) const;

  private:
    HttpFacilityFactory factory_;
};

// The header block Fetch hands to the facility for these arguments: the caller's lines, the
// missing default headers appended in order, names normalised when asked.
std::string PrepareHeaderBlock(const FetchArgs& args, int method);

}  // namespace xl::api
