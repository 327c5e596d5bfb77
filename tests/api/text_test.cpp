#include "api/text.h"

#include <gtest/gtest.h>

namespace xl::api {
namespace {

TEST(TextTest, Placeholder) {
    EXPECT_EQ(TextFind("abc", "c"), 3);
}

}  // namespace
}  // namespace xl::api
