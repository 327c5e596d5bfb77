#pragma once
// The byte layouts rasapi32 reads and writes, kept to the older versions of its
// structures that current Windows still accepts (their size fields tell the
// service which version it gets). Packed to 4 bytes as the system headers pack
// every remote-access structure. Defined here without platform headers so the
// layouts and their filling are checked on every build.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dial/ras_api.h"

namespace xl::dial::wire {

#pragma pack(push, 4)

struct RasIpAddr {
    std::uint8_t a, b, c, d;
};

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// Ends with dwRedialCount, dwRedialPause.
struct RasEntryA {
    std::uint32_t dwSize;
    std::uint32_t dwfOptions;
    std::uint32_t dwCountryID;
    std::uint32_t dwCountryCode;
    char szAreaCode[10 + 1];
    char szLocalPhoneNumber[128 + 1];
    std::uint32_t dwAlternateOffset;
    RasIpAddr ipaddr;
    RasIpAddr ipaddrDns;
    RasIpAddr ipaddrDnsAlt;
    RasIpAddr ipaddrWins;
    RasIpAddr ipaddrWinsAlt;
    std::uint32_t dwFrameSize;
    std::uint32_t dwfNetProtocols;
    std::uint32_t dwFramingProtocol;
    char szScript[260];
    char szAutodialDll[260];
    char szAutodialFunc[260];
    char szDeviceType[16 + 1];
    char szDeviceName[128 + 1];
    char szX25PadType[32 + 1];
    char szX25Address[200 + 1];
    char szX25Facilities[200 + 1];
    char szX25UserData[200 + 1];
    std::uint32_t dwChannels;
    std::uint32_t dwReserved1;
    std::uint32_t dwReserved2;
    std::uint32_t dwSubEntries;
    std::uint32_t dwDialMode;
    std::uint32_t dwDialExtraPercent;
    std::uint32_t dwDialExtraSampleSeconds;
    std::uint32_t dwHangUpExtraPercent;
    std::uint32_t dwHangUpExtraSampleSeconds;
    std::uint32_t dwIdleDisconnectSeconds;
    std::uint32_t dwType;
    std::uint32_t dwEncryptionType;
    std::uint32_t dwCustomAuthKey;
    Guid guidId;
    char szCustomDialDll[260];
    std::uint32_t dwVpnStrategy;
    std::uint32_t dwfOptions2;
    std::uint32_t dwfOptions3;
    char szDnsSuffix[256];
    std::uint32_t dwTcpWindowSize;
    char szPrerequisitePbk[260];
    char szPrerequisiteEntry[256 + 1];
    std::uint32_t dwRedialCount;
    std::uint32_t dwRedialPause;
};

// Without sub-entry, callback id and interface index.
struct RasDialParamsA {
    std::uint32_t dwSize;
    char szEntryName[256 + 1];
    char szPhoneNumber[128 + 1];
    char szCallbackNumber[128 + 1];
    char szUserName[256 + 1];
    char szPassword[256 + 1];
    char szDomain[15 + 1];
};

// The connection record without the phone-book and sub-entry fields.
struct RasConnA {
    std::uint32_t dwSize;
    void* hrasconn;
    char szEntryName[256 + 1];
    char szDeviceType[16 + 1];
    char szDeviceName[128 + 1];
};

#pragma pack(pop)

inline constexpr std::uint32_t kRasEntrySize = 2884;
inline constexpr std::uint32_t kRasDialParamsSize = 1052;
// 412 in a 32-bit process: the handle is a pointer.
inline constexpr std::uint32_t kRasConnSize = sizeof(void*) == 8 ? 416 : 412;

static_assert(sizeof(RasEntryA) == kRasEntrySize);
static_assert(sizeof(RasDialParamsA) == kRasDialParamsSize);
static_assert(sizeof(RasConnA) == kRasConnSize);
static_assert(offsetof(RasEntryA, dwVpnStrategy) == 2084);
static_assert(offsetof(RasEntryA, dwRedialPause) == 2880);
static_assert(offsetof(RasConnA, hrasconn) == 4);

// Copies `text` into a fixed field, cut to fit and always NUL-terminated.
template <std::size_t N>
void CopyField(char (&field)[N], std::string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = '\0';
}

// Reads a fixed field up to its first NUL (or its end, if the service left none).
template <std::size_t N>
std::string ReadField(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

// Zeroed structures with their size fields set and the given fields copied in.
RasEntryA ToWire(const RasEntry& entry);
RasDialParamsA ToWire(const RasDialParams& params);
RasConnection FromWire(const RasConnA& record);

}  // namespace xl::dial::wire
