#pragma once
// In-memory settings store and recording views for the loaders' tests.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/login_settings.h"
#include "app/main_settings.h"

namespace xl::test {

class MemoryStore final : public app::SettingsStore {
  public:
    using Items = std::map<std::pair<std::string, std::string>, std::string>;
    explicit MemoryStore(Items* items, std::vector<std::string>* log) : items_(items), log_(log) {}
    std::string Read(std::string_view section, std::string_view key) override {
        log_->push_back("read " + std::string(key));
        auto it = items_->find({std::string(section), std::string(key)});
        return it == items_->end() ? std::string() : it->second;
    }
    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        log_->push_back("write " + std::string(key) + "=" + std::string(value));
        (*items_)[{std::string(section), std::string(key)}] = std::string(value);
    }

  private:
    Items* items_;
    std::vector<std::string>* log_;
};

class RecordingLoginView final : public app::LoginSettingsView {
  public:
    bool remember = false, autoLogin = false;
    std::string account, password;
    std::vector<std::string> calls;
    void SetRememberSwitch(bool on) override {
        remember = on;
        calls.push_back(on ? "remember on" : "remember off");
    }
    void SetAutoLoginSwitch(bool on) override {
        autoLogin = on;
        calls.push_back(on ? "autologin on" : "autologin off");
    }
    bool RememberSwitch() const override { return remember; }
    bool AutoLoginSwitch() const override { return autoLogin; }
    void SetAccountField(std::string_view t) override {
        account = t;
        calls.push_back("account " + account);
    }
    void SetPasswordField(std::string_view t) override {
        password = t;
        calls.push_back("password " + password);
    }
    std::string AccountField() const override { return account; }
    std::string PasswordField() const override { return password; }
    void StartLogin() override { calls.push_back("login"); }
};

class RecordingMainView final : public app::MainSettingsView {
  public:
    std::vector<std::string> calls;
    void TickSwitch(app::MainSwitch w) override {
        calls.push_back("tick " + std::to_string(static_cast<int>(w)));
    }
    void StartTimer(app::MainTimer w, int ms) override {
        calls.push_back("timer " + std::to_string(static_cast<int>(w)) + " " + std::to_string(ms));
    }
    void RegisterAutoStart() override { calls.push_back("autostart"); }
    void SetReconnectSecondsField(std::string_view t) override {
        calls.push_back("seconds " + std::string(t));
    }
    void ShowServerName(std::string_view n) override {
        calls.push_back("server " + std::string(n));
    }
    void ShowProtocol(std::string_view p) override {
        calls.push_back("protocol " + std::string(p));
    }
    void ShowLineMode(std::string_view m) override { calls.push_back("mode " + std::string(m)); }
    void StartFetchingServerList(std::string_view m) override {
        calls.push_back("fetch " + std::string(m));
    }
};

}  // namespace xl::test
