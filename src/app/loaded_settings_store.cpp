#include "app/loaded_settings_store.h"

#include "app/settings_disk.h"
#include "app/settings_load.h"

namespace xl::app {
namespace {

bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

std::string WhyNotOurs(SettingsFileState state) {
    if (state != SettingsFileState::TooLarge) return "含空字符";
    return "超过 " + std::to_string(kSettingsFileLimitBytes / (1024 * 1024)) + " MB";
}

// "[section] key", the way every settings line names an item.
std::string ItemName(std::string_view section, std::string_view key) {
    std::string name = "[";
    return name.append(section).append("] ").append(key);
}

}  // namespace

bool IsStorableSettingText(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string CutToWholeCharacters(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = IsGbkLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    text.resize(end);
    return text;
}

LoadedSettingsStore::LoadedSettingsStore(std::string path, SettingsLog log)
    : path_(std::move(path)), log_(std::move(log)) {
    Load();
}

void LoadedSettingsStore::Log(const std::string& line) const {
    if (log_) log_(line);
}

void LoadedSettingsStore::Load() {
    SettingsFileContent content = ReadSettingsFile(path_);
    switch (content.state) {
        case SettingsFileState::Missing:
            return;
        case SettingsFileState::Ours:
            items_ = std::move(content.document);
            return;
        case SettingsFileState::Unreadable:
            writable_ = false;
            Log("设置文件读取失败: " + path_ + ", 错误 " + std::to_string(content.error) +
                "; 本次使用默认设置, 不写入设置文件");
            return;
        case SettingsFileState::TooLarge:
        case SettingsFileState::NotOurs: {
            const std::string aside = SetAsidePath(path_);
            const std::string why =
                "设置文件" + WhyNotOurs(content.state) + ", 不是本程序的设置: " + path_;
            if (const unsigned error = MoveFileReplacing(path_, aside); error != 0) {
                writable_ = false;
                Log(why + "; 另存为 " + aside + " 失败, 错误 " + std::to_string(error) +
                    "; 本次使用默认设置, 不写入设置文件");
            } else {
                Log(why + "; 已另存为 " + aside + ", 使用默认设置");
            }
            return;
        }
    }
}

std::string LoadedSettingsStore::Read(std::string_view section, std::string_view key) {
    return CutToWholeCharacters(items_.Get(section, key), kSettingReadBufferSize - 1);
}

void LoadedSettingsStore::Write(std::string_view section, std::string_view key,
                                std::string_view value) {
    if (!IsStorableSettingText(section) || !IsStorableSettingText(key) ||
        !IsStorableSettingText(value)) {
        Log("设置未写入: " + ItemName(section, key) + ", 含换行或空字符");
        return;
    }
    if (!writable_) return;  // said once, at the start
    // The file as it is now: someone may have changed or damaged it meanwhile.
    SettingsFileContent now = ReadSettingsFile(path_);
    if (now.state == SettingsFileState::Unreadable) {
        Log(SettingsWriteFailureLine(section, key, now.error));
        return;
    }
    if (now.state == SettingsFileState::TooLarge || now.state == SettingsFileState::NotOurs) {
        Log("设置写入失败: " + ItemName(section, key) + ", 设置文件" + WhyNotOurs(now.state));
        return;
    }
    if (const unsigned error = WriteItem(section, key, value, now.document); error != 0) {
        Log(SettingsWriteFailureLine(section, key, error));
        return;
    }
    items_.Set(section, key, value);
}

}  // namespace xl::app
