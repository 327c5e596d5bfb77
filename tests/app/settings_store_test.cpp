// One contract for both settings stores: the operating system's
// private-profile functions (Windows build, under Wine) and our own INI store
// (natively, and under Wine on code page 1252). Expected file bytes are those
// the Windows functions write; what a store wrote is read back through a new
// store, as the next start reads it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ini_document.h"
#include "app/login_settings.h"
#include "app/main_settings.h"
#include "app/settings_fakes.h"
#include "app/settings_load.h"
#include "app/settings_store.h"

#ifdef _WIN32
#include <windows.h>

#include "win32/handles.h"
#include "win32/text.h"
#endif

namespace xl::app {
namespace {

using Lines = std::vector<std::string>;

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void PutFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class SettingsStoreContract : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ =
            TemporaryFilesDirectory() + "xiulan-settings-test-" + std::to_string(stamp) + ".INI";
        Clean();
        store_ = Open();
    }
    void TearDown() override { Clean(); }
    void Clean() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::remove_all(SetAsidePath(path_), ignored);
    }
    // A store made as the next start makes it; its lines go to log_.
    std::unique_ptr<SettingsStore> Open() {
        return MakeSettingsStore(path_, [this](const std::string& l) { log_.push_back(l); });
    }
    std::string FileBytes() const { return app::FileBytes(path_); }
    std::string path_;
    Lines log_;
    std::unique_ptr<SettingsStore> store_;
};

TEST_F(SettingsStoreContract, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
    EXPECT_EQ(store_->Read("记住密码", "JiZhu"), "");
    EXPECT_EQ(FileBytes(), "");
    store_->Write("记住密码", "JiZhu", "yes");
    EXPECT_EQ(store_->Read("记住密码", "JiZhu"), "yes");
    EXPECT_EQ(FileBytes(), "[记住密码]\r\nJiZhu=yes\r\n");
    EXPECT_TRUE(log_.empty());
}

TEST_F(SettingsStoreContract, FirstMainWindowStartWritesTwoSections) {
    SettingsFile settings(MakeSettingsStore(path_));
    test::RecordingMainView view;
    LoadMainSettings(settings, view, "default.example.test");
    EXPECT_EQ(FileBytes(), "[连接方式]\r\nXieYi=PPTP\r\n[线路模式]\r\nXianLu=动态线路\r\n");
}

TEST_F(SettingsStoreContract, RewritesItemsInPlaceAndKeepsTheirSpelling) {
    store_->Write("记住密码", "JiZhu", "yes");
    store_->Write("帐号", "User", "张三");
    store_->Write("密码", "Password", "pw");
    store_->Write("记住密码", "JIZHU", "no");
    store_->Write("帐号", "User", "李四");
    EXPECT_EQ(FileBytes(),
              "[记住密码]\r\nJiZhu=no\r\n[帐号]\r\nUser=李四\r\n[密码]\r\nPassword=pw\r\n");
}

TEST_F(SettingsStoreContract, LookupsFoldAsciiCaseOnly) {
    store_->Write("Section", "Key", "v");
    // Two characters whose trail bytes differ only in ASCII case stay apart.
    store_->Write("\x81\x41", "K", "upper");
    store_->Write("\x81\x61", "K", "lower");
    const auto next = Open();
    EXPECT_EQ(next->Read("SECTION", "key"), "v");
    EXPECT_EQ(next->Read("\x81\x41", "K"), "upper");
    EXPECT_EQ(next->Read("\x81\x61", "K"), "lower");
}

TEST_F(SettingsStoreContract, ValuesAreTrimmedAndUnquotedAsWindowsDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"  padded  ", "padded"},
        {"\"quoted\"", "quoted"},
        {"'single'", "single"},
        {"\"unbalanced", "\"unbalanced"},
        {"中文 密码", "中文 密码"},
        {"", ""},
        {"\"\"", ""},
        {"a=b", "a=b"},
    };
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        store_->Write("s" + std::to_string(n), "K", cases[n].first);
    }
    const auto next = Open();
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const std::string section = "s" + std::to_string(n);
        EXPECT_EQ(store_->Read(section, "K"), cases[n].second) << cases[n].first;
        EXPECT_EQ(next->Read(section, "K"), cases[n].second) << cases[n].first;
    }
}

TEST_F(SettingsStoreContract, TypedTextsComeBackAsTyped) {
    SettingsFile settings(Open());
    const char* typed[] = {
        " pw",   "pw ", "  中文 密码  ", "\"quoted\"", "'single'", "\"unbalanced", "a\"b\"", "\"",
        "plain", ""};
    for (const char* text : typed) {
        settings.WriteSetting(kPassword, text);
        EXPECT_EQ(SettingsFile(Open()).ReadSetting(kPassword), text) << text;
    }
    settings.WriteSetting(kAccount, "张三");
    EXPECT_NE(FileBytes().find("User=张三\r\n"), std::string::npos);  // plain texts stay unquoted
}

