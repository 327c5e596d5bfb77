#pragma once
// Starting with the system. A Run value named after the installed program's
// file holds that program's full path, quoted: the path of the install
// location the setup recorded, never the path of the copy that happens to
// run, so a copy started from a download folder as administrator does not
// register itself for every user. The value goes into the machine's Run key;
// where Windows refuses that (a program not run as administrator), into the
// current user's, which starts the program for this user just the same.
// Switching the option off removes the value from both keys and a same-named
// shortcut an earlier registration may have left in the user's Startup
// folder. The registry and the shell sit behind a small port (the Windows one
// in the product, a folder stand-in on Linux). Runs on the user-interface
// thread; every outcome comes back as a value saying where the program is
// registered and why not elsewhere, for the switch and the log.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace xl::desktop {

inline constexpr char kShortcutExtension[] = ".lnk";
// The system's error codes, as the registry calls give them.
inline constexpr long kRegistryDone = 0;
inline constexpr long kNoSuchValue = 2;   // ERROR_FILE_NOT_FOUND
inline constexpr long kAccessDenied = 5;  // ERROR_ACCESS_DENIED

// Software\Microsoft\Windows\CurrentVersion\Run of the machine or of the
// current user.
enum class RunKey { Machine, User };

class StartupRegistry {
  public:
    virtual ~StartupRegistry() = default;
    // The running program's full path, GBK; empty when unknown or when it
    // holds a character GBK lacks (it could not be handed back).
    virtual std::string ProgramPath() = 0;
    // The installed program's full path, GBK: the install location the setup
    // recorded and the file name it gives the program; empty when no setup
    // recorded one.
    virtual std::string InstalledProgramPath() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The text value `name` = `data`: kRegistryDone, or the system's error code.
    virtual long SetRunValue(RunKey key, const std::string& name, const std::string& data) = 0;
    virtual std::optional<std::string> RunValue(RunKey key, const std::string& name) = 0;
    // kRegistryDone, kNoSuchValue when none was there, or the error code.
    virtual long DeleteRunValue(RunKey key, const std::string& name) = 0;
    // Deletes `fileName` from the Startup folder and tells the shell; false
    // when nothing was deleted.
    virtual bool DeleteStartupShortcut(const std::string& fileName) = 0;
};

// The file name of a GBK path: what follows its last "\" or "/", never
// splitting a two-byte character whose second byte is "\".
std::string ProgramFileName(std::string_view path);

// Where a Run value starts the program after a registration or a removal.
enum class RunAtBootPlace { Nowhere, Machine, User };

struct RunAtBootState {
    RunAtBootPlace place = RunAtBootPlace::Nowhere;
    std::string installedPath;  // empty when no setup recorded one
    bool installedFound = false;
    // The error code each key answered a refused write or removal with (0: none).
    long machineError = kRegistryDone;
    long userError = kRegistryDone;

    bool Registered() const { return place != RunAtBootPlace::Nowhere; }
};

// The installed program's value, in the machine's key or else the user's.
RunAtBootState RegisterRunAtBoot(StartupRegistry& registry);
// The values of the running and the installed program's file names from both
// keys, and their Startup shortcuts.
RunAtBootState UnregisterRunAtBoot(StartupRegistry& registry);

// The log line of an outcome: where the program is registered, or why not.
std::string RunAtBootLogLine(bool turningOn, const RunAtBootState& state);

// The registry and shell on Windows; on Linux a folder stand-in under the
// temporary directory. Empty paths mean the running and the installed
// program; tests give others.
struct StartupPaths {
    std::string program;
    std::string installed;
};
std::unique_ptr<StartupRegistry> MakePlatformStartupRegistry(StartupPaths paths = {});

}  // namespace xl::desktop
