// The composition root's log, in a real file: each login attempt by account
// (a password typed at login never reaches the file), each dial's steps and
// outcome with the remote-access error number, and a drop with what was done
// about it. Headless, against the stand-in and the simulator.
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
        ASSERT_TRUE(backend_.Click(WindowId::Login, "超级按钮_登录"));
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

TEST_F(ProgramLogTest, ADialFailureLeavesItsStepsAndErrorNumber) {
    ras_.SetHostOutcome("hb1.example.net", dial::SimOutcome::AuthenticationRefused);
    dial::DialEngine& engine = program_->DialEngine();
    const std::string outcome =
        engine.Dial("岫澜IP", "hb1.example.net", "demo", "demo123", dial::kStrategyPptp,
                    [&engine](std::uint32_t, std::uint32_t state, std::uint32_t error) {
                        engine.StateText(state, error);
                    });
    ASSERT_EQ(outcome.rfind("连接失败：", 0), 0u) << outcome;
    const std::string text = LogText();
    EXPECT_NE(text.find("拨号开始: 连接 岫澜IP, 服务器 hb1.example.net, 协议 PPTP, 帐号 demo\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("拨号进度: 状态 "), std::string::npos);
    EXPECT_NE(text.find("拨号结果: " + outcome + ", 错误 691\r\n"), std::string::npos);
    EXPECT_EQ(text.find("demo123"), std::string::npos);
}

TEST_F(ProgramLogTest, ADropLeavesItsLineAndTheRedial) {
    LogInAsDemo();
    ASSERT_TRUE(Click("透明标签_掉线自动重连"));
    ASSERT_TRUE(Click("超级按钮_连接"));
    ASSERT_TRUE(Eventually([&] { return Caption("透明标签_连接状态") == "连接成功"; }));
    ASSERT_TRUE(ras_.DropConnection("岫澜IP"));
    ASSERT_TRUE(Eventually([&] {
        backend_.Advance(100ms);
        return LogText().find("自动重连：") != std::string::npos;
    }));
    const std::string text = LogText();
    EXPECT_NE(text.find("检测到异常掉线，开始自动重连\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("自动重连：连接成功\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("demo123"), std::string::npos);
}

}  // namespace
}  // namespace xl::program::test
