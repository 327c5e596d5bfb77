#include "ui/handlers/settings_panel.h"

#include <optional>
#include <utility>

#include "ui/handlers/check_box.h"
#include "ui/handlers/confirm_dialog.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {
namespace {

using namespace main_window;

constexpr char kRunAtBootBox[] = "图片框_开机启动";
constexpr char kSecondsField[] = "编辑框_定时重连秒数";
constexpr char kSecondsError[] = "透明标签_定时重连错误提示";
constexpr char kAutoReconnectTimer[] = "时钟_掉线自动重连";
constexpr char kTimedReconnectTimer[] = "时钟_定时重连";

void SetBox(WindowSystem& windows, const char* box, bool on) {
    if (Control* c = Find(windows, box)) SetCheckBox(*c, on);
}

// The field's text as whole seconds (leading digits; anything else is 0).
int Seconds(std::string_view text) {
    return app::ReconnectIntervalMs(text) / 1000;
}

bool ApplyAutoReconnect(SettingsPanel::Services& s, bool on) {
    // The supervisor's option goes with the timer: the disconnection word
    // runs the check without it.
    s.supervisor.SetAutoReconnect(on);
    SetTimer(s.windows, kAutoReconnectTimer, on ? app::kAutoReconnectIntervalMs : 0);
    return true;
}

bool ApplyMinimiseAfterConnect(SettingsPanel::Services& s, bool on) {
    s.choices.minimiseAfterConnect = on;
    return true;
}

bool ApplyTimedReconnect(SettingsPanel::Services& s, bool on) {
    const std::string text = Caption(s.windows, kSecondsField);
    if (on && Seconds(text) < kMinReconnectSeconds) {
        SetCaption(s.windows, kSecondsError, kReconnectTooShortText);
        return false;
    }
    // Off keeps whatever the field holds, checked or not, for the next time.
    s.settings.WriteSetting(app::kReconnectInterval, text);
    SetTimer(s.windows, kTimedReconnectTimer, on ? app::ReconnectIntervalMs(text) : 0);
    return true;
}

bool ApplyRunAtBoot(SettingsPanel::Services& s, bool on) {
    const desktop::RunAtBootState state =
        on ? desktop::RegisterRunAtBoot(s.startup) : desktop::UnregisterRunAtBoot(s.startup);
    s.log.Write(desktop::RunAtBootLogLine(on, state));
    // What Windows refused leaves the switch, and the saved choice, as they were.
    return state.Registered() == on;
}

bool ApplyDisableOnDrop(SettingsPanel::Services& s, bool on) {
    if (on) {
        // The option turns on only when the adapter dialog is confirmed.
        s.windows.Open(WindowId::AdapterDialog).Show();
        return false;
    }
    // The adapter itself stays as it is; only the option goes.
    s.supervisor.SwitchOffDisableOnDrop();
    SetTimer(s.windows, kDisableOnDropTimer, 0);
    return true;
}

// The switches under 软件设置: the caption a click flips each by, its box,
// its item in the settings file and the saved switch it is at start-up.
struct Switch {
    app::MainSwitch which;
    const char* caption;
    const char* box;
    app::SettingKey key;
    // What the new state starts or stops; false refuses the state, and the
    // box and the saved choice stay as they were.
    bool (*apply)(SettingsPanel::Services& s, bool on);
};

constexpr Switch kSwitches[] = {
    {app::MainSwitch::AutoReconnect, "透明标签_掉线自动重连", "图片框_掉线自动重连",
     app::kAutoReconnect, ApplyAutoReconnect},
    {app::MainSwitch::MinimiseAfterConnect, "透明标签_连接成功后自动最小化",
     "图片框_连接成功最小化", app::kMinimiseAfterConnect, ApplyMinimiseAfterConnect},
    {app::MainSwitch::TimedReconnect, "透明标签_是否定时重连", "图片框_定时重连",
     app::kTimedReconnect, ApplyTimedReconnect},
    {app::MainSwitch::AutoStart, "透明标签_电脑开机自动开启软件", kRunAtBootBox, app::kAutoStart,
     ApplyRunAtBoot},
    {app::MainSwitch::DisableOnDrop, "透明标签_异常掉线禁止网卡", kDisableOnDropBox,
     app::kDisableOnDrop, ApplyDisableOnDrop},
};

// A click on a switch's caption: a box in neither state leaves it alone.
void Flip(SettingsPanel::Services& s, const Switch& sw) {
    const Control* box = Find(s.windows, sw.box);
    const std::optional<bool> was = box == nullptr ? std::nullopt : CheckBoxState(*box);
    if (!was) return;
    const bool on = !*was;
    if (!sw.apply(s, on)) return;
    SetBox(s.windows, sw.box, on);
    s.settings.WriteSwitch(sw.key, on);
}

}  // namespace

