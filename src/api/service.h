#pragma once
// Where the service is and how to reach it: the API base address (scheme, host
// and port, chosen by the composition root from the command line or the
// environment) and the request component every service call goes through.
#include <string>
#include <string_view>

#include "api/http_request.h"

namespace xl::api {

class ServiceApi {
  public:
    // A trailing '/' of the base is dropped: every path begins with one.
    ServiceApi(const HttpRequest& http, std::string apiBase)
        : http_(http), apiBase_(std::move(apiBase)) {
        if (apiBase_.ends_with('/')) apiBase_.pop_back();
    }

    const HttpRequest& Http() const { return http_; }
    const std::string& ApiBase() const { return apiBase_; }
    std::string Url(std::string_view path) const { return apiBase_ + std::string(path); }

  private:
    const HttpRequest& http_;
    std::string apiBase_;
};

}  // namespace xl::api
