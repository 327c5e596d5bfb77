#pragma once
// Watches the VPN link for the main window's three timers: reconnects after an
// abnormal drop, or disables the chosen adapter instead when the user asked for
// that, and hangs up and redials a live link at a fixed interval. It also
// listens for the remote-access service's word that a connection ended and then
// runs the same two drop checks at once, so a drop is handled within a second
// rather than at the next 5-second tick.
//
// A link that keeps dropping is not redialled at once every time: from the
// third drop within a minute on, each redial waits longer (5 s, 10, 20, 40,
// at most 60), on the window system's timers; a link that holds for a minute,
// or a connect of the user's own, starts the count afresh.
//
// Threads: every operation runs on the user-interface thread, except the
// disconnection callback, which only posts the checks there. The ticks
// dispatch window messages while they wait and dial, so ticks, clicks and the
// posted checks run inside one another; one reaction is under way at a time,
// none starts inside a dial or a hang-up, and the connection panel refuses
// the user's clicks while one is under way. The adapter commands are handed
// off (the product runs them on a worker) and answer later, on this thread;
// one is under way at a time, and an answer that finds the supervisor gone is
// dropped.
//
// Ownership: the supervisor holds the drop options (the settings panel and the
// adapter dialog set them through it); the engine, the panel and the service
// behind the engine are borrowed and outlive it.
//
// Failure: nothing here fails visibly beyond the status texts; what was seen
// and done goes to the log sink, one line each.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dial/dial_engine.h"
#include "dial/dial_progress.h"
#include "dial/liveness_guard.h"

namespace xl::dial {

// The connect button's tags: what a click on it does, and so the program's
// belief about the link.
inline constexpr char kConnectTag[] = "连接";
inline constexpr char kDisconnectTag[] = "断开";

// The connection panel as the supervisor reaches it.
class SupervisedConnection : public ConnectionStatusView {
  public:
    // The connect button's tag: kConnectTag or kDisconnectTag.
    virtual std::string ConnectButtonTag() = 0;
    // Caption of both 透明标签_当前IP and 透明标签_归属地, in place of the
    // exit IP of the link that is going.
    virtual void SetIpLabels(const std::string& text) = 0;
    // The connect button's click: dials while the tag is "连接", hangs up otherwise.
    virtual void ToggleConnection() = 0;

    // Whether the program believes its link is up: the button says "断开", or
    // the status line still says "连接成功" (a link that dropped before the
    // button caught up with its dial). The one reading of those two texts as
    // the link's state; a drop is a link believed up that the service no
    // longer lists.
    bool LinkBelievedUp() {
        return ConnectButtonTag() == kDisconnectTag || StatusCaption() == kDialSucceeded;
    }
};

// What a switch of server and the supervisor's redials share: hang up and wait
// until the link is gone, refresh the button, then the connect button's
// click, which dials once the link is gone (and hangs up again if it is not).
void HangUpAndReconnect(DialEngine& engine, SupervisedConnection& connection);

// The options of drop handling.
struct DropOptions {
    bool autoReconnect = false;     // AutoReconnection: 时钟_掉线自动重连 runs
    bool disableOnDrop = false;     // JingYongWangKa: a drop disables the adapter instead
    std::string chosenAdapterName;  // WangKaName: connection name of that adapter
    // The adapter a drop disabled, kept (and saved) until it is enabled again,
    // whatever is chosen meanwhile; empty while none is. While one is, a
    // drop disables nothing more.
    std::string disabledAdapterName;
};

// What the supervisor needs of the adapter side; the composition root hands
// in the adapter control and the settings file behind these.
struct AdapterAdminSwitch {
    // Whether the command worked, on the user-interface thread.
    using Done = std::function<void(bool succeeded)>;
    // Disables (false) or enables (true) an adapter by its connection name and
    // calls `done` once the command has ended; it may do so before returning.
    std::function<void(const std::string& connectionName, bool enable, Done done)> setAdminState;
    // Whether the commands will have the administrator's rights they need.
    std::function<bool()> mayChangeAdapters;
    // Saves the disabled adapter's name for the next run; empty once enabled.
    std::function<void(const std::string& connectionName)> keepDisabledAdapterName;
};
// One line for the program's log.
using SupervisorLog = std::function<void(const std::string& line)>;
// Runs a task on the user-interface thread once, `delay` from now, on the
// window system's timers.
using PostDelayed = std::function<void(std::chrono::milliseconds delay, std::function<void()>)>;

inline constexpr const char* kAutoReconnectStatus = "检测到异常掉线，开始自动重连...";
inline constexpr const char* kAutoReconnectIpText = "异常掉线重连中...";
inline constexpr const char* kAdapterDisabledStatusHead = "检测到异常掉线，已禁止网卡：";
inline constexpr const char* kAdapterDisabledStatusTail = " 请恢复网卡后再连接";
inline constexpr const char* kAdapterDisabledIpText = "异常掉线已经禁用网卡";
inline constexpr const char* kTimedReconnectText = "定时重连中...";
inline constexpr const char* kDisableFailedHead = "禁用网卡失败：";
inline constexpr const char* kRestoreFailedHead = "恢复网卡失败：";
inline constexpr const char* kRunAsAdministratorTail = "，请以管理员身份运行";
// Both IP labels after a drop whose adapter could not be disabled.
inline constexpr const char* kNoIpAfterDropText = "- -";
// "掉线频繁，" + seconds + "秒后重连" while a redial waits.
inline constexpr const char* kFrequentDropsHead = "掉线频繁，";
inline constexpr const char* kFrequentDropsTail = "秒后重连";

// Drops within this window count towards backing off; a link that holds this
// long ends it.
inline constexpr std::chrono::seconds kDropWindow{60};
inline constexpr int kDropsBeforeBackOff = 3;
inline constexpr std::chrono::seconds kFirstBackOff{5};
inline constexpr std::chrono::seconds kLongestBackOff{60};

class ConnectionSupervisor {
  public:
    ConnectionSupervisor(DialEngine& engine, SupervisedConnection& panel,
                         AdapterAdminSwitch adapterSwitch, SupervisorLog log, PostToUiThread post,
                         PostDelayed postAfter);
    ~ConnectionSupervisor();
    ConnectionSupervisor(const ConnectionSupervisor&) = delete;
    ConnectionSupervisor& operator=(const ConnectionSupervisor&) = delete;

