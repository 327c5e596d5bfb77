#pragma once
// The settings file is an INI file read and written item by item, the moment a
// choice changes. On Windows the operating system's private-profile functions
// do that; elsewhere our own store behaves the same for everything this
// program does. Both sit behind this port so the loaders can be tested with a
// recording fake and the two stores with one contract suite.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace xl::app {

// Each item is read into a buffer of this size, so longer values come back
// cut to 10,239 bytes.
inline constexpr std::size_t kSettingReadBufferSize = 10240;

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The item's text, or empty when the file, section or key is missing.
    virtual std::string Read(std::string_view section, std::string_view key) = 0;
    // Writes one item, creating the file and the section as needed. A failure
    // changes nothing the user sees; the platform stores report it to their log.
    virtual void Write(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// The user's temporary-files directory as the platform reports it, always
// ending in a path separator.
std::string TemporaryFilesDirectory();

// Where a store reports an item it could not write: the section and the key,
// never the value (it may be the password). For the program's log.
using SettingsWriteLog = std::function<void(const std::string& line)>;
std::string SettingsWriteFailureLine(std::string_view section, std::string_view key,
                                     unsigned systemError);

// The store of this platform for the file at `path` (GBK bytes).
std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsWriteLog log = {});

}  // namespace xl::app
