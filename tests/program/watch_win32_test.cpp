// The service's word about a drop reaching the real main window: the
// simulator's watch thread, the supervisor's post through the Win32 message
// queue, and the redial through the window's own connect button, with
// auto-reconnect saved on. Under Wine on a display, against the stand-in.
#include "ui/win32_backend/backend_win32.h"

#include <atomic>
#include <chrono>

#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

using Clock = std::chrono::steady_clock;

// The lines kept, and the moment the first drop's reaction was logged: the
// redial that follows runs inside the same dispatch, so a poll would see the
// line only once the redial is over.
class StampingLog final : public api::ProgramLog {
  public:
    void Write(std::string_view line) override {
        if (line.starts_with("检测到异常掉线") && !reacted) {
            reactedAt = Clock::now();
            reacted = true;
        }
        lines.Write(line);
    }
    MemoryLog lines;
    Clock::time_point reactedAt;
    std::atomic<bool> reacted{false};
};

TEST(WatchWin32, ADropIsRedialledThroughTheServicesWordWithinASecond) {
    api::test::StandinProcess standin;
    if (!standin.Running()) GTEST_SKIP() << standin.Problem();
    ui::win32_backend::Win32Backend backend;
    ui::WindowSystem windows(backend);
    dial::RasSimulator ras(SimulatorConfig(5ms));
    ProgramPorts ports;
    ports.items = {{{"掉线自动重连", "AutoReconnection"}, "yes"}};
    StampingLog log;
    auto program = std::make_unique<Program>(
        ServiceOptions(standin.BaseUrl()),
        ports.Services({.windows = windows, .ras = ras, .log = log, .settingsFolder = "C:\\"}));
    const auto pumpUntil = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i) backend.WaitDispatching(10ms);
        return done();
    };
    program->Start();
    windows.Find(WindowId::Login, "编辑框_帐号")->SetCaption("demo");
    windows.Find(WindowId::Login, "编辑框_密码")->SetCaption("demo123");
    windows.Raise(windows.Open(WindowId::Login), "超级按钮_登录", ui::EventKind::Click);
    ASSERT_TRUE(
        pumpUntil([&] { return program->MainWindow() && program->MainWindow()->IsVisible(); }));
    windows.Raise(windows.Open(WindowId::Main), "超级按钮_连接", ui::EventKind::Click);
    const auto tag = [&] { return windows.Find(WindowId::Main, "超级按钮_连接")->tag(); };
    ASSERT_EQ(tag(), "断开");

    const auto dropped = Clock::now();
    ASSERT_TRUE(ras.DropConnection("岫澜IP"));
    ASSERT_TRUE(pumpUntil([&] { return log.reacted.load(); }));
    const auto reaction = log.reactedAt - dropped;
    EXPECT_LT(reaction, 1s);
    std::printf("drop to reaction through the word: %.1f ms\n",
                std::chrono::duration<double, std::milli>(reaction).count());
    EXPECT_TRUE(pumpUntil([&] { return !log.lines.With("自动重连：连接成功").empty(); }));
    EXPECT_EQ(log.lines.With("拨号开始").size(), 2u);
    EXPECT_EQ(tag(), "断开");
    ras.WaitIdle();
    program.reset();
}

}  // namespace
}  // namespace xl::program::test
