#include "api/login.h"

#include "api/http_text.h"
#include "api/service.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr char kLoginPathTemplate[] = "/userinfo/?type=xiulan&user=[user]&password=[password]";
constexpr char kCodeStart[] = "code\": ";
constexpr char kCodeEnd[] = ", \"data";
constexpr char kExpiryStart[] = "expiretime\": \"";
constexpr char kExpiryEnd[] = "\"}";
constexpr char kErrorStart[] = "{\"status\": \"error\", \"msg\": \"";
constexpr char kErrorEnd[] = "\", \"code\"";
constexpr int kOnline = 1;
constexpr int kOffline = 0;

}  // namespace

std::string LoginUrl(const ServiceApi& api, std::string_view account, std::string_view password) {
    std::string path = TextReplace(kLoginPathTemplate, "[user]", EncodeQueryValue(account));
    path = TextReplace(path, "[password]", EncodeQueryValue(password));
    return api.Url(path);
}

LoginReply ReadLoginReply(std::string_view body) {
    LoginReply reply;
    reply.replyText = UnescapeUnicode(body);
    reply.code = TextBetween(reply.replyText, kCodeStart, kCodeEnd);
    if (reply.Succeeded()) {
        reply.expiry = TextBetween(reply.replyText, kExpiryStart, kExpiryEnd);
    } else {
        reply.errorText = TextBetween(reply.replyText, kErrorStart, kErrorEnd);
    }
    return reply;
}

LoginReply RequestLogin(const ServiceApi& api, std::string_view account,
                        std::string_view password) {
    return ReadLoginReply(api.Http().Fetch({.url = LoginUrl(api, account, password)}));
}

LoginOutcome RunLogin(const ServiceApi& api, std::string_view account, std::string_view password,
                      const std::function<int()>& checkInternetReachable) {
    LoginOutcome outcome;
    if (account.empty() && password.empty()) {
        outcome.statusText = kLoginTextBothEmpty;
        return outcome;
    }
    if (account.empty()) outcome.statusText = kLoginTextAccountEmpty;
    if (password.empty()) outcome.statusText = kLoginTextPasswordEmpty;

    if (checkInternetReachable() == kOnline) {
        if (account.empty() || password.empty()) return outcome;
        LoginReply reply = RequestLogin(api, account, password);
        outcome.statusText = reply.Succeeded() ? std::string() : reply.errorText;
        outcome.reply = std::move(reply);
        return outcome;
    }
    if (checkInternetReachable() == kOffline) outcome.statusText = kLoginTextOffline;
    return outcome;
}

}  // namespace xl::api
