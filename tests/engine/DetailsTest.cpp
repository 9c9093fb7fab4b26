#include <gtest/gtest.h>

#include <filesystem>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/compare/Details.h"
#include "tests/support/Compare.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::operator""_sys;

using test::child;
using test::compared;

class Details : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Chinese); }

    StringList detailsOf(const std::string& name)
    {
        comp = compared(a, b);
        StringList texts;
        comp->details(child(comp->results, name), texts);
        return texts;
    }

    test::TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::unique_ptr<dirCompare> comp;
};

TEST_F(Details, FifteenTextsColumnByColumn)
{
    // 2005-03-07 09:05:03 at UTC+8, the tests' time zone
    dir.file("A/f.txt", "12345", 1110157503);
    dir.file("B/f.txt", "1", 1110157503);
    const StringList t = detailsOf("f.txt");
    ASSERT_EQ(t.size(), 15u);
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[1], "文件名"_sys);
    EXPECT_EQ(t[4], "修改时间"_sys);
    EXPECT_EQ(t[5], "文件夹 A 中文件"_sys);
    EXPECT_EQ(t[6], dir / "A/f.txt");
    EXPECT_EQ(t[7], "5");
    EXPECT_EQ(t[8], "版本不存在"_sys);
    EXPECT_EQ(t[9], "2005-3-7  9:5:3.0");
    EXPECT_EQ(t[10], "文件夹 B 中文件"_sys);
    EXPECT_EQ(t[12], "1");
}

TEST_F(Details, AMissingSideShowsNotPresentEverywhere)
{
    dir.file("A/only");
    setLanguage(English);
    const StringList t = detailsOf("only");
    for (size_t i = 11; i < 15; ++i) EXPECT_EQ(t[i], "N/A");
    EXPECT_EQ(t[8], "N/A");  // no version, in English
    EXPECT_EQ(t[5], "Files in directory A");
}

TEST_F(Details, AFolderHasSizeZeroNoVersionButItsRealTime)
{
    dir.folder("A/sub");
    dir.folder("B/sub");
    test::setModified(dir / "A/sub", 1136044800);  // 2006-01-01 00:00:00 at UTC+8
    const StringList t = detailsOf("sub");
    EXPECT_EQ(t[7], "0");
    EXPECT_EQ(t[8], "不存在"_sys);
    EXPECT_EQ(t[9], "2006-1-1  0:0:0.0");
}

TEST_F(Details, SizesAreNeverCutTo32Bits)
{
    const std::string big = dir.file("A/big");
    std::filesystem::resize_file(big, 5000000000ull);
    EXPECT_EQ(detailsOf("big")[7], "5000000000");
}

TEST_F(Details, AVersionStoredInChineseReadsInTheCurrentLanguage)
{
    dir.file("A/f");
    comp = compared(a, b);
    result_t& r = child(comp->results, "f");
    r.elemA->version = "版本不存在"_sys;
    setLanguage(English);
    StringList t;
    comp->details(r, t);
    EXPECT_EQ(t[8], "N/A");
    r.elemA->version = "1.2.3.4";
    t.clear();
    comp->details(r, t);
    EXPECT_EQ(t[8], "1.2.3.4");
}

TEST_F(Details, AVersionTheScanDidNotNeedIsReadForTheDetails)
{
    dir.file("A/app.exe", test::peWithVersion(3, 1, 4, 1));
    dir.file("B/app.exe", test::peWithVersion(2, 7, 1, 8));
    comp = compared(a, b, 0x17);  // no version rule: the scan reads no version
    result_t& r = child(comp->results, "app.exe");
    EXPECT_EQ(r.elemA->version, "");
    StringList t;
    comp->details(r, t);
    EXPECT_EQ(t[8], "3.1.4.1");
    EXPECT_EQ(t[13], "2.7.1.8");
}

TEST(TimeText, FieldsWithoutLeadingZeros)
{
    platform::SYSTEMTIME st;
    st.wYear = 2005;
    st.wMonth = 3;
    st.wDay = 7;
    st.wHour = 9;
    st.wMinute = 5;
    st.wSecond = 3;
    st.wMilliseconds = 40;
    EXPECT_EQ(timeText(st), "2005-3-7  9:5:3.40");
    // Every field at its widest still fits.
    st = {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
    EXPECT_EQ(timeText(st), "65535-65535-65535  65535:65535:65535.65535");
}

}  // namespace
}  // namespace dm
