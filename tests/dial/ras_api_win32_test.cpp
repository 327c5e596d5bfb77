// The rasapi32 port. Under Wine every rasapi32 call is a stub, so what is
// checked there is this program's side of each call: the error buffer, the
// empty list in both record layouts, the phone-book path from the shell's
// folders (Documents redirected too) and its folder, the file deletion, and a
// dial that the service refuses at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "dial/dial_engine.h"
#include "dial/queued_message_pump.h"
#include "dial/ras_api_win32.h"
#include "dial/ras_simulator.h"
#include "gbk/characters.h"
#include "support/platform.h"
#include "win32/text.h"

namespace xl::dial {
namespace {

using namespace std::chrono_literals;

std::string TempPath(const char* name) {
    char dir[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

TEST(Win32RasApi, ErrorTextComesWholeOrNotAtAll) {
    auto ras = MakeWin32RasApi();
    const RasErrorText text = ras->ErrorString(kRasErrorAuthentication, kErrorTextUnits);
    QueuedMessagePump pump;
    DialEngine engine(*ras, pump, 0ms);
    if (test::RunningUnderWine()) {
        // The stub declines and writes nothing: the prepared spaces are shown.
        EXPECT_NE(text.error, 0u);
        EXPECT_EQ(engine.SystemText(kRasErrorAuthentication), std::string(100, ' '));
    } else {
        EXPECT_EQ(text.error, 0u);
        EXPECT_FALSE(text.text.empty());
        EXPECT_EQ(ras->ErrorString(kRasErrorAuthentication, 4).error, kRasErrorInsufficientBuffer);
    }
}

TEST(Win32RasApi, EnumerationAndTheChecksBuiltOnIt) {
    if (!test::RunningUnderWine()) {
        GTEST_SKIP() << "would list and hang up this machine's real connections";
    }
    auto ras = MakeWin32RasApi();
    for (const RasConnLayout layout : {RasConnLayout::Oldest, RasConnLayout::Current}) {
        const RasConnectionList list = ras->EnumConnections(layout);
        EXPECT_EQ(list.error, 0u);
        EXPECT_TRUE(list.connections.empty());
    }
    QueuedMessagePump pump;
    DialEngine engine(*ras, pump, 0ms);
    EXPECT_FALSE(engine.IsVpnConnected());
    EXPECT_EQ(engine.HangUpVpn(""), "");
}

TEST(Win32RasApi, PhoneBookLandsInTheProfileOfTheDocumentsFolder) {
    auto ras = MakeWin32RasApi();
    const UserFolders folders = ras->Folders();
    ASSERT_FALSE(folders.documents.empty());
    const char* profile = std::getenv("USERPROFILE");
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(gbk::AsciiLower(folders.profile), gbk::AsciiLower(profile));
    const std::string path = PhoneBookPath(folders, "岫澜IP");
    EXPECT_EQ(
        gbk::AsciiLower(path),
        gbk::AsciiLower(std::string(profile) +
                        "\\AppData\\Roaming\\Microsoft\\Network\\Connections\\Pbk\\岫澜IP.pbk"));
}

// The user's Documents folder moved elsewhere through the user shell folders
// (as a cloud folder's backup does), for as long as this lives.
class RedirectedDocuments {
  public:
    explicit RedirectedDocuments(const std::wstring& folder) {
        RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        wchar_t old[MAX_PATH] = {};
        DWORD bytes = sizeof old;
        DWORD type = 0;
        if (RegQueryValueExW(key_, L"Personal", nullptr, &type, reinterpret_cast<BYTE*>(old),
                             &bytes) == ERROR_SUCCESS) {
            old_ = std::wstring(old, wcsnlen(old, MAX_PATH));
            oldType_ = type;
        }
        CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        Set(folder, REG_EXPAND_SZ);
    }
    ~RedirectedDocuments() {
        if (old_) {
            Set(*old_, oldType_);
        } else {
            RegDeleteValueW(key_, L"Personal");
        }
        RegCloseKey(key_);
    }
    RedirectedDocuments(const RedirectedDocuments&) = delete;
    RedirectedDocuments& operator=(const RedirectedDocuments&) = delete;

  private:
    static constexpr wchar_t kKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    void Set(const std::wstring& value, DWORD type) {
        RegSetValueExW(key_, L"Personal", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    HKEY key_ = nullptr;
    std::optional<std::wstring> old_;
    DWORD oldType_ = REG_EXPAND_SZ;
};

TEST(Win32RasApi, ARedirectedDocumentsFolderDialsFromTheRoamingFolder) {
    if (!test::RunningUnderWine()) GTEST_SKIP() << "would move this user's Documents folder";
    auto ras = MakeWin32RasApi();
    const std::string roaming = ras->Folders().roamingAppData;
    ASSERT_FALSE(roaming.empty());
    const std::string pbkFolder = roaming + "\\Microsoft\\Network\\Connections\\Pbk";
    RemoveDirectoryW(win32::Widen(pbkFolder).c_str());
    const std::wstring profile = win32::Widen(ras->Folders().profile);
    RedirectedDocuments redirected(profile + L"\\OneDrive\\文档");
    EXPECT_EQ(ras->Folders().documents, win32::Narrow(profile + L"\\OneDrive\\文档"));

    QueuedMessagePump pump;
    DialEngine engine(*ras, pump, 0ms);
    // The stub refuses the dial itself; the entry and its folder come first.
    engine.Dial("岫澜IP", "192.0.2.1", "u", "p", kStrategyPptp,
                [](std::uint32_t, std::uint32_t, std::uint32_t) {});
    EXPECT_EQ(engine.State().phoneBookPath, pbkFolder + "\\岫澜IP.pbk");
    const DWORD attributes = GetFileAttributesW(win32::Widen(pbkFolder).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Win32RasApi, DeletingThePhoneBookToleratesAMissingFile) {
    auto ras = MakeWin32RasApi();
    const std::string path = TempPath("xl_dial_test.pbk");
    std::ofstream(path) << "[old]\n";
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ras->DeletePhoneBook(path));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ras->DeletePhoneBook(path));
    EXPECT_TRUE(ras->DeletePhoneBook(TempPath("no_such_dir\\x.pbk")));
}

TEST(Win32RasApi, EntryIsAcceptedForAPrivatePhoneBook) {
    auto ras = MakeWin32RasApi();
    const std::string path = TempPath("xl_dial_entry.pbk");
    EXPECT_EQ(ras->SetEntryProperties(path, "xl_dial_test", MakeVpnEntry("192.0.2.1", 1)), 0u);
    ras->DeletePhoneBook(path);
}

TEST(Win32RasApi, RefusedDialEndsWithTheSystemText) {
    if (!test::RunningUnderWine()) GTEST_SKIP() << "would really dial";
    auto ras = MakeWin32RasApi();
    QueuedMessagePump pump;
    DialEngine engine(*ras, pump, 0ms);
    // The stub refuses with 1 and writes no text: the prepared spaces come back.
    EXPECT_EQ(engine.Dial("岫澜IP", "192.0.2.1", "u", "p", kStrategyPptp,
                          [](std::uint32_t, std::uint32_t, std::uint32_t) {}),
              std::string(100, ' '));
    EXPECT_EQ(engine.State().connectionHandle, 0u);
    EXPECT_EQ(engine.State().resetEntryName, "岫澜IP");
    EXPECT_EQ(engine.State().phoneBookPath, PhoneBookPath(ras->Folders(), "岫澜IP"));
}

TEST(Win32RasApi, SimulatorBackendUsesTheShellsFolders) {
    EXPECT_EQ(DefaultRasBackend(), RasBackend::Real);
    auto sim = MakeRasApi(RasBackend::Simulated, SimConfig{});
    const UserFolders folders = MakeWin32RasApi()->Folders();
    EXPECT_EQ(sim->Folders(), folders);
    // The folder, given as GBK, leads back to the folder on every code page.
    const DWORD attributes = GetFileAttributesW(win32::Widen(folders.documents).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace xl::dial
