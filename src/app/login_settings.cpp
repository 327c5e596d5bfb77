#include "app/login_settings.h"

namespace xl::app {

void LoadLoginSettings(SettingsFile& settings, LoginSettingsView& view) {
    const std::string remember = settings.ReadSetting(kRememberPassword);
    if (!IsOn(remember)) {
        // Anything but "yes" leaves the account, password and auto-login unread.
        if (remember == kOff) view.SetRememberSwitch(kOff);
        return;
    }
    view.SetRememberSwitch(kOn);
    view.SetAccountField(settings.ReadSetting(kAccount));
    view.SetPasswordField(settings.ReadSetting(kPassword));
    if (IsOn(settings.ReadSetting(kAutoLogin))) {
        view.SetAutoLoginSwitch(kOn);
        view.StartLogin();
    }
}

void SaveLoginSettings(SettingsFile& settings, const LoginSettingsView& view) {
    settings.WriteSetting(kAccount, view.AccountField());
    settings.WriteSetting(kPassword, view.PasswordField());
    settings.WriteSetting(kRememberPassword, view.RememberSwitch());
    settings.WriteSetting(kAutoLogin, view.AutoLoginSwitch());
}

}  // namespace xl::app
