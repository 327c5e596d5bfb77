#include "net/adapters.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>

#include "net/adapter_control.h"
#include "net/fake_adapter_api.h"

namespace xl::net {
namespace {

using test::FakeAdapterApi;
using test::MakeRawAdapter;

constexpr const char* kGuidA = "{4D36E972-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kGuidB = "{8E301A52-AFFA-4F49-B9CA-C79096A1A056}";

std::string DevicePath(const std::string& guid) {
    return "\\DEVICE\\TCPIP_" + guid;
}

TEST(EnumerateAdapters, JoinsEachAdapterWithItsConnectionName) {
    FakeAdapterApi api;
    api.chain = {MakeRawAdapter(kGuidA, 11), MakeRawAdapter(kGuidB, 12)};
    api.interfaces = {{12, DevicePath(kGuidB), "无线网络连接"},
                      {11, DevicePath(kGuidA), "本地连接"}};
    api.dns[11] = {"202.96.128.86", "8.8.8.8"};
    std::vector<AdapterInfo> list;

    ASSERT_EQ(EnumerateAdapters(api, list), 2);

    const AdapterInfo expected{kGuidA,         "Intel(R) PRO/1000 MT Network Connection",
                               "本地连接",     6,
                               "ETHERNET",     "00-1A-2B-3C-4D-5E",
                               "192.168.1.23", "255.255.255.0",
                               "192.168.1.1",  "202.96.128.86",
                               "8.8.8.8",      true};
    EXPECT_EQ(list[0], expected);
    EXPECT_EQ(list[1].adapterName, kGuidB);  // chain order, not interface-table order
    EXPECT_EQ(list[1].connectionName, "无线网络连接");
    EXPECT_EQ(list[1].primaryDns, "");  // its DNS read failed
}

TEST(EnumerateAdapters, NoAdapterGivesAnEmptyListAndZero) {
    FakeAdapterApi api;
    std::vector<AdapterInfo> list{AdapterInfo{}, AdapterInfo{}};
    EXPECT_EQ(EnumerateAdapters(api, list), 0);
    EXPECT_TRUE(list.empty());
}

TEST(EnumerateAdapters, EachCallReplacesThePreviousList) {
    FakeAdapterApi api;
    api.chain = {MakeRawAdapter(kGuidA, 1), MakeRawAdapter(kGuidB, 2)};
    std::vector<AdapterInfo> list;
    ASSERT_EQ(EnumerateAdapters(api, list), 2);
    api.chain = {MakeRawAdapter(kGuidB, 2)};
    ASSERT_EQ(EnumerateAdapters(api, list), 1);
    EXPECT_EQ(list[0].adapterName, kGuidB);
}

TEST(EnumerateAdapters, ConnectionNameNeedsAnExactGuidMatch) {
    FakeAdapterApi api;
    std::string lower = kGuidA;
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    api.chain = {MakeRawAdapter(kGuidA, 1), MakeRawAdapter(kGuidB, 2)};
    api.interfaces = {
        {1, DevicePath(lower), "小写"},     // differs only in case
        {2, DevicePath(kGuidB), "第一个"},  // first match wins
        {3, DevicePath(kGuidB), "第二个"},
    };
    std::vector<AdapterInfo> list;
    ASSERT_EQ(EnumerateAdapters(api, list), 2);
    EXPECT_EQ(list[0].connectionName, "");  // still listed, with an empty name
    EXPECT_EQ(list[1].connectionName, "第一个");
}

TEST(EnumerateAdapters, NoInterfaceNamesLeaveEveryConnectionNameEmpty) {
    FakeAdapterApi api;  // the router configuration could not be opened
    api.chain = {MakeRawAdapter(kGuidA, 1)};
    api.interfaces = {{1, DevicePath(kGuidA), ""}};
    std::vector<AdapterInfo> list;
    ASSERT_EQ(EnumerateAdapters(api, list), 1);
    EXPECT_EQ(list[0].connectionName, "");
}

TEST(EnumerateAdapters, DnsServersTakeTheFirstTwoEntries) {
    struct Case {
        std::vector<std::string> servers;
        const char* primary;
        const char* secondary;
    };
    const Case cases[] = {
        {{"10.0.0.53"}, "10.0.0.53", ""},
        {{"10.0.0.53", "10.0.0.54", "10.0.0.55"}, "10.0.0.53", "10.0.0.54"},
        {{""}, "", ""},  // Windows' embedded first entry when no server is set
        {{}, "", ""},
    };
    for (const auto& c : cases) {
        FakeAdapterApi api;
        api.chain = {MakeRawAdapter(kGuidA, 7)};
        api.dns[7] = c.servers;
        std::vector<AdapterInfo> list;
        ASSERT_EQ(EnumerateAdapters(api, list), 1);
        EXPECT_EQ(list[0].primaryDns, c.primary) << c.servers.size() << " servers";
        EXPECT_EQ(list[0].secondaryDns, c.secondary) << c.servers.size() << " servers";
    }
}

TEST(EnumerateAdapters, DhcpIsOnOnlyForExactlyOne) {
    for (const auto& [raw, expected] : {std::pair{0u, false}, {1u, true}, {2u, false}}) {
        FakeAdapterApi api;
        api.chain = {MakeRawAdapter(kGuidA, 1)};
        api.chain[0].dhcpEnabled = raw;
        std::vector<AdapterInfo> list;
        EnumerateAdapters(api, list);
        EXPECT_EQ(list[0].dhcpEnabled, expected) << raw;
    }
}

TEST(AdapterTypeName, NamesTheKnownCodesAndSpellsOutTheRest) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {1, "OTHER"}, {6, "ETHERNET"},  {9, "TOKENRING"}, {15, "FDDI"},
        {23, "PPP"},  {24, "LOOPBACK"}, {28, "SLIP"},     {71, "IEEE80211"},
        {131, "131"}, {0, "0"},         {-5, "-5"},       {2147483647, "2147483647"},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(AdapterTypeName(code), name) << code;
}

TEST(FormatMacAddress, PairsOfUpperCaseDigitsJoinedByDashes) {
    const std::array<std::uint8_t, 8> bytes{0x00, 0x0A, 0xFF, 0x10, 0x02, 0xB3, 0x7C, 0x01};
    const std::pair<std::uint32_t, const char*> cases[] = {
        {6, "00-0A-FF-10-02-B3"},
        {0, ""},
        {1, "00"},
        {8, "00-0A-FF-10-02-B3-7C-01"},
        {9, "00-0A-FF-10-02-B3-7C-01"},  // the field holds 8 bytes; no read past it
        {0xFFFFFFFF, "00-0A-FF-10-02-B3-7C-01"},
    };
    for (const auto& [length, text] : cases) {
        EXPECT_EQ(FormatMacAddress(bytes, length), text) << length;
    }
}

TEST(ReadInterfaceNames, GuidIsTheDevicePathFromItsFirstBrace) {
    FakeAdapterApi api;
    api.interfaces = {
        {3, "\\DEVICE\\TCPIP_{ABC}", "本地连接"},
        {4, "NoBraceHere", "x"},
        {5, "a{b{c}", ""},
        {6, "", ""},
    };
    std::vector<InterfaceNameEntry> table{InterfaceNameEntry{}};
    ReadInterfaceNames(api, table);
    const std::vector<InterfaceNameEntry> expected{
        {3, "\\DEVICE\\TCPIP_{ABC}", "本地连接", "{ABC}"},
        {4, "NoBraceHere", "x", "NoBraceHere"},
        {5, "a{b{c}", "", "{b{c}"},
        {6, "", "", ""},
    };
    EXPECT_EQ(table, expected);
}

TEST(ReadDnsServers, EmptiesBothOutputsBeforeReading) {
    FakeAdapterApi api;
    std::string primary = "stale", secondary = "stale";
    EXPECT_FALSE(ReadDnsServers(api, 99, primary, secondary));
    EXPECT_EQ(primary, "");
    EXPECT_EQ(secondary, "");

    api.dns[3] = {"1.1.1.1"};
    secondary = "stale";
    EXPECT_TRUE(ReadDnsServers(api, 3, primary, secondary));
    EXPECT_EQ(primary, "1.1.1.1");
    EXPECT_EQ(secondary, "");
}

TEST(AdapterControl, OwnsTheListOfTheLatestEnumeration) {
    FakeAdapterApi api;
    struct NoRunner : ProcessRunner {
        ProcessOutcome RunAndWait(const ProcessCommand&) override { return {}; }
        bool RunsElevated() const override { return false; }
    } runner;
    AdapterControl control(api, runner);
    EXPECT_TRUE(control.Adapters().empty());
    api.chain = {MakeRawAdapter(kGuidA, 1)};
    EXPECT_EQ(control.Enumerate(), 1);
    api.chain.clear();
    EXPECT_EQ(control.Adapters().size(), 1u);  // kept until the next enumeration
    EXPECT_EQ(control.Enumerate(), 0);
    EXPECT_TRUE(control.Adapters().empty());
}

}  // namespace
}  // namespace xl::net
