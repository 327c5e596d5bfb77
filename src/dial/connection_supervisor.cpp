#include "dial/connection_supervisor.h"

#include <string>
#include <utility>

namespace xl::dial {

namespace {

constexpr const char* kOn = "yes";
constexpr const char* kOff = "no";
constexpr const char* kConnectedTag = "断开";
constexpr const char* kConnectedStatus = "连接成功";
constexpr const char* kNotDialled = "未拨号";
// The pause that lets a hang-up land before the button is refreshed (PumpingWait 10, unit 0).
constexpr long long kSettleInterval = 10;
constexpr int kMilliseconds = 0;

bool IsOn(const std::string& option) {
    return option == kOn;
}

// Marks one reaction as under way for its whole length, nested pumps included.
class Acting {
  public:
    explicit Acting(bool& flag) : flag_(flag) { flag_ = true; }
    ~Acting() { flag_ = false; }
    Acting(const Acting&) = delete;
    Acting& operator=(const Acting&) = delete;

  private:
    bool& flag_;
};

}  // namespace

ConnectionSupervisor::ConnectionSupervisor(DialEngine& engine, SupervisedConnection& panel,
                                           AdapterAdminSwitch setAdapterAdminState,
                                           SupervisorLog log, PostToUiThread post)
    : engine_(engine),
      panel_(panel),
      setAdapterAdminState_(std::move(setAdapterAdminState)),
      log_(std::move(log)),
      post_(std::move(post)) {}

ConnectionSupervisor::~ConnectionSupervisor() {
    // First of all: once the watch is gone, its thread no longer calls in.
    watch_.reset();
}

bool ConnectionSupervisor::IsAbnormalDrop() {
    const bool believedUp =
        panel_.ConnectButtonTag() == kConnectedTag || panel_.StatusCaption() == kConnectedStatus;
    if (!believedUp) return false;
    // The program's own hang-up (a switch of server, say) before the button
    // caught up with it: the service reports that end too.
    if (engine_.HungUpByProgram()) return false;
    return !engine_.IsVpnConnected();
}

bool ConnectionSupervisor::MayAct() const {
    // Ticks and posted checks that run inside a reaction's waits or inside a
    // dial (the user's or ours) leave the link to it.
    return !acting_ && !engine_.IsDialling();
}

void ConnectionSupervisor::AutoReconnectTick() {
    // With disableOnDrop on, drops belong to the adapter check.
    if (!IsOn(options_.autoReconnect) || IsOn(options_.disableOnDrop)) return;
    if (!MayAct() || !IsAbnormalDrop()) return;
    Acting acting(acting_);
    Log("检测到异常掉线，开始自动重连");
    panel_.SetStatusCaption(kAutoReconnectStatus);
    panel_.SetIpLabels(kAutoReconnectIpText);
    // A failed redial leaves the tag at "连接": later ticks see no drop, so
    // one drop gives one attempt.
    Log("自动重连：" + Redial());
}

void ConnectionSupervisor::DropGuardTick() {
    if (!IsOn(options_.disableOnDrop) || options_.chosenAdapterName.empty() ||
        IsOn(options_.adapterDisabled)) {
        return;
    }
    if (!MayAct() || !IsAbnormalDrop()) return;
    Acting acting(acting_);
    const std::string name = options_.chosenAdapterName;
    panel_.SetStatusCaption(kAdapterDisabledStatusHead + name + kAdapterDisabledStatusTail);
    panel_.SetIpLabels(kAdapterDisabledIpText);
    engine_.HangUpVpn("");
    engine_.PumpingWait(kSettleInterval, kMilliseconds);
    if (setAdapterAdminState_) setAdapterAdminState_(name, false);
    options_.adapterDisabled = kOn;
    Log("检测到异常掉线，已禁止网卡：" + name);
    panel_.RefreshConnectButton();
}

void ConnectionSupervisor::TimedReconnectTick() {
    // Never starts a connection, whatever the button says.
    if (!MayAct() || !engine_.IsVpnConnected()) return;
    Acting acting(acting_);
    panel_.SetIpLabels(kTimedReconnectText);
    panel_.SetStatusCaption(kTimedReconnectText);
    const std::string result = Redial();
    if (result != kDialSucceeded) Log("定时重连：" + result);
}

void HangUpAndReconnect(DialEngine& engine, SupervisedConnection& connection) {
    engine.HangUpVpn("");
    engine.PumpingWait(kSettleInterval, kMilliseconds);
    connection.RefreshConnectButton();
    engine.PumpingWait(kSettleInterval, kMilliseconds);
    connection.ToggleConnection();
}

std::string ConnectionSupervisor::Redial() {
    const std::uint64_t dialsBefore = engine_.DialCount();
    HangUpAndReconnect(engine_, panel_);
    // No dial when the hang-up had not landed: the click hung up instead.
    return engine_.DialCount() == dialsBefore ? kNotDialled : engine_.LastDialResult();
}

void ConnectionSupervisor::Log(const std::string& line) {
    if (log_) log_(line);
}

bool ConnectionSupervisor::WatchDisconnections() {
    if (watch_) return true;
    if (!post_) return false;
    DisconnectionWatchStart start =
        engine_.Ras().WatchDisconnections([this] { OnDisconnection(); });
    if (!start.watch) {
        Log("断线通知不可用（" + std::to_string(start.error) + "），掉线由定时检查发现");
        return false;
    }
    watch_ = std::move(start.watch);
    return true;
}

void ConnectionSupervisor::OnDisconnection() {
    // The watch's thread: only post. One check waiting is enough for any
    // number of ends before it runs.
    if (checkPosted_.exchange(true)) return;
    post_([this, token = std::weak_ptr<int>(alive_)] {
        if (token.expired()) return;
        checkPosted_ = false;
        CheckForDrop();
    });
}

void ConnectionSupervisor::CheckForDrop() {
    // At most one of the two acts: each requires what the other excludes.
    AutoReconnectTick();
    DropGuardTick();
}

void ConnectionSupervisor::SetAutoReconnect(std::string yesNo) {
    options_.autoReconnect = std::move(yesNo);
}

void ConnectionSupervisor::SetDisableOnDrop(std::string yesNo) {
    options_.disableOnDrop = std::move(yesNo);
}

void ConnectionSupervisor::ChooseAdapter(std::string connectionName) {
    options_.chosenAdapterName = std::move(connectionName);
}

bool ConnectionSupervisor::ConfirmDisableOnDrop() {
    if (options_.chosenAdapterName.empty()) return false;
    options_.disableOnDrop = kOn;
    return true;
}

void ConnectionSupervisor::SwitchOffDisableOnDrop() {
    options_.disableOnDrop = kOff;
    options_.adapterDisabled = kOff;
}

void ConnectionSupervisor::RestoreAdapter() {
    if (setAdapterAdminState_) setAdapterAdminState_(options_.chosenAdapterName, true);
    options_.adapterDisabled = kOff;
    Log("恢复网卡：" + options_.chosenAdapterName);
}

}  // namespace xl::dial
