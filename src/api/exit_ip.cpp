#include "api/exit_ip.h"

#include "api/log.h"
#include "api/service.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr char kExitIpPath[] = "/ipinfohtml/";
constexpr int kHttpOk = 200;
constexpr char kExitIpExceptionText[] = "出口IP查询异常: ";

}  // namespace

ExitIpPage ReadExitIpPage(std::string_view body) {
    // '中国-江苏-南京' reads '江苏南京', '美国-加州' reads '美国加州'.
    std::string text = TextReplace(Utf8ToGbk(body), "中国-", "");
    text = TextReplace(text, "-", "");
    ExitIpPage page;
    int position = 0;
    page.ip = TextBetweenFrom(text, "<ip>", "</ip>", position);
    position = 0;
    page.location = TextBetweenFrom(text, "<pos>", "</pos>", position);
    return page;
}

bool QueryExitIp(const ServiceApi& api, std::string& ip, std::string& location) {
    int status = 0;
    const std::string body = api.Http().Fetch({.url = api.Url(kExitIpPath),
                                               .statusCode = &status,
                                               .timeoutSeconds = kExitIpTimeoutSeconds});
    if (status != kHttpOk) return false;
    ExitIpPage page = ReadExitIpPage(body);
    ip = std::move(page.ip);
    location = std::move(page.location);
    return true;
}

void RunExitIpLookup(const ServiceApi& api, ProgramLog& log, std::stop_token stop,
                     const std::function<bool(const std::string&, const std::string&)>& show) {
    try {
        if (!show(kExitIpConnectedText, kExitIpConnectedText)) return;
        // No pause between attempts: each is bounded by its request's deadline.
        auto attempt = [&] {
            std::string ip, location;
            if (stop.stop_requested()) return false;
            try {
                if (!QueryExitIp(api, ip, location)) return false;
            } catch (...) {
                LogCurrentException(log, {kExitIpExceptionText});
                return false;
            }
            show(ip, location);
            return true;
        };
        for (int round = 1; round <= kExitIpRounds; ++round) {
            if (attempt() || attempt() || stop.stop_requested()) return;
            if (round == 1 && !show(kExitIpQueryingText, kExitIpQueryingText)) return;
        }
    } catch (...) {
        // From the display: the lookup ends, its labels as they were.
        LogCurrentException(log, {kExitIpExceptionText});
    }
}

ExitIpLookup::~ExitIpLookup() {
    Stop();
    WaitForAll();
}

void ExitIpLookup::Start() {
    Stop();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(writeMutex_);
    current_.emplace(Task{std::jthread([this, finished](std::stop_token stop) {
                              RunExitIpLookup(
                                  api_, log_, stop,
                                  [this, stop](const std::string& ip, const std::string& location) {
                                      std::lock_guard writeLock(writeMutex_);
                                      if (stop.stop_requested()) return false;
                                      display_.ShowExitIp(ip, location);
                                      return true;
                                  });
                              finished->store(true);
                          }),
                          finished});
}

void ExitIpLookup::Stop() {
    std::lock_guard lock(writeMutex_);
    if (current_) {
        current_->thread.request_stop();
        stopped_.push_back(std::move(*current_));
        current_.reset();
    }
    ForgetFinished();
}

void ExitIpLookup::WaitForAll() {
    std::vector<Task> stopped;
    {
        std::lock_guard lock(writeMutex_);
        stopped.swap(stopped_);
    }
    // Joined without the lock, which a lookup's last write takes; joined, not
    // destroyed, which would stop the running one first. Only Start and Stop,
    // on this thread, change the running one.
    for (Task& task : stopped) task.thread.join();
    if (current_ && current_->thread.joinable()) current_->thread.join();
}

void ExitIpLookup::ForgetFinished() {
    std::erase_if(stopped_, [](const Task& task) { return task.finished->load(); });
}

}  // namespace xl::api
