#include "desktop/tray_icon.h"

#include <gtest/gtest.h>

#include "desktop/ico_file.h"
#include "desktop/recording_harness.h"
#include "desktop/tray_contract.h"

namespace xl::desktop::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Recording, TrayContract, RecordingHarness);

namespace {

TEST(TrayTipText, CutsTo127BytesWithoutSplittingACharacter) {
    const std::string chinese = "岫澜IP";  // 2 + 2 + 1 + 1 bytes
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"short", "岫澜IP", "岫澜IP"},
        {"127 bytes stay whole", std::string(127, 'a'), std::string(127, 'a')},
        {"128 bytes lose the last", std::string(128, 'a'), std::string(127, 'a')},
        {"200 characters give the first 127", std::string(100, 'a') + std::string(100, 'b'),
         std::string(100, 'a') + std::string(27, 'b')},
        // 126 ASCII bytes, then a double-byte character that would straddle byte 127.
        {"half a character is dropped", std::string(126, 'a') + "岫澜", std::string(126, 'a')},
        {"all double-byte",
         [] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += "澜";
             return s;
         }(),
         [] {
             std::string s;
             for (int i = 0; i < 63; ++i) s += "澜";
             return s;
         }()},
        {"stops at a NUL", std::string("ab\0cd", 5), "ab"},
        {"a lone lead byte at the end is kept", "a\x81", "a\x81"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TrayTipText(c.text), c.expected);
    }
    EXPECT_EQ(chinese.size(), 6u);
}

TEST(TrayHandler, OnlyALeftDoubleClickTogglesTheMainWindow) {
    struct Case {
        int code;
        bool visibleBefore;
        bool visibleAfter;
    };
    const Case cases[] = {
        {515, false, true},  {515, true, false}, {512, false, false}, {513, true, true},
        {514, false, false}, {516, true, true},  {517, false, false}, {1120, false, false},
        {1130, true, true},  {0, false, false},  {-1, true, true},
    };
    for (const Case& c : cases) {
        FakeMainWindow window;
        window.visible = c.visibleBefore;
        TrayHandler(c.code, window);
        EXPECT_EQ(window.visible, c.visibleAfter) << c.code;
    }
}

class RecordingTray : public ::testing::Test {
  protected:
    std::vector<int> codes;
    RecordingTrayShell shell;
    NativeIcon smallIcon = shell.CreateIconFromImage(DibImage(16, 1));
    const std::vector<std::uint8_t> ico = BuildIco({32, 24, 20, 16});
    TrayIcon tray{shell};
};

TEST_F(RecordingTray, ImageZeroIsShownAndTheWindowsOwnIconWithoutBytes) {
    const NativeWindow w = shell.NewWindow(smallIcon);
    ASSERT_NE(tray.AddIcon(w), 0);
    EXPECT_EQ(shell.ShownIcons().at(0).icon, smallIcon);

    ASSERT_NE(tray.SetIcon(ico), 0);
    const auto first = FindIcoImage(ico, 0);
    const std::vector<std::uint8_t> expected(first->bytes.begin(), first->bytes.end());
    EXPECT_EQ(shell.IconImage(shell.ShownIcons().at(0).icon), expected);

    // Bytes that make no icon would leave a blank slot: the window's icon stands in.
    TrayIcon other(shell);
    const NativeWindow v = shell.NewWindow(smallIcon);
    std::vector<std::uint8_t> broken(ico.begin(), ico.begin() + 40);
    ASSERT_NE(other.AddIcon(v, broken, "tip"), 0);
    EXPECT_EQ(other.IconData().hIcon, smallIcon);
}

