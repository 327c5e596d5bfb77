#include "desktop/run_at_boot.h"

namespace xl::desktop {

namespace {

constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastLeadByte = 0xFE;

}  // namespace

std::string ProgramFileName(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte >= kFirstLeadByte && byte <= kLastLeadByte && i + 1 < path.size()) {
            ++i;  // the second byte of a character may be 0x5C, the backslash
            continue;
        }
        if (byte == '\\' || byte == '/') start = i + 1;
    }
    return std::string(path.substr(start));
}

void RegisterRunAtBoot(StartupRegistry& registry) {
    // The data is the full path: the program's folder, "\" and its file name.
    const std::string path = registry.ProgramPath();
    const std::string name = ProgramFileName(path);
    if (name.empty() || !registry.FileExists(path)) return;
    registry.SetRunValue(name, path);
}

void UnregisterRunAtBoot(StartupRegistry& registry) {
    const std::string name = ProgramFileName(registry.ProgramPath());
    if (name.empty()) return;
    registry.DeleteRunValue(name);
    registry.DeleteStartupShortcut(name + kShortcutExtension);
}

}  // namespace xl::desktop
