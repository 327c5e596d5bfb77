// Without a Windows registry the Run keys and the Startup folder are plain
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

// The codes the registry gives for these cases.
constexpr long kGeneralFailure = 31;  // ERROR_GEN_FAILURE
constexpr long kInvalidName = 87;     // ERROR_INVALID_PARAMETER

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

// The system's code for a failed file operation: refusals as the registry
// answers them, anything else as a general failure.
long ErrorCode(const std::error_code& error) {
    if (error == std::errc::permission_denied) return kAccessDenied;
    if (error == std::errc::no_such_file_or_directory) return kNoSuchValue;
    return kGeneralFailure;
}

}  // namespace

FolderStartupRegistry::FolderStartupRegistry(fs::path root, StartupPaths paths)
    : root_(std::move(root)), paths_(std::move(paths)) {}

bool FolderStartupRegistry::FileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

long FolderStartupRegistry::SetRunValue(RunKey key, const std::string& name,
                                        const std::string& data) {
    if (!IsPlainFileName(name)) return kInvalidName;
    std::error_code error;
    fs::create_directories(RunFolder(key), error);
    if (error) return ErrorCode(error);
    const fs::path file = RunFolder(key) / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return access(RunFolder(key).c_str(), W_OK) != 0 ? kAccessDenied : kGeneralFailure;
    out << data;
    return out.flush() ? kRegistryDone : kGeneralFailure;
}

std::optional<std::string> FolderStartupRegistry::RunValue(RunKey key, const std::string& name) {
    if (!IsPlainFileName(name)) return std::nullopt;
    std::ifstream in(RunFolder(key) / name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long FolderStartupRegistry::DeleteRunValue(RunKey key, const std::string& name) {
    if (!IsPlainFileName(name)) return kInvalidName;
    std::error_code error;
    if (fs::remove(RunFolder(key) / name, error)) return kRegistryDone;
    return error ? ErrorCode(error) : kNoSuchValue;
}

bool FolderStartupRegistry::DeleteStartupShortcut(const std::string& fileName) {
    if (!IsPlainFileName(fileName)) return false;
    std::error_code error;
    return fs::remove(StartupFolder() / fileName, error);
}

std::unique_ptr<StartupRegistry> MakePlatformStartupRegistry(StartupPaths paths) {
    std::error_code error;
    fs::path root = fs::temp_directory_path(error);
    if (error) root = "/tmp";
    if (paths.program.empty()) paths.program = RunningProgramPath();
    // No setup here: the program counts as installed where it is.
    if (paths.installed.empty()) paths.installed = paths.program;
    return std::make_unique<FolderStartupRegistry>(root / "xiulan-run-at-boot", std::move(paths));
}

}  // namespace xl::desktop
