// The Win32 backend on a display: each catalogue window becomes a borderless
// popup of its scaled size centred on the screen, with native edit fields and
// list views where the catalogue puts them; clicks, typing, row clicks, the
// keys, timers, posted work and Esc reach the model as they do on the headless
// backend.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cwctype>
#include <string>
#include <thread>

#include "ui/picture.h"
#include "ui/win32_backend/backend_win32.h"
#include "ui/win32_backend/dpi_win32.h"
#include "ui/win32_backend/face_window_win32.h"
#include "ui/win32_backend/gdi_cache_win32.h"
#include "ui/win32_backend/icon_win32.h"
#include "ui/window_system.h"
#include "win32/text.h"

namespace xl::ui::win32_backend {
namespace {

using namespace std::chrono_literals;

class Win32Windows : public ::testing::Test {
  protected:
    void SetUp() override {
        if (GetSystemMetrics(SM_CXSCREEN) == 0) GTEST_SKIP() << "no display (run on Xvfb)";
    }
    FaceWindow& Face(WindowId id) { return *dynamic_cast<FaceWindow*>(ui.Open(id).native()); }
    UINT Dpi(WindowId id) { return Face(id).dpi(); }
    // Client coordinates of the centre of a control.
    POINT Centre(WindowId id, const char* name) {
        const Rect r = ui.Find(id, name)->WindowRect();
        return {Scale(r.left + r.width / 2, Dpi(id)), Scale(r.top + r.height / 2, Dpi(id))};
    }
    void ClickAt(WindowId id, POINT p) {
        HWND h = Win32Backend::HandleOf(ui.Open(id));
        SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }

    Win32Backend backend;
    WindowSystem ui{backend};
};

TEST_F(Win32Windows, EachWindowIsABorderlessPopupOfItsSizeCentredOnTheScreen) {
    for (WindowId id :
         {WindowId::Login, WindowId::Main, WindowId::AdapterDialog, WindowId::ConfirmDialog}) {
        Window& w = ui.Open(id);
        SCOPED_TRACE(w.design().face);
        HWND h = Win32Backend::HandleOf(w);
        ASSERT_NE(h, nullptr);
        EXPECT_FALSE(IsWindowVisible(h));
        w.Show();
        EXPECT_TRUE(IsWindowVisible(h));
        const UINT dpi = Dpi(id);
        RECT client, outer;
        GetClientRect(h, &client);
        GetWindowRect(h, &outer);
        EXPECT_EQ(client.right, Scale(w.design().width, dpi));
        EXPECT_EQ(client.bottom, Scale(w.design().height, dpi));
        EXPECT_EQ(outer.right - outer.left, client.right) << "no frame";
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_CAPTION);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTOPRIMARY), &mi);
        EXPECT_NEAR((outer.left + outer.right) / 2, (mi.rcWork.left + mi.rcWork.right) / 2, 1);
        EXPECT_NEAR((outer.top + outer.bottom) / 2, (mi.rcWork.top + mi.rcWork.bottom) / 2, 1);
        if (!EmbeddedPicture("app_icon").empty()) {
            EXPECT_NE(SendMessageW(h, WM_GETICON, ICON_SMALL, 0), 0);
        }
        wchar_t title[64] = {};
        GetWindowTextW(h, title, 64);
        EXPECT_EQ(win32::Narrow(title), w.design().title);
        w.Hide();
        EXPECT_FALSE(IsWindowVisible(h));
    }
}