    // Tick of 时钟_掉线自动重连: one redial per abnormal drop while the
    // auto-reconnect option is on and disableOnDrop is not, at once or after
    // the back-off's wait.
    void AutoReconnectTick();
    // Tick of 时钟_异常掉线禁用网卡: disables the chosen adapter once per drop;
    // a failure says so on the status line.
    void DisableOnDropTick();
    // Tick of 时钟_定时重连: hangs up and redials a live link; never starts one.
    void TimedReconnectTick();

    // Registers for the service's disconnection word; false (and a log line)
    // when the service declines, and the timers alone watch the link.
    bool WatchDisconnections();
    // What the disconnection word posts: both drop checks at once.
    void CheckForDrop();

    // True while a reaction (its hang-up, waits and redial) is under way.
    bool Reacting() const { return acting_; }

    // The options, as the settings panel, the adapter dialog and start-up set them.
    const DropOptions& Options() const { return options_; }
    void SetAutoReconnect(bool on);
    // Turning disableOnDrop on here or by the confirm below, in a run without
    // the administrator's rights, is logged: a drop could not disable the adapter.
    void SetDisableOnDrop(bool on);
    // A row chosen in the adapter dialog; kept for this run even if not confirmed.
    void ChooseAdapter(std::string connectionName);
    // The dialog's confirm: false, and nothing changes, while no adapter is
    // chosen; otherwise disableOnDrop turns on.
    bool ConfirmDisableOnDrop();
    // The option switched off; an adapter it disabled stays disabled and is
    // still the one 恢复网卡 enables.
    void SwitchOffDisableOnDrop();
    // Start-up: the adapter an earlier run left disabled, as saved.
    void RecallDisabledAdapter(std::string connectionName);
    // The drop's status text for an adapter still disabled, while no link is up.
    void ShowDisabledAdapter();
    // 透明标签_恢复网卡: enables the adapter a drop disabled, or else the chosen
    // one (an empty name too); it stops counting as disabled once the command
    // worked, and a failure says so on the status line. Does nothing while an
    // adapter command is under way.
    void RestoreAdapter();
    // From a drop's reaction or a restore until its command has answered.
    bool AdapterCommandUnderWay() const { return adapterCommandUnderWay_; }

  private:
    bool IsAbnormalDrop();
    // False while another reaction, a dial or a hang-up is under way.
    bool MayAct() const;
    // The status texts and the redial of one drop.
    void ReconnectAfterDrop();
    // Counts a drop; how long its redial waits (0: none).
    std::chrono::seconds CountDrop();
    void BackOff(std::chrono::seconds wait);
    void ResetBackOff();
    // Hang up, wait until the link is gone, refresh the button, dial again;
    // the dial's result.
    std::string Redial();
    // Runs the adapter command; `then` gets its outcome on the user-interface
    // thread, unless this has gone by then.
    void RunAdapterCommand(const std::string& name, bool enable,
                           std::function<void(bool succeeded)> then);
    void DisableEnded(const std::string& name, bool succeeded);
    void RestoreEnded(const std::string& name, bool succeeded);
    void WarnUnlessElevated();
    // Runs `task` after `delay` unless the supervisor has gone meanwhile.
    void After(std::chrono::milliseconds delay, std::function<void()> task);
    void OnDisconnection();
    void Log(const std::string& line);

    DialEngine& engine_;
    SupervisedConnection& panel_;
    AdapterAdminSwitch adapterSwitch_;
    SupervisorLog log_;
    PostToUiThread post_;
    PostDelayed postAfter_;
    DropOptions options_;
    bool acting_ = false;
    // From the start of a drop's reaction or a restore until its command's
    // answer: one adapter command at a time.
    bool adapterCommandUnderWay_ = false;
    // The back-off: drops redialled within the window, the wait of the next
    // one (0 while not backing off), a redial waiting, and marks that tell a
    // later task whether anything happened since it was set.
    int recentDrops_ = 0;
    std::chrono::seconds nextBackOff_{0};
    bool backOffPending_ = false;
    std::uint64_t backOffEpoch_ = 0;  // bumped by a reset
    std::uint64_t dropsSeen_ = 0;
    std::uint64_t ownDialCount_ = 0;  // the engine's dial count after our last redial
    // Posted checks, delayed tasks and adapter answers run only while this lives.
    LivenessGuard alive_;
    std::unique_ptr<DisconnectionWatch> watch_;
    // Set by the watch's thread, cleared when the posted check starts: a burst
    // of word about one drop posts one check.
    std::atomic<bool> checkPosted_{false};
};

}  // namespace xl::dial
