#pragma once
// The settings file is an INI file, read whole once when the store is made and
// then written item by item, the moment a choice changes. On Windows the
// operating system's private-profile functions write it; elsewhere our own
// store behaves the same for everything this program does. Both sit behind
// this port so the loaders can be tested with a recording fake and the two
// stores with one contract suite. User-interface thread only.
//
// Both stores keep the file safe from what they are handed and from what they
// find: a key or value holding CR, LF or NUL is never written (it could start
// a section of its own); a file that cannot be read whole is never written
// during the run; a file that is not ours is kept aside and the run starts
// from the defaults. Each of these leaves a log line, never with a value.
#include <functional>
#include <memory>
#include <optional>
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

// The folder of the settings file and the log, always ending in a path
// separator, created when missing: on Windows "岫澜IP" in the user's roaming
// application data (where clean-up tools do not reach); elsewhere the
// temporary-files directory stands in. Nothing when the folder cannot be
// named or made.
std::optional<std::string> SettingsFolder();

// Where a store reports what it could not read or write: the section and the
// key, never the value (it may be the password). For the program's log.
using SettingsLog = std::function<void(const std::string& line)>;
std::string SettingsWriteFailureLine(std::string_view section, std::string_view key,
                                     unsigned systemError);

// The store of this platform for the file at `path` (GBK bytes); the file is
// read here, once.
std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsLog log = {});

}  // namespace xl::app
