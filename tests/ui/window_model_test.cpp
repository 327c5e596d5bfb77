// The window model on the headless backend: windows built once from the
// catalogue, controls found by name per window, parent-relative positions,
// events by control name, timers on the virtual clock, posting from other
// threads and the Esc life cycle of the dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "ui/headless/headless_backend.h"
#include "ui/window_system.h"

namespace xl::ui {
namespace {

using namespace std::chrono_literals;

class WindowModel : public ::testing::Test {
  protected:
    HeadlessBackend backend;
    WindowSystem ui{backend};
};

TEST_F(WindowModel, WindowIsBuiltOnceHiddenWithItsCreationHandlerRunOnce) {
    int created = 0;
    ui.OnCreated(WindowId::Main, [&](Window& w) {
        ++created;
        w.Find("透明标签_帐号")->SetCaption("alice");
    });
    EXPECT_EQ(ui.Existing(WindowId::Main), nullptr);
    Window& first = ui.Open(WindowId::Main);
    Window& again = ui.Open(WindowId::Main);
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(created, 1);
    EXPECT_FALSE(first.visible());
    EXPECT_EQ(first.title(), "岫澜IP");
    EXPECT_EQ(ui.Find(WindowId::Main, "透明标签_帐号")->caption(), "alice");
    first.Show();
    EXPECT_TRUE(first.visible());
    first.Hide();
    EXPECT_FALSE(first.visible());
}

TEST_F(WindowModel, ABindingToANameTheCatalogueLacksIsCaught) {
    ui.OnClick(WindowId::Main, "透明标签_连接状态", [] {});
    EXPECT_TRUE(ui.UnknownBindings().empty());
    // One character off: 链 for 连.
    EXPECT_DEBUG_DEATH(ui.OnClick(WindowId::Main, "透明标签_链接状态", [] {}), "catalogue lacks");
#ifdef NDEBUG
    EXPECT_EQ(ui.UnknownBindings(), std::vector<std::string>{"岫澜IP/透明标签_链接状态"});
#endif
}

TEST_F(WindowModel, ControlsStartAsTheCatalogueSays) {
    Window& main = ui.Open(WindowId::Main);
    EXPECT_FALSE(main.Find("超级列表框_省份")->visible());
    EXPECT_TRUE(main.Find("超级列表框_节点列表")->visible());
    EXPECT_EQ(main.Find("超级按钮_连接")->tag(), "连接");
    EXPECT_EQ(main.Find("编辑框_定时重连秒数")->caption(), "30");
    EXPECT_EQ(main.Find("图片框_定时重连")->picture(), "check_off");
    EXPECT_EQ(main.Find("时钟_定时重连")->interval(), 0);
    EXPECT_EQ(main.Find("超级列表框_节点列表")->RowCount(), 0);
    EXPECT_EQ(main.Find("超级列表框_节点列表")->chosenRow(), -1);
    EXPECT_EQ(main.Find("no such control"), nullptr);
}

TEST_F(WindowModel, RepeatedNamesAreTheirOwnWindowsControls) {
    std::vector<std::string> log;
    ui.OnClick(WindowId::Login, "透明标签_关闭", [&] { log.push_back("login"); });
    ui.OnClick(WindowId::Main, "透明标签_关闭", [&] { log.push_back("main"); });
    Window& login = ui.Open(WindowId::Login);
    Window& main = ui.Open(WindowId::Main);
    EXPECT_NE(login.Find("透明标签_关闭"), main.Find("透明标签_关闭"));
    EXPECT_EQ(main.Find("透明标签_关闭")->position(), (Rect{832, 2, 28, 24}));
    login.Show();
    main.Show();
    EXPECT_TRUE(backend.Click(WindowId::Main, "透明标签_关闭"));
    EXPECT_TRUE(backend.Click(WindowId::Login, "透明标签_关闭"));
    EXPECT_EQ(log, (std::vector<std::string>{"main", "login"}));
    // A name that exists only on another window is not found on this one.
    EXPECT_EQ(login.Find("超级按钮_连接"), nullptr);
    EXPECT_FALSE(backend.Click(WindowId::Login, "超级按钮_连接"));
}

TEST_F(WindowModel, ChildPositionsAreRelativeToTheirPictureBox) {
    Window& main = ui.Open(WindowId::Main);
    Control* box = main.Find("图片框_SSTP");
    Control* label = main.Find("透明标签_SSTP");
    ASSERT_EQ(label->parent(), box);
    EXPECT_EQ(label->position(), (Rect{5, 1, 48, 16}));
    EXPECT_EQ(label->WindowRect(), (Rect{768, 320, 48, 16}));
    box->MoveTo(700, 300);
    EXPECT_EQ(label->WindowRect(), (Rect{705, 301, 48, 16}));
    EXPECT_EQ(main.Find("透明标签_L2TP")->WindowRect(), (Rect{685, 320, 51, 16}));

    // A hidden box hides its children: they can no longer be clicked.
    int clicks = 0;
    ui.OnClick(WindowId::Main, "透明标签_SSTP", [&] { ++clicks; });
    main.Show();
    EXPECT_TRUE(backend.Click(WindowId::Main, "透明标签_SSTP"));
    box->Hide();
    EXPECT_TRUE(label->visible());
    EXPECT_FALSE(label->IsShown());
    EXPECT_FALSE(backend.Click(WindowId::Main, "透明标签_SSTP"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowModel, InjectedEventsReachOnlyWhatAUserCouldReach) {
    int clicks = 0;
    ui.OnClick(WindowId::Login, "超级按钮_登录", [&] { ++clicks; });
    Window& login = ui.Open(WindowId::Login);
    EXPECT_FALSE(backend.Click(WindowId::Login, "超级按钮_登录")) << "window not shown yet";
    login.Show();
    EXPECT_TRUE(backend.Click(WindowId::Login, "超级按钮_登录"));
    login.Find("超级按钮_登录")->SetEnabled(false);
    EXPECT_FALSE(backend.Click(WindowId::Login, "超级按钮_登录")) << "disabled";
    EXPECT_FALSE(backend.Click(WindowId::Login, "编辑框_帐号")) << "edit fields have no click";
    EXPECT_FALSE(backend.Type(WindowId::Login, "透明标签_登录状态", "x")) << "labels take no text";
    EXPECT_FALSE(backend.Click(WindowId::Login, "时钟1"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowModel, EditFieldsReportTypingAndTextSetByTheProgram) {
    std::vector<std::string> seen;
    ui.OnTextChange(WindowId::Login, "编辑框_帐号",
                    [&] { seen.push_back(ui.Find(WindowId::Login, "编辑框_帐号")->caption()); });
    Window& login = ui.Open(WindowId::Login);
    login.Show();
    EXPECT_TRUE(backend.Type(WindowId::Login, "编辑框_帐号", "bob"));
    login.Find("编辑框_帐号")->SetCaption("carol");
    login.Find("编辑框_帐号")->SetCaption("carol");
    EXPECT_EQ(seen, (std::vector<std::string>{"bob", "carol", "carol"}));
    // Other controls' captions change silently.
    login.Find("透明标签_登录状态")->SetCaption("请输入账号！");
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(WindowModel, ListViewRowsCellsAndTheChosenRow) {
    Window& main = ui.Open(WindowId::Main);
    main.Show();
    Control* list = main.Find("超级列表框_节点列表");
    for (const char* city : {"北京", "上海", "广州"}) {
        int row = list->AddRow();
        EXPECT_TRUE(list->SetCell(row, 2, city));
        EXPECT_TRUE(list->SetCell(row, 6, "10.0.0.1")) << "hidden columns hold data too";
    }
    EXPECT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->Cell(1, 2), "上海");
    EXPECT_EQ(list->Cell(1, 1), "");
    // Cells outside the list are refused on write and read empty.
    EXPECT_FALSE(list->SetCell(3, 0, "x"));
    EXPECT_FALSE(list->SetCell(0, 7, "x"));
    EXPECT_FALSE(list->SetCell(-1, 0, "x"));
    EXPECT_EQ(list->Cell(9, 9), "");
    EXPECT_EQ(list->Cell(-1, 0), "");

    list->ChooseRow(42);
    EXPECT_EQ(list->chosenRow(), -1);
    list->ChooseRow(1);
    list->DeleteAllRows();
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(list->chosenRow(), -1);

    // The start-hidden drop-down cannot be chosen from until shown.
    Control* provinces = main.Find("超级列表框_省份");
    provinces->SetCell(provinces->AddRow(), 0, "广东");
    EXPECT_FALSE(backend.ClickRow(WindowId::Main, "超级列表框_省份", 0));
    provinces->SetPosition({332, 87, 87, 120});
    provinces->Show();
    EXPECT_TRUE(backend.ClickRow(WindowId::Main, "超级列表框_省份", 0));
}

// What the user does to a three-row list, in turn, and what the list reports:
// a moved selection only when it moved, every click, keys that move it.
TEST_F(WindowModel, AListReportsAMovedSelectionAndEveryClickAsTheWin32ListDoes) {
    constexpr char kList[] = "超级列表框_节点列表";
    std::vector<std::string> events;
    Control* list = ui.Open(WindowId::Main).Find(kList);
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
        std::variant<int, Key> action;  // a row clicked, or a key pressed in the list
        bool taken;                     // the backend delivered it
        const char* reported;           // "" for nothing
    };
    const Step steps[] = {
        {2, true, "chosen 2|clicked 2"},
        {2, true, "clicked 2"},  // the chosen row again: only the click
        {Key::Down, true, ""},   // past the end nothing moves
        {Key::Up, true, "chosen 1"},
        {Key::Home, true, "chosen 0"},
        {Key::Up, true, ""},
        {Key::End, true, "chosen 2"},
        {Key::Enter, true, "enter 2"},
        {3, false, ""},  // no such row
    };
    for (const Step& s : steps) {
        events.clear();
        const int* row = std::get_if<int>(&s.action);
        const bool taken = row ? backend.ClickRow(WindowId::Main, kList, *row)
                               : backend.PressKey(WindowId::Main, kList, std::get<Key>(s.action));
        std::string reported;
        for (const std::string& e : events) reported += (reported.empty() ? "" : "|") + e;
        EXPECT_EQ(taken, s.taken) << s.reported;
        EXPECT_EQ(reported, s.reported);
    }
    // With none chosen, a moving key chooses the first row.
    list->ChooseRow(-1);
    events.clear();
    EXPECT_TRUE(backend.PressKey(WindowId::Main, kList, Key::Down));
    EXPECT_EQ(events, (std::vector<std::string>{"chosen 0"}));
    EXPECT_FALSE(backend.PressKey(WindowId::Main, "透明标签_搜索", Key::Down)) << "a label";
    EXPECT_FALSE(backend.PressKey(WindowId::Main, "编辑框_搜索", Key::Down)) << "not a list";
}

// Enter goes to the focused control's handler, else to a dialog's default
// button as a click would, and does nothing where neither exists.
TEST_F(WindowModel, EnterRunsTheFocusedControlsHandlerElseTheDialogsDefaultButton) {
    std::vector<std::string> ran;
    auto note = [&](std::string what) { return [&ran, what] { ran.push_back(what); }; };
    ui.OnEnter(WindowId::Login, "编辑框_密码", note("password"));
    ui.OnClick(WindowId::ConfirmDialog, "超级按钮_确认", note("confirm"));
    ui.OnClick(WindowId::AdapterDialog, "超级按钮_确定", note("adapter ok"));
    for (WindowId id :
         {WindowId::Login, WindowId::Main, WindowId::ConfirmDialog, WindowId::AdapterDialog}) {
        ui.Open(id).Show();
    }
    ui.Find(WindowId::AdapterDialog, "超级列表框_网卡列表")->Show();

    struct Case {
        WindowId window;
        const char* focused;  // "" for the window itself
        bool taken;
        const char* ran;  // "" for nothing
    };
    const Case cases[] = {
        {WindowId::Login, "编辑框_密码", true, "password"},
        {WindowId::Login, "编辑框_帐号", false, ""},  // no handler, no default button
        {WindowId::Main, "", false, ""},
        {WindowId::ConfirmDialog, "", true, "confirm"},
        {WindowId::AdapterDialog, "超级列表框_网卡列表", true, "adapter ok"},
    };
    for (const Case& c : cases) {
        ran.clear();
        EXPECT_EQ(backend.PressKey(c.window, c.focused, Key::Enter), c.taken) << c.ran;
        EXPECT_EQ(ran.empty() ? "" : ran.front(), std::string(c.ran));
    }
    // A disabled default button takes no Enter, as it takes no click.
    ui.Find(WindowId::ConfirmDialog, "超级按钮_确认")->SetEnabled(false);
    EXPECT_FALSE(backend.PressKey(WindowId::ConfirmDialog, "", Key::Enter));
    EXPECT_FALSE(ui.Press(WindowId::ConfirmDialog, "超级按钮_确认"));
}

TEST_F(WindowModel, TimersTickOnTheVirtualClockAndStopAtZero) {
    Window& login = ui.Open(WindowId::Login);
    Control* timer = login.Find("时钟1");
    Control* bar = login.Find("图片框1");
    int ticks = 0;
    // The login sweep: 5 pixels a tick until the bar's left edge reaches -129.
    ui.OnTick(WindowId::Login, "时钟1", [&] {
        ++ticks;
        bar->MoveTo(bar->position().left + 5, bar->position().top);
        if (bar->position().left >= -129) timer->SetInterval(0);
    });
    backend.Advance(1000ms);
    EXPECT_EQ(ticks, 0) << "timers start stopped";
    timer->SetInterval(1);
    backend.Advance(74ms);
    EXPECT_EQ(ticks, 74);
    backend.Advance(1000ms);
    EXPECT_EQ(ticks, 75);
    EXPECT_EQ(bar->position().left, -125);
    EXPECT_EQ(timer->interval(), 0);
    timer->SetInterval(-5);
    EXPECT_EQ(timer->interval(), 0);
}

TEST_F(WindowModel, TimersOfSeveralWindowsInterleaveByDueTime) {
    Window& main = ui.Open(WindowId::Main);
    std::vector<std::string> log;
    ui.OnTick(WindowId::Main, "时钟_掉线自动重连", [&] { log.push_back("drop"); });
    ui.OnTick(WindowId::Main, "时钟_定时重连",
              [&] { log.push_back("timed@" + std::to_string(backend.Now().count())); });
    main.Find("时钟_掉线自动重连")->SetInterval(5000);
    main.Find("时钟_定时重连")->SetInterval(14000);
    backend.Pump().WaitDispatching(15000ms);
    EXPECT_EQ(log, (std::vector<std::string>{"drop", "drop", "timed@14000", "drop"}));
    // Restarting a timer restarts its count.
    log.clear();
    backend.Advance(4000ms);
    main.Find("时钟_掉线自动重连")->SetInterval(5000);
    backend.Advance(4000ms);
    EXPECT_TRUE(log.empty());
    backend.Advance(1000ms);
    EXPECT_EQ(log, (std::vector<std::string>{"drop"}));
}

TEST_F(WindowModel, ADelayedTaskRunsOnceAmongTheTicksWhenTheClockGetsThere) {
    Window& main = ui.Open(WindowId::Main);
    std::vector<std::string> log;
    ui.OnTick(WindowId::Main, "时钟_掉线自动重连",
              [&] { log.push_back("tick@" + std::to_string(backend.Now().count())); });
    main.Find("时钟_掉线自动重连")->SetInterval(1000);
    ui.PostAfter(2000ms, [&] {
        log.push_back("task@" + std::to_string(backend.Now().count()));
        ui.PostAfter(0ms, [&] { log.push_back("again"); });
    });
    backend.Advance(1999ms);
    EXPECT_EQ(log, (std::vector<std::string>{"tick@1000"}));
    EXPECT_EQ(backend.delayedTasks(), 1);
    backend.Advance(1ms);
    // Due at the same moment as a tick: whichever was scheduled first goes first.
    EXPECT_EQ(log, (std::vector<std::string>{"tick@1000", "task@2000", "tick@2000", "again"}));
    backend.Advance(5000ms);
    EXPECT_EQ(std::count(log.begin(), log.end(), "again"), 1);
    EXPECT_EQ(backend.delayedTasks(), 0);
}

TEST_F(WindowModel, ReplacingAllRowsFillsThemColumnByColumnAndDropsTheChoice) {
    Control* list = ui.Open(WindowId::Main).Find("超级列表框_节点列表");
    list->SetCell(list->AddRow(), 2, "旧");
    list->ChooseRow(0);
    list->SetRows({"", "广东", "深圳", "电信", "正常", "h1", "", "", "江苏", "南京"});
    EXPECT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->chosenRow(), -1);
    EXPECT_EQ(list->Cell(0, 2), "深圳");
    EXPECT_EQ(list->Cell(0, 6), "");
    EXPECT_EQ(list->Cell(1, 2), "南京");
    EXPECT_EQ(list->Cell(1, 6), "") << "the short last row is padded";
    EXPECT_EQ(list->Cell(1, 7), "");
    list->SetRows({});
    EXPECT_EQ(list->RowCount(), 0);

    // An exchange shows only the rows asked for; a row added later starts empty.
    std::vector<std::string> block{"",  "a", "b", "", "", "", "",     "",
                                   "c", "d", "",  "", "", "", "spare"};
    list->ExchangeRows(block, 2);
    EXPECT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->Cell(1, 2), "d");
    EXPECT_EQ(list->Cell(2, 0), "");
    EXPECT_TRUE(block.empty()) << "the previous, empty block comes back";
    EXPECT_EQ(list->AddRow(), 2);
    EXPECT_EQ(list->Cell(2, 0), "");
}

TEST_F(WindowModel, WorkPostedFromOtherThreadsRunsInOrderOnTheDispatchingThread) {
    ui.Open(WindowId::Main);
    const auto uiThread = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<bool> offThread{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < 250; ++i) {
                ui.Post([&, t, i] {
                    if (std::this_thread::get_id() != uiThread) offThread = true;
                    order.push_back(t * 1000 + i);
                });
            }
        });
    }
    for (auto& w : workers) w.join();
    EXPECT_TRUE(order.empty()) << "nothing runs before the pump";
    ui.Pump().DispatchPending();
    ASSERT_EQ(order.size(), 1000u);
    EXPECT_FALSE(offThread);
    for (int t = 0; t < 4; ++t) {
        int last = -1;
        for (int v : order) {
            if (v / 1000 == t) {
                EXPECT_GT(v, last);
                last = v;
            }
        }
    }
}

