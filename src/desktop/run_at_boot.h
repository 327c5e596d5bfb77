#pragma once
// Starting with the system: the machine's Run key holds a value named after
// the program's file whose data is its full path; switching the option off
// removes that value and a same-named shortcut an earlier registration may
// have left in the user's Startup folder. The registry and the shell sit
// behind a small port (the Windows one in the product, a folder stand-in on
// Linux). Runs on the user-interface thread; every failure is silent (no
// administrator rights, a missing file), as the switch shows the user's choice
// either way.
#include <memory>
#include <string>
#include <string_view>

namespace xl::desktop {

inline constexpr char kShortcutExtension[] = ".lnk";

class StartupRegistry {
  public:
    virtual ~StartupRegistry() = default;
    // The running program's full path, GBK; empty when unknown or when it
    // holds a character GBK lacks (it could not be handed back).
    virtual std::string ProgramPath() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The text value `name` = `data` in the machine's Run key
    // (Software\Microsoft\Windows\CurrentVersion\Run); false on any failure.
    virtual bool SetRunValue(const std::string& name, const std::string& data) = 0;
    virtual bool DeleteRunValue(const std::string& name) = 0;
    // Deletes `fileName` from the Startup folder and tells the shell; false
    // when nothing was deleted.
    virtual bool DeleteStartupShortcut(const std::string& fileName) = 0;
};

// The file name of a GBK path: what follows its last "\" or "/", never
// splitting a two-byte character whose second byte is "\".
std::string ProgramFileName(std::string_view path);

// The value for this program, when its file exists.
void RegisterRunAtBoot(StartupRegistry& registry);
// The value and the Startup shortcut of this program's file name.
void UnregisterRunAtBoot(StartupRegistry& registry);

// The registry and shell on Windows; on Linux a folder stand-in under the
// temporary directory. An empty `programPath` means the running program.
std::unique_ptr<StartupRegistry> MakePlatformStartupRegistry(std::string programPath = {});

}  // namespace xl::desktop
