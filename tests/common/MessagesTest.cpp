#include <gtest/gtest.h>

#include "common/Messages.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::operator""_sys;

class Messages : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Chinese); }
};

TEST_F(Messages, EachLanguageHasItsColumn)
{
    setLanguage(Chinese);
    EXPECT_EQ(messageText(msg::StateFinished), "比较完成"_sys);
    EXPECT_EQ(messageText(msg::ReportLacked), "       缺少文件个数："_sys);
    setLanguage(English);
    EXPECT_EQ(messageText(msg::DetailsButton), "Details");
    EXPECT_EQ(messageText(msg::ReportRedundant).substr(0, 7), "      C");  // six blanks in English
    EXPECT_EQ(messageText(msg::ErrorLine), "\nError Line: ");
}

TEST_F(Messages, NumbersPastTheTableAreEmptyWhateverTheirSize)
{
    for (const uint8_t language : {Chinese, English}) {
        setLanguage(language);
        for (const uint32_t n : {324u, 325u, 1000u, 0x80000006u, 0x8000000Du, 0xFFFFFFFEu, 0xFFFFFFFFu})
            EXPECT_EQ(messageText(n), "") << n;
        EXPECT_EQ(messageText(0), "");
    }
}

TEST_F(Messages, FileMarkersAreTheSameInBothLanguages)
{
    for (const uint32_t n : {101u, 123u, 126u, 127u, 128u, 129u, 131u, 132u, 133u}) {
        setLanguage(Chinese);
        const std::string chinese = messageText(n);
        setLanguage(English);
        EXPECT_EQ(messageText(n), chinese) << n;
        EXPECT_FALSE(chinese.empty());
    }
    setLanguage(English);
    EXPECT_EQ(messageText(msg::NoVersion), "N/A");
    EXPECT_EQ(messageText(msg::StoredNoVersion), "版本不存在"_sys);
}

TEST_F(Messages, AnyLanguageButOneIsChinese)
{
    setLanguage(7);
    EXPECT_EQ(currentLanguage(), Chinese);
    EXPECT_EQ(std::string(messageRaw(msg::StateTooManyFiles)), "文件太多"_sys);
}

}  // namespace
}  // namespace dm