TEST_F(WindowModel, ATaskThatRepostsItselfDoesNotHoldThePump) {
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        ui.Post(again);
    };
    ui.Post(again);
    ui.Pump().DispatchPending();
    EXPECT_EQ(runs, 1);
    ui.Pump().WaitDispatching(10ms);
    EXPECT_GE(runs, 2);
}

TEST_F(WindowModel, EscDestroysADialogWhichIsBuiltAgainWithItsHandlers) {
    std::string prompt = "确认注销吗？";
    int created = 0;
    int cancels = 0;
    ui.OnCreated(WindowId::ConfirmDialog, [&](Window& w) {
        ++created;
        w.Find("透明标签_提示信息")->SetCaption(prompt);
    });
    ui.OnCreated(WindowId::Main, [&](Window&) { ++created; });
    ui.OnClick(WindowId::ConfirmDialog, "超级按钮_取消", [&] { ++cancels; });
    Window& dialog = ui.Open(WindowId::ConfirmDialog);
    dialog.Show();
    dialog.Find("透明标签_提示信息")->SetCaption("changed");
    EXPECT_TRUE(backend.PressEscape(WindowId::ConfirmDialog));
    EXPECT_EQ(ui.Existing(WindowId::ConfirmDialog), nullptr);
    EXPECT_FALSE(backend.Click(WindowId::ConfirmDialog, "超级按钮_取消"));

    prompt = "确认退出程序吗？";
    Window& rebuilt = ui.Open(WindowId::ConfirmDialog);
    EXPECT_EQ(created, 2);
    EXPECT_FALSE(rebuilt.visible());
    EXPECT_EQ(rebuilt.Find("透明标签_提示信息")->caption(), "确认退出程序吗？");
    rebuilt.Show();
    EXPECT_TRUE(backend.Click(WindowId::ConfirmDialog, "超级按钮_取消"));
    EXPECT_EQ(cancels, 1);

    // Esc does nothing to the login and main windows, nor to a hidden dialog.
    Window& main = ui.Open(WindowId::Main);
    main.Show();
    EXPECT_FALSE(backend.PressEscape(WindowId::Main));
    EXPECT_EQ(ui.Existing(WindowId::Main), &main);
    rebuilt.Hide();
    EXPECT_FALSE(backend.PressEscape(WindowId::ConfirmDialog));
}