TEST_F(Win32Windows, NativeEditFieldsAndListViewsSitWhereTheCatalogueSays) {
    FaceWindow& main = Face(WindowId::Main);
    const UINT dpi = main.dpi();
    for (const auto& c : ui.Open(WindowId::Main).controls()) {
        HWND child = main.ChildOf(*c);
        const bool native =
            c->kind() == ControlKind::EditField || c->kind() == ControlKind::ListView;
        EXPECT_EQ(child != nullptr, native) << c->name();
        if (!native) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, main.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        const Rect want = c->WindowRect();
        // Edit fields are as tall as their text, centred in the catalogue box.
        EXPECT_GE(r.left, Scale(want.left, dpi)) << c->name();
        EXPECT_LE(r.right, Scale(want.left + want.width, dpi)) << c->name();
        EXPECT_GE(r.top, Scale(want.top, dpi)) << c->name();
        EXPECT_LE(r.bottom, Scale(want.top + want.height, dpi)) << c->name();
        if (c->kind() == ControlKind::ListView) {
            EXPECT_EQ(r.right - r.left, Scale(want.width, dpi)) << c->name();
            EXPECT_EQ(r.bottom - r.top, Scale(want.height, dpi)) << c->name();
        }
        EXPECT_EQ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0, c->visible()) << c->name();
    }
    Control* nodes = ui.Find(WindowId::Main, "超级列表框_节点列表");
    HWND list = main.ChildOf(*nodes);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), Scale(110, dpi));
    EXPECT_EQ(ListView_GetColumnWidth(list, 5), 0) << "hidden column";
    EXPECT_EQ(ListView_GetColumnWidth(list, 6), 0) << "hidden column";
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_REPORT);

    Control* provinces = ui.Find(WindowId::Main, "超级列表框_省份");
    ui.Open(WindowId::Main).Show();
    EXPECT_FALSE(IsWindowVisible(main.ChildOf(*provinces)));
    provinces->SetPosition({332, 87, 87, 120});
    provinces->Show();
    EXPECT_TRUE(IsWindowVisible(main.ChildOf(*provinces)));
    RECT pr;
    GetClientRect(main.ChildOf(*provinces), &pr);
    EXPECT_GT(pr.bottom, Scale(25, dpi));

    // A child of a picture box moves with it.
    Control* box = ui.Find(WindowId::Main, "图片框_PPTP");
    box->MoveTo(500, 300);
    EXPECT_EQ(ui.Find(WindowId::Main, "透明标签_PPTP")->WindowRect(), (Rect{501, 300, 56, 16}));
}

TEST_F(Win32Windows, TypingAndTextFromTheProgramEachRaiseOneTextChange) {
    std::vector<std::string> seen;
    ui.OnTextChange(WindowId::Login, "编辑框_帐号",
                    [&] { seen.push_back(ui.Find(WindowId::Login, "编辑框_帐号")->caption()); });
    FaceWindow& login = Face(WindowId::Login);
    Control* account = ui.Find(WindowId::Login, "编辑框_帐号");
    HWND edit = login.ChildOf(*account);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"用户7");  // what typing does to the native field
    account->SetCaption("岫澜");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "用户7");
    EXPECT_EQ(seen[1], "岫澜");
    wchar_t text[32] = {};
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(win32::Narrow(text), "岫澜");
    EXPECT_FALSE(GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) << "the password shows as typed";
    HWND seconds = Face(WindowId::Main).ChildOf(*ui.Find(WindowId::Main, "编辑框_定时重连秒数"));
    EXPECT_TRUE(GetWindowLongW(seconds, GWL_STYLE) & ES_CENTER);
}

