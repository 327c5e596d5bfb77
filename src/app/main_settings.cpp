#include "app/main_settings.h"

#include <climits>

namespace xl::app {

int ReconnectIntervalMs(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long seconds = 0;
    constexpr long long kMaxSeconds = INT_MAX / 1000;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        seconds = seconds * 10 + (text[i] - '0');
        if (seconds > kMaxSeconds) seconds = kMaxSeconds;
    }
    // A negative period means nothing to a timer; 0 leaves it stopped.
    if (negative) return 0;
    return static_cast<int>(seconds * 1000);
}

MainChoices LoadMainSettings(SettingsFile& settings, MainSettingsView& view,
                             std::string_view defaultServerHost) {
    MainChoices c;
    c.protocol = settings.ReadSetting(kProtocol);
    c.server = settings.ReadSetting(kServer);
    c.serverName = settings.ReadSetting(kServerName);
    c.lineMode = settings.ReadSetting(kLineMode);
    c.minimiseAfterConnect = settings.ReadSwitch(kMinimiseAfterConnect);
    const bool timedReconnect = settings.ReadSwitch(kTimedReconnect);
    const bool autoStart = settings.ReadSwitch(kAutoStart);
    const bool disableAdapter = settings.ReadSwitch(kDisableOnDrop);
    c.chosenAdapterName = settings.ReadSetting(kChosenAdapterName);
    c.disabledAdapterName = settings.ReadSetting(kDisabledAdapterName);
    const bool autoReconnect = settings.ReadSwitch(kAutoReconnect);

    if (disableAdapter) {
        view.TickSwitch(MainSwitch::DisableOnDrop);
        view.StartTimer(MainTimer::DisableOnDrop, kDisableOnDropIntervalMs);
    }
    if (autoStart) {
        view.TickSwitch(MainSwitch::AutoStart);
        view.RegisterAutoStart();
    }
    if (timedReconnect) {
        const std::string seconds = settings.ReadSetting(kReconnectInterval);
        view.SetReconnectSecondsField(seconds);
        view.TickSwitch(MainSwitch::TimedReconnect);
        view.StartTimer(MainTimer::TimedReconnect, ReconnectIntervalMs(seconds));
    }
    if (c.minimiseAfterConnect) view.TickSwitch(MainSwitch::MinimiseAfterConnect);
    if (autoReconnect) {
        view.TickSwitch(MainSwitch::AutoReconnect);
        view.StartTimer(MainTimer::AutoReconnect, kAutoReconnectIntervalMs);
    }

    if (c.protocol.empty()) c.protocol = kDefaultProtocol;
    if (c.server.empty()) {
        c.server = defaultServerHost;
        c.serverName = kDefaultServerName;
    }
    view.ShowServerName(c.serverName);
    if (c.lineMode.empty()) c.lineMode = kDefaultLineMode;
    if (c.lineMode == kStaticLineMode) c.protocol = kStaticProtocol;

    settings.WriteSetting(kProtocol, c.protocol);
    view.ShowProtocol(c.protocol);
    settings.WriteSetting(kLineMode, c.lineMode);
    view.ShowLineMode(c.lineMode);
    view.StartFetchingServerList(c.lineMode);
    return c;
}

}  // namespace xl::app
