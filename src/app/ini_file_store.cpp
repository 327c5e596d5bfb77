#include "app/ini_file_store.h"

#include "app/loaded_settings_store.h"
#include "app/settings_disk.h"

namespace xl::app {
namespace {

class IniFileStore final : public LoadedSettingsStore {
  public:
    IniFileStore(std::string path, SettingsLog log)
        : LoadedSettingsStore(std::move(path), std::move(log)) {}

  private:
    unsigned WriteItem(std::string_view section, std::string_view key, std::string_view value,
                       IniDocument& current) override {
        current.Set(section, key, value);
        return ReplaceWholeFile(Path(), current.Serialise());
    }
};

}  // namespace

std::unique_ptr<SettingsStore> MakeIniFileStore(std::string path, SettingsLog log) {
    return std::make_unique<IniFileStore>(std::move(path), std::move(log));
}

}  // namespace xl::app