TEST_F(SettingsStoreContract, LongValuesReadBackCutToTheBuffer) {
    const std::string longValue(12000, 'x');
    store_->Write("big", "K", longValue);
    EXPECT_EQ(Open()->Read("big", "K"), std::string(kSettingReadBufferSize - 1, 'x'));
    EXPECT_NE(FileBytes().find(longValue), std::string::npos);
}

TEST_F(SettingsStoreContract, MissingSectionOrKeyReadsEmpty) {
    store_->Write("a", "K", "1");
    EXPECT_EQ(store_->Read("b", "K"), "");
    EXPECT_EQ(store_->Read("a", "L"), "");
}

// A text from outside (a server list's row, say) must not add items of its own.
TEST_F(SettingsStoreContract, LineBreaksAndNulsAreNeverWritten) {
    store_->Write("服务器名称", "ServerName", "北京");
    const std::string before = FileBytes();
    const std::string injected = "\r\n[是否开机启动]\r\nAutoStart=yes\r\n";
    store_->Write("服务器名称", "ServerName", "广东" + injected);
    store_->Write("服务器名称", "ServerName", "广东\n[是否开机启动]\nAutoStart=yes");
    store_->Write("服务器名称", "ServerName", std::string("广东") + '\0' + injected);
    store_->Write("服务器名称", "ServerName" + injected, "yes");
    store_->Write("服务器名称]" + injected + "[x", "AutoStart", "yes");
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(store_->Read("是否开机启动", "AutoStart"), "");
    EXPECT_EQ(Open()->Read("服务器名称", "ServerName"), "北京");
    ASSERT_EQ(log_.size(), 5u);
    EXPECT_EQ(log_[0], "设置未写入: [服务器名称] ServerName, 含换行或空字符");
    for (const std::string& line : log_) EXPECT_EQ(line.find("广东"), std::string::npos) << line;
}

// The loaders' reads are answered from one read at start-up.
TEST_F(SettingsStoreContract, TheFileIsReadOnceWhenTheStoreIsMade) {
    store_->Write("帐号", "User", "张三");
    const auto next = Open();
    PutFile(path_, "[帐号]\r\nUser=李四\r\n");
    EXPECT_EQ(next->Read("帐号", "User"), "张三");
    EXPECT_EQ(Open()->Read("帐号", "User"), "李四");
}

// What a start finds, and what the run then writes. A file that is not ours is
// kept aside whole and the run starts from defaults; anything else that reads
// whole is ours, however it was edited.
TEST_F(SettingsStoreContract, AFileThatIsNotOursIsKeptAsideAndTheRunStartsAfresh) {
    const std::string ours = "[帐号]\r\nUser=张三\r\n";
    const std::string hugeButValid = ours + std::string(kSettingsFileLimitBytes, ';');
    std::string atTheLimit = ours + ";";
    atTheLimit.resize(kSettingsFileLimitBytes - 2, ' ');
    atTheLimit += "\r\n";
    const struct {
        const char* name;
        std::string bytes;
        bool keptAside;
        const char* account;  // as read at the start
    } cases[] = {
        {"one byte past the limit", hugeButValid, true, ""},
        {"zeroed by a crash", std::string(4096, '\0'), true, ""},
        {"a NUL among our lines", ours + std::string(1, '\0'), true, ""},
        {"exactly at the limit", atTheLimit, false, "张三"},
        {"hand-edited, odd lines and bare line feeds",
         "garbage line\n; note\n[帐号\n[帐号]\nwhat?\nUser = 张三 \n", false, "张三"},
    };
    for (const auto& c : cases) {
        Clean();
        log_.clear();
        PutFile(path_, c.bytes);
        const auto store = Open();
        EXPECT_EQ(store->Read("帐号", "User"), c.account) << c.name;
        // Same length, so the file at the limit stays there.
        store->Write("帐号", "User", "李四");
        EXPECT_EQ(Open()->Read("帐号", "User"), "李四") << c.name;
        if (c.keptAside) {
            EXPECT_EQ(app::FileBytes(SetAsidePath(path_)), c.bytes) << c.name;
            EXPECT_EQ(FileBytes(), "[帐号]\r\nUser=李四\r\n") << c.name;
            ASSERT_EQ(log_.size(), 1u) << c.name;
            EXPECT_NE(log_[0].find("不是本程序的设置: " + path_ + "; 已另存为 " +
                                   SetAsidePath(path_) + ", 使用默认设置"),
                      std::string::npos)
                << log_[0];
        } else {
            EXPECT_FALSE(std::filesystem::exists(SetAsidePath(path_))) << c.name;
            EXPECT_TRUE(log_.empty()) << c.name;
        }
    }
}

