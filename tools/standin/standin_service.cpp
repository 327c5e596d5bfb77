#include "standin_service.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

namespace xl::standin {
namespace {

constexpr char kRefusalWrongPassword[] = "wrong_password";
constexpr char kRefusalBadType[] = "bad_type";
constexpr int kLoginSuccessCode = 100;
constexpr int kStaticSuccessCode = 100;
constexpr int kStaticFailureCode = 201;  // must not contain "100": the client searches for it
constexpr int kListSuccessCode = 200;
// A dropped reply announces this many bytes more than it sends.
constexpr size_t kDroppedTail = 64;
// A huge body goes out in blocks of this size, so the service never holds it whole.
constexpr size_t kHugeBlock = 64 * 1024;

const char* const kListPaths[] = {"/serverlistpc/", "/serverlistpc_xiulanfast/",
                                  "/getstaticiplist/"};

// A JSON string literal with every non-ASCII character as a \u escape, the way
// the client expects the service to write Chinese text.
std::string Escaped(const std::string& text) {
    return Json(text).dump(-1, ' ', true, Json::error_handler_t::replace);
}

std::string Describe(const httplib::Request& req) {
    std::string text = req.method + " " + req.target + "\r\n";
    for (const auto& [name, value] : req.headers) text += name + ": " + value + "\r\n";
    return text;
}

int IntParam(const httplib::Request& req, const char* name, int fallback) {
    if (!req.has_param(name)) return fallback;
    try {
        return std::stoi(req.get_param_value(name));
    } catch (const std::exception&) {
        return fallback;
    }
}

}  // namespace

StandinService::StandinService(Json data) : data_(std::move(data)) {}

std::optional<Json> StandinService::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open data file " + path;
        return std::nullopt;
    }
    try {
        Json data = Json::parse(in);
        if (!data.contains("accounts") || !data.contains("lists") || !data.contains("exit")) {
            error = "data file lacks accounts, lists or exit: " + path;
            return std::nullopt;
        }
        return data;
    } catch (const nlohmann::json::exception& e) {
        error = "data file " + path + ": " + e.what();
        return std::nullopt;
    }
}

void StandinService::Install(httplib::Server& server, std::function<void()> quit) {
    quit_ = std::move(quit);
    Route(server, "/userinfo/", &StandinService::UserInfo);
    for (const char* path : kListPaths) Route(server, path, &StandinService::ServerList);
    Route(server, "/ipinfohtml/", &StandinService::IpInfo);
    Route(server, "/setstaticip/", &StandinService::SetStaticIp);
    Route(server, "/probe/", &StandinService::Probe);
    server.Get(R"(/_control/(\w+))",
               [this](const httplib::Request& req, httplib::Response& res) { Control(req, res); });
    // A request in absolute form is one sent to a proxy: answer it as the proxy, with what
    // arrived, so tests can see that a request went through the proxy and with which headers.
    // A target whose path holds "needs-auth" asks for the server's credentials first.
    server.Get(R"(https?://.*)", [](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find("needs-auth") != std::string::npos &&
            !req.has_header("Authorization")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", "Basic realm=\"standin\"");
            res.set_content("credentials needed", "text/plain");
            return;
        }
        res.set_content("proxied " + Describe(req), "text/plain");
    });
}

void StandinService::Shutdown() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
}

void StandinService::SetTlsPort(int port) {
    std::lock_guard lock(mutex_);
    tlsPort_ = port;
}

std::chrono::steady_clock::time_point StandinService::LastActivity() {
    std::lock_guard lock(mutex_);
    return lastActivity_;
}

void StandinService::Route(httplib::Server& server, const std::string& path, Handler handler) {
    server.Get(path, [this, path, handler](const httplib::Request& req, httplib::Response& res) {
        Serve(path, req, res, handler);
    });
}

