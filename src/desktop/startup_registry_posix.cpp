// Without a Windows registry the Run key and the Startup folder are plain
// folders (folder_startup_registry.h).
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

#include "desktop/folder_startup_registry.h"

namespace xl::desktop {

namespace {

namespace fs = std::filesystem;

// A name must stay one file inside its folder.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string RunningProgramPath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

}  // namespace

FolderStartupRegistry::FolderStartupRegistry(fs::path root, std::string programPath)
    : root_(std::move(root)), programPath_(std::move(programPath)) {}

bool FolderStartupRegistry::FileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool FolderStartupRegistry::SetRunValue(const std::string& name, const std::string& data) {
    if (!IsPlainFileName(name)) return false;
    std::error_code error;
    fs::create_directories(RunFolder(), error);
    if (error) return false;
    std::ofstream out(RunFolder() / name, std::ios::binary | std::ios::trunc);
    out << data;
    return static_cast<bool>(out.flush());
}

bool FolderStartupRegistry::DeleteRunValue(const std::string& name) {
    if (!IsPlainFileName(name)) return false;
    std::error_code error;
    return fs::remove(RunFolder() / name, error);
}

bool FolderStartupRegistry::DeleteStartupShortcut(const std::string& fileName) {
    if (!IsPlainFileName(fileName)) return false;
    std::error_code error;
    return fs::remove(StartupFolder() / fileName, error);
}

std::optional<std::string> FolderStartupRegistry::RunValue(const std::string& name) const {
    if (!IsPlainFileName(name)) return std::nullopt;
    std::ifstream in(RunFolder() / name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<StartupRegistry> MakePlatformStartupRegistry(std::string programPath) {
    std::error_code error;
    fs::path root = fs::temp_directory_path(error);
    if (error) root = "/tmp";
    if (programPath.empty()) programPath = RunningProgramPath();
    return std::make_unique<FolderStartupRegistry>(root / "xiulan-run-at-boot",
                                                   std::move(programPath));
}

}  // namespace xl::desktop