TEST_F(WindowModel, ADialogDestroyedUnderARunningHandlerStaysUsableUntilItReturns) {
    Window& dialog = ui.Open(WindowId::AdapterDialog);
    dialog.Show();
    ui.OnClick(WindowId::AdapterDialog, "超级按钮_确定", [&] {
        Window& self = *ui.Existing(WindowId::AdapterDialog);
        ASSERT_TRUE(backend.PressEscape(WindowId::AdapterDialog));
        // The handler still holds the destroyed window: touching it is safe.
        self.Find("透明标签_确定结果")->SetCaption("done");
        self.Find("超级列表框_网卡列表")->AddRow();
    });
    EXPECT_TRUE(backend.Click(WindowId::AdapterDialog, "超级按钮_确定"));
    EXPECT_EQ(ui.Existing(WindowId::AdapterDialog), nullptr);
}

TEST_F(WindowModel, APostedTaskKeepsADialogItHoldsUntilItReturns) {
    ui.Open(WindowId::ConfirmDialog).Show();
    bool ran = false;
    ui.Post([&] {
        Window& dialog = *ui.Existing(WindowId::ConfirmDialog);
        // A long wait inside the task, during which the user presses Esc.
        ui.Post([&] { backend.PressEscape(WindowId::ConfirmDialog); });
        ui.Pump().WaitDispatching(10ms);
        EXPECT_EQ(ui.Existing(WindowId::ConfirmDialog), nullptr);
        dialog.Find("透明标签_提示信息")->SetCaption("still here");
        ran = true;
    });
    ui.Pump().DispatchPending();
    EXPECT_TRUE(ran);
}

TEST_F(WindowModel, DestroyingADialogLeavesOtherWindowsTimersRunning) {
    Window& main = ui.Open(WindowId::Main);
    int ticks = 0;
    ui.OnTick(WindowId::Main, "时钟_掉线自动重连", [&] { ++ticks; });
    main.Find("时钟_掉线自动重连")->SetInterval(100);
    ui.Open(WindowId::ConfirmDialog).Show();
    backend.PressEscape(WindowId::ConfirmDialog);
    backend.Advance(250ms);
    EXPECT_EQ(ticks, 2);
}

TEST_F(WindowModel, MessageBoxesAreRecorded) {
    ui.ShowMessageBox("程序已运行，请勿重复打开！", "友情提醒:");
    ASSERT_EQ(backend.messageBoxes().size(), 1u);
    EXPECT_EQ(backend.messageBoxes()[0].text, "程序已运行，请勿重复打开！");
    EXPECT_EQ(backend.messageBoxes()[0].caption, "友情提醒:");
    EXPECT_EQ(backend.messageBoxes()[0].icon, MessageIcon::Stop);
}

}  // namespace
}  // namespace xl::ui
