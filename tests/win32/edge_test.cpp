// The Win32 edge: GBK texts become the same UTF-16 whatever the system's ANSI
// code page (the suite runs in a 936 and a 1252 prefix), paths the system
// gives come back as GBK that leads to the same file, and each handle owner
// closes what it holds exactly once.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/platform.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::win32 {
namespace {

TEST(Win32Edge, TheSystemCodePageIsTheOneThisRunAsksFor) {
    if (!test::RunningUnderWine()) GTEST_SKIP() << "a real Windows has its own code page";
    const char* asked = std::getenv("XIULAN_CODEPAGE");
    EXPECT_EQ(GetACP(), asked == nullptr ? 936u : std::strtoul(asked, nullptr, 10));
}

TEST(Win32Edge, ProgramTextsBecomeTheSameUtf16OnEverySystem) {
    const struct {
        const char* gbk;
        const wchar_t* utf16;
    } cases[] = {
        {"岫澜IP", L"岫澜IP"},
        {"友情提醒:", L"友情提醒:"},
        {"程序已运行，请勿重复打开！", L"程序已运行，请勿重复打开！"},
        {"netsh interface set interface name=\"本地连接\" admin=DISABLED",
         L"netsh interface set interface name=\"本地连接\" admin=DISABLED"},
        {"\x80", L"\u20AC"},  // code page 936's one single-byte addition
        {"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Widen(c.gbk), c.utf16) << c.gbk;
        EXPECT_EQ(Narrow(c.utf16), c.gbk) << c.gbk;
        EXPECT_TRUE(FitsGbk(c.utf16)) << c.gbk;
    }
}

TEST(Win32Edge, WhatGbkLacksBecomesAQuestionMark) {
    EXPECT_EQ(Narrow(L"a\uD55Cb"), "a?b");  // Hangul
    EXPECT_FALSE(FitsGbk(L"a\uD55Cb"));
    EXPECT_EQ(Narrow(L"caf\u00E9"), "caf\xA8\xA6");  // GBK has the pinyin vowels
    EXPECT_TRUE(FitsGbk(L"caf\u00E9"));
}

TEST(Win32Edge, AnsiTextFromTheSystemBecomesGbk) {
    switch (GetACP()) {
        case 936:
            EXPECT_EQ(AnsiToGbk("本地连接"), "本地连接");
            break;
        case 1252:
            EXPECT_EQ(AnsiToGbk("Caf\xE9 \xAE"), "Caf\xA8\xA6 ?");
            break;
        case 932:
            EXPECT_EQ(AnsiToGbk("\x82\xA0"), "\xA4\xA2");  // HIRAGANA A
            break;
        default:
            GTEST_SKIP() << "no expectation for code page " << GetACP();
    }
}

TEST(Win32Edge, GbkBytesSurviveTheAnsiCodePageBothWays) {
    // What an earlier version wrote through the ANSI calls reads back through them.
    if (GetACP() != 936 && GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    for (const char* text : {"记住密码", "岫澜IP", "\x81\x40\x8D\x8F\x90\x9D"}) {
        EXPECT_EQ(NarrowAnsi(WidenAnsi(text)), text);
    }
}

class TempFolder {
  public:
    explicit TempFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() { RemoveDirectoryW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

bool IsFolder(const std::string& gbkPath) {
    const DWORD attributes = GetFileAttributesW(Widen(gbkPath).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Win32Edge, PathsComeBackAsGbkThatLeadsToTheSameFolder) {
    const TempFolder chinese(L"xl-edge-岫澜-");
    EXPECT_EQ(PathToGbk(chinese.path()), Narrow(chinese.path()));
    EXPECT_TRUE(IsFolder(PathToGbk(chinese.path())));

    const TempFolder korean(L"xl-edge-\uD55C\uAD6D-");
    ASSERT_NE(GetFileAttributesW(korean.path().c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string path = PathToGbk(korean.path());
    EXPECT_EQ(path.find('?'), std::string::npos) << path;
    EXPECT_TRUE(IsFolder(path)) << path;
}

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

TEST(Win32Handles, AnOwnerClosesItsHandleOnceAndHandsItOnWhenMoved) {
    HANDLE raw = nullptr;
    {
        KernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
        KernelHandle moved = std::move(event);
        EXPECT_FALSE(event);
        EXPECT_EQ(moved.get(), raw);
        EXPECT_TRUE(IsOpen(raw));

        KernelHandle other(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        HANDLE replaced = other.get();
        other = std::move(moved);
        EXPECT_FALSE(IsOpen(replaced)) << "the assigned-over handle is closed";
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));

    KernelHandle given(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    HANDLE released = given.release();
    EXPECT_FALSE(given);
    EXPECT_TRUE(IsOpen(released));
    KernelHandle(released).reset();
    EXPECT_FALSE(IsOpen(released));

    // An owner handed to a call that writes a new handle out: what it held is
    // closed before the call (which may reuse the value), the new one is its.
    const KernelHandle source(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    KernelHandle copy(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const HANDLE old = copy.get();
    HANDLE* slot = copy.put();
    EXPECT_FALSE(IsOpen(old));
    EXPECT_EQ(*slot, nullptr);
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source.get(), GetCurrentProcess(), slot, 0,
                                FALSE, DUPLICATE_SAME_ACCESS));
    const HANDLE duplicate = copy.get();
    EXPECT_TRUE(IsOpen(duplicate));
    copy.reset();
    EXPECT_FALSE(IsOpen(duplicate));

    const FileHandle missing(
        CreateFileW(L"Z:\\xl-no-such-dir\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing) << "INVALID_HANDLE_VALUE is no file";
}

TEST(Win32Handles, SelectionsAreUndoneAndGdiObjectsDeleted) {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    GdiObject<HFONT> font(
        CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"SimSun"));
    ASSERT_TRUE(font);
    const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_FONT);
    {
        const Selection selected(dc.get(), font.get());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), original);
    const HFONT raw = font.get();
    font.reset();
    EXPECT_EQ(GetObjectType(raw), 0u);
}

}  // namespace
}  // namespace xl::win32
