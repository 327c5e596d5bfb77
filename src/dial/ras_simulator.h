#pragma once
// A remote-access service in memory, for machines that cannot dial (Linux,
// Wine). It keeps phone books and a connection list as the service does,
// answers a dial at once and reports the states of a VPN dial on a thread of
// its own, or fails the way real dials fail: refused credentials, an unreachable
// server, no answer at all, a refusal before dialling. Tests can hold every
// notification until they release it, drop a link from the server side, and
// add connections made by other programs. Like the service, it tells each
// disconnection watch, on the watch's own thread, when a listed connection
// ends (hung up or dropped).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dial/ras_api.h"

namespace xl::dial {

enum class SimOutcome {
    Connect,                // the states of a VPN dial up to "connected"
    AuthenticationRefused,  // error 691 after authentication started
    Unreachable,            // error 800 while connecting the device; its text holds "不"
    NoAnswer,               // accepted, then never a notification
    RefusedAtOnce,          // the dial call itself fails with 633
};

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
    // What DocumentsFolder() answers; MakeRasApi fills an empty one.
    std::string documentsFolder;
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
    RasConnectionList EnumConnections() override;
    std::string ErrorString(std::uint32_t code) override;
    std::string DocumentsFolder() override;
    bool DeletePhoneBook(const std::string& path) override;
    DisconnectionWatchStart WatchDisconnections(DisconnectionCallback onDisconnection) override;

    // Stepping: delivers the next held notification and returns once the
    // notifier has returned; false when none is held within `timeout`.
    bool Step(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until every dial's notifications are delivered or abandoned.
    void WaitIdle();

    // The server ends the first connection of this entry; no notification.
    bool DropConnection(const std::string& entryName);
    // A connection made by another program.
    RasHandle AddForeignConnection(const std::string& entryName,
                                   const std::string& deviceType = "vpn",
                                   const std::string& deviceName = "WAN Miniport (PPTP)");
    void SetHostOutcome(const std::string& host, SimOutcome outcome);
    // The pause before each notification from now on.
    void SetStepDelay(std::chrono::milliseconds delay);
    // Non-zero: every write of an entry / hang-up of a listed connection fails with it.
    void SetEntryError(std::uint32_t code);
    void SetHangUpError(std::uint32_t code);
    // Non-zero: disconnection watches are declined with it, as where the
    // service offers none (Wine).
    void SetWatchError(std::uint32_t code);

    std::optional<RasEntry> StoredEntry(const std::string& phoneBook,
                                        const std::string& entryName) const;
    std::vector<std::string> EntryNames(const std::string& phoneBook) const;
    int PhoneBookDeletions() const;
    std::optional<RasDialParams> LastDialParams() const;
    std::vector<RasConnection> Connections() const;
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

    SimOutcome OutcomeFor(const std::string& host) const;
    void Play(std::shared_ptr<Run> run, std::vector<Notification> script);
    bool AwaitTurn(std::unique_lock<std::mutex>& lock, const Run& run);
    void Finish(const Run& run, const Notification& last);
    void RemoveConnection(RasHandle handle);
    // Under mutex_: a listed connection has ended.
    void SignalDisconnection();
    void Unwatch(const Watcher& watcher);

    SimConfig config_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::map<std::string, RasEntry>> phoneBooks_;
    std::vector<RasConnection> connections_;
    std::vector<std::shared_ptr<Run>> runs_;
    std::vector<std::shared_ptr<Watcher>> watchers_;
    std::optional<RasDialParams> lastDial_;
    RasHandle nextHandle_ = 0x1000;
    std::uint32_t entryError_ = 0;
    std::uint32_t hangUpError_ = 0;
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
