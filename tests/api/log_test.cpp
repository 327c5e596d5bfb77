// The program's log file: timed lines, one line per message whatever it holds,
// a folder with a Chinese name, the cap and its one rolled-over file, a log
// that cannot be written, and the login's line that never holds the password.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "api/log.h"
#include "api/login.h"
#include "api/text.h"

namespace xl::api {
namespace {

namespace fs = std::filesystem;

// The file system's own name for a GBK path: on Windows its wide form through
// code page 936, whatever the system's ANSI code page.
fs::path NativePath(const std::string& text) {
#ifdef _WIN32
    const std::string utf16 = MultiByteToUtf16(text, gbk::kCodePage);
    std::wstring wide;
    for (std::size_t i = 0; i + 1 < utf16.size() && (utf16[i] || utf16[i + 1]); i += 2) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(utf16[i]) |
                                            (static_cast<unsigned char>(utf16[i + 1]) << 8)));
    }
    return fs::path(wide);
#else
    return fs::path(text);
#endif
}

class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        // GBK bytes: the folder's name is Chinese, as a user's profile may be.
        const std::string base = Utf16ToMultiByte(
            MultiByteToUtf16(fs::temp_directory_path().string(), kCodePageAnsi), gbk::kCodePage);
        dir_ = base + (base.back() == '/' || base.back() == '\\' ? "" : "/") + "日志测试-" +
               std::to_string(stamp);
        fs::create_directories(NativePath(dir_));
        path_ = dir_ + "/" + std::string(kLogFileName);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(NativePath(dir_), ignored);
    }
    std::string Content(const std::string& path) const {
        std::stringstream text;
        text << std::ifstream(NativePath(path), std::ios::binary).rdbuf();
        return text.str();
    }
    std::uintmax_t Size(const std::string& path) const {
        std::error_code error;
        const std::uintmax_t n = fs::file_size(NativePath(path), error);
        return error ? 0 : n;
    }

    std::string dir_, path_;
};

// "YYYY-MM-DD HH:MM:SS.mmm " before each message.
constexpr std::size_t kStampLength = 24;

TEST_F(LogFileTest, TimedLinesAppendedInAFolderWithAChineseName) {
    FileLog(path_).Write("[动态线路] 下载节点数据错误:1");
    FileLog(path_).Write("帐号\r\n2026-01-01 00:00:00.000 伪造的一行\tx");
    const std::string content = Content(path_);
    const std::string first = "[动态线路] 下载节点数据错误:1\r\n";
    const std::string second = "帐号  2026-01-01 00:00:00.000 伪造的一行 x\r\n";
    ASSERT_EQ(content.size(), 2 * kStampLength + first.size() + second.size()) << content;
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    EXPECT_TRUE(std::regex_match(content.substr(0, kStampLength), stamp));
    EXPECT_EQ(content.substr(kStampLength, first.size()), first);
    EXPECT_TRUE(std::regex_match(content.substr(kStampLength + first.size(), kStampLength), stamp));
    EXPECT_EQ(content.substr(2 * kStampLength + first.size()), second);
}

TEST_F(LogFileTest, TheCapHoldsWithOneRolledOverFile) {
    constexpr std::uint64_t kCap = 2000;
    FileLog log(path_, kCap);
    const std::string message(60, 'x');
    const std::size_t lineSize = kStampLength + message.size() + 1 + 2;  // a digit, CR LF
    for (int i = 0; i < 100; ++i) log.Write(message + std::to_string(i % 10));
    const std::string rolled = RolledLogPath(path_);
    EXPECT_LE(Size(path_), kCap);
    EXPECT_GT(Size(path_) + lineSize, kCap / 2);
    EXPECT_LE(Size(rolled), kCap);
    EXPECT_GT(Size(rolled) + lineSize, kCap);  // it was full when moved aside
    const std::string content = Content(path_);
    EXPECT_EQ(content.substr(content.size() - 4), "x9\r\n");  // the latest line is kept
}

