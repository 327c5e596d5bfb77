// The Run keys and the Startup folder through the real calls (under Wine in
// CI): the quoted value of a program whose path is Chinese, written and
// removed; the user's key when the machine's refuses, and neither when both
// do; a Startup shortcut removed. (The installed path read from the setup's
// record is the installer test's: the installed client registers it.)
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/run_at_boot.h"
#include "win32/text.h"

namespace xl::desktop {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kName[] = L"岫澜IP测试.exe";

std::optional<std::wstring> ReadText(HKEY root, const wchar_t* path, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    const LONG rc =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(data);
}

std::optional<std::wstring> RunValue(HKEY root) {
    return ReadText(root, kRunKey, kName);
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

// A Run key that refuses to be written for as long as this lives, as the
// machine's key does for a program not run as administrator: everyone is
// denied setting values; its own permissions come back afterwards.
class RefusingRunKey {
  public:
    explicit RefusingRunKey(HKEY root) {
        if (RegOpenKeyExW(root, kRunKey, 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) {
            return;
        }
        DWORD bytes = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &bytes);
        saved_.resize(bytes);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &bytes) !=
            ERROR_SUCCESS) {
            saved_.clear();
            return;
        }
        // Denied setting values, allowed everything else.
        static BYTE aclBuffer[256];
        const auto acl = reinterpret_cast<PACL>(aclBuffer);
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
        AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE, everyone);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        refusing_ =
            RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        FreeSid(everyone);
    }
    ~RefusingRunKey() {
        if (refusing_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
        if (key_ != nullptr) RegCloseKey(key_);
    }
    bool refusing() const { return refusing_; }

  private:
    HKEY key_ = nullptr;
    std::vector<BYTE> saved_;
    bool refusing_ = false;
};

class Win32RunAtBoot : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        program = std::wstring(temp) + kName;
        quoted = L"\"" + program + L"\"";
        ASSERT_TRUE(Touch(program));
        const std::string gbk = win32::Narrow(program);
        registry = MakePlatformStartupRegistry({.program = gbk, .installed = gbk});
        if (registry->SetRunValue(RunKey::Machine, "xl-probe", "x") != kRegistryDone) {
            GTEST_SKIP() << "the machine's Run key needs administrator rights";
        }
        registry->DeleteRunValue(RunKey::Machine, "xl-probe");
    }
    void TearDown() override {
        DeleteFileW(program.c_str());
        if (!registry) return;
        for (const RunKey key : {RunKey::Machine, RunKey::User}) {
            registry->DeleteRunValue(key, win32::Narrow(kName));
        }
    }

    std::wstring program;
    std::wstring quoted;
    std::unique_ptr<StartupRegistry> registry;
};

TEST_F(Win32RunAtBoot, QuotedValueOfAChinesePathWrittenThenValueAndShortcutRemoved) {
    EXPECT_EQ(RegisterRunAtBoot(*registry).place, RunAtBootPlace::Machine);
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), quoted);
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER), std::nullopt);

    const std::wstring folder = StartupFolder();
    ASSERT_FALSE(folder.empty());
    const std::wstring shortcut = folder + L"\\" + kName + L".lnk";
    const std::wstring other = folder + L"\\其他.lnk";
    ASSERT_TRUE(Touch(shortcut));
    ASSERT_TRUE(Touch(other));
    EXPECT_EQ(UnregisterRunAtBoot(*registry).place, RunAtBootPlace::Nowhere);
    EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE).has_value());
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_TRUE(Exists(other));
    DeleteFileW(other.c_str());

    // Again, with nothing left to remove: nothing refused.
    EXPECT_EQ(UnregisterRunAtBoot(*registry).place, RunAtBootPlace::Nowhere);
}

TEST_F(Win32RunAtBoot, AMissingProgramIsNotRegistered) {
    ASSERT_TRUE(DeleteFileW(program.c_str()));
    EXPECT_EQ(RegisterRunAtBoot(*registry).place, RunAtBootPlace::Nowhere);
    EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE).has_value());
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER).has_value());
}

TEST_F(Win32RunAtBoot, TheUsersKeyWhenTheMachinesRefusesAndNeitherWhenBothDo) {
    RefusingRunKey machine(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(machine.refusing());
    RunAtBootState state = RegisterRunAtBoot(*registry);
    EXPECT_EQ(state.place, RunAtBootPlace::User);
    EXPECT_EQ(state.machineError, kAccessDenied);
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER), quoted);
    EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE).has_value());
    // The machine's key still refuses, but holds nothing to remove.
    EXPECT_EQ(UnregisterRunAtBoot(*registry).place, RunAtBootPlace::Nowhere);
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER).has_value());

    RefusingRunKey user(HKEY_CURRENT_USER);
    ASSERT_TRUE(user.refusing());
    state = RegisterRunAtBoot(*registry);
    EXPECT_EQ(state.place, RunAtBootPlace::Nowhere);
    EXPECT_EQ(state.userError, kAccessDenied);
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER).has_value());
}

}  // namespace
}  // namespace xl::desktop
