#pragma once
// Turns a chosen server, protocol and account into a remote-access connection:
// rewrites the program's phone-book entry, dials it in the background and waits
// for the progress texts to tell success or failure, keeping the windows
// responsive meanwhile. Also the small operations the rest of the program uses
// to observe and end connections.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "dial/dial_state.h"
#include "dial/message_pump.h"
#include "dial/ras_api.h"

namespace xl::dial {

// Entry dialled when the caller gives no name.
inline constexpr const char* kDefaultEntryName = "虚拟专用网络";
// The dial wait: this many rounds of at least one round length (~100 s).
inline constexpr int kDialWaitRounds = 5000;
inline constexpr std::chrono::milliseconds kDialRoundLength{20};

// Strategy numbers the caller passes for the three protocols.
inline constexpr std::uint32_t kStrategyPptp = 1;
inline constexpr std::uint32_t kStrategyL2tp = 3;
inline constexpr std::uint32_t kStrategySstp = 5;

// Dial's outcomes: success, and the heads of a failure and of a wait that ran
// out (the last status text follows them). Callers compare with these.
inline constexpr char kDialSucceeded[] = "连接成功";
inline constexpr char kDialFailedHead[] = "连接失败：";
inline constexpr char kDialTimedOutHead[] = "连接超时：";

// The entry the program writes for every dial.
RasEntry MakeVpnEntry(const std::string& host, std::uint32_t vpnStrategy);
// Documents folder → "<profile>\AppData\Roaming\Microsoft\Network\Connections\Pbk\<entry>.pbk";
// empty when the folder is unknown or too short to hold the Documents part.
std::string PhoneBookPath(const std::string& documentsFolder, const std::string& entryName);
// PumpingWait's interval in milliseconds: unit 0 ms, 1 s, 2 min, 3 h.
std::chrono::milliseconds PumpingWaitDuration(long long interval, int unit);

// Where the engine reports each step of a dial and its outcome, with the
// remote-access error number, for the program's log. Called on the
// user-interface thread and on the service's notifier thread, so it must be
// safe on both. Never handed the password.
using DialLog = std::function<void(const std::string& line)>;

class DialEngine {
  public:
    // `roundLength` exists for tests; the product keeps kDialRoundLength.
    DialEngine(RasApi& ras, MessagePump& pump,
               std::chrono::milliseconds roundLength = kDialRoundLength);

    // Writes the entry, dials it and waits; returns "连接成功", "连接失败：…",
    // "连接超时：…", "创建连接失败" or the system text of an immediate refusal.
    std::string Dial(const std::string& entryName, const std::string& host,
                     const std::string& userName, const std::string& password,
                     std::uint32_t vpnStrategy, DialNotifier notifier);
    // Ends the first connection named `entryName` (empty: the last dialled
    // entry) or of device type "vpn"; returns a report text.
    std::string HangUpVpn(const std::string& entryName);
    // True while any connection of device type "vpn" exists, the program's or not.
    bool IsVpnConnected();
    // Waits while dispatching window messages; always true.
    bool PumpingWait(long long interval, int unit);
    // The status text of a progress report; also stored as the last status text.
    // Safe on the service's notifier thread.
    std::string StateText(std::uint32_t state, std::uint32_t error);

    // Set once, before the first dial; without it the steps go nowhere.
    void SetLog(DialLog log) { log_ = std::move(log); }

    // True while a Dial is under way (its wait dispatches messages, so other
    // handlers run inside it).
    bool IsDialling() const { return dialDepth_ > 0; }
    // True from the moment this engine ended a connection until the next dial
    // starts: a link the program ended itself is no abnormal drop, even before
    // the connect button has been refreshed.
    bool HungUpByProgram() const { return hungUpByProgram_; }
    // Dials started in this run, and what the last one to finish returned.
    std::uint64_t DialCount() const { return dialCount_; }
    const std::string& LastDialResult() const { return lastDialResult_; }

    DialState& State() { return state_; }
    RasApi& Ras() { return ras_; }

  private:
    std::string DialOnce(const std::string& entryName, const std::string& host,
                         const std::string& userName, const std::string& password,
                         std::uint32_t vpnStrategy, DialNotifier notifier);
    std::string WaitForOutcome();
    void Log(const std::string& line) const;

    RasApi& ras_;
    MessagePump& pump_;
    std::chrono::milliseconds roundLength_;
    DialState state_;
    DialLog log_;
    // The last error a progress report carried, for the outcome's log line.
    std::atomic<std::uint32_t> lastError_{0};
    int dialDepth_ = 0;
    bool hungUpByProgram_ = false;
    std::uint64_t dialCount_ = 0;
    std::string lastDialResult_;
};

}  // namespace xl::dial
