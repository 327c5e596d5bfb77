// The settings store of the product: the operating system's private-profile
// functions, GBK bytes throughout (the A functions).
#include <windows.h>

#include <vector>

#include "app/settings_store.h"

namespace xl::app {
namespace {

class PrivateProfileStore final : public SettingsStore {
  public:
    PrivateProfileStore(std::string path, SettingsWriteLog log)
        : path_(std::move(path)), log_(std::move(log)) {}

    std::string Read(std::string_view section, std::string_view key) override {
        std::vector<char> buffer(kSettingReadBufferSize, '\0');
        const DWORD n = GetPrivateProfileStringA(std::string(section).c_str(),
                                                 std::string(key).c_str(), "", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), path_.c_str());
        return std::string(buffer.data(), n);
    }

    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        if (!WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                        std::string(value).c_str(), path_.c_str()) &&
            log_) {
            log_(SettingsWriteFailureLine(section, key, GetLastError()));
        }
    }

  private:
    std::string path_;
    SettingsWriteLog log_;
};

}  // namespace

std::string TemporaryFilesDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof buffer, buffer);
    std::string dir(buffer, n <= MAX_PATH ? n : 0);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsWriteLog log) {
    return std::make_unique<PrivateProfileStore>(std::move(path), std::move(log));
}

}  // namespace xl::app
