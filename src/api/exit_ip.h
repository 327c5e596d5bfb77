#pragma once
// After a connection comes up, the service is asked which public address the
// traffic now leaves from and where that is; the lookup runs on a worker
// thread, tries up to twenty times with short time-outs, and writes through
// an interface the main window implements. A new lookup stops the previous
// one, and once Start or Stop has returned the previous one writes nothing.
// Whatever an attempt throws costs that attempt and goes to the log; nothing
// leaves the lookup's thread.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace xl::api {

class ProgramLog;
class ServiceApi;

inline constexpr char kExitIpConnectedText[] = "网络连接成功";
inline constexpr char kExitIpQueryingText[] = "查询IP中...";
inline constexpr int kExitIpRounds = 10;
inline constexpr int kExitIpTimeoutSeconds = 2;

// The two labels of the main window the lookup writes (the exit IP and its location). Called on
// the lookup's thread while Start and Stop wait for it: it must not wait for the thread that calls
// them (post to the window rather than send to it), or the two hang on each other.
class ExitIpDisplay {
  public:
    virtual ~ExitIpDisplay() = default;
    virtual void ShowExitIp(const std::string& ip, const std::string& location) = 0;
};

struct ExitIpPage {
    std::string ip, location;
};
// The address and its location cut out of the page (UTF-8 bytes), "中国-" and every "-" taken
// out of the location; each empty when the page lacks its markers.
ExitIpPage ReadExitIpPage(std::string_view body);

// One attempt: true when the page came with HTTP status 200 (`ip` and `location` then set, empty
// when the page lacks their markers); false leaves both untouched.
bool QueryExitIp(const ServiceApi& api, std::string& ip, std::string& location);

// The rounds of one lookup; stops between attempts once `stop` is requested. `show` writes the
// labels and returns false when the lookup has been stopped meanwhile. Never throws.
void RunExitIpLookup(const ServiceApi& api, ProgramLog& log, std::stop_token stop,
                     const std::function<bool(const std::string&, const std::string&)>& show);

class ExitIpLookup {
  public:
    ExitIpLookup(const ServiceApi& api, ExitIpDisplay& display, ProgramLog& log)
        : api_(api), display_(display), log_(log) {}
    // Stops every lookup and waits for them (at most one attempt's time-outs).
    ~ExitIpLookup();
    ExitIpLookup(const ExitIpLookup&) = delete;
    ExitIpLookup& operator=(const ExitIpLookup&) = delete;

    // Stops the running lookup, if any, and starts a new one.
    void Start();
    // Stops the running lookup; it finishes its current attempt in the background, unseen.
    void Stop();
    // Waits until every lookup started so far has ended: a stopped one within one attempt's
    // time-outs, the running one once its attempts are over.
    void WaitForAll();

  private:
    struct Task {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void ForgetFinished();

    const ServiceApi& api_;
    ExitIpDisplay& display_;
    ProgramLog& log_;
    std::mutex writeMutex_;  // a write and a stop never interleave
    std::optional<Task> current_;
    std::vector<Task> stopped_;
};

}  // namespace xl::api
