#include "dial/ras_api_win32.h"

// clang-format off
#include <windows.h>
#include <ras.h>
#include <raserror.h>
#include <shlobj.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <utility>

#include "dial/ras_simulator.h"
#include "dial/ras_structs.h"
#include "win32/text.h"

namespace xl::dial {

namespace {

// The older layouts line up with the system's declarations where they overlap.
static_assert(sizeof(RASENTRYW) == wire::kRasEntrySize);
static_assert(offsetof(RASENTRYW, szDeviceType) == offsetof(wire::RasEntryW, szDeviceType));
static_assert(offsetof(RASENTRYW, dwVpnStrategy) == offsetof(wire::RasEntryW, dwVpnStrategy));
static_assert(offsetof(RASENTRYW, dwRedialPause) == offsetof(wire::RasEntryW, dwRedialPause));
static_assert(offsetof(RASDIALPARAMSW, szDomain) == offsetof(wire::RasDialParamsW, szDomain));
static_assert(offsetof(RASDIALPARAMSW, dwSubEntry) == wire::kRasDialParamsSize);
static_assert(offsetof(RASCONNW, szDeviceName) == offsetof(wire::RasConnW, szDeviceName));
// The older record ends where the phone-book field begins, padded to 4 bytes.
static_assert(offsetof(RASCONNW, szPhonebook) + 2 == wire::kRasConnSize);
static_assert(offsetof(RASCONNW, luid) == offsetof(wire::RasConnCurrentW, luidLow));
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::u16string ToUtf16(std::string_view gbk) {
    const std::wstring wide = win32::Widen(gbk);
    return std::u16string(wide.begin(), wide.end());
}

std::string FromUtf16(std::u16string_view utf16) {
    return win32::Narrow(
        std::wstring_view(reinterpret_cast<const wchar_t*>(utf16.data()), utf16.size()));
}

// A notifier of type 0 receives no context, so the one dial in flight is
// reached through this slot; each Dial replaces it, and a hang-up of that
// dial empties it (the service's notifications end with RasHangUp, and one
// still under way must not reach the next dial's notifier).
std::mutex notifierMutex;
std::shared_ptr<DialNotifier> currentNotifier;
HRASCONN currentDial = nullptr;

VOID WINAPI OnRasDial(UINT message, RASCONNSTATE state, DWORD error) {
    std::shared_ptr<DialNotifier> notifier;
    {
        std::lock_guard lock(notifierMutex);
        notifier = currentNotifier;
    }
    if (notifier && *notifier) (*notifier)(message, static_cast<std::uint32_t>(state), error);
}

HRASCONN ToHandle(RasHandle h) {
    return reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(h));
}

// Ten records of one layout, the first with its size.
template <typename Record>
RasConnectionList Enumerate(std::uint32_t recordSize) {
    Record records[kMaxListedConnections];
    std::memset(records, 0, sizeof records);
    records[0].dwSize = recordSize;
    DWORD bytes = sizeof records;
    DWORD count = 0;
    const DWORD rc = RasEnumConnectionsW(reinterpret_cast<LPRASCONNW>(records), &bytes, &count);
    if (rc != 0) return {rc, {}};
    RasConnectionList list;
    for (DWORD i = 0; i < count && i < kMaxListedConnections; ++i) {
        list.connections.push_back(wire::FromWire(records[i], &FromUtf16));
    }
    return list;
}

class Win32RasApi : public RasApi {
  public:
    std::uint32_t SetEntryProperties(const std::string& phoneBook, const std::string& entryName,
                                     const RasEntry& entry) override {
        wire::RasEntryW w = wire::ToWire(entry, &ToUtf16);
        return RasSetEntryPropertiesW(
            win32::Widen(phoneBook).c_str(), win32::Widen(entryName).c_str(),
            reinterpret_cast<LPRASENTRYW>(&w), wire::kRasEntrySize, nullptr, 0);
    }

