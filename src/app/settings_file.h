#pragma once
// The user's choices between runs: one INI item per setting, each in a
// section of its own named by a Chinese caption, read when a window is
// created and written the moment the user changes it.
#include <memory>
#include <string>
#include <string_view>

#include "app/program_name.h"
#include "app/settings_store.h"

namespace xl::app {

struct SettingKey {
    std::string_view section;
    std::string_view key;
};

inline constexpr SettingKey kRememberPassword{"记住密码", "JiZhu"};
inline constexpr SettingKey kAccount{"帐号", "User"};
inline constexpr SettingKey kPassword{"密码", "Password"};
inline constexpr SettingKey kAutoLogin{"自动登录", "AutoLogin"};
inline constexpr SettingKey kProtocol{"连接方式", "XieYi"};
inline constexpr SettingKey kServer{"服务器", "Server"};
inline constexpr SettingKey kServerName{"服务器名称", "ServerName"};
inline constexpr SettingKey kLineMode{"线路模式", "XianLu"};
inline constexpr SettingKey kMinimiseAfterConnect{"连接成功是否自动最小化", "Autozuixiaohua"};
inline constexpr SettingKey kTimedReconnect{"是否定时重连", "TimerReconnection"};
inline constexpr SettingKey kReconnectInterval{"定时重连秒数", "ReconnectionInterval"};
inline constexpr SettingKey kAutoStart{"是否开机启动", "AutoStart"};
inline constexpr SettingKey kDisableOnDrop{"是否掉线禁用网卡", "JingYongWangKa"};
inline constexpr SettingKey kChosenAdapterName{"掉线要禁用的网卡名称", "WangKaName"};
inline constexpr SettingKey kAutoReconnect{"掉线自动重连", "AutoReconnection"};
// The adapter a drop left disabled, empty once it is enabled again: netsh's
// change outlives the program, and the user may have chosen another since.
inline constexpr SettingKey kDisabledAdapterName{"掉线已禁用的网卡名称", "YiJinYongWangKa"};

// Every item the program keeps, in the order declared above.
inline constexpr SettingKey kAllSettingKeys[] = {
    kRememberPassword,   kAccount,           kPassword,
    kAutoLogin,          kProtocol,          kServer,
    kServerName,         kLineMode,          kMinimiseAfterConnect,
    kTimedReconnect,     kReconnectInterval, kAutoStart,
    kDisableOnDrop,      kChosenAdapterName, kAutoReconnect,
    kDisabledAdapterName};

inline constexpr std::string_view kSettingsFileName = "岫澜IP.INI";
// The settings file's own folder, where the platform gives it one.
inline constexpr std::string_view kSettingsFolderName = kProgramName;
// A switch's item is "yes" or "no"; only the exact text "yes" counts as on.
inline constexpr std::string_view kOn = "yes";
inline constexpr std::string_view kOff = "no";

inline bool IsOn(std::string_view value) {
    return value == kOn;
}

class SettingsFile {
  public:
    explicit SettingsFile(std::unique_ptr<SettingsStore> store) : store_(std::move(store)) {}

    // The file of this run: the settings folder plus the file name.
    static std::string PathIn(const std::string& folder) {
        return folder + std::string(kSettingsFileName);
    }

    std::string ReadSetting(std::string_view section, std::string_view key) {
        return store_->Read(section, key);
    }
    void WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
        store_->Write(section, key, Protected(value));
    }
    std::string ReadSetting(SettingKey k) { return ReadSetting(k.section, k.key); }
    void WriteSetting(SettingKey k, std::string_view value) {
        WriteSetting(k.section, k.key, value);
    }
    bool ReadSwitch(SettingKey k) { return IsOn(ReadSetting(k)); }
    void WriteSwitch(SettingKey k, bool on) { WriteSetting(k, on ? kOn : kOff); }

    // Reading an item trims its surrounding blanks and one pair of enclosing
    // quotes, so a password such as " pw " or "'pw'" would come back altered:
    // such a value is written inside a pair of quotes that reading removes.
    static std::string Protected(std::string_view value) {
        if (value.empty()) return {};
        const auto blank = [](char c) { return c == ' ' || c == '\t'; };
        const char first = value.front(), last = value.back();
        const bool quoted = value.size() >= 2 && first == last && (first == '"' || first == '\'');
        if (!blank(first) && !blank(last) && !quoted) return std::string(value);
        return '"' + std::string(value) + '"';
    }

  private:
    std::unique_ptr<SettingsStore> store_;
};

}  // namespace xl::app
