#pragma once
// The remote-access service as the dial engine needs it: write a phone-book
// entry, dial it with a progress notifier, hang up, list connections, and the
// system's text for an error code. The product talks to rasapi32; the simulator
// stands in where nothing can really dial (Linux, Wine). The shell's folders,
// creating the phone book's folder and deleting the phone-book file sit here
// too, so the path rule can be tested without a real profile.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xl::dial {

// An opaque connection handle; 0 means none.
using RasHandle = std::uint64_t;

// Called on a thread of the remote-access service: message, connection state,
// error code (0 = none).
using DialNotifier = std::function<void(std::uint32_t, std::uint32_t, std::uint32_t)>;

// Error codes of the system and the service that the engine and the simulator use.
inline constexpr std::uint32_t kRasErrorInvalidHandle = 6;
inline constexpr std::uint32_t kRasErrorInvalidParameter = 87;
inline constexpr std::uint32_t kRasErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kRasErrorBufferTooSmall = 603;
inline constexpr std::uint32_t kRasErrorEntryNotFound = 623;
inline constexpr std::uint32_t kRasErrorCannotWritePhoneBook = 624;
inline constexpr std::uint32_t kRasErrorInvalidSize = 632;
inline constexpr std::uint32_t kRasErrorPortInUse = 633;
inline constexpr std::uint32_t kRasErrorAuthentication = 691;
inline constexpr std::uint32_t kRasErrorDialAlreadyInProgress = 756;
inline constexpr std::uint32_t kRasErrorUnreachable = 800;
inline constexpr std::uint32_t kRasErrorNoResponse = 809;

// Connection states the service reports (the values of its state enumeration).
inline constexpr std::uint32_t kRasStateConnected = 0x2000;
inline constexpr std::uint32_t kRasStateDisconnected = 0x2001;

// Connections are listed into a fixed array of this many records; more fail
// with kRasErrorBufferTooSmall.
inline constexpr std::size_t kMaxListedConnections = 10;

// The fields of a phone-book entry this program sets; everything else stays
// zero or empty.
struct RasEntry {
    std::uint32_t options = 0;
    std::uint32_t options2 = 0;
    std::string areaCode;
    std::string localPhoneNumber;
    std::uint32_t netProtocols = 0;
    std::uint32_t framingProtocol = 0;
    std::string deviceType;
    std::string deviceName;
    std::uint32_t dialMode = 0;
    std::uint32_t dialExtraPercent = 0;
    std::uint32_t dialExtraSampleSeconds = 0;
    std::uint32_t hangUpExtraPercent = 0;
    std::uint32_t hangUpExtraSampleSeconds = 0;
    std::uint32_t type = 0;
    std::uint32_t encryptionType = 0;
    std::uint32_t vpnStrategy = 0;
    std::uint32_t redialCount = 0;
    std::uint32_t redialPause = 0;

    bool operator==(const RasEntry&) const = default;
};

struct RasDialParams {
    std::string entryName;
    std::string phoneNumber;
    std::string callbackNumber;
    std::string userName;
    std::string password;
    std::string domain;
};

struct RasConnection {
    RasHandle handle = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;

    bool operator==(const RasConnection&) const = default;
};

// The connection record's layouts: the oldest (up to the device name) and the
// one the system's headers declare for the oldest supported system.
enum class RasConnLayout { Oldest, Current };

struct RasConnectionList {
    std::uint32_t error = 0;  // 0, or the service's code (kRasErrorBufferTooSmall)
    std::vector<RasConnection> connections;
};

// A registration for the service's word that a connection ended. Destroying it
// ends the registration; once the destructor has returned, its callback no
// longer runs and is not running.
class DisconnectionWatch {
  public:
    virtual ~DisconnectionWatch() = default;
};

// The status call's answer: 0 and the state while the connection is listed
// (a hang-up under way included), kRasErrorInvalidHandle once it is gone.
struct RasConnectStatus {
    std::uint32_t error = 0;
    std::uint32_t state = 0;

    bool operator==(const RasConnectStatus&) const = default;
};

// The system text of an error code, or why there is none (the buffer was too
// small, the code unknown); on failure nothing was written.
struct RasErrorText {
    std::uint32_t error = 0;
    std::string text;

    bool operator==(const RasErrorText&) const = default;
};

// The shell's folders of the current user; empty when the shell has none.
struct UserFolders {
    std::string documents;
    std::string profile;
    std::string roamingAppData;

    bool operator==(const UserFolders&) const = default;
};

struct DisconnectionWatchStart {
    std::unique_ptr<DisconnectionWatch> watch;  // null when the service declined
    std::uint32_t error = 0;                    // why it declined
};

// Called on a thread that is not the caller's; several ends in quick
// succession may come as one call.
using DisconnectionCallback = std::function<void()>;

class RasApi {
  public:
    virtual ~RasApi() = default;

    // 0 on success, otherwise the service's error code.
    virtual std::uint32_t SetEntryProperties(const std::string& phoneBook,
                                             const std::string& entryName,
                                             const RasEntry& entry) = 0;
    // Starts an asynchronous dial. On 0 the connection proceeds in the
    // background and reports through `notifier`; `handle` receives the
    // connection's handle (it may stay 0 when the service refuses).
    virtual std::uint32_t Dial(const std::string& phoneBook, const RasDialParams& params,
                               DialNotifier notifier, RasHandle& handle) = 0;
    // Returns at once; the connection ends in the background (see ConnectStatus).
    virtual std::uint32_t HangUp(RasHandle handle) = 0;
    virtual RasConnectStatus ConnectStatus(RasHandle handle) = 0;
    // Lists into kMaxListedConnections records of the given layout.
    virtual RasConnectionList EnumConnections(RasConnLayout layout) = 0;
    // The system text of a code in a buffer of `units` characters.
    virtual RasErrorText ErrorString(std::uint32_t code, std::size_t units) = 0;
    virtual UserFolders Folders() = 0;
    // Creates the folder and its missing parents; true when it exists afterwards.
    virtual bool CreateFolder(const std::string& path) = 0;
    // Removes the phone-book file; a missing file counts as removed.
    virtual bool DeletePhoneBook(const std::string& path) = 0;
    // Asks to be told whenever any connection ends, the program's own hang-ups
    // included. The service (or simulator) must outlive the watch.
    virtual DisconnectionWatchStart WatchDisconnections(DisconnectionCallback onDisconnection) = 0;
};

enum class RasBackend { Real, Simulated };

// "real" or "sim", as the executable's setting spells it.
std::optional<RasBackend> ParseRasBackend(std::string_view text);
// Real on Windows, the simulator elsewhere.
RasBackend DefaultRasBackend();

struct SimConfig;
// Only the simulator exists off Windows: there Real also gives the simulator.
std::unique_ptr<RasApi> MakeRasApi(RasBackend backend, const SimConfig& simConfig);

}  // namespace xl::dial
