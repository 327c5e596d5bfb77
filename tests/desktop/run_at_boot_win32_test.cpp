// The Run key and the Startup folder through the real calls (under Wine in
// CI): the value of a program whose path is Chinese, written and removed,
// and a Startup shortcut removed.
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "desktop/run_at_boot.h"

namespace xl::desktop {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ToGbk(const std::wstring& wide) {
    const int n = WideCharToMultiByte(936, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, 0, wide.c_str(), -1, gbk.data(), n, nullptr, nullptr);
    gbk.resize(gbk.size() - 1);
    return gbk;
}

std::optional<std::wstring> RunValue(const std::wstring& name) {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const LONG rc =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(data);
}

std::wstring StartupFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    // Created here: a fresh prefix has none yet.
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_STARTUP, TRUE)) return {};
    return folder;
}

bool Touch(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Win32RunAtBoot : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        program = std::wstring(temp) + L"岫澜IP测试.exe";
        ASSERT_TRUE(Touch(program));
        registry = MakePlatformStartupRegistry(ToGbk(program));
        if (!registry->SetRunValue("xl-probe", "x")) {
            GTEST_SKIP() << "the machine's Run key needs administrator rights";
        }
        registry->DeleteRunValue("xl-probe");
    }
    void TearDown() override {
        DeleteFileW(program.c_str());
        if (registry) registry->DeleteRunValue(ToGbk(L"岫澜IP测试.exe"));
    }

    std::wstring program;
    std::unique_ptr<StartupRegistry> registry;
};

TEST_F(Win32RunAtBoot, ValueOfAChinesePathWrittenThenValueAndShortcutRemoved) {
    RegisterRunAtBoot(*registry);
    EXPECT_EQ(RunValue(L"岫澜IP测试.exe"), program);

    const std::wstring folder = StartupFolder();
    ASSERT_FALSE(folder.empty());
    const std::wstring shortcut = folder + L"\\岫澜IP测试.exe.lnk";
    const std::wstring other = folder + L"\\其他.lnk";
    ASSERT_TRUE(Touch(shortcut));
    ASSERT_TRUE(Touch(other));
    UnregisterRunAtBoot(*registry);
    EXPECT_FALSE(RunValue(L"岫澜IP测试.exe").has_value());
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_TRUE(Exists(other));
    DeleteFileW(other.c_str());

    // Again, with nothing left to remove: quiet.
    UnregisterRunAtBoot(*registry);
    EXPECT_FALSE(RunValue(L"岫澜IP测试.exe").has_value());
}

TEST_F(Win32RunAtBoot, AMissingProgramIsNotRegistered) {
    ASSERT_TRUE(DeleteFileW(program.c_str()));
    RegisterRunAtBoot(*registry);
    EXPECT_FALSE(RunValue(L"岫澜IP测试.exe").has_value());
}

TEST_F(Win32RunAtBoot, TheRunningProgramRegistersItself) {
    const auto self = MakePlatformStartupRegistry();
    const std::string path = self->ProgramPath();
    const std::string name = ProgramFileName(path);
    ASSERT_EQ(name, "run_at_boot_win32_tests.exe") << path;
    RegisterRunAtBoot(*self);
    wchar_t module[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    EXPECT_EQ(RunValue(L"run_at_boot_win32_tests.exe"), std::wstring(module));
    UnregisterRunAtBoot(*self);
    EXPECT_FALSE(RunValue(L"run_at_boot_win32_tests.exe").has_value());
}

}  // namespace
}  // namespace xl::desktop
