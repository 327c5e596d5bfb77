#pragma once
// The account check against the service, as the login window runs it: the
// field checks, the reachability probe, one request to the user-information
// endpoint, and the reply read by cutting values out between fixed markers
// (the reply is never parsed as JSON). The window shows StatusText and, on
// success, keeps the expiry and starts the hand-over to the main window.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace xl::api {

class ServiceApi;

inline constexpr char kLoginSuccessCode[] = "100";
inline constexpr char kLoginTextBothEmpty[] = "请输入账号和密码！";
inline constexpr char kLoginTextAccountEmpty[] = "请输入账号！";
inline constexpr char kLoginTextPasswordEmpty[] = "请输入密码！";
inline constexpr char kLoginTextOffline[] = "访问网络失败，当前你的电脑可能无网络，请联网后再试";

// The values a login leaves behind, replaced at each attempt that reaches the service.
struct LoginReply {
    std::string replyText;  // the reply body with its escapes decoded
    std::string code;       // "100" on success
    std::string expiry;     // the account's expiry text, as the service wrote it (success only)
    std::string errorText;  // the service's refusal message (failure only)
    bool Succeeded() const { return code == kLoginSuccessCode; }
};

// The user-information URL; structural bytes of the account and password are percent-encoded,
// every other byte goes out as typed.
std::string LoginUrl(const ServiceApi& api, std::string_view account, std::string_view password);
// Reads a reply body (GBK bytes, non-ASCII as \u escapes) by its markers.
LoginReply ReadLoginReply(std::string_view body);
// One GET of the login URL with every other request parameter at its default.
LoginReply RequestLogin(const ServiceApi& api, std::string_view account, std::string_view password);

struct LoginOutcome {
    std::optional<std::string> statusText;  // what the status label shows; none: leave it
    std::optional<LoginReply> reply;        // when the service was asked
    bool Succeeded() const { return reply && reply->Succeeded(); }
};

// The field check that opens every attempt: what the status label shows at once (none when both
// fields are filled) and whether the attempt goes on to the probe (not when both are empty).
struct LoginFieldCheck {
    std::optional<std::string> statusText;
    bool goesOn = true;
};
LoginFieldCheck CheckLoginFields(std::string_view account, std::string_view password);

// The whole attempt. `checkInternetReachable` is the probe of the program (1 when online); it
// runs once, and once more when the first did not say online.
LoginOutcome RunLogin(const ServiceApi& api, std::string_view account, std::string_view password,
                      const std::function<int()>& checkInternetReachable);

// The log's line for one attempt: the account and what came of it. The
// password is not an argument, so it cannot end up there.
std::string LoginLogLine(std::string_view account, const LoginOutcome& outcome);

}  // namespace xl::api
