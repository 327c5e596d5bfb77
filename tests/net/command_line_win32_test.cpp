// The adapter command's line reaches the new process whole, the Chinese
// connection name included, whatever the system's code page. The runner
// starts this program again with the line the adapter option builds (its
// first word swapped for this program); the copy writes down what it was given,
// as the system hands it over and as the program reads its arguments.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "net/admin_state.h"
#include "win32/command_line_environment.h"
#include "win32/text.h"

namespace xl::net {
namespace {

constexpr char kEchoFlag[] = "--echo-command-line";

std::string FileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(NetshCommandLine, ReachesTheProgramWholeWithTheChineseName) {
    const std::optional<ProcessCommand> netsh = NetshAdminCommand("本地连接", false);
    ASSERT_TRUE(netsh);
    ASSERT_EQ(netsh->commandLine.rfind("netsh ", 0), 0u);
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring out =
        temp + std::wstring(L"xl-netsh-line-") + std::to_wstring(GetCurrentProcessId());

    ProcessCommand echo;
    echo.commandLine = "\"" + win32::Narrow(ThisProgram()) + "\" " + kEchoFlag + " \"" +
                       win32::Narrow(out) + "\"" + netsh->commandLine.substr(5);
    MakePlatformProcessRunner()->RunAndWait(echo);

    const std::string raw = FileBytes(out + L".raw");
    const std::wstring given(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / 2);
    EXPECT_EQ(given, L"\"" + ThisProgram() + L"\" --echo-command-line \"" + out +
                         L"\" interface set interface name=\"本地连接\" admin=DISABLED");
    EXPECT_EQ(FileBytes(out + L".args"), std::string(kEchoFlag) + "\n" + win32::Narrow(out) +
                                             "\ninterface\nset\ninterface\nname=本地连接\n"
                                             "admin=DISABLED\n");
    DeleteFileW((out + L".raw").c_str());
    DeleteFileW((out + L".args").c_str());
}

// The copy's side: the raw line in UTF-16, the arguments in GBK, one a line.
int EchoCommandLine() {
    const std::vector<std::string> arguments = win32::CommandLineArguments();
    if (arguments.size() < 2) return 2;
    const std::wstring out = win32::Widen(arguments[1]);
    const wchar_t* line = GetCommandLineW();
    std::ofstream(std::filesystem::path(out + L".raw"), std::ios::binary)
        .write(reinterpret_cast<const char*>(line),
               static_cast<std::streamsize>(std::wcslen(line) * sizeof(wchar_t)));
    std::ofstream args(std::filesystem::path(out + L".args"), std::ios::binary);
    for (const std::string& a : arguments) args << a << "\n";
    return 0;
}

}  // namespace
}  // namespace xl::net

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], xl::net::kEchoFlag) == 0) {
        return xl::net::EchoCommandLine();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
