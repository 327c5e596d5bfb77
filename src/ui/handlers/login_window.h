#pragma once
// The login window's handlers: the two fields that keep the account and
// password (written to the settings file on every change), the two switches,
// the login itself and the progress sweep that hands over to the main window.
// User-interface thread only, but for the account check: it runs on a worker
// (SlowCalls), so the window answers meanwhile, and its outcome is shown when
// it comes back, unless the attempt was abandoned (a logout) or the window's
// handlers are gone (a quit). One attempt at a time: 登录 does nothing while
// one is under way.
#include <functional>
#include <string>

#include "api/log.h"
#include "api/login.h"
#include "app/login_settings.h"
#include "app/settings_file.h"
#include "ui/handlers/slow_calls.h"
#include "ui/window_system.h"

namespace xl::ui {

inline constexpr int kSweepTickMs = 1;
inline constexpr int kSweepStep = 5;
inline constexpr int kSweepParkedLeft = -500;
inline constexpr int kSweepEndLeft = -129;  // the bar is done once its left edge reaches this

class LoginWindow final : public app::LoginSettingsView {
  public:
    // The account check, run on a worker: it owns what it uses (see SlowCalls).
    using LoginCall = std::function<api::LoginOutcome()>;
    // Makes the account check of this account and password.
    using LoginRunner = std::function<LoginCall(const std::string&, const std::string&)>;

    // `log` is the program's: it hears of a check that failed on its worker.
    LoginWindow(WindowSystem& windows, api::ProgramLog& log, LoginRunner runLogin,
                std::function<void()> showMainWindow, std::function<void()> closeProgram);

    // Binds the handlers to the window's controls; call before it opens.
    void Bind();
    // The settings file of this run, known once the window is created.
    void UseSettings(app::SettingsFile& settings) { settings_ = &settings; }

    // Shows the field check's text at once and starts the account check.
    void Login();
    // The attempt under way will show nothing (a logout); 登录 works again.
    void AbandonLogin() { checks_.Drop(); }
    bool LoginUnderWay() const { return checks_.UnderWay(); }
    // Until every account check started so far has ended (tests).
    SlowCalls& AccountChecks() { return checks_; }
    void ToggleRememberPassword();
    void ToggleAutoLogin();
    void AccountChanged();
    void PasswordChanged();
    void SweepTick();

    const std::string& CurrentAccount() const { return currentAccount_; }
    const std::string& CurrentPassword() const { return currentPassword_; }
    const std::string& AccountExpiry() const { return accountExpiry_; }

    // LoginSettingsView
    void SetRememberSwitch(bool on) override;
    void SetAutoLoginSwitch(bool on) override;
    bool RememberSwitch() const override;
    bool AutoLoginSwitch() const override;
    void SetAccountField(std::string_view text) override;
    void SetPasswordField(std::string_view text) override;
    std::string AccountField() const override;
    std::string PasswordField() const override;
    void StartLogin() override { Login(); }

  private:
    Control& Get(std::string_view name) const;
    void ToggleSwitch(std::string_view box);
    void LoginAnswered(const api::LoginOutcome& outcome);

    WindowSystem& windows_;
    LoginRunner runLogin_;
    std::function<void()> showMainWindow_;
    std::function<void()> closeProgram_;
    app::SettingsFile* settings_ = nullptr;
    std::string currentAccount_;
    std::string currentPassword_;
    std::string accountExpiry_;
    SlowCalls checks_;
};

}  // namespace xl::ui
