// The composition root's log, in a real file: each login attempt by account,
// and a password typed at login never reaches the file. Headless, against the
// stand-in. (A dial's lines are the dial log's tests; a drop's are the watch's.)
#include <filesystem>
#include <fstream>
#include <sstream>

#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

namespace fs = std::filesystem;

class ProgramLogTest : public ProgramFlow {
  protected:
    void SetUp() override {
        ProgramFlow::SetUp();
        if (IsSkipped()) return;
        dir_ = fs::temp_directory_path() /
               ("xl-program-log-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        fileLog_ = std::make_unique<api::FileLog>((dir_ / "program.log").string());
        Start();
    }
    void TearDown() override {
        ProgramFlow::TearDown();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void LogIn(const std::string& account, const std::string& password) {
        TypeCredentials(account, password);
        ASSERT_TRUE(ClickLogin());
    }
    std::string LogText() const {
        std::stringstream text;
        text << std::ifstream(dir_ / "program.log", std::ios::binary).rdbuf();
        return text.str();
    }

    fs::path dir_;
};

TEST_F(ProgramLogTest, LoginAttemptsLeaveTheAccountAndNeverThePassword) {
    LogIn("demo", "Wr0ng-口令");
    LogIn("expired", "expired");
    LogIn("demo", "demo123");
    const std::string text = LogText();
    EXPECT_NE(text.find("登录 帐号 demo: 被拒绝, 账号或密码错误，请重新输入\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("登录 帐号 expired: 被拒绝, 您的账号已到期，请续费后再登录\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("登录 帐号 demo: 成功, 到期 2027-12-31 23:59:59\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Wr0ng"), std::string::npos);
    EXPECT_EQ(text.find("demo123"), std::string::npos);
}

}  // namespace
}  // namespace xl::program::test
