#pragma once
// The main window's frame: created once after the first login, its creation
// starts the quiet list refreshes, attaches the tray icon, shows the account
// and its expiry, applies the saved choices through the panels and schedules
// one more list load two seconds later. It also offers minimise (to the
// notification area). The connection, server list and settings panels and the
// adapter dialog hang their own handlers on the same window and share the
// current choices with it. User-interface thread only. The panels, the choices
// and the settings file are borrowed and outlive it; the delayed load is
// dropped once it is gone.
#include <chrono>
#include <functional>
#include <string>

#include "app/main_settings.h"
#include "app/settings_file.h"
#include "ui/handlers/connection_panel.h"
#include "ui/handlers/server_list_panel.h"
#include "ui/handlers/settings_panel.h"
#include "ui/handlers/ui_poster.h"
#include "ui/window_system.h"

namespace xl::ui {

// After this, the lists downloaded since the window opened are shown.
inline constexpr std::chrono::milliseconds kDelayedListReload{2000};

class MainWindow final : public app::MainSettingsView {
  public:
    struct Hooks {
        std::function<const std::string&()> currentAccount;
        std::function<const std::string&()> accountExpiry;
        std::function<void(Window&)> attachTray;
    };
    struct Panels {
        ConnectionPanel& connection;
        ServerListPanel& serverList;
        SettingsPanel& settings;
    };

    MainWindow(WindowSystem& windows, app::SettingsFile& settings, std::string defaultServerHost,
               app::MainChoices& choices, Panels panels, Hooks hooks);
    void Bind();

    // Creates the window the first time (running its creation handler) and shows it.
    void ShowMainWindow();
    void HideMainWindow();
    bool IsVisible() const;

    const app::MainChoices& Choices() const { return choices_; }

    // MainSettingsView; the switches, timers and start with the system are
    // the settings panel's.
    void TickSwitch(app::MainSwitch which) override;
    void StartTimer(app::MainTimer which, int intervalMs) override;
    void RegisterAutoStart() override;
    void SetReconnectSecondsField(std::string_view text) override;
    void ShowServerName(std::string_view name) override;
    void ShowProtocol(std::string_view protocol) override;
    void ShowLineMode(std::string_view lineMode) override;
    void StartFetchingServerList(std::string_view lineMode) override;

  private:
    void Created(Window& window);

    WindowSystem& windows_;
    app::SettingsFile& settings_;
    std::string defaultServerHost_;
    app::MainChoices& choices_;
    Panels panels_;
    Hooks hooks_;
    UiPoster poster_{windows_};
};

}  // namespace xl::ui
