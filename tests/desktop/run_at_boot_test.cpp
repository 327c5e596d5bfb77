// Starting with the system: which value is written where, and removed, for
// which installed and running program (GBK paths whose characters end in a
// backslash byte included), and the Linux stand-in's folders.
#include "desktop/run_at_boot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <utility>
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

// Values per key; a refusing key refuses writes and removals as a key that
// cannot be opened for writing does (RegOpenKeyExW), and still lets them be read.
class RecordingRegistry : public StartupRegistry {
  public:
    std::string ProgramPath() override { return program; }
    std::string InstalledProgramPath() override { return installed; }
    bool FileExists(const std::string& path) override { return path == existingFile; }
    long SetRunValue(RunKey key, const std::string& name, const std::string& data) override {
        if (Refusal(key) != kRegistryDone) return Refusal(key);
        values[{key, name}] = data;
        return kRegistryDone;
    }
    std::optional<std::string> RunValue(RunKey key, const std::string& name) override {
        const auto found = values.find({key, name});
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    long DeleteRunValue(RunKey key, const std::string& name) override {
        if (Refusal(key) != kRegistryDone) return Refusal(key);
        return values.erase({key, name}) ? kRegistryDone : kNoSuchValue;
    }
    bool DeleteStartupShortcut(const std::string& fileName) override {
        shortcuts.push_back(fileName);
        return false;
    }

    std::string program, installed, existingFile;
    long machineRefusal = kRegistryDone, userRefusal = kRegistryDone;
    std::map<std::pair<RunKey, std::string>, std::string> values;
    std::vector<std::string> shortcuts;

  private:
    long Refusal(RunKey key) const { return key == RunKey::Machine ? machineRefusal : userRefusal; }
};

const std::string kInstalled = std::string("C:\\软件\\") + kBackslashTrail + "\\XiulanIP.exe";
const std::string kQuoted = "\"" + kInstalled + "\"";

TEST(RunAtBoot, RegistersTheInstalledProgramQuotedWhereWindowsTakesIt) {
    using Values = std::map<std::pair<RunKey, std::string>, std::string>;
    const std::pair<RunKey, std::string> machine{RunKey::Machine, "XiulanIP.exe"};
    const std::pair<RunKey, std::string> user{RunKey::User, "XiulanIP.exe"};
    struct Case {
        const char* what;
        std::string installed, existingFile;
        long machineRefusal;
        Values before;
        RunAtBootPlace place;
        Values after;
    };
    const Case cases[] = {
        {"machine's key; a user value beside it would start a second copy",
         kInstalled,
         kInstalled,
         0,
         {{user, kQuoted}},
         RunAtBootPlace::Machine,
         {{machine, kQuoted}}},
        {"machine's key refused: the user's",
         kInstalled,
         kInstalled,
         5,
         {},
         RunAtBootPlace::User,
         {{user, kQuoted}}},
        // Written unquoted by an earlier version, still the same program.
        {"machine's key refused but holding the program",
         kInstalled,
         kInstalled,
         5,
         {{machine, kInstalled}},
         RunAtBootPlace::Machine,
         {{machine, kInstalled}}},
        {"machine's key refused holding another program",
         kInstalled,
         kInstalled,
         5,
         {{machine, "C:\\Downloads\\XiulanIP.exe"}},
         RunAtBootPlace::User,
         {{machine, "C:\\Downloads\\XiulanIP.exe"}, {user, kQuoted}}},
        {"installed program missing", kInstalled, "", 0, {}, RunAtBootPlace::Nowhere, {}},
        {"no install location", "", "", 0, {}, RunAtBootPlace::Nowhere, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingRegistry registry;
        // The running copy is never what gets registered.
        registry.program = "C:\\Downloads\\XiulanIP.exe";
        registry.installed = c.installed;
        registry.existingFile = c.existingFile;
        registry.machineRefusal = c.machineRefusal;
        registry.values = c.before;
        EXPECT_EQ(RegisterRunAtBoot(registry).place, c.place);
        EXPECT_EQ(registry.values, c.after);
    }
}

TEST(RunAtBoot, RemovesTheValuesOfTheRunningAndTheInstalledNameFromBothKeys) {
    RecordingRegistry registry;
    registry.program = "C:\\Downloads\\XiulanIP (1).exe";
    registry.installed = kInstalled;
    for (const RunKey key : {RunKey::Machine, RunKey::User}) {
        registry.values[{key, "XiulanIP.exe"}] = kQuoted;
        registry.values[{key, "XiulanIP (1).exe"}] = "x";
    }
    registry.values[{RunKey::User, "other.exe"}] = "x";
    EXPECT_EQ(UnregisterRunAtBoot(registry).place, RunAtBootPlace::Nowhere);
    EXPECT_EQ(registry.values.size(), 1u);
    EXPECT_EQ(registry.shortcuts,
              (std::vector<std::string>{"XiulanIP (1).exe.lnk", "XiulanIP.exe.lnk"}));
}

TEST(FolderStartupRegistry, KeysAndStartupFolderAsFolders) {
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
    FolderStartupRegistry registry(root / "registry", {program.string(), program.string()});

    EXPECT_EQ(RegisterRunAtBoot(registry).place, RunAtBootPlace::Machine);
    EXPECT_EQ(registry.RunValue(RunKey::Machine, "岫澜IP"), "\"" + program.string() + "\"");
    EXPECT_EQ(registry.SetRunValue(RunKey::User, "岫澜IP", "x"), kRegistryDone);

    fs::create_directories(registry.StartupFolder());
    std::ofstream(registry.StartupFolder() / "岫澜IP.lnk") << "link";
    std::ofstream(registry.StartupFolder() / "other.lnk") << "link";
    EXPECT_EQ(UnregisterRunAtBoot(registry).place, RunAtBootPlace::Nowhere);
    EXPECT_FALSE(registry.RunValue(RunKey::Machine, "岫澜IP").has_value());
    EXPECT_FALSE(registry.RunValue(RunKey::User, "岫澜IP").has_value());
    EXPECT_EQ(registry.DeleteRunValue(RunKey::User, "岫澜IP"), kNoSuchValue);
    EXPECT_FALSE(fs::exists(registry.StartupFolder() / "岫澜IP.lnk"));
    EXPECT_TRUE(fs::exists(registry.StartupFolder() / "other.lnk"));

    // Names that would leave their folder are refused.
    EXPECT_NE(registry.SetRunValue(RunKey::Machine, "../escape", "x"), kRegistryDone);
    EXPECT_NE(registry.SetRunValue(RunKey::User, "..", "x"), kRegistryDone);
    EXPECT_FALSE(fs::exists(root / "registry" / "escape"));
    fs::remove_all(root);
#endif
}

}  // namespace
}  // namespace xl::desktop