TEST_F(Win32Windows, ListRowsReachTheNativeList) {
    FaceWindow& dialog = Face(WindowId::AdapterDialog);
    Control* list = ui.Find(WindowId::AdapterDialog, "超级列表框_网卡列表");
    HWND native = dialog.ChildOf(*list);
    for (const char* name : {"以太网", "WLAN", "本地连接 2"})
        list->SetCell(list->AddRow(), 0, name);
    ASSERT_EQ(ListView_GetItemCount(native), 3);
    wchar_t text[32] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(native, LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(win32::Narrow(text), "本地连接 2");
    list->ChooseRow(0);  // from code: selected on screen
    EXPECT_EQ(ListView_GetNextItem(native, -1, LVNI_SELECTED), 0);
    list->DeleteAllRows();
    EXPECT_EQ(ListView_GetItemCount(native), 0);
}

// The same steps as on the headless backend, through the native list: mouse
// and key messages in the queue, as the user's arrive.
TEST_F(Win32Windows, AListReportsAMovedSelectionAndEveryClickAsTheHeadlessOneDoes) {
    constexpr char kList[] = "超级列表框_节点列表";
    std::vector<std::string> events;
    HWND native = Face(WindowId::Main).ChildOf(*ui.Find(WindowId::Main, kList));
    Control* list = ui.Find(WindowId::Main, kList);
    auto record = [&](const char* what) {
        return [&, what] { events.push_back(what + std::to_string(list->chosenRow())); };
    };
    ui.OnRowChosen(WindowId::Main, kList, record("chosen "));
    ui.OnRowClicked(WindowId::Main, kList, record("clicked "));
    ui.OnEnter(WindowId::Main, kList, record("enter "));
    ui.Open(WindowId::Main).Show();
    list->SetRows({"", "广东", "深圳", "", "", "", "", "", "江苏", "南京", "", "", "", "", "",
                   "浙江", "杭州"});
    list->ChooseRow(0);  // from code: no event

    struct Step {
        int click;  // a row clicked (in its city column), or -1 for the key
        WPARAM key;
        const char* reported;
    };
    const Step steps[] = {
        {2, 0, "chosen 2|clicked 2"}, {2, 0, "clicked 2"},        {-1, VK_DOWN, ""},
        {-1, VK_UP, "chosen 1"},      {-1, VK_HOME, "chosen 0"},  {-1, VK_UP, ""},
        {-1, VK_END, "chosen 2"},     {-1, VK_RETURN, "enter 2"},
    };
    for (const Step& s : steps) {
        events.clear();
        if (s.click >= 0) {
            RECT row{};
            ListView_GetItemRect(native, s.click, &row, LVIR_BOUNDS);
            const LPARAM at =
                MAKELPARAM(Scale(160, Dpi(WindowId::Main)), (row.top + row.bottom) / 2);
            PostMessageW(native, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(native, WM_LBUTTONUP, 0, at);
        } else {
            PostMessageW(native, WM_KEYDOWN, s.key, 1);
        }
        ui.Pump().DispatchPending();
        std::string reported;
        for (const std::string& e : events) reported += (reported.empty() ? "" : "|") + e;
        EXPECT_EQ(reported, s.reported) << s.click << "/" << s.key;
        EXPECT_EQ(ListView_GetNextItem(native, -1, LVNI_SELECTED), list->chosenRow());
    }
}

TEST_F(Win32Windows, AWholeListArrivesAtOnceAndADelayedTaskRunsOnce) {
    FaceWindow& main = Face(WindowId::Main);
    Control* nodes = ui.Find(WindowId::Main, "超级列表框_节点列表");
    HWND native = main.ChildOf(*nodes);
    std::vector<std::string> rows;
    for (int i = 0; i < 20000; ++i) {
        for (std::string cell : {std::string(), std::string("省"), "城市" + std::to_string(i),
                                 std::string(), std::string(), std::string(), std::string()})
            rows.push_back(std::move(cell));
    }
    nodes->SetRows({"", "旧", "", "", "", "", "", "", "旧"});
    nodes->ChooseRow(1);
    nodes->SetRows(std::move(rows));
    EXPECT_EQ(ListView_GetItemCount(native), 20000);
    EXPECT_EQ(ListView_GetNextItem(native, -1, LVNI_SELECTED), -1) << "no row chosen any more";
    wchar_t text[32] = {};
    LVITEMW item{};
    item.iSubItem = 2;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(native, LVM_GETITEMTEXTW, 19999, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(win32::Narrow(text), "城市19999");
    // Typing in the list finds nothing to choose.
    int picks = 0;
    ui.OnRowChosen(WindowId::Main, "超级列表框_节点列表", [&] { ++picks; });
    SendMessageW(native, WM_CHAR, L'x', 1);  // one key press, as typed
    EXPECT_EQ(picks, 0);
    EXPECT_EQ(ListView_GetNextItem(native, -1, LVNI_SELECTED), -1);
    nodes->SetRows({});
    EXPECT_EQ(ListView_GetItemCount(native), 0);

    int runs = 0;
    ui.PostAfter(50ms, [&] { ++runs; });
    ui.Pump().WaitDispatching(10ms);
    EXPECT_EQ(runs, 0);
    ui.Pump().WaitDispatching(300ms);
    EXPECT_EQ(runs, 1);
}

TEST_F(Win32Windows, ClicksReachTheTopmostEnabledControlUnderThePointer) {
    std::vector<std::string> log;
    for (const char* name : {"超级按钮_登录", "透明标签_记住密码", "图片框_记住密码"}) {
        ui.OnClick(WindowId::Login, name, [&log, name] { log.push_back(name); });
    }
    ui.Open(WindowId::Login).Show();
    ClickAt(WindowId::Login, Centre(WindowId::Login, "超级按钮_登录"));
    ClickAt(WindowId::Login, Centre(WindowId::Login, "透明标签_记住密码"));
    ui.Find(WindowId::Login, "超级按钮_登录")->SetEnabled(false);
    ClickAt(WindowId::Login, Centre(WindowId::Login, "超级按钮_登录"));
    EXPECT_EQ(log, (std::vector<std::string>{"超级按钮_登录", "透明标签_记住密码"}));
}

TEST_F(Win32Windows, TimersTickAndStopAndPostedWorkRunsOnThisThread) {
    Window& main = ui.Open(WindowId::Main);
    int ticks = 0;
    ui.OnTick(WindowId::Main, "时钟_掉线自动重连", [&] { ++ticks; });
    main.Find("时钟_掉线自动重连")->SetInterval(20);
    ui.Pump().WaitDispatching(400ms);
    EXPECT_GE(ticks, 3);
    main.Find("时钟_掉线自动重连")->SetInterval(0);
    const int stopped = ticks;
    ui.Pump().WaitDispatching(100ms);
    EXPECT_EQ(ticks, stopped);

    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<int> ran{0};
    std::atomic<bool> wrongThread{false};
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            ui.Post([&] {
                if (GetCurrentThreadId() != uiThread) wrongThread = true;
                ++ran;
            });
        }
    });
    worker.join();
    ui.Pump().WaitDispatching(50ms);
    EXPECT_EQ(ran, 100);
    EXPECT_FALSE(wrongThread);
}