    std::uint32_t Dial(const std::string& phoneBook, const RasDialParams& params,
                       DialNotifier notifier, RasHandle& handle) override {
        {
            std::lock_guard lock(notifierMutex);
            currentNotifier = std::make_shared<DialNotifier>(std::move(notifier));
        }
        wire::RasDialParamsW w = wire::ToWire(params, &ToUtf16);
        HRASCONN h = nullptr;
        const DWORD rc = RasDialW(nullptr, win32::Widen(phoneBook).c_str(),
                                  reinterpret_cast<LPRASDIALPARAMSW>(&w), 0,
                                  reinterpret_cast<LPVOID>(&OnRasDial), &h);
        SecureZeroMemory(w.szPassword, sizeof w.szPassword);
        handle = reinterpret_cast<std::uintptr_t>(h);
        {
            std::lock_guard lock(notifierMutex);
            currentDial = h;
        }
        return rc;
    }

    std::uint32_t HangUp(RasHandle handle) override {
        {
            std::lock_guard lock(notifierMutex);
            if (handle != 0 && ToHandle(handle) == currentDial) currentNotifier.reset();
        }
        return RasHangUpW(ToHandle(handle));
    }

    RasConnectStatus ConnectStatus(RasHandle handle) override {
        RASCONNSTATUSW status;
        std::memset(&status, 0, sizeof status);
        status.dwSize = sizeof status;
        const DWORD rc = RasGetConnectStatusW(ToHandle(handle), &status);
        if (rc != 0) return {rc, 0};
        return {0, static_cast<std::uint32_t>(status.rasconnstate)};
    }

    RasConnectionList EnumConnections(RasConnLayout layout) override {
        return layout == RasConnLayout::Oldest
                   ? Enumerate<wire::RasConnW>(wire::kRasConnSize)
                   : Enumerate<wire::RasConnCurrentW>(wire::kRasConnCurrentSize);
    }

    RasErrorText ErrorString(std::uint32_t code, std::size_t units) override {
        std::wstring buffer(units, L'\0');
        const DWORD rc = RasGetErrorStringW(code, buffer.data(), static_cast<DWORD>(units));
        if (rc != 0) return {rc, {}};
        return {0, win32::Narrow(std::wstring_view(buffer.data(), wcsnlen(buffer.data(), units)))};
    }

    UserFolders Folders() override {
        return {ShellFolder(CSIDL_PERSONAL), ShellFolder(CSIDL_PROFILE),
                ShellFolder(CSIDL_APPDATA)};
    }

    bool CreateFolder(const std::string& path) override {
        const std::wstring wide = win32::Widen(path);
        const int rc = SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr);
        if (rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS) return true;
        // Another name in the way is no folder.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool DeletePhoneBook(const std::string& path) override {
        if (DeleteFileW(win32::Widen(path).c_str())) return true;
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }

    DisconnectionWatchStart WatchDisconnections(DisconnectionCallback onDisconnection) override {
        return WatchRasDisconnections(std::move(onDisconnection));
    }
};

}  // namespace

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return "";
    return win32::PathToGbk(std::wstring(path, wcsnlen(path, MAX_PATH)));
}

std::unique_ptr<RasApi> MakeWin32RasApi() {
    return std::make_unique<Win32RasApi>();
}

RasBackend DefaultRasBackend() {
    return RasBackend::Real;
}

std::unique_ptr<RasApi> MakeRasApi(RasBackend backend, const SimConfig& simConfig) {
    if (backend == RasBackend::Real) return MakeWin32RasApi();
    SimConfig config = simConfig;
    if (config.documentsFolder.empty()) {
        config.documentsFolder = ShellFolder(CSIDL_PERSONAL);
        config.profileFolder = ShellFolder(CSIDL_PROFILE);
        config.roamingAppDataFolder = ShellFolder(CSIDL_APPDATA);
    }
    return std::make_unique<RasSimulator>(std::move(config));
}

}  // namespace xl::dial
