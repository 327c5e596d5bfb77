#include "ui/handlers/main_window.h"

#include <array>
#include <utility>

#include "ui/handlers/check_box.h"
#include "ui/handlers/confirm_dialog.h"

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

constexpr std::array<std::pair<const char*, const char*>, 3> kProtocolRadios{
    {{"PPTP", "图片框_PPTP"}, {"L2TP", "图片框_L2TP"}, {"SSTP", "图片框_SSTP"}}};
constexpr std::array<std::pair<const char*, const char*>, 3> kLineModeRadios{
    {{"动态线路", "图片框_动态线路"},
     {"极速线路", "图片框_极速线路"},
     {"静态线路", "图片框_静态线路"}}};

}  // namespace

MainWindow::MainWindow(WindowSystem& windows, app::SettingsFile& settings,
                       std::string defaultServerHost, Hooks hooks)
    : windows_(windows),
      settings_(settings),
      defaultServerHost_(std::move(defaultServerHost)),
      hooks_(std::move(hooks)) {}

void MainWindow::Bind() {
    const WindowId m = WindowId::Main;
    windows_.OnCreated(m, [this](Window& w) { Created(w); });
    windows_.OnClick(m, "透明标签_最小化", [this] { HideMainWindow(); });
    windows_.OnClick(m, "透明标签_关闭", [this] { hooks_.askConfirmation(kAskQuit); });
    windows_.OnClick(m, "透明标签_注销", [this] { hooks_.askConfirmation(kAskLogout); });
}

void MainWindow::Created(Window& window) {
    if (hooks_.attachTray) hooks_.attachTray(window);
    if (Control* c = window.Find("透明标签_帐号")) c->SetCaption(hooks_.currentAccount());
    if (Control* c = window.Find("透明标签_到期时间_内容")) c->SetCaption(hooks_.accountExpiry());
    choices_ = app::LoadMainSettings(settings_, *this, defaultServerHost_);
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
    if (Control* c = Get("透明标签_当前线路")) c->SetCaption(std::string(name));
    if (Control* c = Get("透明标签_已选线路")) c->SetCaption(std::string(name));
}

void MainWindow::ShowProtocol(std::string_view protocol) {
    for (auto [text, box] : kProtocolRadios)
        if (Control* c = Get(box)) SetRadio(*c, protocol == text);
}

void MainWindow::ShowLineMode(std::string_view lineMode) {
    for (auto [text, box] : kLineModeRadios)
        if (Control* c = Get(box)) SetRadio(*c, lineMode == text);
}

void MainWindow::StartFetchingServerList(std::string_view lineMode) {
    if (hooks_.fetchServerList) hooks_.fetchServerList(lineMode);
}

}  // namespace xl::ui
