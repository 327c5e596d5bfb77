#pragma once
// Turns a chosen server, protocol and account into a remote-access connection:
// rewrites the program's phone-book entry, dials it in the background and waits
// for the progress texts to tell success or failure, keeping the windows
// responsive meanwhile. Also the small operations the rest of the program uses
// to observe and end connections, each hang-up waiting until the service has
// let the connection go.
//
// Threads: the user-interface thread, except the notifier a dial hands the
// service (the service's thread) and StateText, which it calls. Failures are
// values: outcome texts, report texts, log lines.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
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

// After a hang-up, the service's status call is asked this often whether the
// connection is gone, for at most the cap (the time the service's own advice
// allows a hang-up); the cap counts the waits asked for, so a test's virtual
// clock runs it as the real one does.
inline constexpr std::chrono::milliseconds kHangUpPoll{20};
inline constexpr std::chrono::milliseconds kHangUpWaitCap{3000};
// The buffer a system error text is fetched into: 512 characters always hold one.
inline constexpr std::size_t kErrorTextUnits = 512;
// What the status line shows of it, as much as the 100-character buffer it
// was once fetched into, cut on a character boundary; the log keeps it whole.
// Without a text from the service, that buffer as it was prepared: spaces.
inline constexpr std::size_t kShownErrorTextCharacters = 100;

// Dial's outcomes: success, the heads of a failure and of a wait that ran
// out (the last status text follows them), and a dial the user cancelled.
// Callers compare with these.
inline constexpr char kDialSucceeded[] = "连接成功";
inline constexpr char kDialFailedHead[] = "连接失败：";
inline constexpr char kDialTimedOutHead[] = "连接超时：";
inline constexpr char kDialCancelled[] = "已取消连接";

// The entry the program writes for every dial.
RasEntry MakeVpnEntry(const std::string& host, std::uint32_t vpnStrategy);
// The phone-book file of an entry. With Documents in the standard place
// (<profile>\Documents) the Documents part of it is cut off and
// "\AppData\Roaming\Microsoft\Network\Connections\Pbk\<entry>.pbk" appended;
// with Documents anywhere else (redirected, say to a cloud folder) the path
// starts from the roaming application-data folder instead. Empty when neither
// gives a path.
std::string PhoneBookPath(const UserFolders& folders, const std::string& entryName);

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
    // "连接超时：…", "已取消连接", "创建连接失败" or the system text of an
    // immediate refusal.
    std::string Dial(const std::string& entryName, const std::string& host,
                     const std::string& userName, const std::string& password,
                     std::uint32_t vpnStrategy, DialNotifier notifier);
    // From inside a dial's wait: ends the attempt by its own handle and waits
    // until it is gone; the dial then returns "已取消连接". False outside a dial.
    bool CancelDial();
    // Ends the first connection named `entryName` (empty: the last dialled
    // entry) or of device type "vpn" and waits until it is gone; returns a
    // report text.
    std::string HangUpVpn(const std::string& entryName);
    // Ends the connection of `handle` and waits until it is gone; the
    // service's answer to the hang-up (kRasErrorInvalidHandle for none).
    std::uint32_t HangUp(RasHandle handle);
    // True while any connection of device type "vpn" exists, the program's or not
    // (one still hanging up included).
    bool IsVpnConnected();
    // Waits while dispatching window messages; a negative interval waits for none.
    void PumpingWait(std::chrono::milliseconds interval);
    // The status text of a progress report; also stored as the last status text.
    // Safe on the service's notifier thread.
    std::string StateText(std::uint32_t state, std::uint32_t error);

    // Set once, before the first dial; without it the steps go nowhere.
    void SetLog(DialLog log) { log_ = std::move(log); }

    // True while a Dial is under way (its wait dispatches messages, so other
    // handlers run inside it).
    bool IsDialling() const { return dialDepth_ > 0; }
    // True while a hang-up waits for its connection to go.
    bool IsHangingUp() const { return hangUpDepth_ > 0; }
    // True from the moment this engine ended a connection until the next dial
    // starts: a link the program ended itself is no abnormal drop, even before
    // the connect button has been refreshed. A hang-up that did not take
    // effect within the cap clears it, and so does ForgetOwnHangUp.
    bool HungUpByProgram() const { return hungUpByProgram_; }
    void ForgetOwnHangUp() { hungUpByProgram_ = false; }
    // Dials started in this run, and what the last one to finish returned.
    // Any thread: a progress report reads it to tell its own dial from a newer one.
    std::uint64_t DialCount() const { return dialCount_.load(); }
    const std::string& LastDialResult() const { return lastDialResult_; }
    // The system text of an error code, whole (for the log), and as the status
    // line shows it. Any thread.
    std::string SystemText(std::uint32_t code);
    static std::string ShownText(const std::string& systemText);

    DialState& State() { return state_; }
    RasApi& Ras() { return ras_; }

  private:
    std::string DialOnce(const std::string& entryName, const std::string& host,
                         const std::string& userName, const std::string& password,
                         std::uint32_t vpnStrategy, DialNotifier notifier);
    std::string WaitForOutcome();
    // A dial cancelled before it reached the service: logged, "已取消连接".
    std::string Cancelled();
    // The notifier handed to the service: reports that arrive after their dial
    // was hung up, cancelled or followed by another dial are dropped.
    DialNotifier Guarded(DialNotifier notifier);
    // Reports of the dial under way are no longer passed on.
    void EndReports();
    // Polls the status call until the connection is gone or the cap is reached.
    bool AwaitGone(RasHandle handle, const std::string& name);
    // Lists connections in the oldest record layout, or the current one where
    // the system refuses the oldest.
    RasConnectionList ListConnections();
    void Log(const std::string& line) const;

    RasApi& ras_;
    MessagePump& pump_;
    std::chrono::milliseconds roundLength_;
    DialState state_;
    DialLog log_;
    // The last error a progress report carried, for the outcome's log line.
    std::atomic<std::uint32_t> lastError_{0};
    // Reports pass only while the generation they were handed out with is
    // current. Changed under the lock, which a report holds while it is passed
    // on, so a report sees the generation and DialCount of its own dial.
    std::mutex reportMutex_;
    std::atomic<std::uint64_t> reportGeneration_{0};
    std::atomic<std::uint64_t> dialCount_{0};
    int dialDepth_ = 0;
    int hangUpDepth_ = 0;
    bool cancelRequested_ = false;
    bool hungUpByProgram_ = false;
    RasConnLayout layout_ = RasConnLayout::Oldest;
    bool layoutFallbackLogged_ = false;
    std::string lastDialResult_;
};

}  // namespace xl::dial
