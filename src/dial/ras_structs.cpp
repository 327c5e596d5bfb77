#include "dial/ras_structs.h"

#include <cstring>

namespace xl::dial::wire {

RasEntryA ToWire(const RasEntry& entry) {
    RasEntryA w;
    std::memset(&w, 0, sizeof w);
    w.dwSize = kRasEntrySize;
    w.dwfOptions = entry.options;
    w.dwfOptions2 = entry.options2;
    CopyField(w.szAreaCode, entry.areaCode);
    CopyField(w.szLocalPhoneNumber, entry.localPhoneNumber);
    w.dwfNetProtocols = entry.netProtocols;
    w.dwFramingProtocol = entry.framingProtocol;
    CopyField(w.szDeviceType, entry.deviceType);
    CopyField(w.szDeviceName, entry.deviceName);
    w.dwDialMode = entry.dialMode;
    w.dwDialExtraPercent = entry.dialExtraPercent;
    w.dwDialExtraSampleSeconds = entry.dialExtraSampleSeconds;
    w.dwHangUpExtraPercent = entry.hangUpExtraPercent;
    w.dwHangUpExtraSampleSeconds = entry.hangUpExtraSampleSeconds;
    w.dwType = entry.type;
    w.dwEncryptionType = entry.encryptionType;
    w.dwVpnStrategy = entry.vpnStrategy;
    w.dwRedialCount = entry.redialCount;
    w.dwRedialPause = entry.redialPause;
    return w;
}

RasDialParamsA ToWire(const RasDialParams& params) {
    RasDialParamsA w;
    std::memset(&w, 0, sizeof w);
    w.dwSize = kRasDialParamsSize;
    CopyField(w.szEntryName, params.entryName);
    CopyField(w.szPhoneNumber, params.phoneNumber);
    CopyField(w.szCallbackNumber, params.callbackNumber);
    CopyField(w.szUserName, params.userName);
    CopyField(w.szPassword, params.password);
    CopyField(w.szDomain, params.domain);
    return w;
}

RasConnection FromWire(const RasConnA& record) {
    RasConnection c;
    c.handle = reinterpret_cast<std::uintptr_t>(record.hrasconn);
    c.entryName = ReadField(record.szEntryName);
    c.deviceType = ReadField(record.szDeviceType);
    c.deviceName = ReadField(record.szDeviceName);
    return c;
}

}  // namespace xl::dial::wire
