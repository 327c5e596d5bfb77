#pragma once
// The stand-in for the service behind the client's API base address. It
// answers every path of the API from a data file (UTF-8 JSON) and lets tests
// switch per-path faults (delay, status, broken or empty body, a list that
// changes between calls, a dropped connection, a huge or a trickled body; a
// delay under way can be ended at once with /_control/release) through
// /_control/ paths on the same server, so a test program on either platform
// can drive it with plain GET requests. One service may be installed on
// several servers (plain and TLS); they share its faults and counts.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace xl::standin {

// Keeps the data file's member order in the replies.
using Json = nlohmann::ordered_json;

// One switched misbehaviour of a path; applies to the next `times` requests
// (0: until reset).
struct Fault {
    int delayMs = 0;
    int status = 0;                  // 0: the path's own status
    std::string body;                // "", "empty", "malformed", "null"
    std::optional<std::string> raw;  // exact body to send instead
    bool drop = false;               // close the connection in the middle of the reply
    bool changing = false;           // lists: every call leaves out another row
    int times = 0;
    // Hostile replies: a body of this many bytes (announced, or chunked without a length), and
    // the path's own body sent one byte every `trickleMs`.
    int hugeBytes = 0;
    bool chunked = false;
    int trickleMs = 0;
};

class StandinService {
  public:
    // `data` is the parsed data file; Load() reports a readable error instead.
    explicit StandinService(Json data);
    static std::optional<Json> Load(const std::string& path, std::string& error);

    // `quit` is called (on a server thread) when a test asks the service to end.
    void Install(httplib::Server& server, std::function<void()> quit);
    // Wakes every delayed reply so the server can stop promptly.
    void Shutdown();
    // Where /_control/tls redirects to; before it is set that command answers 404.
    void SetTlsPort(int port);
    std::chrono::steady_clock::time_point LastActivity();

  private:
    struct Reply {
        int status = 200;
        std::string body;
        std::string contentType = "application/json";
    };

    struct Context {
        std::string path;
        int call;  // 1 for the first request of this path since the last reset
        bool changing;
    };
    using Handler = Reply (StandinService::*)(const httplib::Request&, const Context&);
    void Route(httplib::Server& server, const std::string& path, Handler handler);
    void Serve(const std::string& path, const httplib::Request& req, httplib::Response& res,
               Handler handler);

    Reply UserInfo(const httplib::Request& req, const Context& context);
    Reply ServerList(const httplib::Request& req, const Context& context);
    Reply IpInfo(const httplib::Request& req, const Context& context);
    Reply SetStaticIp(const httplib::Request& req, const Context& context);
    Reply Probe(const httplib::Request& req, const Context& context);

    void ServeHuge(httplib::Response& res, const Fault& fault);
    void ServeTrickle(httplib::Response& res, const Reply& reply, int intervalMs);
    // Waits up to `ms`; false once the service is shutting down.
    bool Pause(int ms);

    void Control(const httplib::Request& req, httplib::Response& res);
    std::string Message(const std::string& key) const;

    Json data_;
    std::function<void()> quit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    int releases_ = 0;  // /_control/release ends every delay under way
    std::map<std::string, Fault> faults_;
    std::map<std::string, int> calls_;
    std::map<std::string, std::string> lastRequest_;
    std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
    int tlsPort_ = 0;
};

}  // namespace xl::standin
