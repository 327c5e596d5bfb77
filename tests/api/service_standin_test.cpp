// The service calls through the platform's request object against the
// stand-in service: real replies, real encodings, and the failures the
// stand-in can be told to produce.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "api/exit_ip.h"
#include "api/login.h"
#include "api/server_list.h"
#include "api/service.h"
#include "api/service_fakes.h"
#include "api/standin_process.h"
#include "api/static_ip.h"
#include "api/text.h"

namespace xl::api {
namespace {

class ServiceStandinTest : public test::StandinSuite {
  protected:
    void SetUp() override {
        StandinSuite::SetUp();
        if (IsSkipped()) return;
        api.emplace(http, standin->BaseUrl());
    }
    // "province: domain/status ..." of a stored list, groups separated by " | ".
    static std::string Describe(ServerList& list) {
        std::lock_guard lock(list.lock);
        std::string text;
        for (const ProvinceGroup& group : list.groups) {
            text += (text.empty() ? "" : " | ") + group.province + ":";
            for (const ServerNode& node : group.nodes)
                text += " " + node.domain + "/" + std::to_string(node.status);
        }
        return text;
    }

    HttpRequest http{CreatePlatformHttpFacility};
    std::optional<ServiceApi> api;
    ServerLists lists;
    test::MemoryLog log;
};

TEST_F(ServiceStandinTest, LoginRepliesAreReadByTheirMarkers) {
    const LoginReply ok = RequestLogin(*api, "demo", "demo123");
    EXPECT_TRUE(ok.Succeeded()) << ok.replyText;
    EXPECT_EQ(ok.expiry, "2027-12-31 23:59:59");

    const LoginReply refused = RequestLogin(*api, "demo", "wrong");
    EXPECT_FALSE(refused.Succeeded());
    EXPECT_EQ(refused.errorText, "账号或密码错误，请重新输入");
    EXPECT_EQ(RequestLogin(*api, "expired", "expired").errorText, "您的账号已到期，请续费后再登录");
}

TEST_F(ServiceStandinTest, AccountWithQueryBytesReachesTheServiceWhole) {
    const LoginReply reply = RequestLogin(*api, "a&b", "x=y#z");
    EXPECT_TRUE(reply.Succeeded()) << reply.replyText;
    const std::string seen = standin->Get("/_control/last?path=/userinfo/");
    EXPECT_EQ(TextFind(seen, "GET /userinfo/?type=xiulan&user=a%26b&password=x%3Dy%23z\r\n"), 1)
        << seen;
    // The password travels once: the Referer names the page without the query.
    EXPECT_GT(TextFind(seen, "Referer: " + standin->BaseUrl() + "/userinfo/\r\n"), 0) << seen;
    EXPECT_EQ(TextFind(seen, "x%3Dy", TextFind(seen, "x%3Dy") + 1), -1) << seen;
    EXPECT_TRUE(RequestLogin(*api, "tester", "pass word").Succeeded());
}

TEST_F(ServiceStandinTest, ListsOfAllThreeModes) {
    for (LineMode mode : kLineModes) RefreshServerListQuietly(mode, lists, *api, log);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(Describe(lists.List(LineMode::Dynamic)),
              "广东: gd-sz1.xiulan.example/0 gd-gz1.xiulan.example/0 gd-dg1.xiulan.example/0 | "
              "江苏: js-nj1.xiulan.example/1 | 浙江: zj-hz1.xiulan.example/0 | "
              "山东: sd-qd1.xiulan.example/0 | 四川: sc-cd1.xiulan.example/0");
    EXPECT_EQ(Describe(lists.List(LineMode::Fast)),
              "上海: sh-fast1.xiulan.example/0 | 北京: bj-fast1.xiulan.example/0 | "
              "湖北: hb-fast1.xiulan.example/1");
    ServerList& statics = lists.List(LineMode::Static);
    EXPECT_EQ(Describe(statics),
              "江苏: js-sz-s1.xiulan.example/0 js-wx-s1.xiulan.example/1 | "
              "河南: hn-zz-s1.xiulan.example/0");
    EXPECT_EQ(statics.groups[0].nodes[0].city, "苏州");
    EXPECT_EQ(statics.groups[0].nodes[0].isp, "电信");
    EXPECT_EQ(statics.groups[0].nodes[0].ip, "198.51.100.11");
}

TEST_F(ServiceStandinTest, ChangingListMarksVanishedRowsAndBringsThemBack) {
    standin->Fault("/serverlistpc_xiulanfast/", "changing=1");
    ServerList& list = lists.List(LineMode::Fast);
    RefreshServerListQuietly(LineMode::Fast, lists, *api, log);  // leaves out the first row
    EXPECT_EQ(Describe(list), "北京: bj-fast1.xiulan.example/0 | 湖北: hb-fast1.xiulan.example/1");
    RefreshServerListQuietly(LineMode::Fast, lists, *api, log);  // leaves out the second
    EXPECT_EQ(Describe(list),
              "北京: bj-fast1.xiulan.example/-1 | 湖北: hb-fast1.xiulan.example/1 | "
              "上海: sh-fast1.xiulan.example/0");
    RefreshServerListQuietly(LineMode::Fast, lists, *api, log);  // leaves out the third
    EXPECT_EQ(Describe(list),
              "北京: bj-fast1.xiulan.example/0 | 湖北: hb-fast1.xiulan.example/-1 | "
              "上海: sh-fast1.xiulan.example/0");
}

TEST_F(ServiceStandinTest, FailedRefreshKeepsTheStoredList) {
    RefreshServerListQuietly(LineMode::Dynamic, lists, *api, log);
    const std::string before = Describe(lists.List(LineMode::Dynamic));
    const std::pair<std::string, std::string> faults[] = {
        {"status=500", "[动态线路] 下载节点数据错误:1"},
        {"drop=1", "[动态线路] 下载节点数据错误:1"},
        {"body=malformed", "[动态线路] 下载节点数据错误:2"},
        {"body=empty", "[动态线路] 下载节点数据错误:2"},
        {"raw=%7B%22code%22%3A%20403%7D", "[动态线路] 下载节点数据错误:403"},
        {"raw=%7B%22code%22%3A%20200%2C%20%22data%22%3A%20%5B%5D%7D",
         "[动态线路] 处理节点数据错误"},
    };
    for (const auto& [fault, line] : faults) {
        standin->Fault("/serverlistpc/", fault);
        RefreshServerListQuietly(LineMode::Dynamic, lists, *api, log);
        ASSERT_FALSE(log.Lines().empty()) << fault;
        EXPECT_EQ(log.Lines().back(), line) << fault;
        EXPECT_EQ(Describe(lists.List(LineMode::Dynamic)), before) << fault;
    }
}

TEST_F(ServiceStandinTest, ExitIpAndItsTimeOut) {
    std::string ip, location;
    ASSERT_TRUE(QueryExitIp(*api, ip, location));
    EXPECT_EQ(ip, "203.0.113.25");
    EXPECT_EQ(location, "江苏南京");

    standin->Fault("/ipinfohtml/", "delay_ms=10000");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(QueryExitIp(*api, ip, location));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0) << "a stalled service is cut off by the two-second time-outs";
}

class LabelRecorder : public ExitIpDisplay {
  public:
    void ShowExitIp(const std::string& ip, const std::string& location) override {
        std::lock_guard lock(mutex_);
        shown_.push_back(ip + "|" + location);
    }
    std::vector<std::string> Shown() {
        std::lock_guard lock(mutex_);
        return shown_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> shown_;
};

TEST_F(ServiceStandinTest, ExitIpLookupRetriesUntilThePageComes) {
    standin->Fault("/ipinfohtml/", "status=404&times=3");
    LabelRecorder labels;
    ExitIpLookup lookup(*api, labels, log);
    lookup.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (labels.Shown().size() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(labels.Shown(),
              (std::vector<std::string>{"网络连接成功|网络连接成功", "查询IP中...|查询IP中...",
                                        "203.0.113.25|江苏南京"}));
    EXPECT_EQ(standin->Get("/_control/count?path=/ipinfohtml/"), "4");
}

TEST_F(ServiceStandinTest, StaticIpAssignment) {
    EXPECT_TRUE(RequestStaticIp(*api, "demo", "198.51.100.11"));
    EXPECT_FALSE(RequestStaticIp(*api, "demo", "198.51.100.31"));  // a line the service dropped
    EXPECT_FALSE(RequestStaticIp(*api, "nobody", "198.51.100.11"));
    standin->Fault("/setstaticip/", "status=502&body=empty");
    EXPECT_FALSE(RequestStaticIp(*api, "demo", "198.51.100.11"));
}

}  // namespace
}  // namespace xl::api
