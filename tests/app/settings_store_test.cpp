// One contract for both settings stores: the operating system's
// private-profile functions (Windows build, under Wine) and our own INI store
// (natively). Expected file bytes are those the Windows functions write.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/ini_document.h"
#include "app/login_settings.h"
#include "app/main_settings.h"
#include "app/settings_fakes.h"
#include "app/settings_store.h"

namespace xl::app {
namespace {

class SettingsStoreContract : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ =
            TemporaryFilesDirectory() + "xiulan-settings-test-" + std::to_string(stamp) + ".INI";
        std::remove(path_.c_str());
        store_ = MakeSettingsStore(path_);
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string FileBytes() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string path_;
    std::unique_ptr<SettingsStore> store_;
};

TEST_F(SettingsStoreContract, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
    EXPECT_EQ(store_->Read("记住密码", "JiZhu"), "");
    EXPECT_EQ(FileBytes(), "");
    store_->Write("记住密码", "JiZhu", "yes");
    EXPECT_EQ(store_->Read("记住密码", "JiZhu"), "yes");
    EXPECT_EQ(FileBytes(), "[记住密码]\r\nJiZhu=yes\r\n");
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
    EXPECT_EQ(store_->Read("SECTION", "key"), "v");
    // Two characters whose trail bytes differ only in ASCII case stay apart.
    store_->Write("\x81\x41", "K", "upper");
    store_->Write("\x81\x61", "K", "lower");
    EXPECT_EQ(store_->Read("\x81\x41", "K"), "upper");
    EXPECT_EQ(store_->Read("\x81\x61", "K"), "lower");
}

TEST_F(SettingsStoreContract, ValuesAreTrimmedAndUnquotedAsWindowsDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"  padded  ", "padded"},
        {"\"quoted\"", "quoted"},
        {"'single'", "single"},
        {"\"unbalanced", "\"unbalanced"},
        {"中文 密码", "中文 密码"},
        {"", ""},
        {"a=b", "a=b"},
    };
    int n = 0;
    for (auto& [written, read] : cases) {
        const std::string section = "s" + std::to_string(n++);
        store_->Write(section, "K", written);
        EXPECT_EQ(store_->Read(section, "K"), read) << written;
    }
}

TEST_F(SettingsStoreContract, TypedTextsComeBackAsTyped) {
    SettingsFile settings(MakeSettingsStore(path_));
    const char* typed[] = {
        " pw",   "pw ", "  中文 密码  ", "\"quoted\"", "'single'", "\"unbalanced", "a\"b\"", "\"",
        "plain", ""};
    for (const char* text : typed) {
        settings.WriteSetting(kPassword, text);
        EXPECT_EQ(settings.ReadSetting(kPassword), text) << text;
    }
    settings.WriteSetting(kAccount, "张三");
    EXPECT_NE(FileBytes().find("User=张三\r\n"), std::string::npos);  // plain texts stay unquoted
}

TEST_F(SettingsStoreContract, LongValuesReadBackCutToTheBuffer) {
    const std::string longValue(12000, 'x');
    store_->Write("big", "K", longValue);
    EXPECT_EQ(store_->Read("big", "K"), std::string(kSettingReadBufferSize - 1, 'x'));
    EXPECT_NE(FileBytes().find(longValue), std::string::npos);
}

TEST_F(SettingsStoreContract, MissingSectionOrKeyReadsEmpty) {
    store_->Write("a", "K", "1");
    EXPECT_EQ(store_->Read("b", "K"), "");
    EXPECT_EQ(store_->Read("a", "L"), "");
}

TEST(IniDocument, KeepsForeignLinesAndAddsKeysAfterTheSectionsLastItem) {
    IniDocument doc = IniDocument::Parse("; note\r\n[a]\r\nk=1\r\n\r\n[b]\r\nx = \" y \" \r\n");
    EXPECT_EQ(doc.Get("b", "x"), " y ");
    doc.Set("a", "m", "2");
    EXPECT_EQ(doc.Serialise(), "; note\r\n[a]\r\nk=1\r\nm=2\r\n\r\n[b]\r\nx = \" y \" \r\n");
}

TEST(IniDocument, ToleratesBareLineFeedsAndBrokenLines) {
    IniDocument doc = IniDocument::Parse("[a\nk=1\n[b]\nno equals\n=v\nk=2");
    EXPECT_EQ(doc.Get("b", "k"), "2");
    EXPECT_EQ(doc.Get("b", ""), "v");
    EXPECT_EQ(doc.Get("a", "k"), "");
}

}  // namespace
}  // namespace xl::app
