#include <gtest/gtest.h>

#include "platform/Text.h"
#ifdef _WIN32
#include "platform/Win32.h"
#endif
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::operator""_sys;

// Every lead byte with the continuation bytes that suit it best, and the
// forms that look like UTF-8 but are not: overlongs, surrogates, past U+10FFFF.
TEST(Text, Utf8IsWellFormedExactlyWhereTheStandardSaysSo)
{
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        const std::string text = {char(lead), char(0x90), char(0x80), char(0x80)};
        const size_t expected = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        // After 0xE0 the second byte must be 0xA0 or more (else overlong), after 0xF4 below 0x90.
        const size_t bounded = lead == 0xE0 || lead == 0xF4 ? 0 : expected;
        EXPECT_EQ(utf8SequenceLength(text, 0), bounded) << std::hex << lead;
    }
    const std::pair<const char*, bool> cases[] = {
        {"caf\xc3\xa9", true},      {"\xe4\xb8\xad", true},
        {"\xf0\x9f\x98\x80", true}, {"\xf4\x8f\xbf\xbf", true},
        {"\xc0\xaf", false},        {"\xc1\xbf", false},
        {"\xe0\x80\xaf", false},    {"\xf0\x80\x80\xaf", false},
        {"\xed\xa0\x80", false},    {"\xf4\x90\x80\x80", false},
        {"\xf5\x80\x80", false},    {"\xff", false},
        {"\xe4\xb8", false},        {"\x80", false},
    };
    for (const auto& [text, wellFormed] : cases) EXPECT_EQ(isUtf8(text), wellFormed) << text;
}

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

#ifdef _WIN32
// A path past the old limit reaches the wide calls whole and absolute with
// the prefix that lifts the limit; a shorter one as it is.
TEST(Text, ALongPathGetsThePrefixThatLiftsTheLimit)
{
    const std::string deep(300, 'd');
    EXPECT_EQ(widePath("C:\\short\\f"), L"C:\\short\\f");
    EXPECT_EQ(widePath("C:\\x\\..\\" + deep), L"\\\\?\\C:\\" + std::wstring(deep.begin(), deep.end()));
    EXPECT_EQ(widePath("\\\\server\\share\\" + deep),
              L"\\\\?\\UNC\\server\\share\\" + std::wstring(deep.begin(), deep.end()));
    EXPECT_TRUE(widePath(deep).starts_with(L"\\\\?\\"));  // relative: made whole first
    EXPECT_TRUE(isLongPath("C:\\" + deep));
    EXPECT_FALSE(isLongPath("C:\\short"));
}
#endif

}  // namespace
}  // namespace dm::platform
