// Measures the main window's three speed figures with the real windows and
// the remote-access simulator (not a test; figures go into notes, never into
// assertions):
//   - a click on a line-mode label until the node list, refilled with every
//     row of a large list, has drawn itself;
//   - a click on the search label until the narrowed list has drawn itself;
//   - the simulator's "connected" report until "连接成功" is painted in the
//     status line.
// Run it against a stand-in serving large lists (tests/program/timing_run.sh
// does both):
//   main_window_timing.exe --api-base=http://127.0.0.1:PORT [--rounds=N]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "program/program_ports.h"
#include "ui/picture.h"
#include "ui/win32_backend/backend_win32.h"
#include "ui/win32_backend/face_window_win32.h"
#include "ui/win32_backend/gdi_cache_win32.h"

namespace xl::program {
namespace {

using namespace std::chrono_literals;
using ui::WindowId;

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The simulator, with the moment of each "connected" report taken as it leaves the service.
class TimedRas final : public dial::RasApi {
  public:
    explicit TimedRas(dial::SimConfig config) : sim_(std::move(config)) {}
    std::atomic<double> connectedAt{0};

    std::uint32_t SetEntryProperties(const std::string& book, const std::string& name,
                                     const dial::RasEntry& entry) override {
        return sim_.SetEntryProperties(book, name, entry);
    }
    std::uint32_t Dial(const std::string& book, const dial::RasDialParams& params,
                       dial::DialNotifier notifier, dial::RasHandle& handle) override {
        return sim_.Dial(
            book, params,
            [this, notifier](std::uint32_t m, std::uint32_t state, std::uint32_t e) {
                if (state == dial::kRasStateConnected) connectedAt = NowMs();
                notifier(m, state, e);
            },
            handle);
    }
    std::uint32_t HangUp(dial::RasHandle h) override { return sim_.HangUp(h); }
    dial::RasConnectStatus ConnectStatus(dial::RasHandle h) override {
        return sim_.ConnectStatus(h);
    }
    dial::RasConnectionList EnumConnections(dial::RasConnLayout layout) override {
        return sim_.EnumConnections(layout);
    }
    dial::RasErrorText ErrorString(std::uint32_t code, std::size_t units) override {
        return sim_.ErrorString(code, units);
    }
    dial::UserFolders Folders() override { return sim_.Folders(); }
    bool CreateFolder(const std::string& path) override { return sim_.CreateFolder(path); }
    bool DeletePhoneBook(const std::string& path) override { return sim_.DeletePhoneBook(path); }
    dial::DisconnectionWatchStart WatchDisconnections(
        dial::DisconnectionCallback onDisconnection) override {
        return sim_.WatchDisconnections(std::move(onDisconnection));
    }

  private:
    dial::RasSimulator sim_;
};

class NoLog final : public api::ProgramLog {
  public:
    void Write(std::string_view) override {}
};

// "连接成功" painted: the first WM_PAINT of the main window after which the
// status line holds it.
std::atomic<double> g_paintedAt{0};
ui::Control* g_status = nullptr;

LRESULT CALLBACK WatchPaint(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    if (msg == WM_PAINT && g_paintedAt == 0 && g_status->caption() == "连接成功")
        g_paintedAt = NowMs();
    return result;
}

struct Figures {
    std::vector<double> samples;
    void Print(const char* what) {
        std::sort(samples.begin(), samples.end());
        if (samples.empty()) return;
        std::printf("%-40s min %6.2f  median %6.2f  max %6.2f ms  (%zu rounds)\n", what,
                    samples.front(), samples[samples.size() / 2], samples.back(), samples.size());
    }
};

class Bench {
  public:
    Bench(ui::WindowSystem& windows, ui::win32_backend::Win32Backend& backend)
        : windows_(windows), backend_(backend) {}

    HWND Face() { return ui::win32_backend::Win32Backend::HandleOf(windows_.Open(WindowId::Main)); }
    HWND List(const char* name) {
        auto* face =
            dynamic_cast<ui::win32_backend::FaceWindow*>(windows_.Open(WindowId::Main).native());
        return face->ChildOf(*windows_.Find(WindowId::Main, name));
    }
    // A mouse click at the centre of a control, as the window receives it.
    void Click(const char* name, bool post = false) {
        auto* face =
            dynamic_cast<ui::win32_backend::FaceWindow*>(windows_.Open(WindowId::Main).native());
        const ui::Rect r = windows_.Find(WindowId::Main, name)->WindowRect();
        const LPARAM at = MAKELPARAM(ui::win32_backend::Scale(r.left + r.width / 2, face->dpi()),
                                     ui::win32_backend::Scale(r.top + r.height / 2, face->dpi()));
        // Posted when the handler waits for a dial: the measuring loop pumps meanwhile.
        for (const auto& [message, buttons] : {std::pair<UINT, WPARAM>{WM_MOUSEMOVE, 0},
                                               {WM_LBUTTONDOWN, MK_LBUTTON},
                                               {WM_LBUTTONUP, 0}}) {
            if (post) {
                PostMessageW(Face(), message, buttons, at);
            } else {
                SendMessageW(Face(), message, buttons, at);
            }
        }
    }
    // From the click to the node list drawn with its new rows.
    double TimedClick(const char* name) {
        backend_.WaitDispatching(50ms);  // nothing of the last round left to draw
        const double start = NowMs();
        Click(name);
        UpdateWindow(List("超级列表框_节点列表"));
        return NowMs() - start;
    }
    int Rows() { return ListView_GetItemCount(List("超级列表框_节点列表")); }

