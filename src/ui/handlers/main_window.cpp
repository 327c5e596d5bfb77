#include "ui/handlers/main_window.h"

#include <utility>

#include "ui/handlers/check_box.h"
#include "ui/handlers/confirm_dialog.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {
namespace {

const char* SwitchBox(app::MainSwitch which) {
    switch (which) {
        case app::MainSwitch::AdapterOption:
            return "图片框_异常掉线禁止网卡";
        case app::MainSwitch::AutoStart:
            return "图片框_开机启动";
        case app::MainSwitch::TimedReconnect:
            return "图片框_定时重连";
        case app::MainSwitch::MinimiseAfterConnect:
            return "图片框_连接成功最小化";
        case app::MainSwitch::AutoReconnect:
            return "图片框_掉线自动重连";
    }
    return "";
}

const char* TimerName(app::MainTimer which) {
    switch (which) {
        case app::MainTimer::AdapterWatch:
            return "时钟_异常掉线禁用网卡";
        case app::MainTimer::TimedReconnect:
            return "时钟_定时重连";
        case app::MainTimer::AutoReconnect:
            return "时钟_掉线自动重连";
    }
    return "";
}

}  // namespace

MainWindow::MainWindow(WindowSystem& windows, app::SettingsFile& settings,
                       std::string defaultServerHost, app::MainChoices& choices, Panels panels,
                       Hooks hooks)
    : windows_(windows),
      settings_(settings),
      defaultServerHost_(std::move(defaultServerHost)),
      choices_(choices),
      panels_(panels),
      hooks_(std::move(hooks)) {}

void MainWindow::Bind() {
    const WindowId m = WindowId::Main;
    windows_.OnCreated(m, [this](Window& w) { Created(w); });
    windows_.OnClick(m, "透明标签_最小化", [this] { HideMainWindow(); });
    windows_.OnClick(m, "透明标签_关闭", [this] { hooks_.askConfirmation(kAskQuit); });
    windows_.OnClick(m, "透明标签_注销", [this] { hooks_.askConfirmation(kAskLogout); });
}

void MainWindow::Created(Window& window) {
    panels_.serverList.StartQuietRefresh(api::LineMode::Dynamic);
    panels_.serverList.StartQuietRefresh(api::LineMode::Static);
    if (hooks_.attachTray) hooks_.attachTray(window);
    window.SetTitle(main_window::kTitle);
    if (Control* c = window.Find("透明标签_帐号")) c->SetCaption(hooks_.currentAccount());
    if (Control* c = window.Find("透明标签_到期时间_内容")) c->SetCaption(hooks_.accountExpiry());
    panels_.serverList.ResetFilter();
    // Stores, saves and shows the protocol and the line mode, and loads the
    // mode's list, through the view below.
    choices_ = app::LoadMainSettings(settings_, *this, defaultServerHost_);
    panels_.connection.RefreshConnectButton();
    poster_.PostAfter(kDelayedListReload, [this] { panels_.serverList.LoadLineData(); });
}

Control* MainWindow::Get(std::string_view name) const {
    return windows_.Find(WindowId::Main, name);
}

void MainWindow::ShowMainWindow() {
    windows_.Open(WindowId::Main).Show();
}

void MainWindow::HideMainWindow() {
    if (Window* w = windows_.Existing(WindowId::Main)) w->Hide();
}

bool MainWindow::IsVisible() const {
    const Window* w = windows_.Existing(WindowId::Main);
    return w != nullptr && w->visible();
}

void MainWindow::TickSwitch(app::MainSwitch which) {
    if (Control* box = Get(SwitchBox(which))) SetCheckBox(*box, true);
}

void MainWindow::StartTimer(app::MainTimer which, int intervalMs) {
    if (Control* timer = Get(TimerName(which))) timer->SetInterval(intervalMs);
}

void MainWindow::RegisterAutoStart() {
    if (hooks_.registerAutoStart) hooks_.registerAutoStart();
}

void MainWindow::SetReconnectSecondsField(std::string_view text) {
    if (Control* c = Get("编辑框_定时重连秒数")) c->SetCaption(std::string(text));
}

void MainWindow::ShowServerName(std::string_view name) {
    panels_.serverList.ShowServerName(std::string(name));
}

void MainWindow::ShowProtocol(std::string_view protocol) {
    choices_.protocol = protocol;
    panels_.connection.ShowProtocol(protocol);
}

void MainWindow::ShowLineMode(std::string_view lineMode) {
    choices_.lineMode = lineMode;
    panels_.connection.ShowLineMode(lineMode);
}

void MainWindow::StartFetchingServerList(std::string_view lineMode) {
    choices_.lineMode = lineMode;
    panels_.serverList.LoadLineData();
}

}  // namespace xl::ui
