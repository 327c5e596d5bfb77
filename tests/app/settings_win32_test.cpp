// The settings file on Windows, whatever the system's ANSI code page: it is
// called "岫澜IP.INI" in a folder of its own, its bytes are GBK, and the file an
// earlier version left under the name its GBK bytes spell in another code page
// is carried over once. Each test works in a folder of its own under the
// temporary folder.
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/settings_file.h"
#include "app/settings_store.h"
#include "gbk/code_page.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

class OwnFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = TemporaryFilesDirectory() + "xl-settings-" +
                  std::to_string(GetCurrentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        ASSERT_TRUE(CreateDirectoryW(win32::Widen(folder_).c_str(), nullptr));
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(win32::Widen(folder_)), ignored);
    }
    // The bytes of a file named in UTF-16.
    static std::string Bytes(const std::wstring& path) {
        const win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
        std::string bytes;
        char buffer[4096];
        DWORD n = 0;
        while (file && ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) {
            bytes.append(buffer, n);
        }
        return bytes;
    }
    std::string folder_;
};

TEST_F(OwnFolder, TheFileIsNamedInChineseAndHoldsGbkBytes) {
    SettingsFile settings(MakeSettingsStore(SettingsFile::PathIn(folder_)));
    settings.WriteSetting(kRememberPassword, "yes");
    settings.WriteSetting(kChosenAdapterName, "本地连接");
    const std::wstring file = win32::Widen(folder_) + L"岫澜IP.INI";
    EXPECT_EQ(Bytes(file),
              "[记住密码]\r\nJiZhu=yes\r\n[掉线要禁用的网卡名称]\r\nWangKaName=本地连接\r\n");
    // The next start finds it again.
    SettingsFile again(MakeSettingsStore(SettingsFile::PathIn(folder_)));
    EXPECT_EQ(again.ReadSetting(kChosenAdapterName), "本地连接");
}

TEST_F(OwnFolder, AnEarlierVersionsFileIsCarriedOverOnce) {
    if (GetACP() == gbk::kCodePage) {
        GTEST_SKIP() << "on code page 936 the earlier version's file has the same name";
    }
    // What an earlier version did: GBK path and texts through the ANSI
    // functions, in the temporary folder; the file may also lie in ours.
    for (const std::string& earlierFolder : {folder_, TemporaryFilesDirectory()}) {
        const std::string earlierPath =
            win32::NarrowAnsi(win32::Widen(earlierFolder)) + "岫澜IP.INI";
        WritePrivateProfileStringA("记住密码", "JiZhu", "yes", earlierPath.c_str());
        WritePrivateProfileStringA("帐号", "User", "张三", earlierPath.c_str());
        WritePrivateProfileStringA("密码", "Password", "\" 秘密 \"", earlierPath.c_str());
        const std::wstring current = win32::Widen(folder_) + L"岫澜IP.INI";
        DeleteFileW(current.c_str());

        SettingsFile settings(MakeSettingsStore(SettingsFile::PathIn(folder_)));
        EXPECT_EQ(settings.ReadSetting(kRememberPassword), "yes") << earlierFolder;
        EXPECT_EQ(settings.ReadSetting(kAccount), "张三");
        EXPECT_EQ(settings.ReadSetting(kPassword), " 秘密 ");
        EXPECT_EQ(settings.ReadSetting(kAutoLogin), "");

        // Once: later changes of the earlier file are not read again.
        WritePrivateProfileStringA("帐号", "User", "李四", earlierPath.c_str());
        SettingsFile again(MakeSettingsStore(SettingsFile::PathIn(folder_)));
        EXPECT_EQ(again.ReadSetting(kAccount), "张三");
        DeleteFileA(earlierPath.c_str());
    }
}

// Clean-up tools empty the temporary folder; the roaming application data
// stays, and follows the user to other machines of the domain.
TEST(SettingsFolder, IsOurFolderInTheRoamingApplicationData) {
    wchar_t appData[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
    const std::wstring expected = std::wstring(appData) + L"\\岫澜IP\\";
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(expected), ignored);  // when empty: made again

    const std::optional<std::string> folder = SettingsFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(win32::Widen(*folder), expected);
    const DWORD attributes = GetFileAttributesW(expected.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(SettingsFolder(), folder);  // the second time it is found
}

TEST(SettingsTemporaryFolder, EndsInABackslashAndExists) {
    const std::string folder = TemporaryFilesDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    const DWORD attributes = GetFileAttributesW(win32::Widen(folder).c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace xl::app
