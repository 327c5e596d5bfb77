// The real platform edges: Windows' (under Wine in CI) and the Linux stand-in.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <utility>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on
#else
#include <errno.h>
#include <sys/wait.h>
#endif

#include "net/adapter_control.h"
#include "net/adapters.h"
#include "net/admin_state.h"
#include "net/wide_to_gbk.h"
#include "support/platform.h"

namespace xl::net {
namespace {

namespace fs = std::filesystem;

bool IsMacText(const std::string& text) {
    static const std::regex pattern("([0-9A-F]{2}(-[0-9A-F]{2}){0,7})?");
    return std::regex_match(text, pattern);
}

bool IsAddressText(const std::string& text) {
    static const std::regex pattern("(\\d{1,3}(\\.\\d{1,3}){3})?");
    return std::regex_match(text, pattern);
}

TEST(PlatformAdapters, EveryAdapterIsWellFormed) {
    auto api = MakePlatformAdapterApi();
    std::vector<AdapterInfo> list;
    const int count = EnumerateAdapters(*api, list);
    ASSERT_EQ(count, static_cast<int>(list.size()));
    for (const auto& adapter : list) {
        SCOPED_TRACE(adapter.adapterName);
        EXPECT_EQ(adapter.adapterName.front(), '{');
        EXPECT_EQ(adapter.adapterName.back(), '}');
        EXPECT_EQ(adapter.typeName, AdapterTypeName(adapter.typeCode));
        EXPECT_TRUE(IsMacText(adapter.macAddress)) << adapter.macAddress;
        EXPECT_TRUE(IsAddressText(adapter.ipAddress)) << adapter.ipAddress;
        EXPECT_TRUE(IsAddressText(adapter.subnetMask)) << adapter.subnetMask;
        EXPECT_TRUE(IsAddressText(adapter.gateway)) << adapter.gateway;
        EXPECT_TRUE(IsAddressText(adapter.primaryDns)) << adapter.primaryDns;
        EXPECT_TRUE(IsAddressText(adapter.secondaryDns)) << adapter.secondaryDns;
    }
}

TEST(PlatformAdapters, RepeatedListingsAgree) {
    auto api = MakePlatformAdapterApi();
    std::vector<AdapterInfo> first, second;
    EnumerateAdapters(*api, first);
    EnumerateAdapters(*api, second);
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].adapterName, second[i].adapterName);
        EXPECT_EQ(first[i].connectionName, second[i].connectionName);
    }
}

TEST(PlatformAdapters, InterfaceTableGivesGuidsInBraces) {
    auto api = MakePlatformAdapterApi();
    std::vector<InterfaceNameEntry> table;
    ReadInterfaceNames(*api, table);
    for (const auto& entry : table) {
        EXPECT_EQ(entry.guid.rfind('{', 0), 0u) << entry.deviceName;
        EXPECT_NE(entry.deviceName.find(entry.guid), std::string::npos);
    }
}

TEST(PlatformAdapters, ConnectionNamesMatchTheHost) {
    auto api = MakePlatformAdapterApi();
    std::vector<AdapterInfo> list;
    EnumerateAdapters(*api, list);
    if (xl::test::RunningUnderWine()) {
        // The router configuration cannot be opened there: names stay empty, nothing crashes.
        ASSERT_FALSE(list.empty()) << "Wine lists the host's adapters";
        for (const auto& adapter : list) EXPECT_EQ(adapter.connectionName, "");
        return;
    }
#ifdef _WIN32
    GTEST_SKIP() << "connection names on real Windows depend on the machine";
#else
    // The stand-in names each adapter after its interface, and lists the loopback.
    bool sawLoopback = false;
    for (const auto& adapter : list) {
        EXPECT_EQ(adapter.adapterName, "{" + adapter.connectionName + "}");
        EXPECT_EQ(fs::exists("/sys/class/net/" + adapter.connectionName), true);
        if (adapter.connectionName == "lo") {
            sawLoopback = true;
            EXPECT_EQ(adapter.typeName, "LOOPBACK");
            EXPECT_EQ(adapter.ipAddress, "127.0.0.1");
            EXPECT_EQ(adapter.subnetMask, "255.0.0.0");
        }
    }
    EXPECT_TRUE(sawLoopback);
#endif
}