void StandinService::Serve(const std::string& path, const httplib::Request& req,
                           httplib::Response& res, Handler handler) {
    Fault fault;
    Context context{path, 0, false};
    int releases = 0;
    {
        std::lock_guard lock(mutex_);
        // A release from the moment the call is counted on ends its delay.
        releases = releases_;
        context.call = ++calls_[path];
        lastActivity_ = std::chrono::steady_clock::now();
        lastRequest_[path] = Describe(req);
        if (auto it = faults_.find(path); it != faults_.end()) {
            fault = it->second;
            if (it->second.times > 0 && --it->second.times == 0) faults_.erase(it);
        }
    }
    context.changing = fault.changing;
    if (fault.delayMs > 0) {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(fault.delayMs),
                       [&] { return stopping_ || releases_ != releases; });
    }

    Reply reply = (this->*handler)(req, context);
    if (fault.status != 0) reply.status = fault.status;
    if (fault.body == "empty") reply.body.clear();
    if (fault.body == "malformed") reply.body.resize(reply.body.size() / 2);
    if (fault.body == "null") reply.body = "null";
    if (fault.raw) reply.body = *fault.raw;

    res.status = reply.status;
    if (fault.hugeBytes > 0) {
        ServeHuge(res, fault);
        return;
    }
    if (fault.trickleMs > 0) {
        ServeTrickle(res, reply, fault.trickleMs);
        return;
    }
    if (fault.drop) {
        // Announce more bytes than are sent, send half the body, then give up:
        // the server closes the connection in the middle of the reply.
        res.set_content_provider(
            reply.body.size() + kDroppedTail, reply.contentType,
            [body = reply.body](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0 && body.size() > 1) sink.write(body.data(), body.size() / 2);
                return false;
            });
        return;
    }
    res.set_content(reply.body, reply.contentType);
}

void StandinService::ServeHuge(httplib::Response& res, const Fault& fault) {
    const size_t total = static_cast<size_t>(fault.hugeBytes);
    auto block = std::make_shared<const std::string>(kHugeBlock, 'x');
    if (fault.chunked) {
        auto sent = std::make_shared<size_t>(0);
        res.set_chunked_content_provider("text/plain",
                                         [block, sent, total](size_t, httplib::DataSink& sink) {
                                             const size_t n = std::min(kHugeBlock, total - *sent);
                                             if (n > 0 && !sink.write(block->data(), n))
                                                 return false;
                                             *sent += n;
                                             if (*sent == total) sink.done();
                                             return true;
                                         });
        return;
    }
    res.set_content_provider(total, "text/plain",
                             [block, total](size_t offset, size_t, httplib::DataSink& sink) {
                                 const size_t n = std::min(kHugeBlock, total - offset);
                                 return sink.write(block->data(), n);
                             });
}

void StandinService::ServeTrickle(httplib::Response& res, const Reply& reply, int intervalMs) {
    res.set_content_provider(
        reply.body.size(), reply.contentType,
        [this, body = reply.body, intervalMs](size_t offset, size_t, httplib::DataSink& sink) {
            // A client that gave up makes the write fail, which ends the reply.
            return Pause(intervalMs) && sink.write(body.data() + offset, 1);
        });
}

bool StandinService::Pause(int ms) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

std::string StandinService::Message(const std::string& key) const {
    const auto& messages = data_.value("messages", Json::object());
    return messages.value(key, key);
}

StandinService::Reply StandinService::UserInfo(const httplib::Request& req, const Context&) {
    const std::string user = req.get_param_value("user");
    const std::string password = req.get_param_value("password");
    auto refuse = [this](const std::string& key, int code) {
        return Reply{200,
                     R"({"status": "error", "msg": )" + Escaped(Message(key)) + R"(, "code": )" +
                         std::to_string(code) + "}",
                     "application/json"};
    };
    if (req.get_param_value("type") != "xiulan") return refuse(kRefusalBadType, 103);
    for (const auto& account : data_["accounts"]) {
        if (account.value("user", "") != user) continue;
        if (account.value("password", "") != password) break;
        if (account.contains("refusal")) return refuse(account.value("refusal", ""), 102);
        // The client cuts the code out before ", \"data" and the expiry before
        // "\"}": the expiry must stay the last member of its object.
        return Reply{200,
                     R"({"status": "ok", "code": )" + std::to_string(kLoginSuccessCode) +
                         R"(, "data": {"user": )" + Escaped(user) + R"(, "expiretime": )" +
                         Escaped(account.value("expiretime", "")) + "}}",
                     "application/json"};
    }
    return refuse(kRefusalWrongPassword, 101);
}

