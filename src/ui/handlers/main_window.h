#pragma once
// The main window's frame: created once after the first login, it attaches
// the tray icon, shows the account and its expiry, applies the saved choices,
// and offers minimise (to the notification area), logout and quit. The
// connection, list and settings panels hang their handlers on it.
// User-interface thread only.
#include <functional>
#include <string>

#include "app/main_settings.h"
#include "app/settings_file.h"
#include "ui/window_system.h"

namespace xl::ui {

class MainWindow final : public app::MainSettingsView {
  public:
    struct Hooks {
        std::function<const std::string&()> currentAccount;
        std::function<const std::string&()> accountExpiry;
        std::function<void(Window&)> attachTray;  // first thing at creation
        std::function<void(const std::string&)> askConfirmation;
        std::function<void()> registerAutoStart;  // start with the system
        std::function<void(std::string_view)> fetchServerList;
    };

    MainWindow(WindowSystem& windows, app::SettingsFile& settings, std::string defaultServerHost,
               Hooks hooks);
    void Bind();

    // Creates the window the first time (running its creation handler) and shows it.
    void ShowMainWindow();
    void HideMainWindow();
    bool IsVisible() const;

    const app::MainChoices& Choices() const { return choices_; }

    // MainSettingsView
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
    Control* Get(std::string_view name) const;

    WindowSystem& windows_;
    app::SettingsFile& settings_;
    std::string defaultServerHost_;
    Hooks hooks_;
    app::MainChoices choices_;
};

}  // namespace xl::ui