// A start that could not read the file must not write it: the write would
// replace items this run never saw. Here the read fails part-way (POSIX opens
// a folder and fails on reading it) or at the open (Windows: access denied).
TEST_F(SettingsStoreContract, AFileThatCannotBeReadIsNeverWritten) {
    std::filesystem::create_directory(path_);
    const auto store = Open();
    store->Write("帐号", "User", "张三");
    EXPECT_EQ(store->Read("帐号", "User"), "");
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    EXPECT_TRUE(std::filesystem::is_empty(path_));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_[0].rfind("设置文件读取失败: " + path_ + ", 错误 ", 0), 0u) << log_[0];
    EXPECT_NE(log_[0].find("; 本次使用默认设置, 不写入设置文件"), std::string::npos);
}

#ifdef _WIN32
// Another program holds the file without letting others read it (an editor, a
// virus scanner, a sync tool).
class HeldFile {
  public:
    explicit HeldFile(const std::string& path)
        : file_(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {}
    bool Held() const { return static_cast<bool>(file_); }
    void Release() { file_.reset(); }

  private:
    win32::FileHandle file_;
};
#endif

TEST_F(SettingsStoreContract, AFileHeldByAnotherProgramIsNeitherReadNorReplaced) {
#ifndef _WIN32
    GTEST_SKIP() << "POSIX has no share modes that deny reading; the folder case stands in";
#else
    const std::string saved = "[帐号]\r\nUser=张三\r\n[密码]\r\nPassword=pw\r\n";
    PutFile(path_, saved);
    {
        // Held at the start: nothing this run writes reaches the file, not
        // even after the other program lets go.
        HeldFile held(path_);
        ASSERT_TRUE(held.Held());
        const auto store = Open();
        EXPECT_EQ(store->Read("帐号", "User"), "");
        held.Release();
        store->Write("连接方式", "XieYi", "PPTP");
        EXPECT_EQ(FileBytes(), saved);
        ASSERT_EQ(log_.size(), 1u);
        EXPECT_EQ(log_[0].rfind("设置文件读取失败: " + path_ + ", 错误 32;", 0), 0u) << log_[0];
    }
    log_.clear();
    {
        // Held during the run: that write fails and says so; the next one,
        // once free, keeps every other item.
        const auto store = Open();
        HeldFile held(path_);
        store->Write("帐号", "User", "李四");
        held.Release();
        EXPECT_EQ(FileBytes(), saved);
        EXPECT_EQ(log_, Lines{"设置写入失败: [帐号] User, 错误 32"});
        store->Write("帐号", "User", "李四");
        EXPECT_EQ(FileBytes(), "[帐号]\r\nUser=李四\r\n[密码]\r\nPassword=pw\r\n");
    }
#endif
}

// The reader's table: what a line holds decides what an item reads as.
TEST(IniDocument, ReadsItemsAsThePrivateProfileReaderDoes) {
    const struct {
        const char* file;
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"[a]\r\nk=1\r\n", "A", "K", "1"},
        {"[a]\r\nk=\"\"\r\n", "a", "k", ""},  // quotes with nothing inside
        {"[a]\r\n;k=1\r\nk=2\r\n", "a", "k", "2"},
        {"[a]\r\n;k=1\r\n", "a", "k", ""},  // commented out
        {"[a]\r\n ; k=1\r\n", "a", "k", ""},
        {"[a]\r\n;k=1\r\n", "a", ";k", ""},
        {"[b]\r\nx = \" y \" \r\n", "b", "x", " y "},
        {"[a]\r\nk='\"'\r\n", "a", "k", "\""},
        {"[a\nk=1\n", "a", "k", ""},  // no closing bracket: no section
        {"[b]\nno equals\n=v\nk=2", "b", "k", "2"},
        {"[b]\nno equals\n=v\nk=2", "b", "", "v"},
        {"[a]\r\nk=1\r\n[b]\r\nk=2\r\n[a]\r\nk=3\r\n", "a", "k", "1"},
        {"k=0\r\n[a]\r\n", "a", "k", ""},  // above any section
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniDocument::Parse(c.file).Get(c.section, c.key), c.value)
            << c.file << " [" << c.section << "] " << c.key;
    }
}

TEST(IniDocument, KeepsForeignLinesAndAddsKeysAfterTheSectionsLastItem) {
    IniDocument doc = IniDocument::Parse("; note\r\n[a]\r\n;k=0\r\nk=1\r\n\r\n[b]\r\nx=y\r\n");
    doc.Set("a", "m", "2");
    doc.Set("a", "k", "3");
    EXPECT_EQ(doc.Serialise(), "; note\r\n[a]\r\n;k=0\r\nk=3\r\nm=2\r\n\r\n[b]\r\nx=y\r\n");
}

TEST(SettingsSetAside, KeepsTheExtensionOfTheName) {
    EXPECT_EQ(SetAsidePath("C:\\Users\\u\\AppData\\Roaming\\岫澜IP\\岫澜IP.INI"),
              "C:\\Users\\u\\AppData\\Roaming\\岫澜IP\\岫澜IP.bad.INI");
    EXPECT_EQ(SetAsidePath("/tmp/a.b/settings"), "/tmp/a.b/settings.bad");
}

}  // namespace
}  // namespace xl::app