StandinService::Reply StandinService::ServerList(const httplib::Request&, const Context& context) {
    Json rows = data_["lists"].value(context.path, Json::array());
    if (context.changing && !rows.empty()) {
        // Each call leaves out the next row in turn, so rows vanish and return.
        rows.erase(rows.begin() + static_cast<long>((context.call - 1) % rows.size()));
    }
    Json reply = Json::object();
    reply["code"] = kListSuccessCode;
    reply["msg"] = "ok";
    reply["data"] = rows;
    return Reply{200, reply.dump(-1, ' ', true), "application/json"};
}

StandinService::Reply StandinService::IpInfo(const httplib::Request&, const Context&) {
    const auto& exit = data_["exit"];
    std::string page = "<html><head><meta charset=\"utf-8\"></head><body><ip>" +
                       exit.value("ip", "") + "</ip><pos>" + exit.value("pos", "") +
                       "</pos></body></html>";
    return Reply{200, page, "text/html; charset=utf-8"};
}

StandinService::Reply StandinService::SetStaticIp(const httplib::Request& req, const Context&) {
    const std::string user = req.get_param_value("user");
    const std::string ip = req.get_param_value("ip");
    bool knownUser = false;
    for (const auto& account : data_["accounts"])
        knownUser = knownUser || account.value("user", "") == user;
    bool knownIp = false;
    for (const auto& row : data_["lists"].value("/getstaticiplist/", Json::array()))
        knownIp = knownIp || (row.value("ip", "") == ip && row.value("status", 0) != -1);
    if (knownUser && knownIp) {
        return Reply{200, R"({"code": )" + std::to_string(kStaticSuccessCode) + R"(, "msg": "ok"})",
                     "application/json"};
    }
    return Reply{200,
                 R"({"code": )" + std::to_string(kStaticFailureCode) + R"(, "msg": )" +
                     Escaped(Message("static_failed")) + "}",
                 "application/json"};
}

StandinService::Reply StandinService::Probe(const httplib::Request&, const Context&) {
    return Reply{200, "<html><body>ok</body></html>", "text/html"};
}

void StandinService::Control(const httplib::Request& req, httplib::Response& res) {
    const std::string command = req.matches[1];
    const std::string path = req.get_param_value("path");
    std::lock_guard lock(mutex_);
    if (command == "fault") {
        Fault fault;
        fault.delayMs = IntParam(req, "delay_ms", 0);
        fault.status = IntParam(req, "status", 0);
        fault.body = req.get_param_value("body");
        if (req.has_param("raw")) fault.raw = req.get_param_value("raw");
        fault.drop = req.get_param_value("drop") == "1";
        fault.changing = req.get_param_value("changing") == "1";
        fault.times = IntParam(req, "times", 0);
        fault.hugeBytes = IntParam(req, "huge", 0);
        fault.chunked = req.get_param_value("chunked") == "1";
        fault.trickleMs = IntParam(req, "trickle_ms", 0);
        faults_[path] = fault;
        res.set_content("ok", "text/plain");
    } else if (command == "reset") {
        faults_.clear();
        calls_.clear();
        lastRequest_.clear();
        res.set_content("ok", "text/plain");
    } else if (command == "release") {
        ++releases_;
        wake_.notify_all();
        res.set_content("ok", "text/plain");
    } else if (command == "count") {
        res.set_content(std::to_string(calls_[path]), "text/plain");
    } else if (command == "last") {
        res.set_content(lastRequest_[path], "text/plain");
    } else if (command == "echo") {
        res.set_content(Describe(req), "text/plain");
    } else if (command == "setcookie") {
        for (size_t i = 0; i < req.get_param_value_count("c"); ++i)
            res.headers.emplace("Set-Cookie", req.get_param_value("c", i));
        res.set_content("ok", "text/plain");
    } else if (command == "redirect") {
        res.set_redirect(req.get_param_value("to"));
    } else if (command == "tls") {
        if (tlsPort_ == 0) {
            res.status = 404;
            res.set_content("no TLS endpoint", "text/plain");
        } else {
            res.set_redirect("https://127.0.0.1:" + std::to_string(tlsPort_) + path);
        }
    } else if (command == "quit") {
        res.set_content("bye", "text/plain");
        if (quit_) quit_();
    } else {
        res.status = 404;
        res.set_content("unknown control command", "text/plain");
    }
}

}  // namespace xl::standin
