// The tray icon on the Windows shell, with real windows: the contract suite,
// and what only the real thing shows (icon handles, the procedure's result
// passing through, the main window's visibility). The windows are Unicode
// windows, as the program's own are. Needs a display.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "desktop/tray_contract.h"
#include "desktop/tray_shell_win32.h"
#include "win32/text.h"

namespace xl::desktop::test {
namespace {

static_assert(sizeof(NotifyIconRecord) == 504);
static_assert(NOTIFYICONDATAA_V2_SIZE == 504);
static_assert(NOTIFYICONDATAW_V2_SIZE == 952);

constexpr wchar_t kClassName[] = L"XiulanTrayTest";
constexpr std::uint32_t kEchoMessage = WM_USER + 9;
constexpr LRESULT kEchoResult = 77;

std::map<HWND, std::vector<UINT>>& MessageLog() {
    static std::map<HWND, std::vector<UINT>> log;
    return log;
}

LRESULT CALLBACK TestWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    MessageLog()[w].push_back(message);
    if (message == kEchoMessage) return kEchoResult;
    return DefWindowProcW(w, message, wParam, lParam);
}

HWND AsWindow(NativeWindow w) {
    return static_cast<HWND>(w);
}

class Win32Harness {
  public:
    Win32Harness() : shell_(MakePlatformTrayShell()) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        RegisterClassW(&wc);  // fails harmlessly when already registered
    }
    ~Win32Harness() {
        for (HWND w : windows_) {
            if (IsWindow(w)) ::DestroyWindow(w);
        }
    }

    TrayShell& Shell() { return *shell_; }
    NativeWindow NewWindow() {
        HWND w = CreateWindowExW(0, kClassName, L"tray test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(w, nullptr) << "no window: is DISPLAY set?";
        windows_.push_back(w);
        return w;
    }
    void DestroyWindow(NativeWindow w) { ::DestroyWindow(AsWindow(w)); }
    bool Send(NativeWindow w, std::uint32_t message, std::intptr_t lParam) {
        auto& log = MessageLog()[AsWindow(w)];
        const std::size_t before = log.size();
        SendMessageW(AsWindow(w), message, 0, lParam);
        return std::count(log.begin() + static_cast<std::ptrdiff_t>(before), log.end(), message) >
               0;
    }
    bool Reached(NativeWindow w, std::uint32_t message) {
        const auto& log = MessageLog()[AsWindow(w)];
        return std::find(log.begin(), log.end(), message) != log.end();
    }
    // The shell answers a modification only for an icon it shows.
    bool IconShown(NativeWindow w) {
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data.hWnd = AsWindow(w);
        data.uID = kTrayIconId;
        return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
    }
    // The icon vanishes with the old taskbar; the new one announces itself.
    void LoseIconsAndRecreateTaskbar(NativeWindow w) {
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data.hWnd = AsWindow(w);
        data.uID = kTrayIconId;
        Shell_NotifyIconA(NIM_DELETE, &data);
        ASSERT_FALSE(IconShown(w));
        SendMessageW(AsWindow(w), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    }
    NativeWindowProc ProcOf(NativeWindow w) {
        return reinterpret_cast<NativeWindowProc>(GetWindowLongPtrW(AsWindow(w), GWLP_WNDPROC));
    }
    std::optional<std::uintptr_t> Prop(NativeWindow w, const char* name) {
        HANDLE value = GetPropW(AsWindow(w), win32::Widen(name).c_str());
        if (value == nullptr) return std::nullopt;
        return reinterpret_cast<std::uintptr_t>(value);
    }

  private:
    std::unique_ptr<TrayShell> shell_;
    std::vector<HWND> windows_;
};

// Wine's tray takes 2 s to delete the last icon it shows (it hides its own
// window then); one icon kept for the whole run makes every other delete quick.
class KeeperIcon final : public ::testing::Environment {
  public:
    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "keeper", 0, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data_.hWnd = window_;
        data_.uID = 99;
        data_.uFlags = NIF_TIP;
        Shell_NotifyIconA(NIM_ADD, &data_);
    }
    void TearDown() override {
        Shell_NotifyIconA(NIM_DELETE, &data_);
        DestroyWindow(window_);
    }

  private:
    HWND window_ = nullptr;
    NOTIFYICONDATAA data_{};
};

const auto* const kKeeper = ::testing::AddGlobalTestEnvironment(new KeeperIcon);

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, TrayContract, Win32Harness);

namespace {

class WindowVisibility final : public MainWindowVisibility {
  public:
    explicit WindowVisibility(HWND w) : w_(w) {}
    bool IsVisible() const override { return IsWindowVisible(w_) != FALSE; }
    void Show() override { ShowWindow(w_, SW_SHOW); }
    void Hide() override { ShowWindow(w_, SW_HIDE); }

