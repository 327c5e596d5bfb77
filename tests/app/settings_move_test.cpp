// The settings file of an earlier version, in the temporary-files folder, is
// moved once into the settings folder: same bytes, the earlier one gone, a
// line in the log; never over a file already there, never half done.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings_move.h"
#include "app/settings_store.h"

namespace xl::app {
namespace {

namespace fs = std::filesystem;

class EarlierSettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = TemporaryFilesDirectory() + "xl-move-" + std::to_string(stamp);
        fs::create_directories(fs::path(root_) / "new");
        from_ = (fs::path(root_) / "old.INI").string();
        to_ = (fs::path(root_) / "new" / "new.INI").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool Move() {
        return MoveEarlierSettingsFile(from_, to_,
                                       [this](const std::string& l) { log_.push_back(l); });
    }
    std::string root_, from_, to_;
    std::vector<std::string> log_;
};

TEST_F(EarlierSettingsFile, IsMovedOnceWithItsBytes) {
    // GBK bytes, a bare line feed and no final line end: all kept as they are.
    const std::string saved = "[帐号]\r\nUser=张三\n[密码]\r\nPassword=\"p w\"";
    Put(from_, saved);
    EXPECT_TRUE(Move());
    EXPECT_EQ(Bytes(to_), saved);
    EXPECT_FALSE(fs::exists(from_));
    EXPECT_EQ(log_, std::vector<std::string>{"设置文件已从 " + from_ + " 移到 " + to_});
    log_.clear();
    EXPECT_FALSE(Move());
    EXPECT_TRUE(log_.empty());
}

TEST_F(EarlierSettingsFile, NeverReplacesTheFileAlreadyInPlace) {
    Put(from_, "[帐号]\r\nUser=old\r\n");
    Put(to_, "[帐号]\r\nUser=new\r\n");
    EXPECT_FALSE(Move());
    EXPECT_EQ(Bytes(to_), "[帐号]\r\nUser=new\r\n");
    EXPECT_EQ(Bytes(from_), "[帐号]\r\nUser=old\r\n");
    EXPECT_TRUE(log_.empty());
}

// The next start tries again: the earlier file stays where it was.
TEST_F(EarlierSettingsFile, AFailureLeavesTheEarlierFileInPlace) {
    Put(from_, "[帐号]\r\nUser=old\r\n");
    to_ = (fs::path(root_) / "no-such-folder" / "new.INI").string();
    EXPECT_FALSE(Move());
    EXPECT_EQ(Bytes(from_), "[帐号]\r\nUser=old\r\n");

    fs::remove(from_);
    fs::create_directory(from_);  // opens (POSIX) or is refused (Windows), never reads
    EXPECT_FALSE(Move());
    EXPECT_TRUE(fs::is_directory(from_));
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_EQ(log_[0].rfind("设置文件未能从 " + from_ + " 移到 " + to_ + ": 写入错误 ", 0), 0u)
        << log_[0];
    EXPECT_NE(log_[1].find(": 读取错误 "), std::string::npos) << log_[1];
}

}  // namespace
}  // namespace xl::app
