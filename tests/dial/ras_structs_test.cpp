// The entry and dial parameters as the service receives them: sizes, every
// field the program sets, fields it leaves empty, and over-long texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dial/dial_engine.h"
#include "dial/ras_structs.h"

namespace xl::dial {
namespace {

TEST(RasStructs, SizeFieldsMatchTheOlderLayouts) {
    EXPECT_EQ(wire::ToWire(RasEntry{}).dwSize, 2884u);
    EXPECT_EQ(wire::ToWire(RasDialParams{}).dwSize, 1052u);
    EXPECT_EQ(sizeof(wire::RasConnA), sizeof(void*) == 8 ? 416u : 412u);
}

struct StrategyCase {
    std::uint32_t strategy;
    const char* deviceName;
};

class VpnEntryTest : public ::testing::TestWithParam<StrategyCase> {};

TEST_P(VpnEntryTest, FillsEveryFieldOfTheTable) {
    const wire::RasEntryA w =
        wire::ToWire(MakeVpnEntry("vpn.example.net:4433", GetParam().strategy));
    EXPECT_EQ(w.dwSize, 2884u);
    EXPECT_EQ(w.dwfOptions, 0x3D0D0210u);
    EXPECT_EQ(w.dwfOptions2, 0x6Fu);
    EXPECT_STREQ(w.szAreaCode, "");
    EXPECT_STREQ(w.szLocalPhoneNumber, "vpn.example.net:4433");
    EXPECT_EQ(w.dwfNetProtocols, 4u);
    EXPECT_EQ(w.dwFramingProtocol, 1u);
    EXPECT_STREQ(w.szDeviceType, "vpn");
    EXPECT_STREQ(w.szDeviceName, GetParam().deviceName);
    EXPECT_EQ(w.dwDialMode, 1u);
    EXPECT_EQ(w.dwDialExtraPercent, 75u);
    EXPECT_EQ(w.dwDialExtraSampleSeconds, 120u);
    EXPECT_EQ(w.dwHangUpExtraPercent, 10u);
    EXPECT_EQ(w.dwHangUpExtraSampleSeconds, 120u);
    EXPECT_EQ(w.dwType, 2u);
    EXPECT_EQ(w.dwEncryptionType, 3u);
    EXPECT_EQ(w.dwVpnStrategy, GetParam().strategy);
    EXPECT_EQ(w.dwRedialCount, 0u);
    EXPECT_EQ(w.dwRedialPause, 1u);

    // Nothing else: no country code, addresses, script, key or credentials.
    wire::RasEntryA expected;
    std::memset(&expected, 0, sizeof expected);
    wire::RasEntryA rest = w;
    rest.dwSize = rest.dwfOptions = rest.dwfOptions2 = 0;
    std::memset(rest.szLocalPhoneNumber, 0, sizeof rest.szLocalPhoneNumber);
    rest.dwfNetProtocols = rest.dwFramingProtocol = 0;
    std::memset(rest.szDeviceType, 0, sizeof rest.szDeviceType);
    std::memset(rest.szDeviceName, 0, sizeof rest.szDeviceName);
    rest.dwDialMode = rest.dwDialExtraPercent = rest.dwDialExtraSampleSeconds = 0;
    rest.dwHangUpExtraPercent = rest.dwHangUpExtraSampleSeconds = 0;
    rest.dwType = rest.dwEncryptionType = rest.dwVpnStrategy = rest.dwRedialPause = 0;
    EXPECT_EQ(std::memcmp(&rest, &expected, sizeof rest), 0);
}

INSTANTIATE_TEST_SUITE_P(Strategies, VpnEntryTest,
                         ::testing::Values(StrategyCase{1, "WAN Miniport (PPTP)"},
                                           StrategyCase{3, "WAN Miniport (L2TP)"},
                                           StrategyCase{5, "WAN Miniport (SSTP)"},
                                           StrategyCase{7, ""}, StrategyCase{0, ""},
                                           StrategyCase{2, ""}));

TEST(RasStructs, DialParamsCarryOnlyEntryAndCredentials) {
    RasDialParams p;
    p.entryName = "岫澜IP";
    p.userName = "alice";
    p.password = "秘密";
    const wire::RasDialParamsA w = wire::ToWire(p);
    EXPECT_STREQ(w.szEntryName, "岫澜IP");
    EXPECT_STREQ(w.szUserName, "alice");
    EXPECT_STREQ(w.szPassword, "秘密");
    EXPECT_STREQ(w.szPhoneNumber, "");
    EXPECT_STREQ(w.szCallbackNumber, "");
    EXPECT_STREQ(w.szDomain, "");
}

TEST(RasStructs, OverlongTextsAreCutAndStayTerminated) {
    const std::string host(500, 'h');
    const wire::RasEntryA e = wire::ToWire(MakeVpnEntry(host, 1));
    EXPECT_EQ(std::string(e.szLocalPhoneNumber), std::string(128, 'h'));
    EXPECT_EQ(e.dwAlternateOffset, 0u) << "the next field is untouched";

    RasDialParams p;
    p.userName = std::string(300, 'u');
    p.domain = std::string(40, 'd');
    const wire::RasDialParamsA w = wire::ToWire(p);
    EXPECT_EQ(std::string(w.szUserName), std::string(256, 'u'));
    EXPECT_EQ(std::string(w.szDomain), std::string(15, 'd'));
    EXPECT_STREQ(w.szPassword, "");
}

TEST(RasStructs, ConnectionRecordIsReadWithinItsFields) {
    wire::RasConnA r;
    std::memset(&r, 'x', sizeof r);  // no terminators anywhere
    r.hrasconn = reinterpret_cast<void*>(std::uintptr_t{0x1234});
    std::memcpy(r.szEntryName, "岫澜IP", std::strlen("岫澜IP") + 1);
    std::memcpy(r.szDeviceType, "VPN", 4);
    const RasConnection c = wire::FromWire(r);
    EXPECT_EQ(c.handle, 0x1234u);
    EXPECT_EQ(c.entryName, "岫澜IP");
    EXPECT_EQ(c.deviceType, "VPN");
    EXPECT_EQ(c.deviceName, std::string(129, 'x'));
}

}  // namespace
}  // namespace xl::dial
