#pragma once
// Applying the saved choices when the main window is created: the switches
// and their timers, the protocol, the server and the line mode, with the
// defaults of a first run. The panels come later; this sees them through the
// narrow view below.
#include <string>
#include <string_view>

#include "app/settings_file.h"

namespace xl::app {

enum class MainSwitch {
    DisableOnDrop,
    AutoStart,
    TimedReconnect,
    MinimiseAfterConnect,
    AutoReconnect
};
enum class MainTimer { DisableOnDrop, TimedReconnect, AutoReconnect };

inline constexpr int kDisableOnDropIntervalMs = 5000;
inline constexpr int kAutoReconnectIntervalMs = 5000;
inline constexpr std::string_view kDefaultProtocol = "PPTP";
inline constexpr std::string_view kStaticProtocol = "SSTP";
inline constexpr std::string_view kDefaultLineMode = "动态线路";
inline constexpr std::string_view kStaticLineMode = "静态线路";
inline constexpr std::string_view kDefaultServerName = "全国混播混合1";

class MainSettingsView {
  public:
    virtual ~MainSettingsView() = default;
    virtual void TickSwitch(MainSwitch which) = 0;
    virtual void StartTimer(MainTimer which, int intervalMs) = 0;
    virtual void RegisterAutoStart() = 0;
    virtual void SetReconnectSecondsField(std::string_view text) = 0;
    // Shown as both the current line and the chosen line.
    virtual void ShowServerName(std::string_view name) = 0;
    virtual void ShowProtocol(std::string_view protocol) = 0;
    virtual void ShowLineMode(std::string_view lineMode) = 0;
    virtual void StartFetchingServerList(std::string_view lineMode) = 0;
};

// The choices the connection code reads at the moment of dialling.
struct MainChoices {
    std::string protocol;
    std::string server;
    std::string serverName;
    std::string lineMode;
    bool minimiseAfterConnect = false;
    std::string chosenAdapterName;    // the adapter a drop disables
    std::string disabledAdapterName;  // the adapter it left disabled, if any
};

MainChoices LoadMainSettings(SettingsFile& settings, MainSettingsView& view,
                             std::string_view defaultServerHost);

// The interval field's text taken as a whole number of seconds, in
// milliseconds: leading digits only, anything else 0, never negative and
// never past what a timer can hold.
int ReconnectIntervalMs(std::string_view secondsText);

}  // namespace xl::app
