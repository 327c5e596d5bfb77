#pragma once
// A remote-access service in memory, for machines that cannot dial (Linux,
// Wine). It keeps phone books and a connection list as the service does,
// answers a dial at once and reports the states of a VPN dial on a thread of
// its own, or fails the way real dials fail: refused credentials, an unreachable
// server, a server that never answers, a refusal before dialling. Tests can
// hold every notification until they release it, stall a dial after a given
// state, drop a link from the server side, add connections made by other
// programs and deliver a report late.
//
// By default it is as strict as the service is documented to be:
// - RasHangUp returns at once; the connection stays listed (disconnecting) for
//   `hangUpDelay`, and RasGetConnectStatus answers for it until it is gone,
//   then ERROR_INVALID_HANDLE (RasHangUp remarks: wait for that answer before
//   dialling again or exiting).
// - RasDial of an entry whose connection is still listed fails with
//   ERROR_DIAL_ALREADY_IN_PROGRESS (756, "this connection is already being
//   dialed" in the service's error list), the way an immediate redial after a
//   hang-up fails (RasHangUp remarks).
// - RasGetErrorString writes nothing and fails with ERROR_INSUFFICIENT_BUFFER
//   when the text and its terminator do not fit the buffer (512 characters
//   always do), and with ERROR_INVALID_PARAMETER for a code it does not know.
//   Some texts (809's) are longer than 100 characters, as Windows' own are.
// - RasConnectionNotification (RASCN_Disconnection, any connection): every
//   watch is told once a listed connection is gone (after its hang-up has
//   ended, or at once when the server drops it), the program's own and other
//   programs' alike, on the watch's own thread.
// - RasEnumConnections lists at most 10 records (ERROR_BUFFER_TOO_SMALL
//   beyond), and can be told to refuse the oldest record layout with
//   ERROR_INVALID_SIZE or ERROR_BUFFER_TOO_SMALL, as a system that no longer
//   accepts it would.
// - RasSetEntryProperties cannot write a phone book whose folder does not exist
//   (ERROR_CANNOT_WRITE_PHONEBOOK); no folder exists until it is created.
//
// Time: the delays are measured on `SimConfig::clock`, so a test's virtual
// clock runs a hang-up without real waiting. Only the calls made on the
// program's user-interface thread (the test's thread) read that clock.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dial/ras_api.h"

namespace xl::dial {

enum class SimOutcome {
    Connect,                // the states of a VPN dial up to "connected"
    AuthenticationRefused,  // error 691 after authentication started
    Unreachable,            // error 800 while connecting the device; its text holds "不"
    NoResponse,             // error 809 while connecting the device; a text of 120 characters
    NoAnswer,               // accepted, then never a notification
    RefusedAtOnce,          // the dial call itself fails with 633
};

// Milliseconds since any fixed start.
using SimClock = std::function<std::chrono::milliseconds()>;

struct SimConfig {
    SimOutcome defaultOutcome = SimOutcome::Connect;
    // By dialled host, with or without its ":port".
    std::map<std::string, SimOutcome> hostOutcomes;
    // Pause before each notification (ignored when stepping).
    std::chrono::milliseconds stepDelay{0};
    // Each notification waits for Step().
    bool stepByStep = false;
    // A failed dial stays listed until hung up, as with the real service.
    bool keepFailedConnections = true;
    // How long a hung-up connection stays listed; 0 ends it at once.
    std::chrono::milliseconds hangUpDelay{1000};
    // What the delays are measured on; empty: the steady clock.
    SimClock clock;
    // What Folders() answers; MakeRasApi fills an empty documents folder. An
    // empty profile or application-data folder follows from a documents folder
    // of the standard layout (<profile>\Documents).
    std::string documentsFolder;
    std::string profileFolder;
    std::string roamingAppDataFolder;
};

// A demo set-up: every dial connects, with a visible pace.
SimConfig DemoSimConfig();

class RasSimulator : public RasApi {
  public:
    explicit RasSimulator(SimConfig config = {});
    ~RasSimulator() override;
    RasSimulator(const RasSimulator&) = delete;
    RasSimulator& operator=(const RasSimulator&) = delete;

    std::uint32_t SetEntryProperties(const std::string& phoneBook, const std::string& entryName,
                                     const RasEntry& entry) override;
    std::uint32_t Dial(const std::string& phoneBook, const RasDialParams& params,
                       DialNotifier notifier, RasHandle& handle) override;
    std::uint32_t HangUp(RasHandle handle) override;
    RasConnectStatus ConnectStatus(RasHandle handle) override;
    RasConnectionList EnumConnections(RasConnLayout layout) override;
    RasErrorText ErrorString(std::uint32_t code, std::size_t units) override;
    UserFolders Folders() override;
    bool CreateFolder(const std::string& path) override;
    bool DeletePhoneBook(const std::string& path) override;
    DisconnectionWatchStart WatchDisconnections(DisconnectionCallback onDisconnection) override;

