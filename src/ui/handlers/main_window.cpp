#include "ui/handlers/main_window.h"

#include <utility>

#include "app/program_name.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {

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
}

void MainWindow::Created(Window& window) {
    panels_.serverList.StartQuietRefresh(api::LineMode::Dynamic);
    panels_.serverList.StartQuietRefresh(api::LineMode::Static);
    if (hooks_.attachTray) hooks_.attachTray(window);
    window.SetTitle(app::kProgramName);
    if (Control* c = window.Find("透明标签_帐号")) c->SetCaption(hooks_.currentAccount());
    if (Control* c = window.Find("透明标签_到期时间_内容")) c->SetCaption(hooks_.accountExpiry());
    panels_.serverList.ResetFilter();
    // Stores, saves and shows the protocol and the line mode, and loads the
    // mode's list, through the view below.
    choices_ = app::LoadMainSettings(settings_, *this, defaultServerHost_);
    panels_.settings.UseSavedAdapterNames(choices_.chosenAdapterName, choices_.disabledAdapterName);
    panels_.connection.RefreshConnectButton();
    poster_.PostAfter(kDelayedListReload, [this] {
        panels_.serverList.LoadLineData();
        panels_.settings.ShowDisabledAdapter();
    });
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
    panels_.settings.TickSwitch(which);
}

void MainWindow::StartTimer(app::MainTimer which, int intervalMs) {
    panels_.settings.StartTimer(which, intervalMs);
}

void MainWindow::RegisterAutoStart() {
    panels_.settings.RegisterAutoStart();
}

void MainWindow::SetReconnectSecondsField(std::string_view text) {
    panels_.settings.SetReconnectSecondsField(text);
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