// Counts the quits this thread's message calls take from its queue.
class QuitCounter {
  public:
    QuitCounter() {
        count_ = 0;
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, &QuitCounter::Hook, nullptr, GetCurrentThreadId());
    }
    ~QuitCounter() { UnhookWindowsHookEx(hook_); }
    bool Installed() const { return hook_ != nullptr; }
    int Count() const { return count_; }

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
        if (code == HC_ACTION && wp == PM_REMOVE &&
            reinterpret_cast<MSG*>(lp)->message == WM_QUIT) {
            ++count_;
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    static inline int count_ = 0;  // the hook has no context of its own
    HHOOK hook_ = nullptr;
};

TEST_F(Win32Windows, TheWaitHandlesMessagesAsTheyArriveForTheWholeInterval) {
    for (int i = 0; i < 5; ++i) PostThreadMessageW(GetCurrentThreadId(), WM_APP + 8, 0, 0);
    int posted = 0;
    std::thread worker([&] {
        std::this_thread::sleep_for(10ms);
        ui.Post([&] { ++posted; });
    });
    const auto start = std::chrono::steady_clock::now();
    ui.Pump().WaitDispatching(60ms);
    worker.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms);
    EXPECT_EQ(posted, 1);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 8, WM_APP + 8, PM_NOREMOVE));
}

// A quit met by a nested wait goes back to the outer loop; the wait then
// sleeps out its interval rather than waking on that quit again and again.
TEST_F(Win32Windows, AQuitIsHandedBackAndTheWaitDoesNotSpinOnIt) {
    PostQuitMessage(3);
    ui.Pump().DispatchPending();
    QuitCounter quits;
    ASSERT_TRUE(quits.Installed());
    const auto start = std::chrono::steady_clock::now();
    ui.Pump().WaitDispatching(300ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
    // A spinning wait takes the quit and posts it again hundreds of times.
    EXPECT_LE(quits.Count(), 2);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(Win32Windows, EscDestroysADialogButNotTheMainWindow) {
    int created = 0;
    ui.OnCreated(WindowId::ConfirmDialog, [&](Window&) { ++created; });
    Window& dialog = ui.Open(WindowId::ConfirmDialog);
    dialog.Show();
    HWND h = Win32Backend::HandleOf(dialog);
    PostMessageW(h, WM_KEYDOWN, VK_ESCAPE, 0);
    ui.Pump().DispatchPending();
    EXPECT_EQ(ui.Existing(WindowId::ConfirmDialog), nullptr);
    EXPECT_FALSE(IsWindow(h));
    ui.Open(WindowId::ConfirmDialog);
    EXPECT_EQ(created, 2);

    Window& main = ui.Open(WindowId::Main);
    main.Show();
    PostMessageW(Win32Backend::HandleOf(main), WM_KEYDOWN, VK_ESCAPE, 0);
    ui.Pump().DispatchPending();
    EXPECT_EQ(ui.Existing(WindowId::Main), &main);
    EXPECT_TRUE(IsWindowVisible(Win32Backend::HandleOf(main)));
}

TEST_F(Win32Windows, EnterReachesTheFocusedFieldsHandlerElseTheDialogsDefaultButton) {
    std::vector<std::string> ran;
    ui.OnEnter(WindowId::Login, "编辑框_密码", [&] { ran.push_back("password"); });
    ui.OnClick(WindowId::ConfirmDialog, "超级按钮_确认", [&] { ran.push_back("confirm"); });
    ui.Open(WindowId::Login).Show();
    ui.Open(WindowId::ConfirmDialog).Show();
    HWND password = Face(WindowId::Login).ChildOf(*ui.Find(WindowId::Login, "编辑框_密码"));
    HWND account = Face(WindowId::Login).ChildOf(*ui.Find(WindowId::Login, "编辑框_帐号"));
    HWND dialog = Win32Backend::HandleOf(ui.Open(WindowId::ConfirmDialog));
    constexpr LPARAM kRepeated = 1 << 30;  // the key was already down: a held key
    for (auto [to, flags] : {std::pair{password, LPARAM{1}},
                             {password, kRepeated},
                             {account, LPARAM{1}},
                             {dialog, LPARAM{1}}}) {
        PostMessageW(to, WM_KEYDOWN, VK_RETURN, flags);
        ui.Pump().DispatchPending();
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"password", "confirm"}));
}