TEST_F(RecordingTray, IconFromIcoBytesReportsTheEntrySize) {
    int width = -1, height = -1;
    NativeIcon icon = tray.IconFromIcoBytes(ico, 3, &width, &height);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(shell.IconImage(icon).size(), DibImage(16, 0).size());

    EXPECT_EQ(tray.IconFromIcoBytes(ico, 4, &width, &height), nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_NE(tray.IconFromIcoBytes(ico, 0, nullptr, nullptr), nullptr);
}

TEST_F(RecordingTray, ReplacedImagesAreDestroyedButNotTheWindowsOwnIcon) {
    const NativeWindow w = shell.NewWindow(smallIcon);
    tray.AddIcon(w);
    tray.SetIcon(ico);
    const NativeIcon first = tray.IconData().hIcon;
    tray.SetIcon(ico);
    const NativeIcon second = tray.IconData().hIcon;
    EXPECT_FALSE(shell.IsIconAlive(first));
    EXPECT_TRUE(shell.IsIconAlive(second));
    EXPECT_TRUE(shell.IsIconAlive(smallIcon));

    tray.Destroy();
    EXPECT_FALSE(shell.IsIconAlive(second));
    EXPECT_EQ(shell.LiveIconCount(), 1u);  // the window's own
}

TEST_F(RecordingTray, RemovingANeverAddedIconStillAsksTheShell) {
    EXPECT_EQ(tray.RemoveIcon(), 0);
    ASSERT_EQ(shell.Calls().size(), 1u);
    EXPECT_EQ(shell.Calls()[0].action, NotifyAction::kDelete);
    EXPECT_EQ(shell.Calls()[0].record.hWnd, nullptr);
    EXPECT_EQ(shell.Calls()[0].record.uID, 0u);
}

TEST_F(RecordingTray, ATrayLeftWithoutDestroyCleansUpWhenItGoes) {
    const NativeWindow w = shell.NewWindow();
    {
        TrayIcon scoped(shell);
        scoped.AddIcon(w, ico, "tip");
        scoped.AttachEventHandler([](int) {}, true);
    }
    EXPECT_EQ(shell.WindowProcOf(w), RecordingTrayShell::OwnWindowProc());
    EXPECT_TRUE(shell.ShownIcons().empty());
    EXPECT_EQ(shell.LiveIconCount(), 1u);  // the fixture's small icon only
    EXPECT_TRUE(shell.Deliver(w, kTrayCallbackMessage, kTrayLeftDoubleClick));
}

TEST_F(RecordingTray, ABroadcastWhileTheIconIsThereRefreshesIt) {
    const NativeWindow w = shell.NewWindow();
    tray.AddIcon(w, ico, "tip");
    tray.AttachEventHandler([&](int code) { codes.push_back(code); }, true);
    shell.Deliver(w, tray.TaskbarCreatedMessage());
    ASSERT_GE(shell.Calls().size(), 2u);
    EXPECT_EQ(shell.Calls().rbegin()[1].action, NotifyAction::kAdd);
    EXPECT_EQ(shell.Calls().rbegin()[1].result, 0);
    EXPECT_EQ(shell.Calls().back().action, NotifyAction::kModify);
    EXPECT_NE(shell.Calls().back().result, 0);
    EXPECT_EQ(shell.ShownIcons().size(), 1u);
    EXPECT_EQ(codes, std::vector<int>{kTrayTaskbarCreated});
}

TEST_F(RecordingTray, AnIconTheShellRefusedAtStartAppearsWithTheTaskbar) {
    const NativeWindow w = shell.NewWindow();
    shell.SetShellAvailable(false);
    EXPECT_EQ(tray.AddIcon(w, ico, "岫澜IP"), 0);
    tray.AttachEventHandler([](int) {}, true);
    shell.SetShellAvailable(true);
    shell.RecreateTaskbar();
    ASSERT_EQ(shell.ShownIcons().size(), 1u);
    EXPECT_EQ(shell.ShownIcons()[0].tip, "岫澜IP");
    EXPECT_TRUE(shell.DoubleClick());
}

TEST_F(RecordingTray, MovingTheIconToAnotherWindowRestoresTheFirst) {
    const NativeWindow first = shell.NewWindow();
    const NativeWindow second = shell.NewWindow();
    tray.AddIcon(first);
    tray.AttachEventHandler([&](int code) { codes.push_back(code); }, true);
    tray.AddIcon(second);
    tray.AttachEventHandler([&](int code) { codes.push_back(code); }, true);
    EXPECT_EQ(shell.WindowProcOf(first), RecordingTrayShell::OwnWindowProc());
    EXPECT_FALSE(shell.Prop(first, kPropWinProc));
    EXPECT_EQ(shell.Prop(second, kPropWinProc),
              reinterpret_cast<std::uintptr_t>(RecordingTrayShell::OwnWindowProc()));
    tray.Destroy();
    EXPECT_EQ(shell.WindowProcOf(second), RecordingTrayShell::OwnWindowProc());
}

TEST_F(RecordingTray, AHandlerMayReplaceItselfWhileRunning) {
    const NativeWindow w = shell.NewWindow();
    tray.AddIcon(w);
    tray.AttachEventHandler(
        [&](int code) {
            codes.push_back(code);
            tray.AttachEventHandler([&](int later) { codes.push_back(-later); }, true);
        },
        true);
    EXPECT_TRUE(shell.Click(kTrayLeftButtonDown));
    EXPECT_TRUE(shell.Click(kTrayLeftButtonUp));
    EXPECT_EQ(codes, (std::vector<int>{kTrayLeftButtonDown, -kTrayLeftButtonUp}));
}

TEST_F(RecordingTray, ClicksNeedAShownIcon) {
    EXPECT_FALSE(shell.DoubleClick());
    const NativeWindow w = shell.NewWindow();
    tray.AddIcon(w);
    tray.AttachEventHandler([&](int code) { codes.push_back(code); }, true);
    EXPECT_TRUE(shell.DoubleClick());
    tray.RemoveIcon();
    EXPECT_FALSE(shell.DoubleClick());
    EXPECT_EQ(codes, std::vector<int>{kTrayLeftDoubleClick});
}

}  // namespace
}  // namespace xl::desktop::test