TEST(PlatformAdapters, DnsReadFailsForAnUnknownInterface) {
    auto api = MakePlatformAdapterApi();
    std::string primary = "x", secondary = "y";
    EXPECT_FALSE(ReadDnsServers(*api, 0x7FFFFFF0, primary, secondary));
    EXPECT_EQ(primary, "");
    EXPECT_EQ(secondary, "");
}

TEST(WideToGbk, ConvertsToTheChineseCodePageOnEverySystem) {
    EXPECT_EQ(WideToGbk(u"本地连接"), "本地连接");
    EXPECT_EQ(WideToGbk(u"以太网 2"), "以太网 2");
    EXPECT_EQ(WideToGbk(u"\\DEVICE\\TCPIP_{AB-12}"), "\\DEVICE\\TCPIP_{AB-12}");
    EXPECT_EQ(WideToGbk(u""), "");
    EXPECT_EQ(WideToGbk(nullptr), "");
    EXPECT_EQ(WideToGbk(u"a\0b"), "a");
}

TEST(WideToGbk, CharactersOutsideTheCodePageBecomeQuestionMarks) {
#ifdef _WIN32
    GTEST_SKIP() << "the count of \"?\" per missing character is the system's own choice";
#else
    EXPECT_EQ(WideToGbk(u"a\u00E9\u0E01b"), "a\xA8\xA6?b");  // é is in code page 936, Thai is not
    EXPECT_EQ(WideToGbk(u"x\U0001F600y"), "x?y");
    const char16_t loneSurrogates[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(WideToGbk(loneSurrogates), "a?b?");
    const char16_t trailingHigh[] = {u'a', 0xD83D, 0};
    EXPECT_EQ(WideToGbk(trailingHigh), "a?");
    std::u16string longText(5000, u'中');
    EXPECT_EQ(WideToGbk(longText.c_str()).size(), 10000u);
#endif
}

class ProcessRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("xl-net-runner-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_F(ProcessRunnerTest, ReturnsOnlyAfterTheCommandEnded) {
    const auto marker = dir_ / "done.txt";
    ProcessCommand command;
#ifdef _WIN32
    command.commandLine = "cmd.exe /c echo done>\"" + marker.string() + "\"";
#else
    command.argv = {"sh", "-c", "sleep 0.3; echo done > \"$0\"", marker.string()};
#endif
    MakePlatformProcessRunner()->RunAndWait(command);
    EXPECT_TRUE(fs::exists(marker));
}

TEST_F(ProcessRunnerTest, SystemProgramsStartFromTheSystemFolderOnly) {
#ifndef _WIN32
    GTEST_SKIP() << "POSIX runs the argument vector; the system-folder rule is Windows' search";
#else
    // The program that runs is the system folder's, whatever the command line's first word.
    const auto ran = dir_ / "ran.txt";
    ProcessCommand command;
    command.commandLine = "cmd.exe /c echo done>\"" + ran.string() + "\"";
    command.systemProgram = "cmd.exe";
    MakePlatformProcessRunner()->RunAndWait(command);
    EXPECT_TRUE(fs::exists(ran));

    const auto notRan = dir_ / "not-ran.txt";
    command.commandLine = "cmd.exe /c echo done>\"" + notRan.string() + "\"";
    command.systemProgram = "xl-no-such-program-here.exe";
    MakePlatformProcessRunner()->RunAndWait(command);
    EXPECT_FALSE(fs::exists(notRan));
#endif
}

// A runner that handed a command it could not start to a shell would run the
// rest of these lines; it must return having run nothing.
TEST_F(ProcessRunnerTest, AMissingProgramRunsNothingElse) {
    const auto marker = dir_ / "ran.txt";
    ProcessCommand command;
    command.commandLine =
        "xl-no-such-program-here.exe & cmd.exe /c echo ran>\"" + marker.string() + "\"";
    command.argv = {"xl-no-such-program-here", ";", "touch", marker.string()};
    MakePlatformProcessRunner()->RunAndWait(command);
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(ProcessRunnerTest, ArgumentsReachTheProgramWithoutAShell) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows hands the program one command line; there is no argument vector";
#else
    const auto odd = dir_ / "a;b $(touch pwned) *\"'";
    ProcessCommand command;
    command.argv = {"touch", odd.string()};
    MakePlatformProcessRunner()->RunAndWait(command);
    EXPECT_TRUE(fs::exists(odd));
    EXPECT_FALSE(fs::exists("pwned"));
#endif
}

// The helper built beside this program, which never ends.
ProcessCommand NeverEndingCommand() {
    ProcessCommand command;
#ifdef _WIN32
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    command.commandLine =
        "\"" + (fs::path(self).parent_path() / "net_never_ends.exe").string() + "\"";
#else
    command.argv = {XIULAN_NEVER_ENDS};
#endif
    return command;
}

bool NeverEndingChildLeft() {
#ifdef _WIN32
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return true;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        found |= entry.th32ParentProcessID == GetCurrentProcessId() &&
                 _stricmp(entry.szExeFile, "net_never_ends.exe") == 0;
    }
    CloseHandle(snapshot);
    return found;
#else
    // ECHILD: this program has no child at all, running or unreaped.
    int status = 0;
    return !(waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD);
#endif
}

