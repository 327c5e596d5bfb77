// A settings item that cannot be written is reported to the log, by section
// and key, never with its value; the program goes on either way.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "app/settings_store.h"

namespace xl::app {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

TEST(SettingsWriteLog, AFailedWriteLeavesSectionAndKeyButNotTheValue) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string path = TemporaryFilesDirectory() + "xl-no-such-folder-" +
                             std::to_string(stamp) + kSeparator + "岫澜IP.INI";
    std::vector<std::string> lines;
    SettingsFile settings(
        MakeSettingsStore(path, [&](const std::string& l) { lines.push_back(l); }));
    settings.WriteSetting(kPassword, "pa55-口令");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("设置写入失败: [密码] Password, 错误 ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].find("pa55"), std::string::npos);
    EXPECT_EQ(settings.ReadSetting(kPassword), "");
}

TEST(SettingsWriteLog, AWriteThatWorksLeavesNothing) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string path =
        TemporaryFilesDirectory() + "xl-write-log-" + std::to_string(stamp) + ".INI";
    std::vector<std::string> lines;
    SettingsFile settings(
        MakeSettingsStore(path, [&](const std::string& l) { lines.push_back(l); }));
    settings.WriteSetting(kAccount, "demo");
    EXPECT_EQ(settings.ReadSetting(kAccount), "demo");
    EXPECT_TRUE(lines.empty());
    std::remove(path.c_str());
}

}  // namespace
}  // namespace xl::app