  private:
    ui::WindowSystem& windows_;
    ui::win32_backend::Win32Backend& backend_;
};

int Run(const std::string& apiBase, int rounds) {
    ui::win32_backend::Win32Backend backend;
    ui::WindowSystem windows(backend);
    TimedRas ras(test::SimulatorConfig(30ms));  // notifications spaced as a real dial spaces them
    test::ProgramPorts ports;
    NoLog log;
    Program program(test::ServiceOptions(apiBase),
                    ports.Services({.windows = windows,
                                    .ras = ras,
                                    .log = log,
                                    .settingsFolder = "C:\\",
                                    .appIcon = ui::EmbeddedPicture("app_icon")}));
    program.Start();
    windows.Find(WindowId::Login, "编辑框_帐号")->SetCaption("demo");
    windows.Find(WindowId::Login, "编辑框_密码")->SetCaption("demo123");
    windows.Raise(windows.Open(WindowId::Login), "超级按钮_登录", ui::EventKind::Click);
    // The sweep into the main window: 75 ticks of a window timer.
    for (int i = 0; i < 100 && !(program.MainWindow() && program.MainWindow()->IsVisible()); ++i)
        backend.WaitDispatching(100ms);
    if (program.MainWindow() == nullptr || !program.MainWindow()->IsVisible()) {
        std::fprintf(stderr, "the login did not reach the main window\n");
        return 1;
    }
    program.WaitForBackgroundWork();
    backend.WaitDispatching(ui::kDelayedListReload + 500ms);
    program.WaitForBackgroundWork();

    // The refreshes each click starts would have the stand-in, on this same
    // machine, build and send a 3 MB reply while the click is timed; the real
    // service does that elsewhere. Their replies now come after the figures.
    for (const char* path : {"/serverlistpc/", "/serverlistpc_xiulanfast/", "/getstaticiplist/"})
        ports.http.Fetch({.url = apiBase + "/_control/fault?path=" + path + "&delay_ms=20000"});

    Bench bench(windows, backend);
    Figures fill, search, dial;
    int rows = 0;
    for (int i = 0; i < rounds; ++i) {
        fill.samples.push_back(bench.TimedClick(i % 2 ? "透明标签_动态线路" : "透明标签_极速线路"));
        rows = std::max(rows, bench.Rows());
    }
    std::printf("node list: %d rows\n", rows);
    bench.TimedClick("透明标签_动态线路");
    const char* searches[] = {"北京 城市1", "", "城市19999"};
    for (int i = 0; i < rounds; ++i) {
        windows.Find(WindowId::Main, "编辑框_搜索")->SetCaption(searches[i % 3]);
        search.samples.push_back(bench.TimedClick("透明标签_搜索"));
    }

    g_status = windows.Find(WindowId::Main, "透明标签_连接状态");
    SetWindowSubclass(bench.Face(), WatchPaint, 1, 0);
    for (int i = 0; i < rounds; ++i) {
        ras.connectedAt = 0;
        g_paintedAt = 0;
        bench.Click("超级按钮_连接", true);
        for (int wait = 0; wait < 500 && g_paintedAt == 0; ++wait) backend.WaitDispatching(10ms);
        if (g_paintedAt == 0 || ras.connectedAt == 0) {
            std::fprintf(stderr, "round %d: no connection shown\n", i);
            return 1;
        }
        dial.samples.push_back(g_paintedAt - ras.connectedAt);
        backend.WaitDispatching(100ms);
        bench.Click("超级按钮_连接", true);  // and down again
        backend.WaitDispatching(100ms);
    }
    RemoveWindowSubclass(bench.Face(), WatchPaint, 1);

    fill.Print("fill (click to rows drawn)");
    search.Print("search (click to rows drawn)");
    dial.Print("connected report to status painted");
    ports.http.Fetch({.url = apiBase + "/_control/reset"});
    program.WaitForBackgroundWork();
    return 0;
}

}  // namespace
}  // namespace xl::program

int main(int argc, char** argv) {
    std::string apiBase;
    int rounds = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--api-base=", 0) == 0) apiBase = arg.substr(11);
        if (arg.rfind("--rounds=", 0) == 0) rounds = std::max(1, std::atoi(arg.c_str() + 9));
    }
    if (apiBase.empty()) {
        std::fprintf(stderr, "usage: main_window_timing --api-base=URL [--rounds=N]\n");
        return 2;
    }
    return xl::program::Run(apiBase, rounds);
}
