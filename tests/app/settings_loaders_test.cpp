// What the login and main windows read, write and show at creation, for the
// file states a user can arrive with.
#include <gtest/gtest.h>

#include "app/settings_fakes.h"

namespace xl::app {
namespace {

using test::MemoryStore;
using test::RecordingLoginView;
using test::RecordingMainView;
using Items = MemoryStore::Items;
using Calls = std::vector<std::string>;

constexpr std::string_view kHost = "default.example.test";

struct Fixture {
    Items items;
    Calls log;
    SettingsFile settings{std::make_unique<MemoryStore>(&items, &log)};
    void Put(SettingKey k, std::string v) {
        items[{std::string(k.section), std::string(k.key)}] = v;
    }
    std::string Get(SettingKey k) {
        auto it = items.find({std::string(k.section), std::string(k.key)});
        return it == items.end() ? "<none>" : it->second;
    }
    Calls Writes() {
        Calls w;
        for (auto& l : log)
            if (l.rfind("write ", 0) == 0) w.push_back(l);
        return w;
    }
};

struct LoginCase {
    const char* name;
    std::vector<std::pair<SettingKey, std::string>> file;
    Calls expected;
};

TEST(LoadLoginSettings, AppliesTheRememberSwitchFirst) {
    const LoginCase cases[] = {
        {"no file", {}, {}},
        {"remember off",
         {{kRememberPassword, "no"}, {kAutoLogin, "yes"}, {kAccount, "a"}},
         {"remember off"}},
        {"remember in capitals counts as off", {{kRememberPassword, "YES"}, {kAccount, "a"}}, {}},
        {"remember on",
         {{kRememberPassword, "yes"}, {kAccount, "张三"}, {kPassword, "p w"}},
         {"remember on", "account 张三", "password p w"}},
        {"remember and auto-login on",
         {{kRememberPassword, "yes"}, {kAccount, "u"}, {kPassword, "p"}, {kAutoLogin, "yes"}},
         {"remember on", "account u", "password p", "autologin on", "login"}},
        {"auto-login other than yes",
         {{kRememberPassword, "yes"}, {kAccount, "u"}, {kPassword, "p"}, {kAutoLogin, "Yes"}},
         {"remember on", "account u", "password p"}},
    };
    for (const auto& c : cases) {
        Fixture f;
        for (auto& [k, v] : c.file) f.Put(k, v);
        RecordingLoginView view;
        LoadLoginSettings(f.settings, view);
        EXPECT_EQ(view.calls, c.expected) << c.name;
        EXPECT_TRUE(f.Writes().empty()) << c.name;
    }
}

TEST(LoadLoginSettings, RemembersOffLeavesAccountAndPasswordUnread) {
    Fixture f;
    f.Put(kRememberPassword, "no");
    RecordingLoginView view;
    LoadLoginSettings(f.settings, view);
    EXPECT_EQ(f.log, Calls({"read JiZhu"}));
}

TEST(SaveLoginSettings, WritesTheFourItemsInOrder) {
    Fixture f;
    RecordingLoginView view;
    view.account = "用户";
    view.password = "secret";
    view.remember = true;
    view.autoLogin = false;
    SaveLoginSettings(f.settings, view);
    EXPECT_EQ(f.Writes(), Calls({"write User=用户", "write Password=secret", "write JiZhu=yes",
                                 "write AutoLogin=no"}));
}

TEST(LoadMainSettings, FirstRunAppliesDefaultsAndWritesOnlyProtocolAndLineMode) {
    Fixture f;
    RecordingMainView view;
    MainChoices c = LoadMainSettings(f.settings, view, kHost);
    EXPECT_EQ(c.protocol, "PPTP");
    EXPECT_EQ(c.server, kHost);
    EXPECT_EQ(c.serverName, "全国混播混合1");
    EXPECT_EQ(c.lineMode, "动态线路");
    EXPECT_EQ(view.calls,
              Calls({"server 全国混播混合1", "protocol PPTP", "mode 动态线路", "fetch 动态线路"}));
    EXPECT_EQ(f.Writes(), Calls({"write XieYi=PPTP", "write XianLu=动态线路"}));
    EXPECT_EQ(f.Get(kServer), "<none>");
}

TEST(LoadMainSettings, ReadsInItsOrder) {
    Fixture f;
    f.Put(kTimedReconnect, "yes");
    RecordingMainView view;
    LoadMainSettings(f.settings, view, kHost);
    Calls reads;
    for (auto& l : f.log)
        if (l.rfind("read ", 0) == 0) reads.push_back(l.substr(5));
    EXPECT_EQ(reads, Calls({"XieYi", "Server", "ServerName", "XianLu", "Autozuixiaohua",
                            "TimerReconnection", "AutoStart", "JingYongWangKa", "WangKaName",
                            "YiJinYongWangKa", "AutoReconnection", "ReconnectionInterval"}));
}

TEST(LoadMainSettings, StaticLinesForceSstp) {
    Fixture f;
    f.Put(kLineMode, "静态线路");
    f.Put(kProtocol, "PPTP");
    RecordingMainView view;
    MainChoices c = LoadMainSettings(f.settings, view, kHost);
    EXPECT_EQ(c.protocol, "SSTP");
    EXPECT_EQ(f.Get(kProtocol), "SSTP");
}

TEST(LoadMainSettings, DefaultServerOverridesAStrayName) {
    Fixture f;
    f.Put(kServerName, "X");
    RecordingMainView view;
    MainChoices c = LoadMainSettings(f.settings, view, kHost);
    EXPECT_EQ(c.serverName, "全国混播混合1");
    f.Put(kServer, "vpn1.example.test");
    RecordingMainView view2;
    c = LoadMainSettings(f.settings, view2, kHost);
    EXPECT_EQ(c.server, "vpn1.example.test");
    EXPECT_EQ(c.serverName, "X");
}

TEST(LoadMainSettings, UnknownProtocolStaysAsReadAndIsWrittenBack) {
    Fixture f;
    f.Put(kProtocol, "IKEv2");
    RecordingMainView view;
    EXPECT_EQ(LoadMainSettings(f.settings, view, kHost).protocol, "IKEv2");
    EXPECT_EQ(f.Get(kProtocol), "IKEv2");
}

TEST(LoadMainSettings, SwitchesTickAndStartTheirTimers) {
    Fixture f;
    f.Put(kDisableOnDrop, "yes");
    f.Put(kAutoStart, "yes");
    f.Put(kTimedReconnect, "yes");
    f.Put(kReconnectInterval, "5");
    f.Put(kMinimiseAfterConnect, "yes");
    f.Put(kAutoReconnect, "yes");
    RecordingMainView view;
    LoadMainSettings(f.settings, view, kHost);
    const Calls expected = {"tick 0", "timer 0 5000", "tick 1", "autostart", "seconds 5",
                            "tick 2", "timer 1 5000", "tick 3", "tick 4",    "timer 2 5000"};
    EXPECT_EQ(Calls(view.calls.begin(), view.calls.begin() + 10), expected);
}

TEST(LoadMainSettings, OnlyTheExactTextYesTicksASwitch) {
    for (const char* text : {"YES", "Yes", "on", "1", "no", ""}) {
        Fixture f;
        for (SettingKey k :
             {kDisableOnDrop, kAutoStart, kTimedReconnect, kMinimiseAfterConnect, kAutoReconnect}) {
            f.Put(k, text);
        }
        RecordingMainView view;
        EXPECT_FALSE(LoadMainSettings(f.settings, view, kHost).minimiseAfterConnect) << text;
        EXPECT_EQ(view.calls, Calls({"server 全国混播混合1", "protocol PPTP", "mode 动态线路",
                                     "fetch 动态线路"}))
            << text;
    }
}

TEST(ReconnectIntervalMs, TakesTheWholeNumberOfSeconds) {
    const std::pair<const char*, int> cases[] = {
        {"30", 30000}, {"5", 5000}, {" 15", 15000}, {"15秒", 15000}, {"", 0},
        {"abc", 0},    {"-20", 0},  {"2.5", 2000},  {"0", 0},        {"99999999999", 2147483000},
    };
    for (auto& [text, ms] : cases) EXPECT_EQ(ReconnectIntervalMs(text), ms) << text;
}

}  // namespace
}  // namespace xl::app
