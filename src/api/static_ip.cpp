#include "api/static_ip.h"

#include "api/http_text.h"
#include "api/service.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr char kStaticIpPathTemplate[] = "/setstaticip/?user=[user]&ip=[ip]";
constexpr char kStaticIpSuccessMark[] = "100";

}  // namespace

std::string StaticIpUrl(const ServiceApi& api, std::string_view account, std::string_view ip) {
    std::string path = TextReplace(kStaticIpPathTemplate, "[user]", EncodeQueryValue(account));
    path = TextReplace(path, "[ip]", EncodeQueryValue(ip));
    return api.Url(path);
}

bool StaticIpAssigned(std::string_view reply) {
    return TextFind(reply, kStaticIpSuccessMark) > 0;
}

bool RequestStaticIp(const ServiceApi& api, std::string_view account, std::string_view ip) {
    return StaticIpAssigned(api.Http().Fetch({.url = StaticIpUrl(api, account, ip)}));
}

}  // namespace xl::api
