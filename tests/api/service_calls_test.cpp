// The login, exit-IP and static-IP calls: the URLs they build, how they read
// the service's replies, and the exit-IP lookup's rounds and stopping.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "api/exit_ip.h"
#include "api/http_fakes.h"
#include "api/login.h"
#include "api/service.h"
#include "api/service_fakes.h"
#include "api/static_ip.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr char kBase[] = "http://127.0.0.1:9";

class ServiceCallTest : public ::testing::Test {
  protected:
    test::RecordingFactory factory;
    HttpRequest http{factory.Factory()};
    ServiceApi api{http, kBase};
    test::MemoryLog log;
};

TEST_F(ServiceCallTest, QueryBytesThatChangeTheQueryAreEncoded) {
    struct Case {
        std::string account, secret, login, staticIp;
    };
    const Case cases[] = {
        {"demo", "demo123", "user=demo&password=demo123", "user=demo&ip=demo123"},
        {"a&b", "x=y#z", "user=a%26b&password=x%3Dy%23z", "user=a%26b&ip=x%3Dy%23z"},
        {"a b+c", "50%?", "user=a%20b%2Bc&password=50%25%3F", "user=a%20b%2Bc&ip=50%25%3F"},
        {"用户", "密码", "user=用户&password=密码", "user=用户&ip=密码"},
        {"[password]", "p", "user=p&password=p", "user=[password]&ip=p"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoginUrl(api, c.account, c.secret),
                  std::string(kBase) + "/userinfo/?type=xiulan&" + c.login);
        EXPECT_EQ(StaticIpUrl(api, c.account, c.secret),
                  std::string(kBase) + "/setstaticip/?" + c.staticIp);
    }
}

TEST(LoginReplyTest, MarkersCutTheValues) {
    struct Case {
        const char* name;
        std::string body;
        bool succeeded;
        std::string code, expiry, error;
    };
    const Case cases[] = {
        {"success",
         R"({"status": "ok", "code": 100, "data": {"user": "demo", "expiretime": "2027-12-31 23:59:59"}})",
         true, "100", "2027-12-31 23:59:59", ""},
        {"empty expiry", R"({"code": 100, "data": {"expiretime": ""}})", true, "100", "", ""},
        {"expiry not last", R"({"code": 100, "data": {"expiretime": "2027", "user": "x"}})", true,
         "100", R"(2027", "user": "x)", ""},
        {"quoted code", R"({"code": "100", "data": {"expiretime": "2027"}})", false, "\"100\"", "",
         ""},
        {"refusal with escapes",
         R"({"status": "error", "msg": "\u8d26\u53f7\u9519\u8bef", "code": 101})", false, "", "",
         "账号错误"},
        {"refusal in another layout", R"({"status":"error","msg":"x","code":101})", false, "", "",
         ""},
        {"empty", "", false, "", "", ""},
        {"html", "<html>502 Bad Gateway</html>", false, "", "", ""},
    };
    for (const Case& c : cases) {
        const LoginReply reply = ReadLoginReply(c.body);
        EXPECT_EQ(reply.Succeeded(), c.succeeded) << c.name;
        EXPECT_EQ(reply.code, c.code) << c.name;
        EXPECT_EQ(reply.expiry, c.expiry) << c.name;
        EXPECT_EQ(reply.errorText, c.error) << c.name;
    }
}

