#include "app/ini_file_store.h"

#include "app/ini_document.h"

namespace xl::app {
namespace {

class IniFileStore final : public SettingsStore {
  public:
    IniFileStore(std::string path, SettingsWriteLog log)
        : path_(std::move(path)), log_(std::move(log)) {}

    std::string Read(std::string_view section, std::string_view key) override {
        std::string bytes;
        if (!ReadWholeFile(path_, bytes)) return {};
        std::string value = IniDocument::Parse(bytes).Get(section, key);
        if (value.size() > kSettingReadBufferSize - 1) value.resize(kSettingReadBufferSize - 1);
        return value;
    }

    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        std::string bytes;
        ReadWholeFile(path_, bytes);
        IniDocument doc = IniDocument::Parse(bytes);
        doc.Set(section, key, value);
        if (const unsigned error = ReplaceWholeFile(path_, doc.Serialise()); error != 0 && log_) {
            log_(SettingsWriteFailureLine(section, key, error));
        }
    }

  private:
    std::string path_;
    SettingsWriteLog log_;
};

}  // namespace

std::unique_ptr<SettingsStore> MakeIniFileStore(std::string path, SettingsWriteLog log) {
    return std::make_unique<IniFileStore>(std::move(path), std::move(log));
}

}  // namespace xl::app