TEST_F(ProcessRunnerTest, GivesUpOnACommandThatNeverEndsAndEndsIt) {
    constexpr auto kLimit = std::chrono::milliseconds(300);
    const auto start = std::chrono::steady_clock::now();
    const ProcessOutcome outcome =
        MakePlatformProcessRunner(kLimit)->RunAndWait(NeverEndingCommand());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.endedAtLimit);
    EXPECT_GE(took, kLimit) << "the helper did not start";
    EXPECT_LT(took, kLimit + std::chrono::seconds(5));
    EXPECT_FALSE(NeverEndingChildLeft());
}

// Wine's netsh does nothing, so what is checked is the starting and the
// waiting: every process this one starts joins a job that counts them, those
// started and those still alive.
TEST(PlatformAdminState, NetshStartsOncePerChangeAndHasEndedWhenTheCallReturns) {
#ifndef _WIN32
    GTEST_SKIP() << "netsh is Windows'; the POSIX runner's waiting is checked above";
#else
    if (!xl::test::RunningUnderWine()) {
        GTEST_SKIP() << "would really disable an adapter; only Wine's netsh does nothing";
    }
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(AssignProcessToJobObject(job, GetCurrentProcess()));
    const auto processes = [job] {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info),
                                  nullptr);
        return std::pair{info.TotalProcesses, info.ActiveProcesses};
    };
    const auto [startedBefore, aliveBefore] = processes();
    auto runner = MakePlatformProcessRunner();
    auto api = MakePlatformAdapterApi();
    AdapterControl control(*api, *runner);
    control.SetAdminState("本地连接", false);
    EXPECT_EQ(processes(), std::pair(startedBefore + 1, aliveBefore));
    control.SetAdminState("本地连接", true);
    EXPECT_EQ(processes(), std::pair(startedBefore + 2, aliveBefore));
    control.SetAdminState("本地连接\\", false);  // refused: nothing starts
    EXPECT_EQ(processes(), std::pair(startedBefore + 2, aliveBefore));
    CloseHandle(job);
#endif
}

}  // namespace
}  // namespace xl::net