TEST_F(ServiceCallTest, LoginStepsAndStatusTexts) {
    struct Case {
        const char* name;
        std::string account, password;
        std::vector<int> probes;  // what the reachability probe answers, in turn
        test::ScriptedReply reply;
        std::optional<std::string> status;
        int probesUsed;
        bool asked, succeeded;
    };
    const test::ScriptedReply ok{.body = R"({"code": 100, "data": {"expiretime": "2027"}})"};
    const test::ScriptedReply refused{
        .body = R"({"status": "error", "msg": "\u5bc6\u7801\u9519\u8bef", "code": 101})"};
    const Case cases[] = {
        {"both empty", "", "", {1}, ok, "请输入账号和密码！", 0, false, false},
        {"account empty", "", "p", {1}, ok, "请输入账号！", 1, false, false},
        {"password empty", "a", "", {1}, ok, "请输入密码！", 1, false, false},
        {"password empty offline",
         "a",
         "",
         {0, 0},
         ok,
         "访问网络失败，当前你的电脑可能无网络，请联网后再试",
         2,
         false,
         false},
        {"account empty, second probe online",
         "",
         "p",
         {0, 1},
         ok,
         "请输入账号！",
         2,
         false,
         false},
        {"second probe online", "a", "p", {0, 1}, ok, std::nullopt, 2, false, false},
        {"offline",
         "a",
         "p",
         {0, 0},
         ok,
         "访问网络失败，当前你的电脑可能无网络，请联网后再试",
         2,
         false,
         false},
        {"success", "a", "p", {1}, ok, "", 1, true, true},
        {"refused", "a", "p", {1}, refused, "密码错误", 1, true, false},
        {"service unreachable", "a", "p", {1}, {.reachable = false}, "", 1, true, false},
    };
    for (const Case& c : cases) {
        factory.reply = c.reply;
        factory.created = 0;
        std::size_t probe = 0;
        const LoginOutcome outcome = RunLogin(api, c.account, c.password, [&] {
            return probe < c.probes.size() ? c.probes[probe++] : -1;
        });
        EXPECT_EQ(outcome.statusText, c.status) << c.name;
        EXPECT_EQ(static_cast<int>(probe), c.probesUsed) << c.name;
        EXPECT_EQ(outcome.reply.has_value(), c.asked) << c.name;
        EXPECT_EQ(factory.created, c.asked ? 1 : 0) << c.name;
        EXPECT_EQ(outcome.Succeeded(), c.succeeded) << c.name;
    }
    // The request is a plain GET with the default time-outs.
    EXPECT_EQ(factory.recording.method, "GET");
    EXPECT_EQ(factory.recording.timeouts, (std::vector<int>{15000, 15000, 15000, 15000}));
}

TEST_F(ServiceCallTest, ExitIpPage) {
    struct Case {
        const char* name;
        test::ScriptedReply reply;
        bool fetched;
        std::string ip, location;
    };
    auto page = [](const std::string& gbk) { return test::ScriptedReply{.body = GbkToUtf8(gbk)}; };
    const Case cases[] = {
        {"china", page("<ip>1.2.3.4</ip><pos>中国-江苏-南京</pos>"), true, "1.2.3.4", "江苏南京"},
        {"abroad", page("<ip>5.6.7.8</ip><pos>美国-加州</pos>"), true, "5.6.7.8", "美国加州"},
        {"no closing pos", page("<ip>1.2.3.4</ip><pos>中国-江苏"), true, "1.2.3.4", ""},
        {"no markers", page("<html>ok</html>"), true, "", ""},
        {"not found", {.status = 404, .body = "<ip>9.9.9.9</ip>"}, false, "old", "old"},
        {"unreachable", {.reachable = false}, false, "old", "old"},
    };
    for (const Case& c : cases) {
        factory.reply = c.reply;
        std::string ip = "old", location = "old";
        EXPECT_EQ(QueryExitIp(api, ip, location), c.fetched) << c.name;
        EXPECT_EQ(ip, c.ip) << c.name;
        EXPECT_EQ(location, c.location) << c.name;
        EXPECT_EQ(factory.recording.url, std::string(kBase) + "/ipinfohtml/");
        EXPECT_EQ(factory.recording.timeouts, (std::vector<int>{2000, 2000, 2000, 2000}));
    }
}

TEST_F(ServiceCallTest, ExitIpRounds) {
    const test::ScriptedReply good{.body = "<ip>1.2.3.4</ip><pos>x</pos>"};
    const test::ScriptedReply bad{.status = 404};
    struct Case {
        const char* name;
        int failures;
        std::vector<std::string> shown;  // the ip label, in order
        int attempts;
    };
    const Case cases[] = {
        {"first attempt", 0, {"网络连接成功", "1.2.3.4"}, 1},
        {"second attempt of the first round", 1, {"网络连接成功", "1.2.3.4"}, 2},
        {"second round", 2, {"网络连接成功", "查询IP中...", "1.2.3.4"}, 3},
        {"last attempt", 19, {"网络连接成功", "查询IP中...", "1.2.3.4"}, 20},
        {"never", 20, {"网络连接成功", "查询IP中..."}, 20},
    };
    for (const Case& c : cases) {
        factory.created = 0;
        factory.queue.assign(c.failures, bad);
        factory.reply = good;
        std::vector<std::string> shown;
        std::stop_source stop;
        RunExitIpLookup(api, log, stop.get_token(),
                        [&](const std::string& ip, const std::string& location) {
                            shown.push_back(ip);
                            if (ip != "1.2.3.4") {
                                EXPECT_EQ(location, ip);
                            }
                            return true;
                        });
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_EQ(factory.created, c.attempts) << c.name;
    }
}

