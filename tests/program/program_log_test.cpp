// The composition root's log, in a real file: each login attempt by account
// (a password typed at login never reaches the file) and each dial's steps and
// outcome with the remote-access error number. Headless, against the stand-in.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "api/http_facility.h"
#include "api/standin_process.h"
#include "app/settings_fakes.h"
#include "desktop/recording_tray_shell.h"
#include "dial/ras_simulator.h"
#include "program/program.h"
#include "program/recording_ports.h"
#include "ui/headless/headless_backend.h"

namespace xl::program {
namespace {

namespace fs = std::filesystem;
using ui::WindowId;

class QuietInstancePort final : public app::InstancePort {
  public:
    app::MarkerLookup OpenMarker(const std::string&) override { return app::MarkerLookup::Absent; }
    bool CreateMarker(const std::string&) override { return true; }
    void ShowStopMessage(const std::string&, const std::string&) override {}
    void EndProcess(int) override {}
};

class ProgramLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!standin_.Running()) GTEST_SKIP() << standin_.Problem();
        dir_ = fs::temp_directory_path() /
               ("xl-program-log-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        log_ = std::make_unique<api::FileLog>((dir_ / "program.log").string());
        app::ProgramOptions options;
        options.apiBase = standin_.BaseUrl();
        options.probeUrl = standin_.BaseUrl() + "/probe/";
        program_ = std::make_unique<Program>(
            options, ProgramServices{
                         .windows = windows_,
                         .ras = ras_,
                         .adapterApi = adapterApi_,
                         .processRunner = runner_,
                         .startupRegistry = startup_,
                         .instance = instance_,
                         .trayShell = tray_,
                         .http = http_,
                         .log = *log_,
                         .checkInternetReachable = [](const std::string&) { return true; },
                         .makeSettingsStore =
                             [this](std::string) {
                                 return std::make_unique<test::MemoryStore>(&items_, &storeLog_);
                             },
                         .temporaryFilesDirectory = dir_.string() + "/",
                         .nativeHandleOf = [this](ui::Window&) { return tray_.NewWindow(); },
                         .appIcon = {},
                         .endProcess = [](int) {},
                     });
        program_->Start();
    }
    void TearDown() override {
        program_.reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void LogIn(const std::string& account, const std::string& password) {
        backend_.Type(WindowId::Login, "编辑框_帐号", account);
        backend_.Type(WindowId::Login, "编辑框_密码", password);
        ASSERT_TRUE(backend_.Click(WindowId::Login, "超级按钮_登录"));
    }
    std::string LogText() const {
        std::stringstream text;
        text << std::ifstream(dir_ / "program.log", std::ios::binary).rdbuf();
        return text.str();
    }

    api::test::StandinProcess standin_;
    ui::HeadlessBackend backend_;
    ui::WindowSystem windows_{backend_};
    dial::RasSimulator ras_{[] {
        dial::SimConfig c;
        c.documentsFolder = "C:\\Users\\user\\Documents";
        c.defaultOutcome = dial::SimOutcome::AuthenticationRefused;
        return c;
    }()};
    net::test::FakeAdapterApi adapterApi_;
    test::RecordingRunner runner_;
    test::RecordingStartupRegistry startup_;
    QuietInstancePort instance_;
    desktop::RecordingTrayShell tray_;
    api::HttpRequest http_{[] { return api::CreatePlatformHttpFacility(); }};
    test::MemoryStore::Items items_;
    std::vector<std::string> storeLog_;
    fs::path dir_;
    std::unique_ptr<api::FileLog> log_;
    std::unique_ptr<Program> program_;
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

}  // namespace
}  // namespace xl::program
