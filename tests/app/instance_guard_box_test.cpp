// A refused second copy under a real window system: its message box shows the
// program's text and caption, read back through the wide calls, with the stop
// icon and no owner, and closing it with OK ends the copy with code 0. The copy
// is this program re-run. Runs on code pages 936 and 1252: the texts are the
// same on both.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "app/instance_guard.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

constexpr char kBoxChildFlag[] = "--box-child";
constexpr int kContinued = 7;
constexpr DWORD kTimeoutMs = 30'000;
// Control ids of the system message box's text and icon.
constexpr int kMessageTextId = 0xFFFF;
constexpr int kMessageIconId = 0x0440;

std::string MarkerName(const std::string& token) {
    return std::string(InstanceEventName) + "-box-" + token;
}

bool HaveDisplay() {
    HWND probe =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) return false;
    DestroyWindow(probe);
    return true;
}

struct Search {
    DWORD process;
    HWND found;
};

// The top-level window of `process` with the program's caption, if any yet.
HWND FindBoxOf(DWORD process) {
    Search search{process, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t caption[64] = {};
            GetWindowTextW(window, caption, 64);
            if (owner != s->process || std::wcscmp(caption, L"友情提醒:") != 0) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(InstanceGuardBox, SecondCopyShowsTheStopMessageAndEndsWithZeroAfterOk) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display: the message box cannot be shown";
    const std::string token = std::to_string(GetCurrentProcessId());
    auto running = MakeInstancePort();
    ASSERT_EQ(running->OpenMarker(MarkerName(token)), MarkerLookup::Absent);
    ASSERT_TRUE(running->CreateMarker(MarkerName(token)));
    // The event carries the Chinese name itself, not its bytes read in the system's code page.
    const std::wstring wideName = L"岫澜IP禁止程序重复运行-box-" + win32::Widen(token);
    EXPECT_TRUE(win32::KernelHandle(OpenEventW(SYNCHRONIZE, FALSE, wideName.c_str())));

    char path[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    std::string command = std::string("\"") + path + "\" " + kBoxChildFlag + " " + token;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessA(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));

    HWND box = nullptr;
    for (DWORD waited = 0; box == nullptr && waited < kTimeoutMs; waited += 50) {
        if (WaitForSingleObject(child.hProcess, 50) == WAIT_OBJECT_0) break;
        box = FindBoxOf(child.dwProcessId);
    }
    if (box != nullptr) {
        wchar_t text[128] = {};
        GetDlgItemTextW(box, kMessageTextId, text, 128);
        EXPECT_STREQ(text, L"程序已运行，请勿重复打开！");
        EXPECT_EQ(win32::Narrow(text), kAlreadyRunningText);
        HWND icon = GetDlgItem(box, kMessageIconId);
        EXPECT_NE(icon == nullptr ? 0 : SendMessageW(icon, STM_GETICON, 0, 0), 0) << "no icon";
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK is the only button";
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    }
    EXPECT_NE(box, nullptr) << "no message box appeared";

    const bool ended = WaitForSingleObject(child.hProcess, kTimeoutMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(child.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    ASSERT_TRUE(ended);
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace xl::app

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], xl::app::kBoxChildFlag) == 0) {
        auto port = xl::app::MakeInstancePort();
        xl::app::GuardSingleInstance(*port, xl::app::MarkerName(argv[2]));
        return xl::app::kContinued;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
