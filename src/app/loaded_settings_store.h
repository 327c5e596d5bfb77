#pragma once
// What both settings stores share: the file is read whole once, when the store
// is made, and every read is answered from what it held (plus what was written
// since); each write is checked before the platform's store writes the item.
// A file that is not ours is moved aside and the run starts from defaults; a
// file that could not be read is never written during the run. Lines for the
// log go to the store's SettingsLog, never with a value. User-interface thread
// only.
#include <string>
#include <string_view>

#include "app/ini_document.h"
#include "app/settings_store.h"

namespace xl::app {

class LoadedSettingsStore : public SettingsStore {
  public:
    std::string Read(std::string_view section, std::string_view key) override;
    void Write(std::string_view section, std::string_view key, std::string_view value) final;

  protected:
    // Reads the file at `path`.
    LoadedSettingsStore(std::string path, SettingsLog log);

    // Writes one item into the file, which now holds `current` (read whole
    // just before; empty when the file is missing). Returns the system's
    // error number, 0 on success.
    virtual unsigned WriteItem(std::string_view section, std::string_view key,
                               std::string_view value, IniDocument& current) = 0;
    const std::string& Path() const { return path_; }

  private:
    void Load();
    void Log(const std::string& line) const;

    std::string path_;
    SettingsLog log_;
    IniDocument items_;
    // False after a start-up read that failed: a write then could replace
    // items this run never saw.
    bool writable_ = true;
};

// A text that cannot break an INI line: no CR, LF or NUL.
bool IsStorableSettingText(std::string_view text);

// At most `limit` bytes, never ending inside a GBK character.
std::string CutToWholeCharacters(std::string text, std::size_t limit);

}  // namespace xl::app
