#pragma once
// The byte layouts rasapi32's wide functions read and write, kept to the older
// versions of its structures that current Windows still accepts (their size
// fields tell the service which version it gets). Packed to 4 bytes as the
// system headers pack every remote-access structure. Defined here without
// platform headers so the layouts and their filling are checked on every
// build. Texts are UTF-16: the program's GBK texts go through the converter
// the caller hands in (the Windows edge's, code page 936).
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
struct RasEntryW {
    std::uint32_t dwSize;
    std::uint32_t dwfOptions;
    std::uint32_t dwCountryID;
    std::uint32_t dwCountryCode;
    char16_t szAreaCode[10 + 1];
    char16_t szLocalPhoneNumber[128 + 1];
    std::uint32_t dwAlternateOffset;
    RasIpAddr ipaddr;
    RasIpAddr ipaddrDns;
    RasIpAddr ipaddrDnsAlt;
    RasIpAddr ipaddrWins;
    RasIpAddr ipaddrWinsAlt;
    std::uint32_t dwFrameSize;
    std::uint32_t dwfNetProtocols;
    std::uint32_t dwFramingProtocol;
    char16_t szScript[260];
    char16_t szAutodialDll[260];
    char16_t szAutodialFunc[260];
    char16_t szDeviceType[16 + 1];
    char16_t szDeviceName[128 + 1];
    char16_t szX25PadType[32 + 1];
    char16_t szX25Address[200 + 1];
    char16_t szX25Facilities[200 + 1];
    char16_t szX25UserData[200 + 1];
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
    char16_t szCustomDialDll[260];
    std::uint32_t dwVpnStrategy;
    std::uint32_t dwfOptions2;
    std::uint32_t dwfOptions3;
    char16_t szDnsSuffix[256];
    std::uint32_t dwTcpWindowSize;
    char16_t szPrerequisitePbk[260];
    char16_t szPrerequisiteEntry[256 + 1];
    std::uint32_t dwRedialCount;
    std::uint32_t dwRedialPause;
};

// Without sub-entry, callback id and interface index.
struct RasDialParamsW {
    std::uint32_t dwSize;
    char16_t szEntryName[256 + 1];
    char16_t szPhoneNumber[128 + 1];
    char16_t szCallbackNumber[128 + 1];
    char16_t szUserName[256 + 1];
    char16_t szPassword[256 + 1];
    char16_t szDomain[15 + 1];
};

// The connection record without the phone-book and sub-entry fields.
struct RasConnW {
    std::uint32_t dwSize;
    void* hrasconn;
    char16_t szEntryName[256 + 1];
    char16_t szDeviceType[16 + 1];
    char16_t szDeviceName[128 + 1];
};

// The record as the system's headers declare it for Windows Vista and later:
// the fields above, then the phone book, sub-entry, entry id, flags, logon
// session and correlation id.
struct RasConnCurrentW {
    std::uint32_t dwSize;
    void* hrasconn;
    char16_t szEntryName[256 + 1];
    char16_t szDeviceType[16 + 1];
    char16_t szDeviceName[128 + 1];
    char16_t szPhonebook[260];
    std::uint32_t dwSubEntry;
    Guid guidEntry;
    std::uint32_t dwFlags;
    std::uint32_t luidLow;
    std::int32_t luidHigh;
    Guid guidCorrelationId;
};

#pragma pack(pop)

inline constexpr std::uint32_t kRasEntrySize = 5616;
inline constexpr std::uint32_t kRasDialParamsSize = 2096;
// 816 in a 32-bit process: the handle is a pointer.
inline constexpr std::uint32_t kRasConnSize = sizeof(void*) == 8 ? 820 : 816;
inline constexpr std::uint32_t kRasConnCurrentSize = sizeof(void*) == 8 ? 1388 : 1384;

static_assert(sizeof(RasEntryW) == kRasEntrySize);
static_assert(sizeof(RasDialParamsW) == kRasDialParamsSize);
static_assert(sizeof(RasConnW) == kRasConnSize);
static_assert(sizeof(RasConnCurrentW) == kRasConnCurrentSize);
static_assert(offsetof(RasConnCurrentW, szDeviceName) == offsetof(RasConnW, szDeviceName));
static_assert(offsetof(RasEntryW, szDeviceType) == 1892);
static_assert(offsetof(RasEntryW, dwVpnStrategy) == 4044);
static_assert(offsetof(RasEntryW, dwRedialPause) == 5612);
static_assert(offsetof(RasDialParamsW, szDomain) == 2062);
static_assert(offsetof(RasConnW, hrasconn) == 4);
static_assert(offsetof(RasConnW, szDeviceName) == (sizeof(void*) == 8 ? 560 : 556));

// The program's GBK text as UTF-16, and back.
using Utf16FromText = std::u16string (*)(std::string_view);
using TextFromUtf16 = std::string (*)(std::u16string_view);

// Copies `text` into a fixed field, cut to fit and always NUL-terminated. A
// GBK text has no surrogate pairs that a cut could split.
template <std::size_t N>
void CopyField(char16_t (&field)[N], std::u16string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = u'\0';
}

// Reads a fixed field up to its first NUL (or its end, if the service left none).
template <std::size_t N>
std::u16string_view ReadField(const char16_t (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != u'\0') ++n;
    return std::u16string_view(field, n);
}

// Zeroed structures with their size fields set and the given fields copied in.
RasEntryW ToWire(const RasEntry& entry, Utf16FromText widen);
RasDialParamsW ToWire(const RasDialParams& params, Utf16FromText widen);
// The same fields from either record layout.
template <typename Record>
RasConnection FromWire(const Record& record, TextFromUtf16 narrow) {
    RasConnection c;
    c.handle = reinterpret_cast<std::uintptr_t>(record.hrasconn);
    c.entryName = narrow(ReadField(record.szEntryName));
    c.deviceType = narrow(ReadField(record.szDeviceType));
    c.deviceName = narrow(ReadField(record.szDeviceName));
    return c;
}

}  // namespace xl::dial::wire