TEST_F(LogFileTest, ALogGrownPastTheCapIsMovedAsideBeforeTheNextLine) {
    std::ofstream(NativePath(path_), std::ios::binary) << std::string(5000, 'o');
    std::ofstream(NativePath(RolledLogPath(path_)), std::ios::binary) << "older";
    FileLog(path_, 1000).Write("下一行");
    EXPECT_EQ(Size(RolledLogPath(path_)), 5000u);
    EXPECT_EQ(Content(path_).substr(kStampLength), "下一行\r\n");
}

TEST_F(LogFileTest, ALogThatCannotBeWrittenLosesTheLineAndNothingElse) {
    const std::string nowhere = dir_ + "/没有这个文件夹/" + std::string(kLogFileName);
    FileLog log(nowhere);
    log.Write("丢失的一行");
    EXPECT_FALSE(fs::exists(NativePath(nowhere)));
}

TEST(LogLine, OneLineNeverSplittingACharacter) {
    struct Case {
        std::string message, line;
    };
    const std::string longGbk(kLogMessageLimit - 1, 'a');
    const Case cases[] = {
        {"", ""},
        {"a\rb\nc\x7F"
         "d\x01",
         "a b c d "},
        {"本地连接", "本地连接"},
        {longGbk + "中", longGbk},  // a two-byte character that would not fit is left out
        {std::string(kLogMessageLimit + 10, 'b'), std::string(kLogMessageLimit, 'b')},
        {"\x81", "\x81"},  // a lone lead byte at the end stays a byte
        // A lead byte before a control byte stands alone: the line break cannot start a line.
        {"密码错误\x81\n2026-01-01 00:00:00.000 登录 帐号 admin: 成功",
         "密码错误\x81 2026-01-01 00:00:00.000 登录 帐号 admin: 成功"},
        {"\xD6\x7F\xD6\x40\xFE\xFE\xFE\r", "\xD6 \xD6\x40\xFE\xFE\xFE "},
    };
    for (const Case& c : cases) EXPECT_EQ(OneLogLine(c.message), c.line) << c.message;
}

TEST(LogLine, RolledOverName) {
    EXPECT_EQ(RolledLogPath("C:\\Temp\\岫澜IP.log"), "C:\\Temp\\岫澜IP.old.log");
    EXPECT_EQ(RolledLogPath("/tmp/x"), "/tmp/x.old");
}

TEST(LogLine, LoginAttemptsByAccountNeverWithThePassword) {
    LoginOutcome refused;
    refused.statusText = "账号已过期";
    refused.reply = ReadLoginReply(
        R"({"status": "error", "msg": "\u8d26\u53f7\u5df2\u8fc7\u671f", "code": 101})");
    LoginOutcome odd;
    odd.reply = ReadLoginReply(R"({"code": 7, "data": {}})");
    LoginOutcome accepted;
    accepted.reply =
        ReadLoginReply(R"({"status": "ok", "code": 100, "data": {"expiretime": "2027-01-01"}})");
    LoginOutcome unanswered;
    unanswered.reply = ReadLoginReply("");
    LoginOutcome offline;
    offline.statusText = kLoginTextOffline;
    EXPECT_EQ(LoginLogLine("expired", refused), "登录 帐号 expired: 被拒绝, 账号已过期");
    EXPECT_EQ(LoginLogLine("demo", odd), "登录 帐号 demo: 失败, 代码 7");
    EXPECT_EQ(LoginLogLine("demo", accepted), "登录 帐号 demo: 成功, 到期 2027-01-01");
    EXPECT_EQ(LoginLogLine("demo", unanswered), "登录 帐号 demo: 失败, 服务无应答或回复无法识别");
    EXPECT_EQ(LoginLogLine("demo", offline),
              std::string("登录 帐号 demo: 未向服务发出请求, ") + kLoginTextOffline);
}

}  // namespace
}  // namespace xl::api
