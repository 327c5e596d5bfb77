// Server lists: download checks, parsing into province groups, the merge's
// order and state rules, and the quiet refresh.
#include <gtest/gtest.h>

#include <climits>

#include "api/http_fakes.h"
#include "api/log.h"
#include "api/server_list.h"
#include "api/service.h"
#include "api/service_fakes.h"

namespace xl::api {
namespace {

using test::ListReply;
using test::Row;

ServerNode Node(std::string province, std::string domain, std::int32_t status = 0,
                std::string city = "", std::string ip = "") {
    ServerNode node;
    node.province = std::move(province);
    node.domain = std::move(domain);
    node.status = status;
    node.city = std::move(city);
    node.ip = std::move(ip);
    return node;
}

// "province:domain/status/stamp" per row, groups separated by " | ".
std::string Describe(const ProvinceGroups& groups) {
    std::string text;
    for (const ProvinceGroup& group : groups) {
        if (!text.empty()) text += " | ";
        text += group.province + ":";
        for (const ServerNode& node : group.nodes)
            text += " " + node.domain + "/" + std::to_string(node.status) + "/" +
                    std::to_string(node.refreshStamp);
    }
    return text;
}

TEST(ServerListTest, StatusWordsAndModes) {
    const std::pair<std::int32_t, std::string> words[] = {
        {0, "正常"}, {-1, "遗弃"}, {1, "故障"}, {2, "故障"}, {-2, "故障"}, {INT_MIN, "故障"}};
    for (const auto& [status, word] : words) EXPECT_EQ(NodeStatusText(status), word) << status;

    const std::tuple<LineMode, std::string, std::string> modes[] = {
        {LineMode::Dynamic, "动态线路", "/serverlistpc/"},
        {LineMode::Fast, "极速线路", "/serverlistpc_xiulanfast/"},
        {LineMode::Static, "静态线路", "/getstaticiplist/"}};
    for (const auto& [mode, text, path] : modes) {
        EXPECT_EQ(LineModeText(mode), text);
        EXPECT_EQ(LineModePath(mode), path);
        EXPECT_EQ(LineModeFromText(text), mode);
    }
    EXPECT_FALSE(LineModeFromText("动态"));
    EXPECT_FALSE(LineModeFromText(""));
}

TEST(ServerListTest, FindGivesFirstExactMatch) {
    const ProvinceGroups groups = {{"广东", {}}, {"江苏", {}}, {"广东", {}}};
    EXPECT_EQ(FindProvinceGroup(groups, "广东"), 1);
    EXPECT_EQ(FindProvinceGroup(groups, "江苏"), 2);
    EXPECT_EQ(FindProvinceGroup(groups, "浙江"), 0);
    const std::vector<ServerNode> nodes = {Node("p", "a.x"), Node("p", "b.x"), Node("p", "a.x")};
    EXPECT_EQ(FindNodeByDomain(nodes, "b.x"), 2);
    EXPECT_EQ(FindNodeByDomain(nodes, "a.x"), 1);
    EXPECT_EQ(FindNodeByDomain(nodes, "A.X"), 0);
}

TEST(ServerListTest, DownloadChecksStatusJsonAndCode) {
    struct Case {
        const char* name;
        test::ScriptedReply reply;
        int errorCode;  // -99: success, the code left alone
    };
    const std::string rows = ListReply({{"广东", "深圳", "a.x", "电信", 0}});
    const Case cases[] = {
        {"success", {.body = rows}, -99},
        {"code as a string", {.body = R"({"code": "200", "data": []})"}, -99},
        {"empty data", {.body = R"({"code": 200, "data": []})"}, -99},
        {"unreachable", {.reachable = false}, 1},
        {"http 500", {.status = 500, .body = rows}, 1},
        {"http 404", {.status = 404, .body = ""}, 1},
        {"not json", {.body = "<html>busy</html>"}, 2},
        {"json null", {.body = "null"}, 2},
        {"empty body", {.body = ""}, 2},
        {"truncated", {.body = rows.substr(0, rows.size() / 2)}, 2},
        {"service code", {.body = R"({"code": 503, "msg": "busy"})"}, 503},
        {"no code", {.body = R"({"data": []})"}, 0},
        {"fractional code", {.body = R"({"code": 200.9, "data": []})"}, -99},
        {"code beyond int", {.body = R"({"code": 1e300})"}, INT_MAX},
        {"code 2^32 + 200", {.body = R"({"code": 4294967496})"}, INT_MAX},
        {"code below int", {.body = R"({"code": "-1e300"})"}, INT_MIN},
    };
    for (const Case& c : cases) {
        test::RecordingFactory factory;
        factory.reply = c.reply;
        HttpRequest http(factory.Factory());
        ServiceApi api(http, "http://127.0.0.1:9/");
        int errorCode = -99;
        const std::string text = DownloadServerList(api, LineMode::Fast, errorCode);
        EXPECT_EQ(errorCode, c.errorCode) << c.name;
        EXPECT_EQ(text.empty(), c.errorCode != -99) << c.name;
        EXPECT_EQ(factory.recording.url, "http://127.0.0.1:9/serverlistpc_xiulanfast/");
        EXPECT_EQ(factory.recording.timeouts, (std::vector<int>{15000, 15000, 15000, 15000}));
    }
}

TEST(ServerListTest, ParseGroupsByFirstAppearanceAndSkipsGoneRows) {
    const std::string reply = ListReply({
        {"广东", "深圳", "GD-SZ.Example", "电信", 0},
        {"江苏", "南京", "js.x", "联通", 1},
        {"广东", "广州", "gd-gz.x", "移动", 0},
        {"浙江", "杭州", "zj.x", "电信", -1},
        {"江苏", "苏州", "js2.x", "电信", 0, "198.51.100.1"},
    });
    ProvinceGroups groups = {{"stale", {}}};
    EXPECT_EQ(ParseServerList(reply, LineMode::Static, groups), 4);
    EXPECT_EQ(Describe(groups), "广东: gd-sz.example/0/0 gd-gz.x/0/0 | 江苏: js.x/1/0 js2.x/0/0");
    EXPECT_EQ(groups[0].nodes[1].city, "广州");
    EXPECT_EQ(groups[0].nodes[1].isp, "移动");
    EXPECT_EQ(groups[1].nodes[1].ip, "198.51.100.1");

    // Other modes carry no ip.
    EXPECT_EQ(ParseServerList(reply, LineMode::Dynamic, groups), 4);
    EXPECT_EQ(groups[1].nodes[1].ip, "");
}

TEST(ServerListTest, ParseEdgeReplies) {
    struct Case {
        const char* name;
        std::string reply;
        int rows;
    };
    const Case cases[] = {
        {"empty data", R"({"code": 200, "data": []})", 0},
        {"no data", R"({"code": 200})", 0},
        {"data not an array", R"({"code": 200, "data": "x"})", 0},
        {"every row gone", ListReply({{"a", "b", "c", "d", -1}}), 0},
        {"not json", "{", 0},
        {"row without members", R"({"code": 200, "data": [{}]})", 1},
        {"two-byte letters in the domain stay",
         "{\"code\": 200, \"data\": [{\"domain\": \"AB\\u4e2dC\"}]}", 1},
    };
    for (const Case& c : cases) {
        ProvinceGroups groups;
        EXPECT_EQ(ParseServerList(c.reply, LineMode::Dynamic, groups), c.rows) << c.name;
        EXPECT_EQ(groups.empty(), c.rows == 0) << c.name;
    }
    ProvinceGroups groups;
    ParseServerList("{\"code\": 200, \"data\": [{\"domain\": \"AB\\u4e2dC\"}]}", LineMode::Dynamic,
                    groups);
    EXPECT_EQ(groups[0].nodes[0].domain, "ab中c");
    EXPECT_EQ(groups[0].province, "");
    EXPECT_EQ(groups[0].nodes[0].status, 0);
}

// A line break in a row's text could write the settings file: such rows never reach a list.
TEST(ServerListTest, RowsWithControlCharactersAreDropped) {
    const std::string reply = ListReply({
        {"广东\r\n[是否掉线禁用网卡]\r\nJingYongWangKa=yes", "深圳", "a.x", "电信", 0},
        {"广东", "深\t圳", "b.x", "电信", 0},
        {"广东", "深圳", "c.x\x7F", "电信", 0},
        {"江苏", "南京", "d.x", "联\n通", 0},  // the isp is only ever shown in a cell
        {"江苏", "苏州", "e.x", "电信", 0, "198.51.100.1\r\n"},
        {"江苏", "无锡", "f.x", "电信", 0, "198.51.100.2"},
    });
    ProvinceGroups groups;
    int dropped = -1;
    EXPECT_EQ(ParseServerList(reply, LineMode::Static, groups, &dropped), 2);
    EXPECT_EQ(dropped, 4);
    EXPECT_EQ(Describe(groups), "江苏: d.x/0/0 f.x/0/0");
    // Other modes never read the ip.
    EXPECT_EQ(ParseServerList(reply, LineMode::Dynamic, groups, &dropped), 3);
    EXPECT_EQ(dropped, 3);
    // Escapes decode to the same bytes.
    EXPECT_EQ(ParseServerList(R"({"data": [{"province": "a\u0000b"}, {"city": "\n"}]})",
                              LineMode::Fast, groups, &dropped),
              0);
    EXPECT_EQ(dropped, 2);
}

TEST(ServerListTest, MergeKeepsPlacesAndMarksVanishedRows) {
    ProvinceGroups stored = {
        {"广东", {Node("广东", "a.x"), Node("广东", "b.x")}},
        {"江苏", {Node("江苏", "c.x", 0, "南京", "198.51.100.1")}},
    };
    ProvinceGroups fresh = {
        {"江苏",
         {Node("江苏", "c.x", 1, "苏州", "198.51.100.9"), Node("江苏", "d.x"),
          Node("江苏", "e.x")}},
        {"广东", {Node("广东", "b.x")}},
        {"浙江", {Node("浙江", "f.x")}},
    };
    MergeServerList(stored, std::move(fresh), 500);
    // New rows of a known province come in reverse service order; new provinces keep stamp 0.
    EXPECT_EQ(Describe(stored),
              "广东: a.x/-1/0 b.x/0/500 | 江苏: c.x/1/500 e.x/0/500 d.x/0/500 | 浙江: f.x/0/0");
    EXPECT_EQ(stored[1].nodes[0].city, "苏州");
    EXPECT_EQ(stored[1].nodes[0].ip, "198.51.100.1") << "a known row keeps its ip";

    // A vanished row that comes back takes the service's status again.
    MergeServerList(stored, {{"广东", {Node("广东", "a.x", 1)}}}, 600);
    EXPECT_EQ(
        Describe(stored),
        "广东: a.x/1/600 b.x/-1/500 | 江苏: c.x/-1/500 e.x/-1/500 d.x/-1/500 | 浙江: f.x/-1/0");
}

TEST(ServerListTest, MergeMatchesOnlyTheFirstOfTwoEqualDomains) {
    ProvinceGroups stored = {
        {"广东", {Node("广东", "a.x", 0, "one"), Node("广东", "a.x", 0, "two")}}};
    MergeServerList(stored, {{"广东", {Node("广东", "a.x", 1, "new")}}}, 7);
    EXPECT_EQ(Describe(stored), "广东: a.x/1/7 a.x/-1/0");
    EXPECT_EQ(stored[0].nodes[0].city, "new");
    EXPECT_EQ(stored[0].nodes[1].city, "two");
}

TEST(ServerListTest, MergeInTheSameMillisecondStillMarksVanishedRows) {
    ProvinceGroups stored;
    MergeServerList(stored, {{"广东", {Node("广东", "a.x")}}}, 0);
    MergeServerList(stored, {{"广东", {Node("广东", "a.x"), Node("广东", "b.x")}}}, 42);
    MergeServerList(stored, {{"广东", {Node("广东", "b.x")}}}, 42);
    EXPECT_EQ(Describe(stored), "广东: a.x/-1/42 b.x/0/42");
}

TEST(ServerListTest, MergeOfNothingMarksEveryRowGone) {
    ProvinceGroups stored = {{"广东", {Node("广东", "a.x")}}};
    MergeServerList(stored, {}, 1);
    EXPECT_EQ(Describe(stored), "广东: a.x/-1/0");
}

// The merge word for word as the service's list semantics state it, with linear look-ups and
// stamps, to check the indexed merge against on random lists.
void ReferenceMerge(ProvinceGroups& stored, ProvinceGroups fresh, std::int32_t tick) {
    for (std::size_t f = fresh.size(); f-- > 0;) {
        const int g = FindProvinceGroup(stored, fresh[f].province);
        if (g == 0) continue;
        std::vector<ServerNode>& nodes = stored[g - 1].nodes;
        for (std::size_t r = fresh[f].nodes.size(); r-- > 0;) {
            ServerNode& row = fresh[f].nodes[r];
            if (const int n = FindNodeByDomain(nodes, row.domain); n > 0) {
                nodes[n - 1].refreshStamp = tick;
                nodes[n - 1].city = row.city;
                nodes[n - 1].status = row.status;
                nodes[n - 1].isp = row.isp;
            } else {
                row.refreshStamp = tick;
                nodes.push_back(row);
            }
        }
        fresh.erase(fresh.begin() + static_cast<long>(f));
    }
    for (ProvinceGroup& group : stored) {
        for (ServerNode& node : group.nodes) {
            if (node.refreshStamp != tick) node.status = kNodeStatusGone;
        }
    }
    for (ProvinceGroup& group : fresh) stored.push_back(std::move(group));
}

TEST(ServerListTest, IndexedMergeMatchesTheLiteralRules) {
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    auto randomList = [&] {
        ProvinceGroups groups;
        const std::uint32_t groupCount = next(5);
        for (std::uint32_t g = 0; g < groupCount; ++g) {
            ProvinceGroup group{"p" + std::to_string(next(6)), {}};
            const std::uint32_t rows = next(300);
            for (std::uint32_t r = 0; r < rows; ++r) {
                // Few distinct domains, so duplicates within a province are common.
                group.nodes.push_back(Node(group.province, "d" + std::to_string(next(120)),
                                           static_cast<std::int32_t>(next(3)) - 1,
                                           "c" + std::to_string(next(9))));
            }
            groups.push_back(std::move(group));
        }
        return groups;
    };
    for (int round = 0; round < 200; ++round) {
        ProvinceGroups stored = randomList();
        ProvinceGroups expected = stored;
        for (std::int32_t tick = 1; tick <= 3; ++tick) {
            const ProvinceGroups fresh = randomList();
            MergeServerList(stored, ProvinceGroups(fresh), tick);
            ReferenceMerge(expected, fresh, tick);
            ASSERT_EQ(Describe(stored), Describe(expected))
                << "round " << round << " tick " << tick;
        }
    }
}

class QuietRefreshTest : public ::testing::Test {
  protected:
    void Refresh(LineMode mode) {
        HttpRequest http(factory.Factory());
        ServiceApi api(http, "http://service");
        RefreshServerListQuietly(mode, lists, api, log);
    }
    test::RecordingFactory factory;
    ServerLists lists;
    test::MemoryLog log;
};

TEST_F(QuietRefreshTest, FailuresGoToTheLogAndKeepTheList) {
    factory.reply.body = ListReply({{"广东", "深圳", "a.x", "电信", 0}});
    Refresh(LineMode::Dynamic);
    ASSERT_EQ(Describe(lists.List(LineMode::Dynamic).groups), "广东: a.x/0/0");

    const std::pair<test::ScriptedReply, std::string> failures[] = {
        {{.reachable = false}, "[动态线路] 下载节点数据错误:1"},
        {{.body = "oops"}, "[动态线路] 下载节点数据错误:2"},
        {{.body = R"({"code": 401})"}, "[动态线路] 下载节点数据错误:401"},
        {{.body = R"({"code": 200, "data": []})"}, "[动态线路] 处理节点数据错误"},
        {{.body = ListReply({{"广东\n", "深圳", "b.x", "电信", 0}})},
         "[动态线路] 处理节点数据错误"},
        {{.throws = true}, "[动态线路] 下载节点数据错误:1"},
    };
    for (const auto& [reply, line] : failures) {
        factory.reply = reply;
        Refresh(LineMode::Dynamic);
        EXPECT_EQ(log.Lines().back(), line);
        EXPECT_EQ(Describe(lists.List(LineMode::Dynamic).groups), "广东: a.x/0/0");
        EXPECT_FALSE(lists.Busy(LineMode::Dynamic));
    }
    EXPECT_EQ(log.With("[动态线路] 丢弃含控制字符的节点: 1 行").size(), 1u);
    EXPECT_EQ(log.With("[动态线路] 刷新节点列表异常: std::bad_alloc").size(), 1u);
    EXPECT_EQ(log.Lines().size(), 8u);
    EXPECT_TRUE(lists.List(LineMode::Static).groups.empty());
}

TEST_F(QuietRefreshTest, BusyModeIsLeftAlone) {
    ASSERT_TRUE(lists.TryMarkBusy(LineMode::Static));
    Refresh(LineMode::Static);
    EXPECT_EQ(factory.created, 0);
    Refresh(LineMode::Fast);  // another mode is not held up
    EXPECT_EQ(factory.created, 1);
    lists.ClearBusy(LineMode::Static);
    {
        RefreshClaim claim(lists, LineMode::Static);
        EXPECT_TRUE(claim);
        EXPECT_FALSE(RefreshClaim(lists, LineMode::Static));
    }
    EXPECT_FALSE(lists.Busy(LineMode::Static));
}

}  // namespace
}  // namespace xl::api