    // Stepping: delivers the next held notification and returns once the
    // notifier has returned; false when none is held within `timeout`, at
    // once when no dial has notifications left.
    bool Step(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until every dial's notifications are delivered or abandoned.
    void WaitIdle();

    // The server ends the first connection of this entry that is not already
    // hanging up; it is gone at once.
    bool DropConnection(const std::string& entryName);
    // A connection made by another program.
    RasHandle AddForeignConnection(const std::string& entryName,
                                   const std::string& deviceType = "vpn",
                                   const std::string& deviceName = "WAN Miniport (PPTP)");
    // A report the service had under way for the dial of `handle` when that
    // dial was hung up: delivered now, on the caller's thread, to that dial's
    // notifier. False when no recent dial had that handle.
    bool DeliverLateReport(RasHandle handle, std::uint32_t state, std::uint32_t error);
    void SetHostOutcome(const std::string& host, SimOutcome outcome);
    // The pause before each notification from now on.
    void SetStepDelay(std::chrono::milliseconds delay);
    void SetHangUpDelay(std::chrono::milliseconds delay);
    // Dials that connect report up to this state and then nothing more (a
    // server that stops answering); nullopt plays them out.
    void SetStallAfter(std::optional<std::uint32_t> state);
    // Non-zero: every write of an entry / hang-up of a listed connection fails with it.
    void SetEntryError(std::uint32_t code);
    void SetHangUpError(std::uint32_t code);
    // Non-zero: listing into the oldest record layout fails with it.
    void SetOldestLayoutError(std::uint32_t code);
    // Non-zero: disconnection watches are declined with it, as where the
    // service offers none (Wine).
    void SetWatchError(std::uint32_t code);

    std::optional<RasEntry> StoredEntry(const std::string& phoneBook,
                                        const std::string& entryName) const;
    std::vector<std::string> EntryNames(const std::string& phoneBook) const;
    int PhoneBookDeletions() const;
    bool FolderExists(const std::string& path) const;
    std::optional<RasDialParams> LastDialParams() const;
    // Every listed connection, those still hanging up included.
    std::vector<RasConnection> Connections();
    // Disconnection watches alive now (each has one thread).
    int WatchCount() const;
    // Returns once every watch has called back for the ends told so far.
    void WaitWatchersIdle();

  private:
    struct Run;
    struct Watcher;
    class SimWatch;
    struct Notification {
        std::uint32_t state;
        std::uint32_t error;
    };
    struct Listed {
        RasConnection connection;
        std::uint32_t state = 0;
        std::optional<std::chrono::milliseconds> goneAt;  // set by a hang-up
    };

    std::chrono::milliseconds Now() const;
    // Under mutex_: connections whose hang-up has ended leave the list.
    void Reap();
    std::vector<Listed>::iterator FindListed(RasHandle handle);
    SimOutcome OutcomeFor(const std::string& host) const;
    std::vector<Notification> ScriptFor(SimOutcome outcome) const;
    void Play(std::shared_ptr<Run> run, std::vector<Notification> script);
    bool AwaitTurn(std::unique_lock<std::mutex>& lock, const Run& run);
    void Delivered(const Run& run, const Notification& n, bool last);
    void RemoveConnection(RasHandle handle);
    // Under mutex_: a listed connection has ended.
    void SignalDisconnection();
    void Unwatch(const Watcher& watcher);

    SimConfig config_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::map<std::string, RasEntry>> phoneBooks_;
    std::set<std::string> folders_;  // lower-case, without a trailing backslash
    std::vector<Listed> connections_;
    std::vector<std::shared_ptr<Run>> runs_;
    // The notifiers of the last few dials, for late reports.
    std::deque<std::pair<RasHandle, DialNotifier>> recentNotifiers_;
    std::vector<std::shared_ptr<Watcher>> watchers_;
    std::optional<RasDialParams> lastDial_;
    std::optional<std::uint32_t> stallAfter_;
    RasHandle nextHandle_ = 0x1000;
    std::uint32_t entryError_ = 0;
    std::uint32_t hangUpError_ = 0;
    std::uint32_t oldestLayoutError_ = 0;
    std::uint32_t watchError_ = 0;
    int deletions_ = 0;
    int waitingForStep_ = 0;
    int permits_ = 0;
    int inFlight_ = 0;  // turns released and not yet delivered
    int playing_ = 0;
    std::uint64_t delivered_ = 0;
    bool stopping_ = false;
};

}  // namespace xl::dial