SettingsPanel::SettingsPanel(Services services) : s_(std::move(services)) {}

void SettingsPanel::Bind() {
    const WindowId m = WindowId::Main;
    WindowSystem& w = s_.windows;
    for (const Switch& sw : kSwitches) w.OnClick(m, sw.caption, [this, &sw] { Flip(s_, sw); });
    w.OnTextChange(m, kSecondsField, [this] { SecondsFieldChanged(); });
    w.OnTick(m, kAutoReconnectTimer, [this] { s_.supervisor.AutoReconnectTick(); });
    w.OnTick(m, kTimedReconnectTimer, [this] { s_.supervisor.TimedReconnectTick(); });
    w.OnTick(m, kDisableOnDropTimer, [this] { s_.supervisor.DisableOnDropTick(); });
    w.OnClick(m, "透明标签_关闭", [this] { s_.askConfirmation(kAskQuit); });
    w.OnClick(m, "透明标签_注销", [this] { s_.askConfirmation(kAskLogout); });
}

void SettingsPanel::SecondsFieldChanged() {
    // Every change gets its check, each reading the field as it is by then;
    // the running timer keeps its interval until the switch is turned on again.
    poster_.PostAfter(kSecondsCheckDelay, [this] { CheckSecondsField(); });
}

void SettingsPanel::CheckSecondsField() {
    const bool tooShort = Seconds(Caption(s_.windows, kSecondsField)) < kMinReconnectSeconds;
    SetCaption(s_.windows, kSecondsError, tooShort ? kReconnectTooShortText : "");
}

void SettingsPanel::TickSwitch(app::MainSwitch which) {
    for (const Switch& sw : kSwitches) {
        if (sw.which == which) SetBox(s_.windows, sw.box, true);
    }
}

void SettingsPanel::StartTimer(app::MainTimer which, int intervalMs) {
    switch (which) {
        case app::MainTimer::AutoReconnect:
            // The check reads the option itself, for the disconnection word.
            s_.supervisor.SetAutoReconnect(true);
            SetTimer(s_.windows, kAutoReconnectTimer, intervalMs);
            return;
        case app::MainTimer::DisableOnDrop:
            // The check reads the option itself, for the disconnection word.
            s_.supervisor.SetDisableOnDrop(true);
            SetTimer(s_.windows, kDisableOnDropTimer, intervalMs);
            return;
        case app::MainTimer::TimedReconnect:
            // No floor here: a saved interval below 15 seconds runs as saved.
            SetTimer(s_.windows, kTimedReconnectTimer, intervalMs);
            return;
    }
}

void SettingsPanel::RegisterAutoStart() {
    // Again at each start, so a program installed elsewhere since is found at
    // its new path. The saved choice stays for the next start to try again.
    const desktop::RunAtBootState state = desktop::RegisterRunAtBoot(s_.startup);
    s_.log.Write(desktop::RunAtBootLogLine(true, state));
    if (!state.Registered()) SetBox(s_.windows, kRunAtBootBox, false);
}

void SettingsPanel::SetReconnectSecondsField(std::string_view text) {
    SetCaption(s_.windows, kSecondsField, std::string(text));
}

void SettingsPanel::UseSavedAdapterNames(std::string chosen, std::string disabled) {
    s_.supervisor.ChooseAdapter(std::move(chosen));
    s_.supervisor.RecallDisabledAdapter(std::move(disabled));
    ShowDisabledAdapter();
}

void SettingsPanel::ShowDisabledAdapter() {
    s_.supervisor.ShowDisabledAdapter();
}

}  // namespace xl::ui