TEST_F(Win32Windows, TabMovesFromTheAccountFieldToThePasswordField) {
    FaceWindow& login = Face(WindowId::Login);
    ui.Open(WindowId::Login).Show();
    HWND account = login.ChildOf(*ui.Find(WindowId::Login, "编辑框_帐号"));
    HWND password = login.ChildOf(*ui.Find(WindowId::Login, "编辑框_密码"));
    SetFocus(account);
    if (GetFocus() != account) GTEST_SKIP() << "the window could not take the focus";
    PostMessageW(account, WM_KEYDOWN, VK_TAB, 0);
    ui.Pump().DispatchPending();
    EXPECT_EQ(GetFocus(), password);
}

TEST_F(Win32Windows, AMoveToA150PercentMonitorScalesControlsAndFonts) {
    FaceWindow& main = Face(WindowId::Main);
    const UINT before = main.dpi();
    const UINT after = before * 3 / 2;
    RECT suggested;
    GetWindowRect(main.hwnd(), &suggested);
    suggested.right = suggested.left + Scale(862, after);
    suggested.bottom = suggested.top + Scale(560, after);
    SendMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(after, after),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(main.dpi(), after);
    RECT client;
    GetClientRect(main.hwnd(), &client);
    EXPECT_EQ(client.right, Scale(862, after));
    HWND list = main.ChildOf(*ui.Find(WindowId::Main, "超级列表框_节点列表"));
    RECT r;
    GetWindowRect(list, &r);
    MapWindowPoints(nullptr, main.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, Scale(19, after));
    EXPECT_EQ(r.right - r.left, Scale(517, after));
    EXPECT_EQ(ListView_GetColumnWidth(list, 2), Scale(200, after));
    EXPECT_EQ(ListView_GetColumnWidth(list, 5), 0);
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -Scale(13, after));
}

