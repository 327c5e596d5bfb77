#include "app/login_settings.h"

namespace xl::app {

void LoadLoginSettings(SettingsFile& settings, LoginSettingsView& view) {
    const std::string remember = settings.ReadSetting(kRememberPassword);
    if (!IsOn(remember)) {
        // Anything but "yes" leaves the account, password and auto-login unread.
        if (remember == kOff) view.SetRememberSwitch(false);
        return;
    }
    view.SetRememberSwitch(true);
    view.SetAccountField(settings.ReadSetting(kAccount));
    view.SetPasswordField(settings.ReadSetting(kPassword));
    if (settings.ReadSwitch(kAutoLogin)) {
        view.SetAutoLoginSwitch(true);
        view.StartLogin();
    }
}

void SaveLoginSettings(SettingsFile& settings, const LoginSettingsView& view) {
    settings.WriteSetting(kAccount, view.AccountField());
    settings.WriteSetting(kPassword, view.PasswordField());
    settings.WriteSwitch(kRememberPassword, view.RememberSwitch());
    settings.WriteSwitch(kAutoLogin, view.AutoLoginSwitch());
}

}  // namespace xl::app
