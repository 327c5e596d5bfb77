#pragma once
// Binding the account to a static line's fixed exit IP before it is dialled:
// the request and its verdict. The row pick of the server list shows the
// texts and, on success, makes the row the server to dial.
#include <string>
#include <string_view>

namespace xl::api {

class ServiceApi;

inline constexpr char kStaticIpSetText[] = "设置静态IP成功！";
inline constexpr char kStaticIpFailedText[] =
    "设置静态IP失败！该线路暂时不可用，请重试或者尝试切换其他线路！";

// The assignment URL; structural bytes of the account and the ip are percent-encoded.
std::string StaticIpUrl(const ServiceApi& api, std::string_view account, std::string_view ip);
// True when the reply contains "100" anywhere (a plain substring search, as the service's
// success code is written into the reply).
bool StaticIpAssigned(std::string_view reply);
// One GET of the assignment URL and the verdict of StaticIpAssigned on its reply.
bool RequestStaticIp(const ServiceApi& api, std::string_view account, std::string_view ip);

}  // namespace xl::api