TEST_F(Win32Windows, TheMessageBoxIsTaskModalWithTheStopIconAndReturnsOnOk) {
    std::atomic<bool> found{false};
    std::atomic<bool> stopIcon{false};
    const DWORD uiThread = GetCurrentThreadId();
    std::thread closer([&] {
        for (int i = 0; i < 200 && !found; ++i) {
            if (HWND box = FindWindowW(L"#32770", win32::Widen("友情提醒:").c_str())) {
                found = true;
                // The stop icon is a static control showing an icon.
                stopIcon = FindWindowExW(box, nullptr, L"Static", nullptr) != nullptr;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(25);
        }
        // Never found: end the box's modal loop rather than hang the suite.
        if (!found) PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
    });
    ui.ShowMessageBox("程序已运行，请勿重复打开！", "友情提醒:");
    closer.join();
    EXPECT_TRUE(found);
    EXPECT_TRUE(stopIcon);
}

// Pixels of the painted face, read back from an off-screen bitmap.
class FacePixels {
  public:
    explicit FacePixels(FaceWindow& face) {
        RECT r;
        GetClientRect(face.hwnd(), &r);
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, r.right, r.bottom);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        face.PaintFace(dc_);
    }
    ~FacePixels() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

bool Greenish(COLORREF c) {
    return GetGValue(c) > GetRValue(c) + 60 && GetGValue(c) > 100;
}

TEST_F(Win32Windows, FacesShowTheirPicturesAndTickedBoxesShowTheTick) {
    FaceWindow& main = Face(WindowId::Main);
    const UINT dpi = main.dpi();
    {
        FacePixels px(main);
        if (px.At(Scale(400, dpi), Scale(12, dpi)) == RGB(255, 255, 255)) {
            GTEST_SKIP() << "pictures are not embedded in this build";
        }
        EXPECT_TRUE(Greenish(px.At(Scale(400, dpi), Scale(12, dpi)))) << "title band";
        const POINT box = Centre(WindowId::Main, "图片框_定时重连");
        EXPECT_FALSE(Greenish(px.At(box.x, box.y))) << "unticked";
        const POINT radio = Centre(WindowId::Main, "图片框_动态线路");
        EXPECT_TRUE(Greenish(px.At(radio.x, radio.y))) << "selected radio's dot";
    }
    ui.Find(WindowId::Main, "图片框_定时重连")->SetPicture("check_on");
    FacePixels px(main);
    const Rect r = ui.Find(WindowId::Main, "图片框_定时重连")->WindowRect();
    // The tick is white over green: look for both inside the box.
    bool green = false;
    for (int dy = 2; dy < 17; ++dy) {
        green = green || Greenish(px.At(Scale(r.left + 2, dpi), Scale(r.top + dy, dpi)));
    }
    EXPECT_TRUE(green);
}

TEST_F(Win32Windows, AnImageButtonShowsItsLitPictureUnderThePointerAndGreyWhenDisabled) {
    FaceWindow& login = Face(WindowId::Login);
    const UINT dpi = login.dpi();
    if (EmbeddedPicture("login_normal").empty()) GTEST_SKIP() << "pictures not embedded";
    // A point on the button's green, clear of its word.
    const int x = Scale(35 + 12, dpi), y = Scale(406 + 20, dpi);
    const COLORREF normal = FacePixels(login).At(x, y);
    SendMessageW(login.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    const COLORREF lit = FacePixels(login).At(x, y);
    SendMessageW(login.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(FacePixels(login).At(x, y), normal) << "pointer gone";
    ui.Find(WindowId::Login, "超级按钮_登录")->SetEnabled(false);
    const COLORREF disabled = FacePixels(login).At(x, y);
    EXPECT_TRUE(Greenish(normal));
    EXPECT_NE(lit, normal);
    EXPECT_FALSE(Greenish(disabled));
}

TEST(Manifest, ProcessIsPerMonitorDpiAwareWithCommonControlsSix) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(res, nullptr) << "no manifest in the executable";
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, res))),
                               SizeofResource(nullptr, res));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0"),
              std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    // Windows 10's calls, looked up: the build declares Windows 7's only.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto threadContext = reinterpret_cast<void* (*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<int (*)(void*)>(reinterpret_cast<void (*)()>(
        GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(threadContext && awarenessOf) << "a system before Windows 10 1607";
    constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
    EXPECT_EQ(awarenessOf(threadContext()), kPerMonitorAware);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
    // Version 6 is the side-by-side copy (Wine's reports 5.81 from DllGetVersion).
    std::wstring where(path);
    for (auto& ch : where) ch = static_cast<wchar_t>(towlower(ch));
    EXPECT_NE(where.find(L"common-controls_6595b64144ccf1df_6.0"), std::wstring::npos)
        << win32::Narrow(path);
}

}  // namespace
}  // namespace xl::ui::win32_backend

