// Starting with the system: which value is written and removed for which
// program path (GBK paths whose characters end in a backslash byte included),
// and the Linux stand-in's folders.
#include "desktop/run_at_boot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include "desktop/folder_startup_registry.h"
#endif

namespace xl::desktop {
namespace {

// "誠" is 0xD5 0x5C in GBK: its second byte is a backslash.
constexpr const char* kBackslashTrail = "誠";

TEST(ProgramFileName, TakesWhatFollowsTheLastSeparator) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Program Files\\岫澜IP\\XiulanIP.exe", "XiulanIP.exe"},
        {"C:\\软件\\岫澜IP.exe", "岫澜IP.exe"},
        {std::string("C:\\") + kBackslashTrail + "\\岫澜IP.exe", "岫澜IP.exe"},
        {std::string("C:\\软件\\") + kBackslashTrail + ".exe",
         std::string(kBackslashTrail) + ".exe"},
        {std::string("D:\\") + kBackslashTrail, kBackslashTrail},
        {"/opt/xiulan/xiulan", "xiulan"},
        {"XiulanIP.exe", "XiulanIP.exe"},
        {"C:\\dir\\", ""},
        {"", ""},
        {"C:\\\xD5", "\xD5"},  // a lead byte at the very end stands alone
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(ProgramFileName(path), name) << path;
}

class RecordingRegistry : public StartupRegistry {
  public:
    std::string ProgramPath() override { return programPath; }
    bool FileExists(const std::string& path) override { return path == existingFile; }
    bool SetRunValue(const std::string& name, const std::string& data) override {
        calls.push_back("set " + name + " = " + data);
        return true;
    }
    bool DeleteRunValue(const std::string& name) override {
        calls.push_back("delete " + name);
        return false;
    }
    bool DeleteStartupShortcut(const std::string& fileName) override {
        calls.push_back("shortcut " + fileName);
        return false;
    }

    std::string programPath;
    std::string existingFile;
    std::vector<std::string> calls;
};

TEST(RunAtBoot, RegistersOnlyAnExistingProgramAndRemovesValueAndShortcut) {
    const std::string path = std::string("C:\\软件\\") + kBackslashTrail + "\\岫澜IP.exe";
    struct Case {
        const char* name;
        std::string programPath;
        std::string existingFile;
        std::vector<std::string> registerCalls;
        std::vector<std::string> unregisterCalls;
    };
    const Case cases[] = {
        {"file exists",
         path,
         path,
         {"set 岫澜IP.exe = " + path},
         {"delete 岫澜IP.exe", "shortcut 岫澜IP.exe.lnk"}},
        // Removal needs no file: a program moved away still cleans up.
        {"file missing", path, "", {}, {"delete 岫澜IP.exe", "shortcut 岫澜IP.exe.lnk"}},
        {"path unknown or not GBK", "", "", {}, {}},
        {"path names a folder", "C:\\软件\\", "C:\\软件\\", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingRegistry registry;
        registry.programPath = c.programPath;
        registry.existingFile = c.existingFile;
        RegisterRunAtBoot(registry);
        EXPECT_EQ(registry.calls, c.registerCalls);
        registry.calls.clear();
        UnregisterRunAtBoot(registry);
        EXPECT_EQ(registry.calls, c.unregisterCalls);
    }
}

TEST(FolderStartupRegistry, ValueWrittenThenValueAndShortcutRemoved) {
#ifdef _WIN32
    GTEST_SKIP()
        << "the folder stand-in is Linux's; Windows has the registry (run_at_boot_win32_tests)";
#else
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() /
        ("xl-run-at-boot-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path program = root / "bin" / "岫澜IP";
    fs::create_directories(program.parent_path());
    std::ofstream(program) << "#!";
    FolderStartupRegistry registry(root / "registry", program.string());

    RegisterRunAtBoot(registry);
    EXPECT_EQ(registry.RunValue("岫澜IP"), program.string());

    fs::create_directories(registry.StartupFolder());
    std::ofstream(registry.StartupFolder() / "岫澜IP.lnk") << "link";
    std::ofstream(registry.StartupFolder() / "other.lnk") << "link";
    UnregisterRunAtBoot(registry);
    EXPECT_FALSE(registry.RunValue("岫澜IP").has_value());
    EXPECT_FALSE(fs::exists(registry.StartupFolder() / "岫澜IP.lnk"));
    EXPECT_TRUE(fs::exists(registry.StartupFolder() / "other.lnk"));

    // Names that would leave their folder are refused.
    EXPECT_FALSE(registry.SetRunValue("../escape", "x"));
    EXPECT_FALSE(registry.SetRunValue("..", "x"));
    EXPECT_FALSE(fs::exists(root / "escape"));
    fs::remove_all(root);
#endif
}

}  // namespace
}  // namespace xl::desktop
