#pragma once
// The Linux stand-in for the two Run keys and the Startup folder: a folder
// holding "Run/<name>" (the machine's key) and "UserRun/<name>" (the current
// user's) files whose text is the value's data, and a "Startup" folder. A key
// whose folder may not be written refuses as Windows does, with the access-
// denied code. Tests choose the folder and read it back. Not thread-safe; one
// user at a time.
#include <filesystem>
#include <optional>
#include <string>

#include "desktop/run_at_boot.h"

namespace xl::desktop {

class FolderStartupRegistry final : public StartupRegistry {
  public:
    FolderStartupRegistry(std::filesystem::path root, StartupPaths paths);

    std::string ProgramPath() override { return paths_.program; }
    std::string InstalledProgramPath() override { return paths_.installed; }
    bool FileExists(const std::string& path) override;
    long SetRunValue(RunKey key, const std::string& name, const std::string& data) override;
    std::optional<std::string> RunValue(RunKey key, const std::string& name) override;
    long DeleteRunValue(RunKey key, const std::string& name) override;
    bool DeleteStartupShortcut(const std::string& fileName) override;

    std::filesystem::path RunFolder(RunKey key) const {
        return root_ / (key == RunKey::Machine ? "Run" : "UserRun");
    }
    std::filesystem::path StartupFolder() const { return root_ / "Startup"; }

  private:
    std::filesystem::path root_;
    StartupPaths paths_;
};

}  // namespace xl::desktop
