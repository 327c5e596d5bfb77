// The rasapi32 port. Under Wine every rasapi32 call is a stub, so what is
// checked there is this program's side of each call: the error buffer, the empty list, the
// phone-book path from the shell, the file deletion, and a dial that the service refuses at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "dial/dial_engine.h"
#include "dial/queued_message_pump.h"
#include "dial/ras_api_win32.h"
#include "dial/ras_simulator.h"
#include "dial/text_match.h"
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

TEST(Win32RasApi, ErrorTextKeepsThePreparedBufferWhenTheServiceWritesNothing) {
    auto ras = MakeWin32RasApi();
    const std::string text = ras->ErrorString(kRasErrorAuthentication);
    if (test::RunningUnderWine()) {
        EXPECT_EQ(text, std::string(100, ' '));
    } else {
        EXPECT_LT(text.size(), 100u);
        EXPECT_FALSE(text.empty());
    }
}

TEST(Win32RasApi, EnumerationAndTheChecksBuiltOnIt) {
    if (!test::RunningUnderWine()) {
        GTEST_SKIP() << "would list and hang up this machine's real connections";
    }
    auto ras = MakeWin32RasApi();
    const RasConnectionList list = ras->EnumConnections();
    EXPECT_EQ(list.error, 0u);
    EXPECT_TRUE(list.connections.empty());
    QueuedMessagePump pump;
    DialEngine engine(*ras, pump, 0ms);
    EXPECT_FALSE(engine.IsVpnConnected());
    EXPECT_EQ(engine.HangUpVpn(""), "");
}

TEST(Win32RasApi, PhoneBookLandsInTheProfileOfTheDocumentsFolder) {
    const std::string documents = ShellDocumentsFolder();
    ASSERT_FALSE(documents.empty());
    const char* profile = std::getenv("USERPROFILE");
    ASSERT_NE(profile, nullptr);
    const std::string path = PhoneBookPath(documents, "岫澜IP");
    EXPECT_EQ(AsciiLower(path),
              AsciiLower(std::string(profile) +
                         "\\AppData\\Roaming\\Microsoft\\Network\\Connections\\Pbk\\岫澜IP.pbk"));
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
    EXPECT_EQ(engine.State().phoneBookPath, PhoneBookPath(ShellDocumentsFolder(), "岫澜IP"));
}

TEST(Win32RasApi, SimulatorBackendUsesTheShellsDocumentsFolder) {
    EXPECT_EQ(DefaultRasBackend(), RasBackend::Real);
    auto sim = MakeRasApi(RasBackend::Simulated, SimConfig{});
    EXPECT_EQ(sim->DocumentsFolder(), ShellDocumentsFolder());
    // The folder, given as GBK, leads back to the folder on every code page.
    const DWORD attributes = GetFileAttributesW(win32::Widen(ShellDocumentsFolder()).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace xl::dial