  private:
    HWND w_;
};

class Win32Tray : public ::testing::Test {
  protected:
    Win32Harness harness;
    TrayIcon tray{harness.Shell()};
};

TEST_F(Win32Tray, TheTaskbarMessageIsTheRegisteredOne) {
    EXPECT_EQ(tray.TaskbarCreatedMessage(), RegisterWindowMessageW(L"TaskbarCreated"));
    EXPECT_GE(tray.TaskbarCreatedMessage(), 0xC000u);
}

TEST_F(Win32Tray, IconsAreMadeFromTheChosenImage) {
    const std::vector<std::uint8_t> ico = BuildIco({32, 16});
    int width = 0, height = 0;
    auto icon = static_cast<HICON>(tray.IconFromIcoBytes(ico, 1, &width, &height));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(width, 16);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    // The function scales every image to the system's icon size.
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(bitmap.bmHeight, GetSystemMetrics(SM_CYICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);

    std::vector<std::uint8_t> garbage = ico;
    std::fill(garbage.begin() + 38, garbage.begin() + 78, 0xEE);
    EXPECT_EQ(tray.IconFromIcoBytes(garbage, 0, nullptr, nullptr), nullptr);
}

TEST_F(Win32Tray, TheProgramIconIsAccepted) {
    std::ifstream file(XIULAN_APP_ICON_PATH, std::ios::binary);
    if (!file) GTEST_SKIP() << "no program icon at " << XIULAN_APP_ICON_PATH;
    const std::vector<std::uint8_t> ico{std::istreambuf_iterator<char>(file), {}};
    const NativeWindow w = harness.NewWindow();
    ASSERT_NE(tray.AddIcon(w), 0);
    EXPECT_NE(tray.SetIcon(ico), 0);
    int width = 0, height = 0;
    auto icon = static_cast<HICON>(tray.IconFromIcoBytes(ico, 0, &width, &height));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(width, 32);
    DestroyIcon(icon);
}

TEST_F(Win32Tray, TheWindowsOwnResultsPassThroughTheTrayProcedure) {
    const NativeWindow w = harness.NewWindow();
    ASSERT_NE(tray.AddIcon(w), 0);
    tray.AttachEventHandler([](int) {}, true);
    EXPECT_EQ(SendMessageW(AsWindow(w), kEchoMessage, 0, 0), kEchoResult);
    EXPECT_EQ(SendMessageW(AsWindow(w), kTrayCallbackMessage, 0, kTrayLeftDoubleClick), 0);
    tray.Destroy();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(AsWindow(w), GWLP_WNDPROC)),
              &TestWindowProc);
}

TEST_F(Win32Tray, TheShellIsGivenTheTipInUtf16WhateverTheSystemCodePage) {
    const NativeWindow w = harness.NewWindow();
    ASSERT_NE(tray.AddIcon(w, {}, "岫澜IP"), 0);
    const NOTIFYICONDATAW added = ToWideRecord(tray.IconData());
    EXPECT_EQ(added.cbSize, 952u);
    EXPECT_EQ(added.hWnd, AsWindow(w));
    EXPECT_EQ(added.uCallbackMessage, kTrayCallbackMessage);
    EXPECT_STREQ(added.szTip, L"岫澜IP");
    EXPECT_STREQ(added.szInfo, L"");

    // The longest tip: 127 bytes cut before a split character, 63 characters.
    std::string tip;
    for (int i = 0; i < 70; ++i) tip += "中";
    EXPECT_NE(tray.SetTip(tip), 0);
    EXPECT_EQ(std::wstring(ToWideRecord(tray.IconData()).szTip), std::wstring(63, L'中'));
}

TEST_F(Win32Tray, ADoubleClickShowsAndHidesTheRealWindow) {
    const NativeWindow w = harness.NewWindow();
    WindowVisibility mainWindow(AsWindow(w));
    ASSERT_NE(tray.AddIcon(w), 0);
    tray.AttachEventHandler([&](int code) { TrayHandler(code, mainWindow); }, true);
    EXPECT_FALSE(IsWindowVisible(AsWindow(w)));
    SendMessageW(AsWindow(w), kTrayCallbackMessage, 0, kTrayLeftDoubleClick);
    EXPECT_TRUE(IsWindowVisible(AsWindow(w)));
    SendMessageW(AsWindow(w), kTrayCallbackMessage, 0, kTrayRightButtonUp);
    EXPECT_TRUE(IsWindowVisible(AsWindow(w)));
    SendMessageW(AsWindow(w), kTrayCallbackMessage, 0, kTrayLeftDoubleClick);
    EXPECT_FALSE(IsWindowVisible(AsWindow(w)));
}

}  // namespace
}  // namespace xl::desktop::test
