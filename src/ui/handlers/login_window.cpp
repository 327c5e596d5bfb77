#include "ui/handlers/login_window.h"

#include "ui/handlers/check_box.h"

namespace xl::ui {
namespace {

constexpr char kAccountField[] = "编辑框_帐号";
constexpr char kPasswordField[] = "编辑框_密码";
constexpr char kRememberBox[] = "图片框_记住密码";
constexpr char kAutoLoginBox[] = "图片框_自动登录";
constexpr char kLoginButton[] = "超级按钮_登录";
constexpr char kStatusLabel[] = "透明标签_登录状态";
constexpr char kSweepBar[] = "图片框1";
constexpr char kSweepTimer[] = "时钟1";

}  // namespace

LoginWindow::LoginWindow(WindowSystem& windows, api::ProgramLog& log, LoginRunner runLogin,
                         std::function<void()> showMainWindow, std::function<void()> closeProgram)
    : windows_(windows),
      runLogin_(std::move(runLogin)),
      showMainWindow_(std::move(showMainWindow)),
      closeProgram_(std::move(closeProgram)),
      checks_(windows, log, "登录") {}

void LoginWindow::Bind() {
    const WindowId w = WindowId::Login;
    windows_.OnClick(w, kLoginButton, [this] { Login(); });
    windows_.OnClick(w, "透明标签_记住密码", [this] { ToggleRememberPassword(); });
    windows_.OnClick(w, "透明标签_自动登录", [this] { ToggleAutoLogin(); });
    windows_.OnTextChange(w, kAccountField, [this] { AccountChanged(); });
    windows_.OnTextChange(w, kPasswordField, [this] { PasswordChanged(); });
    // Enter in the password field is a click on 登录, and does nothing when a
    // click would not (the button disabled).
    windows_.OnEnter(w, kPasswordField, [this] { windows_.Press(WindowId::Login, kLoginButton); });
    windows_.OnTick(w, kSweepTimer, [this] { SweepTick(); });
    windows_.OnClick(w, "透明标签_关闭", [this] { closeProgram_(); });
}

Control& LoginWindow::Get(std::string_view name) const {
    // The catalogue guarantees these controls; a missing one is a programming error.
    return *windows_.Find(WindowId::Login, name);
}

void LoginWindow::Login() {
    if (checks_.UnderWay()) return;
    const api::LoginFieldCheck fields = api::CheckLoginFields(currentAccount_, currentPassword_);
    if (fields.statusText) Get(kStatusLabel).SetCaption(*fields.statusText);
    if (!fields.goesOn) return;
    // A check that failed on its worker shows as a service that did not answer.
    checks_.Run<api::LoginOutcome>(
        runLogin_(currentAccount_, currentPassword_),
        [this](const api::LoginOutcome& outcome) { LoginAnswered(outcome); },
        api::LoginOutcome{.statusText = std::string(), .reply = {}});
}

void LoginWindow::LoginAnswered(const api::LoginOutcome& outcome) {
    if (outcome.statusText) Get(kStatusLabel).SetCaption(*outcome.statusText);
    if (!outcome.Succeeded()) return;
    accountExpiry_ = outcome.reply->expiry;
    Get(kLoginButton).SetEnabled(false);
    Get(kSweepTimer).SetInterval(kSweepTickMs);
}

void LoginWindow::SweepTick() {
    Control& bar = Get(kSweepBar);
    bar.MoveTo(bar.position().left + kSweepStep, bar.position().top);
    if (bar.position().left < kSweepEndLeft) return;
    Get(kSweepTimer).SetInterval(0);
    showMainWindow_();
    windows_.Open(WindowId::Login).Hide();
    Get(kLoginButton).SetEnabled(true);
    bar.MoveTo(kSweepParkedLeft, bar.position().top);
}

void LoginWindow::ToggleSwitch(std::string_view box) {
    SetCheckBox(Get(box), !CheckBoxOn(Get(box)));
    if (settings_ != nullptr) app::SaveLoginSettings(*settings_, *this);
}

void LoginWindow::ToggleRememberPassword() {
    ToggleSwitch(kRememberBox);
}
void LoginWindow::ToggleAutoLogin() {
    ToggleSwitch(kAutoLoginBox);
}

void LoginWindow::AccountChanged() {
    currentAccount_ = Get(kAccountField).caption();
    if (settings_ != nullptr) settings_->WriteSetting(app::kAccount, currentAccount_);
}

void LoginWindow::PasswordChanged() {
    currentPassword_ = Get(kPasswordField).caption();
    if (settings_ != nullptr) settings_->WriteSetting(app::kPassword, currentPassword_);
}

void LoginWindow::SetRememberSwitch(bool on) {
    SetCheckBox(Get(kRememberBox), on);
}
void LoginWindow::SetAutoLoginSwitch(bool on) {
    SetCheckBox(Get(kAutoLoginBox), on);
}
bool LoginWindow::RememberSwitch() const {
    return CheckBoxOn(Get(kRememberBox));
}
bool LoginWindow::AutoLoginSwitch() const {
    return CheckBoxOn(Get(kAutoLoginBox));
}
void LoginWindow::SetAccountField(std::string_view text) {
    Get(kAccountField).SetCaption(std::string(text));
}
void LoginWindow::SetPasswordField(std::string_view text) {
    Get(kPasswordField).SetCaption(std::string(text));
}
std::string LoginWindow::AccountField() const {
    return Get(kAccountField).caption();
}
std::string LoginWindow::PasswordField() const {
    return Get(kPasswordField).caption();
}

}  // namespace xl::ui