namespace xl::ui::win32_backend {
namespace {

// Opaque pictures (all of today's art) are kept at 8 bits when they have at
// most 256 colours, else at 24: every pixel must come back as decoded, at
// 100 % and from the 2x art.
TEST(GdiCache, PicturesKeepEveryPixelAtTheSmallestDepthThatHoldsThem) {
    if (EmbeddedPicture("login_face").empty()) GTEST_SKIP() << "pictures not embedded";
    const struct {
        const char* name;
        UINT dpi;
        WORD bits;
    } cases[] = {
        {"login_face", 96, 24},          // 767 colours
        {"confirm_dialog_face", 96, 8},  // 90 colours
        {"check_on", 96, 8},             // 41 colours
        {"login_face", 192, 24},         // the 2x art as it is
    };
    GdiCache cache;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.dpi));
        const Bitmap b = cache.Picture(c.name, c.dpi);
        ASSERT_NE(b.handle, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(b.handle, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        EXPECT_EQ(dib.dsBm.bmBitsPixel, c.bits);
        EXPECT_EQ(b.opaque, c.bits != 32);
        const auto decoded = c.dpi == 96 ? DecodePng(EmbeddedPicture(c.name))
                                         : PictureAtSize(c.name, b.width, b.height);
        ASSERT_TRUE(decoded.has_value());
        ASSERT_EQ(b.width, decoded->width);
        ASSERT_EQ(b.height, decoded->height);
        // Back to 32-bit BGRA by the system, as a blit would see it.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = b.width;
        info.bmiHeader.biHeight = -b.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(b.width) * b.height * 4);
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(GetDIBits(screen, b.handle, 0, static_cast<UINT>(b.height), pixels.data(), &info,
                            DIB_RGB_COLORS),
                  b.height);
        ReleaseDC(nullptr, screen);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            for (std::size_t k = 0; k < (b.opaque ? 3u : 4u); ++k) {
                if (pixels[i + k] != decoded->bgra[i + k]) ++differing;
            }
        }
        EXPECT_EQ(differing, 0u);
    }
    // A dropped picture is made again, the same.
    const Bitmap before = cache.Picture("confirm_dialog_face", 96);
    cache.ForgetPicture("confirm_dialog_face");
    const Bitmap again = cache.Picture("confirm_dialog_face", 96);
    ASSERT_NE(again.handle, nullptr);
    EXPECT_EQ(again.width, before.width);
    EXPECT_TRUE(again.opaque);
}

// On Windows 7 and 8 the DPI comes from the screen and metrics are scaled;
// where the newer calls exist (Wine has them all) both must agree.
TEST(Dpi, FallbacksForOlderSystemsAgreeWithTheNewerCalls) {
    if (GetSystemMetrics(SM_CXSCREEN) == 0) GTEST_SKIP() << "no display (run on Xvfb)";
    EXPECT_EQ(fallback::SystemDpi(), SystemDpi());
    EXPECT_GE(SystemDpi(), kBaseDpi);
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(fallback::WindowDpi(window), WindowDpi(window));
    DestroyWindow(window);
    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        for (const int index : {SM_CXICON, SM_CXSMICON, SM_CYSMICON}) {
            EXPECT_EQ(fallback::SystemMetricForDpi(index, dpi), SystemMetricForDpi(index, dpi));
        }
        EXPECT_EQ(SystemMetricForDpi(SM_CXICON, dpi), MulDiv(32, static_cast<int>(dpi), 96));
        const LOGFONTW newer = MessageFontForDpi(dpi), older = fallback::MessageFontForDpi(dpi);
        EXPECT_EQ(older.lfHeight, newer.lfHeight);
        EXPECT_NE(newer.lfHeight, 0);
        EXPECT_STREQ(older.lfFaceName, newer.lfFaceName);
    }
}

TEST(ProgramIcon, WindowsCarryItAndBadIconBytesGiveNone) {
    if (EmbeddedPicture("app_icon").empty()) GTEST_SKIP() << "icon not embedded in this build";
    const auto ico = EmbeddedPicture("app_icon");
    for (int size : {16, 20, 24, 32, 48}) {
        HICON icon = IconFromIcoFile(ico, size);
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(icon);
    }
    std::vector<std::uint8_t> bytes(ico.begin(), ico.end());
    const struct {
        const char* what;
        std::vector<std::uint8_t> data;
    } hostile[] = {
        {"empty", {}},
        {"header only", {0, 0, 1, 0}},
        {"not an icon (type 2)", {0, 0, 2, 0, 1, 0}},
        {"entry cut short", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12)},
        {"image past the end", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 200)},
    };
    for (const auto& h : hostile) EXPECT_EQ(IconFromIcoFile(h.data, 32), nullptr) << h.what;
}

}  // namespace
}  // namespace xl::ui::win32_backend
