// The install folder's permissions as the setup writes them, read the way
// Windows reads them: owned by the administrators, cut from the folder above,
// administrators and the system may do anything, users may read and run
// only; each passed on to files and folders inside. (Wine accepts the
// setting but keeps no permissions on files, so the folder itself cannot be
// read back there.)
#include <windows.h>
// After windows.h, which sets the system version sddl.h declares for.
#include <sddl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

// The descriptor the setup defines, as text.
std::string SetupDescriptor() {
    std::ifstream script(XIULAN_SETUP_SCRIPT);
    std::stringstream text;
    text << script.rdbuf();
    std::smatch found;
    const std::string all = text.str();
    if (!std::regex_search(all, found, std::regex("!define INSTALL_DIR_SECURITY \"([^\"]+)\""))) {
        return {};
    }
    return found[1];
}

PSID Sid(const wchar_t* alias) {
    PSID sid = nullptr;
    ConvertStringSidToSidW(alias, &sid);
    return sid;
}

TEST(InstallFolderSecurity, AdministratorsOwnItAndUsersOnlyReadAndRun) {
    const std::string text = SetupDescriptor();
    ASSERT_FALSE(text.empty()) << "no INSTALL_DIR_SECURITY in " << XIULAN_SETUP_SCRIPT;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "inherits from the folder above";

    const PSID admins = Sid(L"BA"), system = Sid(L"SY"), users = Sid(L"BU");
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(EqualSid(owner, admins));

    BOOL present = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
    ASSERT_TRUE(present && acl != nullptr);
    const struct {
        const char* who;
        PSID sid;
        ACCESS_MASK rights;
    } expected[] = {
        {"administrators", admins, FILE_ALL_ACCESS},
        {"the system", system, FILE_ALL_ACCESS},
        {"users", users, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
    };
    ASSERT_EQ(acl->AceCount, std::size(expected));
    for (WORD i = 0; i < acl->AceCount; ++i) {
        SCOPED_TRACE(expected[i].who);
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected[i].sid));
        EXPECT_EQ(ace->Mask, expected[i].rights);
    }
    // Nothing that changes a file or the folder is left to users.
    constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE |
                                     WRITE_DAC | WRITE_OWNER;
    EXPECT_EQ(expected[2].rights & kChanges, 0u);
    for (PSID sid : {admins, system, users}) LocalFree(sid);
    LocalFree(descriptor);
}

}  // namespace
