#include "dial/connection_supervisor.h"

#include <algorithm>
#include <string>
#include <utility>

namespace xl::dial {

namespace {

constexpr const char* kNotDialled = "未拨号";
// The pauses for messages around the button's refresh, once the hang-up has
// been waited for.
constexpr std::chrono::milliseconds kSettleInterval{10};

// Marks one reaction as under way for its whole length, nested pumps included.
// A reaction that ends without a dial leaves no mark of its hang-up behind:
// when a link ends after it, that is a drop again.
class Acting {
  public:
    Acting(bool& flag, DialEngine& engine)
        : flag_(flag), engine_(engine), dialsBefore_(engine.DialCount()) {
        flag_ = true;
    }
    ~Acting() {
        flag_ = false;
        if (engine_.DialCount() == dialsBefore_) engine_.ForgetOwnHangUp();
    }
    Acting(const Acting&) = delete;
    Acting& operator=(const Acting&) = delete;

  private:
    bool& flag_;
    DialEngine& engine_;
    std::uint64_t dialsBefore_;
};

}  // namespace

ConnectionSupervisor::ConnectionSupervisor(DialEngine& engine, SupervisedConnection& panel,
                                           AdapterAdminSwitch adapterSwitch, SupervisorLog log,
                                           PostToUiThread post, PostDelayed postAfter)
    : engine_(engine),
      panel_(panel),
      adapterSwitch_(std::move(adapterSwitch)),
      log_(std::move(log)),
      post_(std::move(post)),
      postAfter_(std::move(postAfter)) {}

ConnectionSupervisor::~ConnectionSupervisor() {
    // First of all: once the watch is gone, its thread no longer calls in.
    watch_.reset();
}

bool ConnectionSupervisor::IsAbnormalDrop() {
    if (!panel_.LinkBelievedUp()) return false;
    // The program's own hang-up (a switch of server, say) before the button
    // caught up with it: the service reports that end too.
    if (engine_.HungUpByProgram()) return false;
    return !engine_.IsVpnConnected();
}

bool ConnectionSupervisor::MayAct() const {
    // Ticks and posted checks that run inside a reaction's waits, inside a
    // dial or inside a hang-up's wait (the user's or ours) leave the link to it.
    return !acting_ && !engine_.IsDialling() && !engine_.IsHangingUp();
}

void ConnectionSupervisor::AutoReconnectTick() {
    // With disableOnDrop on, drops belong to the adapter check.
    if (!options_.autoReconnect || options_.disableOnDrop) return;
    // While a redial waits out its back-off, the drop is already counted.
    if (backOffPending_ || !MayAct() || !IsAbnormalDrop()) return;
    const std::chrono::seconds wait = CountDrop();
    if (wait.count() > 0) {
        BackOff(wait);
        return;
    }
    ReconnectAfterDrop();
}

void ConnectionSupervisor::ReconnectAfterDrop() {
    Acting acting(acting_, engine_);
    Log("检测到异常掉线，开始自动重连");
    panel_.SetStatusCaption(kAutoReconnectStatus);
    panel_.SetIpLabels(kAutoReconnectIpText);
    // A failed redial leaves the tag at "连接": later ticks see no drop, so
    // one drop gives one attempt.
    Log("自动重连：" + Redial());
}

std::chrono::seconds ConnectionSupervisor::CountDrop() {
    // A dial since our last redial was the user's own: their link, a fresh count.
    if (engine_.DialCount() != ownDialCount_) ResetBackOff();
    ++dropsSeen_;
    ++recentDrops_;
    After(kDropWindow, [this, epoch = backOffEpoch_] {
        if (epoch == backOffEpoch_) --recentDrops_;
    });
    if (nextBackOff_.count() == 0 && recentDrops_ < kDropsBeforeBackOff) return {};
    const std::chrono::seconds wait = nextBackOff_.count() == 0 ? kFirstBackOff : nextBackOff_;
    nextBackOff_ = std::min(wait * 2, kLongestBackOff);
    return wait;
}

void ConnectionSupervisor::BackOff(std::chrono::seconds wait) {
    backOffPending_ = true;
    const std::string text = kFrequentDropsHead + std::to_string(wait.count()) + kFrequentDropsTail;
    panel_.SetStatusCaption(text);
    panel_.SetIpLabels(kAutoReconnectIpText);
    Log(text);
    After(wait, [this] {
        backOffPending_ = false;
        // Meanwhile the user may have disconnected (no drop any more) or
        // switched the option off.
        if (!options_.autoReconnect || options_.disableOnDrop) return;
        if (!MayAct() || !IsAbnormalDrop()) return;
        ReconnectAfterDrop();
    });
}

void ConnectionSupervisor::ResetBackOff() {
    recentDrops_ = 0;
    nextBackOff_ = {};
    ++backOffEpoch_;
}

void ConnectionSupervisor::After(std::chrono::milliseconds delay, std::function<void()> task) {
    if (!postAfter_) return;
    postAfter_(delay, alive_.OnlyWhileAlive(std::move(task)));
}

void ConnectionSupervisor::DisableOnDropTick() {
    if (!options_.disableOnDrop || options_.chosenAdapterName.empty() ||
        !options_.disabledAdapterName.empty() || adapterCommandUnderWay_) {
        return;
    }
    if (!MayAct() || !IsAbnormalDrop()) return;
    Acting acting(acting_, engine_);
    // Taken before the waits below, so a restore click inside them does nothing.
    adapterCommandUnderWay_ = true;
    const std::string name = options_.chosenAdapterName;
    Log("检测到异常掉线，禁用网卡：" + name);
    panel_.SetStatusCaption(kAdapterDisabledStatusHead + name + kAdapterDisabledStatusTail);
    panel_.SetIpLabels(kAdapterDisabledIpText);
    engine_.HangUpVpn("");
    engine_.PumpingWait(kSettleInterval);
    RunAdapterCommand(name, false, [this, name](bool ok) { DisableEnded(name, ok); });
    panel_.RefreshConnectButton();
}

void ConnectionSupervisor::DisableEnded(const std::string& name, bool succeeded) {
    if (succeeded) {
        options_.disabledAdapterName = name;
        if (adapterSwitch_.keepDisabledAdapterName) adapterSwitch_.keepDisabledAdapterName(name);
        Log("已禁止网卡：" + name);
        return;
    }
    // The user must not believe that nothing leaves outside the VPN.
    panel_.SetStatusCaption(kDisableFailedHead + name + kRunAsAdministratorTail);
    if (!engine_.IsVpnConnected()) panel_.SetIpLabels(kNoIpAfterDropText);
    Log("禁用网卡失败：" + name);
}

void ConnectionSupervisor::TimedReconnectTick() {
    // Never starts a connection, whatever the button says.
    if (!MayAct() || !engine_.IsVpnConnected()) return;
    Acting acting(acting_, engine_);
    panel_.SetIpLabels(kTimedReconnectText);
    panel_.SetStatusCaption(kTimedReconnectText);
    const std::string result = Redial();
    if (result != kDialSucceeded) Log("定时重连：" + result);
}

void HangUpAndReconnect(DialEngine& engine, SupervisedConnection& connection) {
    engine.HangUpVpn("");
    engine.PumpingWait(kSettleInterval);
    connection.RefreshConnectButton();
    engine.PumpingWait(kSettleInterval);
    connection.ToggleConnection();
}

std::string ConnectionSupervisor::Redial() {
    const std::uint64_t dialsBefore = engine_.DialCount();
    HangUpAndReconnect(engine_, panel_);
    // No dial when the link outlasted the hang-up's wait: the click hung up instead.
    if (engine_.DialCount() == dialsBefore) return kNotDialled;
    // The panel refuses clicks during the reaction: the one dial since is ours.
    ownDialCount_ = engine_.DialCount();
    const std::string result = engine_.LastDialResult();
    if (result == kDialSucceeded) {
        // A link that holds for the window ends the back-off.
        After(kDropWindow, [this, dial = ownDialCount_, seen = dropsSeen_] {
            if (dropsSeen_ == seen && engine_.DialCount() == dial) ResetBackOff();
        });
    }
    return result;
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
    post_(alive_.OnlyWhileAlive([this] {
        checkPosted_ = false;
        CheckForDrop();
    }));
}

void ConnectionSupervisor::CheckForDrop() {
    // At most one of the two acts: each requires what the other excludes.
    AutoReconnectTick();
    DisableOnDropTick();
}

void ConnectionSupervisor::SetAutoReconnect(bool on) {
    options_.autoReconnect = on;
}

void ConnectionSupervisor::SetDisableOnDrop(bool on) {
    options_.disableOnDrop = on;
    if (on) WarnUnlessElevated();
}

void ConnectionSupervisor::WarnUnlessElevated() {
    if (adapterSwitch_.mayChangeAdapters && !adapterSwitch_.mayChangeAdapters()) {
        Log("未以管理员身份运行：掉线时将无法禁用网卡");
    }
}

void ConnectionSupervisor::ChooseAdapter(std::string connectionName) {
    options_.chosenAdapterName = std::move(connectionName);
}

bool ConnectionSupervisor::ConfirmDisableOnDrop() {
    if (options_.chosenAdapterName.empty()) return false;
    SetDisableOnDrop(true);
    return true;
}

void ConnectionSupervisor::SwitchOffDisableOnDrop() {
    options_.disableOnDrop = false;
}

void ConnectionSupervisor::RecallDisabledAdapter(std::string connectionName) {
    options_.disabledAdapterName = std::move(connectionName);
}

void ConnectionSupervisor::ShowDisabledAdapter() {
    const std::string& name = options_.disabledAdapterName;
    if (name.empty() || engine_.IsVpnConnected()) return;
    panel_.SetStatusCaption(kAdapterDisabledStatusHead + name + kAdapterDisabledStatusTail);
}

void ConnectionSupervisor::RestoreAdapter() {
    if (adapterCommandUnderWay_) return;
    adapterCommandUnderWay_ = true;
    // The adapter actually disabled, not one chosen since.
    const std::string name = options_.disabledAdapterName.empty() ? options_.chosenAdapterName
                                                                  : options_.disabledAdapterName;
    Log("恢复网卡：" + name);
    RunAdapterCommand(name, true, [this, name](bool ok) { RestoreEnded(name, ok); });
}

void ConnectionSupervisor::RestoreEnded(const std::string& name, bool succeeded) {
    if (!succeeded) {
        panel_.SetStatusCaption(kRestoreFailedHead + name + kRunAsAdministratorTail);
        Log("恢复网卡失败：" + name);
        return;
    }
    // Nothing to forget when the chosen adapter was enabled with none disabled.
    if (options_.disabledAdapterName.empty() || options_.disabledAdapterName != name) return;
    options_.disabledAdapterName.clear();
    if (adapterSwitch_.keepDisabledAdapterName) adapterSwitch_.keepDisabledAdapterName("");
}

void ConnectionSupervisor::RunAdapterCommand(const std::string& name, bool enable,
                                             std::function<void(bool succeeded)> then) {
    adapterCommandUnderWay_ = true;
    if (!adapterSwitch_.setAdminState) {
        adapterCommandUnderWay_ = false;
        then(true);
        return;
    }
    // A late answer to a supervisor that has gone touches nothing.
    adapterSwitch_.setAdminState(name, enable,
                                 alive_.OnlyWhileAlive([this, then = std::move(then)](bool ok) {
                                     adapterCommandUnderWay_ = false;
                                     then(ok);
                                 }));
}

}  // namespace xl::dial
