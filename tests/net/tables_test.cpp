// Reading the platforms' raw tables: the Windows interface buffer and fixed
// fields, and the Linux kernel and resolver texts.
#include <gtest/gtest.h>

#include <cstring>

#include "net/kernel_tables.h"
#include "net/platform_buffers.h"

namespace xl::net {
namespace {

// An interface buffer as GetInterfaceInfo lays it out.
std::vector<std::byte> InterfaceBuffer(
    std::int32_t count, const std::vector<std::pair<std::uint32_t, std::u16string>>& rows,
    std::size_t extraBytes = 0) {
    std::vector<std::byte> buffer(kInterfaceCountBytes + rows.size() * kInterfaceEntryBytes +
                                  extraBytes);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) buffer[at + i] = std::byte((v >> (8 * i)) & 0xFF);
    };
    put32(0, static_cast<std::uint32_t>(count));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t at = kInterfaceCountBytes + r * kInterfaceEntryBytes;
        put32(at, rows[r].first);
        const auto& name = rows[r].second;
        for (std::size_t u = 0; u < name.size() && u < kInterfaceNameUnits; ++u) {
            buffer[at + 4 + 2 * u] = std::byte(name[u] & 0xFF);
            buffer[at + 5 + 2 * u] = std::byte(name[u] >> 8);
        }
    }
    return buffer;
}

TEST(ParseInterfaceInfo, ReadsIndexAndDevicePathOfEachEntry) {
    const auto buffer = InterfaceBuffer(2, {{7, u"\\DEVICE\\TCPIP_{AB}"}, {0x80000001, u"本地"}});
    const auto entries = ParseInterfaceInfo(buffer);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].index, 7);
    EXPECT_EQ(entries[0].name, u"\\DEVICE\\TCPIP_{AB}");
    EXPECT_EQ(entries[1].index, static_cast<std::int32_t>(0x80000001));
    EXPECT_EQ(entries[1].name, u"本地");
}

TEST(ParseInterfaceInfo, CountIsBoundedByTheBuffer) {
    struct Case {
        const char* what;
        std::vector<std::byte> buffer;
        std::size_t entries;
    };
    const Case cases[] = {
        {"count 0", InterfaceBuffer(0, {{1, u"a"}}), 0},
        {"negative count", InterfaceBuffer(-3, {{1, u"a"}}), 0},
        {"count beyond the buffer", InterfaceBuffer(1000, {{1, u"a"}, {2, u"b"}}), 2},
        {"partial trailing entry", InterfaceBuffer(2, {{1, u"a"}}, kInterfaceEntryBytes - 1), 1},
        {"zero-filled buffer", std::vector<std::byte>(kInterfaceCountBytes + kInterfaceEntryBytes),
         0},
        {"shorter than the count", std::vector<std::byte>(3, std::byte{0xFF}), 0},
        {"empty", {}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseInterfaceInfo(c.buffer).size(), c.entries) << c.what;
}

TEST(ParseInterfaceInfo, UnterminatedNameStopsAtItsField) {
    const std::u16string full(kInterfaceNameUnits, u'x');
    const auto buffer = InterfaceBuffer(2, {{1, full}, {2, u"next"}});
    const auto entries = ParseInterfaceInfo(buffer);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, full);
    EXPECT_EQ(entries[1].name, u"next");
}

TEST(FixedText, StopsAtTheFirstNulOrTheFieldEnd) {
    const char withNul[8] = {'a', 'b', '\0', 'c', 'd', 'e', 'f', 'g'};
    const char full[4] = {'1', '2', '3', '4'};
    EXPECT_EQ(FixedText(withNul, sizeof withNul), "ab");
    EXPECT_EQ(FixedText(full, sizeof full), "1234");
    EXPECT_EQ(FixedText(full, 0), "");
}

TEST(DefaultGateways, FirstUsableDefaultRoutePerInterface) {
    const char* table =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth0\t00000000\t020200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "wlan0\t00000000\t0101A8C0\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"  // no gateway flag
        "veth1\t0000000A\t0100000A\t0003\t0\t0\t0\t000000FF\t0\t0\t0\n"  // not a default route
        "tun0\t00000000\tZZZZZZZZ\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"   // malformed
        "short\t00000000\n"
        "ppp0 00000000 0101A8C0 0003 0 0 0 00000000 0 0 0";  // blanks, no final newline
    const auto gateways = DefaultGateways(table);
    const std::map<std::string, std::string> expected{{"eth0", "192.0.2.1"},
                                                      {"ppp0", "192.168.1.1"}};
    EXPECT_EQ(gateways, expected);
    EXPECT_TRUE(DefaultGateways("").empty());
}

TEST(ResolverNameservers, Ipv4ServersInOrder) {
    const char* conf =
        "# generated\n"
        "search example.test\n"
        "nameserver 10.255.255.53\n"
        "  nameserver\t192.0.2.53   # trailing comment\n"
        "#nameserver 9.9.9.9\n"
        "nameserver 2001:db8::1\n"
        "nameserver 1.2.3.256\n"
        "nameservers 8.8.8.8\n"
        "nameserver\n"
        "nameserver 8.8.4.4\r\n";
    const std::vector<std::string> expected{"10.255.255.53", "192.0.2.53", "8.8.4.4"};
    EXPECT_EQ(ResolverNameservers(conf), expected);
}

TEST(IsDottedIpv4, AcceptsOnlyFourDecimalParts) {
    for (const char* good : {"0.0.0.0", "255.255.255.255", "10.0.0.1", "001.2.3.4"}) {
        EXPECT_TRUE(IsDottedIpv4(good)) << good;
    }
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1..2.3", "1.2.3.", "a.b.c.d", "1.2.3.4 ",
                            "-1.2.3.4", "+1.2.3.4", "1.2.3.1000", "256.1.1.1"}) {
        EXPECT_FALSE(IsDottedIpv4(bad)) << bad;
    }
}

TEST(AdapterTypeCodeFromKernel, MapsHardwareTypesToAdapterTypes) {
    struct Case {
        int hardware;
        bool wireless;
        std::uint32_t code;
    };
    for (const auto& c :
         {Case{1, false, 6}, Case{1, true, 71}, Case{772, false, 24}, Case{512, false, 23},
          Case{65534, false, 1}, Case{0, false, 1}, Case{776, false, 1}}) {
        EXPECT_EQ(AdapterTypeCodeFromKernel(c.hardware, c.wireless), c.code) << c.hardware;
    }
}

}  // namespace
}  // namespace xl::net
