#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::operator""_sys;

// In code page 936 the second byte of "淺" is the separator's, and that of
// "乤" a lower-case letter's: only whole characters count.
TEST(Text, PathRulesJudgeWholeCharacters)
{
    const std::string folder = "深淺"_sys;
    EXPECT_FALSE(endsWithSeparator(folder));
    EXPECT_TRUE(endsWithSeparator(folder + kSeparator));
    EXPECT_EQ(lastComponent("x" + std::string(1, kSeparator) + folder), folder);
    EXPECT_EQ(upperCase("乤a"_sys), "乤A"_sys);
    EXPECT_TRUE(listingOrderLess("a", "乤"_sys));
}

TEST(Text, CodePageTextGoesToUtf8AndBack)
{
    EXPECT_EQ(toUtf8("报告.txt"_sys), "报告.txt");
    EXPECT_EQ(fromUtf8(toUtf8("深淺"_sys)), "深淺"_sys);
}

}  // namespace
}  // namespace dm::platform
