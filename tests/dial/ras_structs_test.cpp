// The entry and dial parameters as the service receives them: sizes, every
// field the program sets, fields it leaves empty, and over-long texts. The
// texts go through a stand-in converter (one unit per byte), so what is
// checked here is where they land; the real conversion is the Windows edge's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "dial/dial_engine.h"
#include "dial/ras_structs.h"

namespace xl::dial {
namespace {

std::u16string ByteUnits(std::string_view text) {
    std::u16string units;
    for (char c : text) units.push_back(static_cast<unsigned char>(c));
    return units;
}

std::string UnitBytes(std::u16string_view units) {
    std::string text;
    for (char16_t u : units) text.push_back(static_cast<char>(u));
    return text;
}

template <std::size_t N>
std::string Field(const char16_t (&field)[N]) {
    return UnitBytes(wire::ReadField(field));
}

wire::RasEntryW EntryWire(const RasEntry& entry) {
    return wire::ToWire(entry, &ByteUnits);
}
wire::RasDialParamsW ParamsWire(const RasDialParams& params) {
    return wire::ToWire(params, &ByteUnits);
}

TEST(RasStructs, SizeFieldsMatchTheOlderLayouts) {
    EXPECT_EQ(EntryWire(RasEntry{}).dwSize, 5616u);
    EXPECT_EQ(ParamsWire(RasDialParams{}).dwSize, 2096u);
    EXPECT_EQ(sizeof(wire::RasConnW), sizeof(void*) == 8 ? 820u : 816u);
}

struct StrategyCase {
    std::uint32_t strategy;
    const char* deviceName;
};

class VpnEntryTest : public ::testing::TestWithParam<StrategyCase> {};

TEST_P(VpnEntryTest, FillsEveryFieldOfTheTable) {
    const wire::RasEntryW w = EntryWire(MakeVpnEntry("vpn.example.net:4433", GetParam().strategy));
    EXPECT_EQ(w.dwSize, 5616u);
    EXPECT_EQ(w.dwfOptions, 0x3D0D0210u);
    EXPECT_EQ(w.dwfOptions2, 0x6Fu);
    EXPECT_EQ(Field(w.szAreaCode), "");
    EXPECT_EQ(Field(w.szLocalPhoneNumber), "vpn.example.net:4433");
    EXPECT_EQ(w.dwfNetProtocols, 4u);
    EXPECT_EQ(w.dwFramingProtocol, 1u);
    EXPECT_EQ(Field(w.szDeviceType), "vpn");
    EXPECT_EQ(Field(w.szDeviceName), GetParam().deviceName);
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
    wire::RasEntryW expected;
    std::memset(&expected, 0, sizeof expected);
    wire::RasEntryW rest = w;
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
    const wire::RasDialParamsW w = ParamsWire(p);
    EXPECT_EQ(Field(w.szEntryName), "岫澜IP");
    EXPECT_EQ(Field(w.szUserName), "alice");
    EXPECT_EQ(Field(w.szPassword), "秘密");
    EXPECT_EQ(Field(w.szPhoneNumber), "");
    EXPECT_EQ(Field(w.szCallbackNumber), "");
    EXPECT_EQ(Field(w.szDomain), "");
}

TEST(RasStructs, OverlongTextsAreCutAndStayTerminated) {
    const std::string host(500, 'h');
    const wire::RasEntryW e = EntryWire(MakeVpnEntry(host, 1));
    EXPECT_EQ(Field(e.szLocalPhoneNumber), std::string(128, 'h'));
    EXPECT_EQ(e.dwAlternateOffset, 0u) << "the next field is untouched";

    RasDialParams p;
    p.userName = std::string(300, 'u');
    p.domain = std::string(40, 'd');
    const wire::RasDialParamsW w = ParamsWire(p);
    EXPECT_EQ(Field(w.szUserName), std::string(256, 'u'));
    EXPECT_EQ(Field(w.szDomain), std::string(15, 'd'));
    EXPECT_EQ(Field(w.szPassword), "");
}

TEST(RasStructs, ConnectionRecordIsReadWithinItsFields) {
    wire::RasConnW r;
    std::fill_n(reinterpret_cast<char16_t*>(&r), sizeof r / 2, u'x');  // no terminators anywhere
    r.hrasconn = reinterpret_cast<void*>(std::uintptr_t{0x1234});
    const std::u16string entry = ByteUnits("岫澜IP");
    std::copy(entry.begin(), entry.end(), r.szEntryName);
    r.szEntryName[entry.size()] = u'\0';
    std::copy_n(u"VPN", 4, r.szDeviceType);
    const RasConnection c = wire::FromWire(r, &UnitBytes);
    EXPECT_EQ(c.handle, 0x1234u);
    EXPECT_EQ(c.entryName, "岫澜IP");
    EXPECT_EQ(c.deviceType, "VPN");
    EXPECT_EQ(c.deviceName, std::string(129, 'x'));
}

}  // namespace
}  // namespace xl::dial
