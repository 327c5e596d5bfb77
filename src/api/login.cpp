#include "api/login.h"

#include "api/http_text.h"
#include "api/service.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr char kLoginPath[] = "/userinfo/";
constexpr char kLoginQueryTemplate[] = "?type=xiulan&user=[user]&password=[password]";
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
    std::string query = TextReplace(kLoginQueryTemplate, "[user]", EncodeQueryValue(account));
    query = TextReplace(query, "[password]", EncodeQueryValue(password));
    return api.Url(kLoginPath + query);
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
    // The default Referer repeats the whole URL, password included, in a header that proxies
    // and a redirect's target see as well: this one names the page without its query.
    const std::string referer = "Referer: " + api.Url(kLoginPath);
    return ReadLoginReply(
        api.Http().Fetch({.url = LoginUrl(api, account, password), .headers = referer}));
}

LoginFieldCheck CheckLoginFields(std::string_view account, std::string_view password) {
    if (account.empty() && password.empty()) return {kLoginTextBothEmpty, false};
    if (account.empty()) return {kLoginTextAccountEmpty, true};
    if (password.empty()) return {kLoginTextPasswordEmpty, true};
    return {};
}

LoginOutcome RunLogin(const ServiceApi& api, std::string_view account, std::string_view password,
                      const std::function<int()>& checkInternetReachable) {
    const LoginFieldCheck fields = CheckLoginFields(account, password);
    LoginOutcome outcome;
    outcome.statusText = fields.statusText;
    if (!fields.goesOn) return outcome;

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

std::string LoginLogLine(std::string_view account, const LoginOutcome& outcome) {
    std::string line = "登录 帐号 ";
    line.append(account);
    if (!outcome.reply) {
        // Stopped before the service was asked: empty fields or no network.
        return line + ": 未向服务发出请求, " + outcome.statusText.value_or("");
    }
    const LoginReply& reply = *outcome.reply;
    if (reply.Succeeded()) return line + ": 成功, 到期 " + reply.expiry;
    if (!reply.errorText.empty()) return line + ": 被拒绝, " + reply.errorText;
    if (!reply.code.empty()) return line + ": 失败, 代码 " + reply.code;
    return line + ": 失败, 服务无应答或回复无法识别";
}

}  // namespace xl::api
