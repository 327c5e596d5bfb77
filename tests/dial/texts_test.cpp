// The status texts and the phone-book path rule.
#include <gtest/gtest.h>

#include <string>

#include "dial/dial_engine.h"
#include "dial/state_text.h"

namespace xl::dial {
namespace {

struct StateCase {
    std::uint32_t state;
    const char* text;
};

class StateTextTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(StateTextTest, ShowsTheTableText) {
    EXPECT_EQ(ConnectionStateText(GetParam().state), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StateTextTest,
    ::testing::Values(
        StateCase{0, "正在打开端口"}, StateCase{1, "端口打开"}, StateCase{2, "正在连接设备"},
        StateCase{3, "DeviceConnected"}, StateCase{4, "所有设备已连接上"}, StateCase{5, "开始认证"},
        StateCase{6, "AuthenticationNotify"}, StateCase{7, "认证测试"},
        StateCase{8, "CallbackRequested"}, StateCase{9, "ChangePasswordRequested"},
        StateCase{10, "ProjectionPhaseStarted"}, StateCase{11, "LinkSpeedCalculation"},
        StateCase{12, "认证通过"}, StateCase{13, "ReauthenticationStarted"},
        StateCase{14, "Authenticated"}, StateCase{15, "PreparationForCallback"},
        StateCase{16, "WaitingForModemReset"}, StateCase{17, "WaitingForCallback"},
        StateCase{18, "Projected"}, StateCase{19, "StartAuthentication"},
        StateCase{20, "CallbackComplete"}, StateCase{21, "正在登录网络"},
        StateCase{0x1000, "Interactive"}, StateCase{0x1001, "RetryAuthentication"},
        StateCase{0x1002, "CallbackSetByCaller"}, StateCase{0x1003, "PasswordExpired"},
        StateCase{0x2000, "连接成功"}, StateCase{0x2001, "断开连接"},
        // Outside the table: the decimal digits.
        StateCase{22, "22"}, StateCase{30, "30"}, StateCase{0x1004, "4100"},
        StateCase{0x2002, "8194"}, StateCase{4294967295u, "4294967295"}));

TEST(StateText, ErrorFormCarriesCodeAndSystemText) {
    EXPECT_EQ(ErrorStatusText(691, "拒绝访问。"), "错误代码:691 拒绝访问。");
    EXPECT_EQ(ErrorStatusText(1, std::string(100, ' ')), "错误代码:1 " + std::string(100, ' '));
}

struct PathCase {
    const char* name;
    UserFolders folders;
    std::string entry;
    std::string path;
};

class PhoneBookPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PhoneBookPathTest, FollowsTheProfileOrTheRoamingFolder) {
    EXPECT_EQ(PhoneBookPath(GetParam().folders, GetParam().entry), GetParam().path);
}

const std::string kPbkTail = "\\Microsoft\\Network\\Connections\\Pbk\\";
const std::string kTail = "\\AppData\\Roaming" + kPbkTail;

INSTANTIATE_TEST_SUITE_P(
    Cases, PhoneBookPathTest,
    ::testing::Values(PathCase{"Standard",
                               {"C:\\Users\\张三\\Documents", "C:\\Users\\张三", "R:\\Roaming"},
                               "岫澜IP",
                               "C:\\Users\\张三" + kTail + "岫澜IP.pbk"},
                      PathCase{"StandardAnyCaseAndBackslashes",
                               {"c:\\users\\BOB\\DOCUMENTS\\", "C:\\Users\\bob\\", "R:\\Roaming"},
                               "虚拟专用网络",
                               "c:\\users\\BOB" + kTail + "虚拟专用网络.pbk"},
                      // Documents moved into a cloud folder, or onto another drive: the
                      // shell's roaming folder, whatever the profile.
                      PathCase{"RedirectedToTheCloud",
                               {"C:\\Users\\张三\\OneDrive\\文档", "C:\\Users\\张三",
                                "C:\\Users\\张三\\AppData\\Roaming\\"},
                               "岫澜IP",
                               "C:\\Users\\张三\\AppData\\Roaming" + kPbkTail + "岫澜IP.pbk"},
                      PathCase{"RedirectedToAnotherDrive",
                               {"D:\\Data\\Documents", "C:\\Users\\bob", "\\\\srv\\bob\\Roaming"},
                               "x",
                               "\\\\srv\\bob\\Roaming" + kPbkTail + "x.pbk"},
                      PathCase{"NoProfile",
                               {"C:\\Users\\bob\\Documents", "", "R:\\Roaming"},
                               "x",
                               "R:\\Roaming" + kPbkTail + "x.pbk"},
                      PathCase{"NoDocuments",
                               {"", "C:\\Users\\bob", "R:\\Roaming"},
                               "x",
                               "R:\\Roaming" + kPbkTail + "x.pbk"},
                      PathCase{"NothingKnown", {"", "", ""}, "x", ""},
                      PathCase{
                          "RedirectedWithoutRoaming", {"D:\\Docs", "C:\\Users\\bob", ""}, "x", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xl::dial
