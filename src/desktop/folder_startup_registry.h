#pragma once
// The Linux stand-in for the Run key and the Startup folder: a folder holding
// "Run/<name>" files (their text is the value's data) and a "Startup" folder.
// Tests choose the folder and read it back. Not thread-safe; one user at a time.
#include <filesystem>
#include <optional>
#include <string>

#include "desktop/run_at_boot.h"

namespace xl::desktop {

class FolderStartupRegistry final : public StartupRegistry {
  public:
    FolderStartupRegistry(std::filesystem::path root, std::string programPath);

    std::string ProgramPath() override { return programPath_; }
    bool FileExists(const std::string& path) override;
    bool SetRunValue(const std::string& name, const std::string& data) override;
    bool DeleteRunValue(const std::string& name) override;
    bool DeleteStartupShortcut(const std::string& fileName) override;

    // The data of a Run value, if it is there.
    std::optional<std::string> RunValue(const std::string& name) const;
    std::filesystem::path StartupFolder() const { return root_ / "Startup"; }

  private:
    std::filesystem::path RunFolder() const { return root_ / "Run"; }

    std::filesystem::path root_;
    std::string programPath_;
};

}  // namespace xl::desktop
