#include "ui/handlers/settings_panel.h"

#include <optional>
#include <utility>

#include "ui/handlers/check_box.h"
#include "ui/handlers/confirm_dialog.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {
namespace {

using namespace main_window;

constexpr char kAutoReconnectBox[] = "图片框_掉线自动重连";
constexpr char kTimedReconnectBox[] = "图片框_定时重连";
constexpr char kRunAtBootBox[] = "图片框_开机启动";
constexpr char kMinimiseBox[] = "图片框_连接成功最小化";
constexpr char kSecondsField[] = "编辑框_定时重连秒数";
constexpr char kSecondsError[] = "透明标签_定时重连错误提示";
constexpr char kAutoReconnectTimer[] = "时钟_掉线自动重连";
constexpr char kTimedReconnectTimer[] = "时钟_定时重连";

const char* SwitchBox(app::MainSwitch which) {
    switch (which) {
        case app::MainSwitch::AdapterOption:
            return kAdapterOptionBox;
        case app::MainSwitch::AutoStart:
            return kRunAtBootBox;
        case app::MainSwitch::TimedReconnect:
            return kTimedReconnectBox;
        case app::MainSwitch::MinimiseAfterConnect:
            return kMinimiseBox;
        case app::MainSwitch::AutoReconnect:
            return kAutoReconnectBox;
    }
    return "";
}

// The state a click flips a box from: on, off, or neither (a box in neither
// state leaves the switch alone).
enum class Flip { ToOn, ToOff, None };

Flip FlipOf(WindowSystem& windows, const char* box) {
    const Control* c = Find(windows, box);
    const std::optional<bool> on = c == nullptr ? std::nullopt : CheckBoxState(*c);
    if (!on) return Flip::None;
    return *on ? Flip::ToOff : Flip::ToOn;
}

void SetBox(WindowSystem& windows, const char* box, bool on) {
    if (Control* c = Find(windows, box)) SetCheckBox(*c, on);
}

// The field's text as whole seconds (leading digits; anything else is 0).
int Seconds(std::string_view text) {
    return app::ReconnectIntervalMs(text) / 1000;
}

}  // namespace

SettingsPanel::SettingsPanel(Services services) : s_(std::move(services)) {}

void SettingsPanel::Bind() {
    const WindowId m = WindowId::Main;
    WindowSystem& w = s_.windows;
    w.OnClick(m, "透明标签_掉线自动重连", [this] { ToggleAutoReconnect(); });
    w.OnClick(m, "透明标签_连接成功后自动最小化", [this] { ToggleMinimiseAfterConnect(); });
    w.OnClick(m, "透明标签_是否定时重连", [this] { ToggleTimedReconnect(); });
    w.OnClick(m, "透明标签_电脑开机自动开启软件", [this] { ToggleRunAtBoot(); });
    w.OnTextChange(m, kSecondsField, [this] { SecondsFieldChanged(); });
    w.OnTick(m, kAutoReconnectTimer, [this] { s_.supervisor.AutoReconnectTick(); });
    w.OnTick(m, kTimedReconnectTimer, [this] { s_.supervisor.TimedReconnectTick(); });
    w.OnClick(m, "透明标签_关闭", [this] { s_.askConfirmation(kAskQuit); });
    w.OnClick(m, "透明标签_注销", [this] { s_.askConfirmation(kAskLogout); });
}

void SettingsPanel::RunAutoReconnect(bool on) {
    s_.supervisor.SetAutoReconnect(on);
    SetTimer(s_.windows, kAutoReconnectTimer, on ? app::kAutoReconnectIntervalMs : 0);
}

void SettingsPanel::ToggleAutoReconnect() {
    const Flip flip = FlipOf(s_.windows, kAutoReconnectBox);
    if (flip == Flip::None) return;
    const bool on = flip == Flip::ToOn;
    SetBox(s_.windows, kAutoReconnectBox, on);
    s_.settings.WriteSwitch(app::kAutoReconnect, on);
    RunAutoReconnect(on);
}

void SettingsPanel::ToggleMinimiseAfterConnect() {
    const Flip flip = FlipOf(s_.windows, kMinimiseBox);
    if (flip == Flip::None) return;
    const bool on = flip == Flip::ToOn;
    SetBox(s_.windows, kMinimiseBox, on);
    s_.choices.minimiseAfterConnect = on;
    s_.settings.WriteSwitch(app::kMinimiseAfterConnect, on);
}

void SettingsPanel::ToggleTimedReconnect() {
    const Flip flip = FlipOf(s_.windows, kTimedReconnectBox);
    if (flip == Flip::None) return;
    const std::string text = Caption(s_.windows, kSecondsField);
    if (flip == Flip::ToOn) {
        if (Seconds(text) < kMinReconnectSeconds) {
            SetCaption(s_.windows, kSecondsError, kReconnectTooShortText);
            return;
        }
        SetBox(s_.windows, kTimedReconnectBox, true);
        s_.settings.WriteSwitch(app::kTimedReconnect, true);
        s_.settings.WriteSetting(app::kReconnectInterval, text);
        SetTimer(s_.windows, kTimedReconnectTimer, app::ReconnectIntervalMs(text));
        return;
    }
    // Off keeps whatever the field holds, checked or not, for the next time.
    SetBox(s_.windows, kTimedReconnectBox, false);
    s_.settings.WriteSwitch(app::kTimedReconnect, false);
    s_.settings.WriteSetting(app::kReconnectInterval, text);
    SetTimer(s_.windows, kTimedReconnectTimer, 0);
}

void SettingsPanel::ToggleRunAtBoot() {
    const Flip flip = FlipOf(s_.windows, kRunAtBootBox);
    if (flip == Flip::None) return;
    const bool on = flip == Flip::ToOn;
    const desktop::RunAtBootState state =
        on ? desktop::RegisterRunAtBoot(s_.startup) : desktop::UnregisterRunAtBoot(s_.startup);
    s_.log.Write(desktop::RunAtBootLogLine(on, state));
    // What Windows refused leaves the switch, and the saved choice, as they were.
    if (state.Registered() != on) return;
    SetBox(s_.windows, kRunAtBootBox, on);
    s_.settings.WriteSwitch(app::kAutoStart, on);
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
    SetBox(s_.windows, SwitchBox(which), true);
}

void SettingsPanel::StartTimer(app::MainTimer which, int intervalMs) {
    switch (which) {
        case app::MainTimer::AutoReconnect:
            // The check reads the option itself, for the disconnection word.
            s_.supervisor.SetAutoReconnect(true);
            SetTimer(s_.windows, kAutoReconnectTimer, intervalMs);
            return;
        case app::MainTimer::AdapterWatch:
            // The drop guard checks the option itself, for the disconnection word.
            s_.supervisor.SetDisableOnDrop(true);
            SetTimer(s_.windows, kAdapterWatchTimer, intervalMs);
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
    ShowAdapterLeftDisabled();
}

void SettingsPanel::ShowAdapterLeftDisabled() {
    s_.supervisor.ShowAdapterLeftDisabled();
}

}  // namespace xl::ui
