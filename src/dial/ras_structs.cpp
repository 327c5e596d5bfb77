#include "dial/ras_structs.h"

#include <cstring>

namespace xl::dial::wire {

RasEntryW ToWire(const RasEntry& entry, Utf16FromText widen) {
    RasEntryW w;
    std::memset(&w, 0, sizeof w);
    w.dwSize = kRasEntrySize;
    w.dwfOptions = entry.options;
    w.dwfOptions2 = entry.options2;
    CopyField(w.szAreaCode, widen(entry.areaCode));
    CopyField(w.szLocalPhoneNumber, widen(entry.localPhoneNumber));
    w.dwfNetProtocols = entry.netProtocols;
    w.dwFramingProtocol = entry.framingProtocol;
    CopyField(w.szDeviceType, widen(entry.deviceType));
    CopyField(w.szDeviceName, widen(entry.deviceName));
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

RasDialParamsW ToWire(const RasDialParams& params, Utf16FromText widen) {
    RasDialParamsW w;
    std::memset(&w, 0, sizeof w);
    w.dwSize = kRasDialParamsSize;
    CopyField(w.szEntryName, widen(params.entryName));
    CopyField(w.szPhoneNumber, widen(params.phoneNumber));
    CopyField(w.szCallbackNumber, widen(params.callbackNumber));
    CopyField(w.szUserName, widen(params.userName));
    CopyField(w.szPassword, widen(params.password));
    CopyField(w.szDomain, widen(params.domain));
    return w;
}

}  // namespace xl::dial::wire
