#include "dial/ras_api_win32.h"

// clang-format off
#include <windows.h>
#include <ras.h>
#include <raserror.h>
#include <shlobj.h>
// clang-format on

#include <cstddef>
#include <cstring>
#include <mutex>
#include <utility>

#include "dial/ras_simulator.h"
#include "dial/ras_structs.h"

namespace xl::dial {

namespace {

// The older layouts line up with the system's declarations where they overlap.
static_assert(sizeof(RASENTRYA) == wire::kRasEntrySize);
static_assert(offsetof(RASENTRYA, szDeviceType) == offsetof(wire::RasEntryA, szDeviceType));
static_assert(offsetof(RASENTRYA, dwVpnStrategy) == offsetof(wire::RasEntryA, dwVpnStrategy));
static_assert(offsetof(RASENTRYA, dwRedialPause) == offsetof(wire::RasEntryA, dwRedialPause));
static_assert(offsetof(RASDIALPARAMSA, szDomain) == offsetof(wire::RasDialParamsA, szDomain));
static_assert(offsetof(RASCONNA, szDeviceName) == offsetof(wire::RasConnA, szDeviceName));
static_assert(sizeof(wire::RasConnA) == 416, "64-bit record size");

constexpr DWORD kErrorBufferSize = 100;

// A notifier of type 0 receives no context, so the one dial in flight is
// reached through this slot; each Dial replaces it.
std::mutex notifierMutex;
std::shared_ptr<DialNotifier> currentNotifier;

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

class Win32RasApi : public RasApi {
  public:
    std::uint32_t SetEntryProperties(const std::string& phoneBook, const std::string& entryName,
                                     const RasEntry& entry) override {
        wire::RasEntryA w = wire::ToWire(entry);
        return RasSetEntryPropertiesA(phoneBook.c_str(), entryName.c_str(),
                                      reinterpret_cast<LPRASENTRYA>(&w), wire::kRasEntrySize,
                                      nullptr, 0);
    }

    std::uint32_t Dial(const std::string& phoneBook, const RasDialParams& params,
                       DialNotifier notifier, RasHandle& handle) override {
        {
            std::lock_guard lock(notifierMutex);
            currentNotifier = std::make_shared<DialNotifier>(std::move(notifier));
        }
        wire::RasDialParamsA w = wire::ToWire(params);
        HRASCONN h = nullptr;
        const DWORD rc =
            RasDialA(nullptr, phoneBook.c_str(), reinterpret_cast<LPRASDIALPARAMSA>(&w), 0,
                     reinterpret_cast<LPVOID>(&OnRasDial), &h);
        SecureZeroMemory(w.szPassword, sizeof w.szPassword);
        handle = reinterpret_cast<std::uintptr_t>(h);
        return rc;
    }

    std::uint32_t HangUp(RasHandle handle) override { return RasHangUpA(ToHandle(handle)); }

    RasConnectionList EnumConnections() override {
        wire::RasConnA records[kMaxListedConnections];
        std::memset(records, 0, sizeof records);
        records[0].dwSize = wire::kRasConnSize;
        DWORD bytes = sizeof records;
        DWORD count = 0;
        const DWORD rc = RasEnumConnectionsA(reinterpret_cast<LPRASCONNA>(records), &bytes, &count);
        if (rc != 0) return {rc, {}};
        RasConnectionList list;
        for (DWORD i = 0; i < count && i < kMaxListedConnections; ++i) {
            list.connections.push_back(wire::FromWire(records[i]));
        }
        return list;
    }

    std::string ErrorString(std::uint32_t code) override {
        char buffer[kErrorBufferSize + 1];
        std::memset(buffer, ' ', kErrorBufferSize);
        buffer[kErrorBufferSize] = '\0';  // the service may decline to write at all
        RasGetErrorStringA(code, buffer, kErrorBufferSize);
        return std::string(buffer, strnlen(buffer, kErrorBufferSize));
    }

    std::string DocumentsFolder() override { return ShellDocumentsFolder(); }

    bool DeletePhoneBook(const std::string& path) override {
        if (DeleteFileA(path.c_str())) return true;
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }

    DisconnectionWatchStart WatchDisconnections(DisconnectionCallback onDisconnection) override {
        return WatchRasDisconnections(std::move(onDisconnection));
    }
};

}  // namespace

std::string ShellDocumentsFolder() {
    char path[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE)) return "";
    return std::string(path, strnlen(path, MAX_PATH));
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
    if (config.documentsFolder.empty()) config.documentsFolder = ShellDocumentsFolder();
    return std::make_unique<RasSimulator>(std::move(config));
}

}  // namespace xl::dial
