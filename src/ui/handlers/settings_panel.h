#pragma once
// The main window's option switches under 软件设置 and the logout and quit
// marks of its title band. Each switch is a picture check box flipped by a
// click on its caption, saved at once and starting or stopping what depends
// on it: the auto-reconnect, timed-reconnect and adapter timers (whose ticks
// run the connection supervisor), minimise-after-connect, and start with the
// system (whose box shows where Windows stands: a registration it refused
// leaves the switch as it was, and the log says why). Disable-on-drop
// turns on only through the adapter dialog, which its caption opens.
// The seconds field is checked a second after each change. At start-up this
// panel applies every saved switch.
// User-interface thread only. The supervisor, the startup registry, the log and
// the settings file are borrowed and outlive the panel; the delayed field checks
// are dropped once it is gone.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "api/log.h"
#include "app/main_settings.h"
#include "app/settings_file.h"
#include "desktop/run_at_boot.h"
#include "dial/connection_supervisor.h"
#include "ui/handlers/ui_poster.h"
#include "ui/window_system.h"

namespace xl::ui {

inline constexpr char kReconnectTooShortText[] = "定时重连不能小于15秒";
inline constexpr int kMinReconnectSeconds = 15;
// A change of the seconds field is checked this long after it.
inline constexpr std::chrono::milliseconds kSecondsCheckDelay{1000};

class SettingsPanel {
  public:
    struct Services {
        WindowSystem& windows;
        app::SettingsFile& settings;
        app::MainChoices& choices;  // minimise-after-connect, read by the connection panel
        dial::ConnectionSupervisor& supervisor;
        desktop::StartupRegistry& startup;
        api::ProgramLog& log;  // where start with the system was registered, or why not
        // The confirmation dialog's question (logout, quit).
        std::function<void(const std::string&)> askConfirmation;
    };

    explicit SettingsPanel(Services services);
    SettingsPanel(const SettingsPanel&) = delete;
    SettingsPanel& operator=(const SettingsPanel&) = delete;

    void Bind();

    // What every change of the seconds field starts: the check a second later.
    void SecondsFieldChanged();

    // The saved settings, applied at start-up (the main window passes them on).
    void TickSwitch(app::MainSwitch which);
    void StartTimer(app::MainTimer which, int intervalMs);
    void RegisterAutoStart();
    void SetReconnectSecondsField(std::string_view text);
    // The saved `WangKaName`, the adapter a drop disables while the option is
    // on, and the adapter an earlier run left disabled, named on the status line.
    void UseSavedAdapterNames(std::string chosen, std::string disabled);
    // Names an adapter still disabled on the status line again, after the
    // delayed list load has written over it.
    void ShowDisabledAdapter();

  private:
    void CheckSecondsField();

    Services s_;
    UiPoster poster_{s_.windows};
};

}  // namespace xl::ui
