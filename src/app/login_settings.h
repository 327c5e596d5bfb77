#pragma once
// Loading and saving what the login window remembers: the remember and
// auto-login switches, the account and the password. The window itself comes
// later; these functions see it only through the narrow view below.
#include <string>
#include <string_view>

#include "app/settings_file.h"

namespace xl::app {

class LoginSettingsView {
  public:
    virtual ~LoginSettingsView() = default;
    // The remember and auto-login switches, ticked (on) or not.
    virtual void SetRememberSwitch(bool on) = 0;
    virtual void SetAutoLoginSwitch(bool on) = 0;
    virtual bool RememberSwitch() const = 0;
    virtual bool AutoLoginSwitch() const = 0;
    virtual void SetAccountField(std::string_view text) = 0;
    virtual void SetPasswordField(std::string_view text) = 0;
    virtual std::string AccountField() const = 0;
    virtual std::string PasswordField() const = 0;
    // Starts the login exactly as a click on the login button does.
    virtual void StartLogin() = 0;
};

void LoadLoginSettings(SettingsFile& settings, LoginSettingsView& view);
void SaveLoginSettings(SettingsFile& settings, const LoginSettingsView& view);

}  // namespace xl::app
