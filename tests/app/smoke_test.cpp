#include <gtest/gtest.h>
#include <string>
TEST(Smoke, LiteralsAreGbk) { EXPECT_EQ(std::string("中国"), "\xD6\xD0\xB9\xFA"); }
#include <chrono>
TEST(Smoke, ChronoCompiles) { EXPECT_GT(std::chrono::milliseconds(5).count(), 0); }