// Nothing thrown on the lookup's thread leaves it: an attempt that throws is a failed attempt, a
// display that throws ends the lookup; both are logged.
TEST_F(ServiceCallTest, ExitIpLookupOutlivesExceptions) {
    factory.queue.assign(1, test::ScriptedReply{.throws = true});
    factory.reply = {.body = "<ip>1.2.3.4</ip><pos>x</pos>"};
    std::vector<std::string> shown;
    RunExitIpLookup(api, log, std::stop_source().get_token(),
                    [&](const std::string& ip, const std::string&) {
                        shown.push_back(ip);
                        return true;
                    });
    EXPECT_EQ(shown, (std::vector<std::string>{"网络连接成功", "1.2.3.4"}));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"出口IP查询异常: std::bad_alloc"}));

    int calls = 0;
    RunExitIpLookup(api, log, std::stop_source().get_token(),
                    [&](const std::string&, const std::string&) -> bool {
                        ++calls;
                        throw std::runtime_error("post failed");
                    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(log.Lines().back(), "出口IP查询异常: post failed");
}

// A request object that takes a while and always answers 404, safe to use from several threads.
class SlowNotFound : public HttpFacility {
  public:
    void SetTimeouts(int, int, int, int) override {}
    void SetProxy(int, const std::string&) override {}
    void Open(const std::string&, const std::string&, bool) override {}
    void SetOption(int, int) override {}
    void SetCredentials(const std::string&, const std::string&, int) override {}
    void SetRequestHeader(const std::string&, const std::string&) override {}
    void Send(const std::string&) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void SendBytes(const std::string&) override {}
    std::string TakeResponseBody() override { return ""; }
    std::string GetAllResponseHeaders() override { return ""; }
    int Status() override { return 404; }
    std::string StatusText() override { return ""; }
};

class RecordingDisplay : public ExitIpDisplay {
  public:
    void ShowExitIp(const std::string& ip, const std::string&) override {
        std::lock_guard lock(mutex);
        writes.emplace_back(std::this_thread::get_id(), ip);
    }
    std::size_t Count() {
        std::lock_guard lock(mutex);
        return writes.size();
    }
    std::mutex mutex;
    std::vector<std::pair<std::thread::id, std::string>> writes;
};

TEST(ExitIpLookupTest, OnlyTheNewestLookupWrites) {
    HttpRequest http([] { return std::make_unique<SlowNotFound>(); });
    ServiceApi api(http, kBase);
    RecordingDisplay display;
    test::MemoryLog log;
    ExitIpLookup lookup(api, display, log);

    lookup.Start();
    while (display.Count() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Counted before the restart: the new lookup may write before Start's caller runs again, and
    // the first one (always 404) has written both its texts already.
    const std::size_t before = display.Count();
    lookup.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    lookup.Stop();
    const std::size_t atStop = display.Count();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    std::lock_guard lock(display.mutex);
    EXPECT_EQ(display.writes.size(), atStop) << "nothing is written after Stop";
    ASSERT_GT(atStop, before);
    const std::thread::id newest = display.writes[before].first;
    EXPECT_NE(newest, display.writes[0].first);
    for (std::size_t i = before; i < display.writes.size(); ++i)
        EXPECT_EQ(display.writes[i].first, newest)
            << "write " << i << " came from the stopped lookup";
    EXPECT_EQ(display.writes[before].second, "网络连接成功");
}

TEST_F(ServiceCallTest, StaticIpVerdict) {
    struct Case {
        const char* name;
        test::ScriptedReply reply;
        bool assigned;
    };
    const Case cases[] = {
        {"code 100", {.body = R"({"code": 100, "msg": "ok"})"}, true},
        {"100 inside a number", {.body = R"({"code": 200, "id": 1001})"}, true},
        {"code 200 without 100", {.body = R"({"code": 200, "msg": "fail"})"}, false},
        {"empty", {.body = ""}, false},
        {"unreachable", {.reachable = false}, false},
    };
    for (const Case& c : cases) {
        factory.reply = c.reply;
        EXPECT_EQ(RequestStaticIp(api, "demo", "198.51.100.11"), c.assigned) << c.name;
        EXPECT_EQ(factory.recording.url,
                  std::string(kBase) + "/setstaticip/?user=demo&ip=198.51.100.11");
    }
}

}  // namespace
}  // namespace xl::api
