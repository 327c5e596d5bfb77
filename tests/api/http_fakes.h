#pragma once
// A request object that records what HttpRequest::Fetch asks of it and answers
// with a scripted reply, so the request logic can be checked without a network.
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "api/http_facility.h"

namespace xl::api::test {

struct ScriptedReply {
    bool reachable = true;  // false: Send fails as an unreachable host does
    int status = 200;
    std::string body{};
    std::string headers{};  // header lines each ended by CR LF
    bool throws = false;    // Send runs out of memory
};

// What one request object was asked to do; outlives the object.
struct Recording {
    std::vector<int> timeouts;
    std::string proxy, method, url, credentials, sentText, sentBytes;
    bool openedAsynchronously = true;
    std::vector<std::pair<int, int>> options;
    std::vector<std::pair<std::string, std::string>> headers;
    int sends = 0;
};

class RecordingFacility : public HttpFacility {
  public:
    RecordingFacility(Recording& recording, ScriptedReply reply)
        : r_(recording), reply_(std::move(reply)) {}

    void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
        r_.timeouts = {resolveMs, connectMs, sendMs, receiveMs};
    }
    void SetProxy(int setting, const std::string& proxyAddress) override {
        r_.proxy = std::to_string(setting) + " " + proxyAddress;
    }
    void Open(const std::string& method, const std::string& url, bool asynchronous) override {
        r_.method = method;
        r_.url = url;
        r_.openedAsynchronously = asynchronous;
    }
    void SetOption(int option, int value) override { r_.options.emplace_back(option, value); }
    void SetCredentials(const std::string& user, const std::string& password, int target) override {
        r_.credentials = user + "|" + password + "|" + std::to_string(target);
    }
    void SetRequestHeader(const std::string& name, const std::string& value) override {
        r_.headers.emplace_back(name, value);
    }
    void Send(const std::string& bodyText) override {
        r_.sentText = bodyText;
        ++r_.sends;
        if (reply_.throws) throw std::bad_alloc();
    }
    void SendBytes(const std::string& bodyBytes) override {
        r_.sentBytes = bodyBytes;
        ++r_.sends;
    }
    std::string TakeResponseBody() override { return reply_.reachable ? reply_.body : ""; }
    std::string GetAllResponseHeaders() override { return reply_.reachable ? reply_.headers : ""; }
    int Status() override { return reply_.reachable ? reply_.status : 0; }
    std::string StatusText() override { return reply_.reachable ? "OK" : ""; }

  private:
    Recording& r_;
    ScriptedReply reply_;
};

// Hands out one recording facility per call; `recording` describes the last one.
struct RecordingFactory {
    ScriptedReply reply;
    std::deque<ScriptedReply> queue{};  // replies used first, one per request, before `reply`
    Recording recording;
    int created = 0;
    bool fails = false;  // creation fails, as when the platform has no request object

    HttpFacilityFactory Factory() {
        return [this]() -> std::unique_ptr<HttpFacility> {
            if (fails) return nullptr;
            recording = Recording{};
            ++created;
            ScriptedReply next = reply;
            if (!queue.empty()) {
                next = queue.front();
                queue.pop_front();
            }
            return std::make_unique<RecordingFacility>(recording, next);
        };
    }
};

}  // namespace xl::api::test
