#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "common/ErrorLog.h"
#include "common/FileHelpers.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

const std::string kHyphens(29, '-');

TEST(ErrorLog, AnEntryIsStampMessageAndHyphensWithCrLf)
{
    test::TempDir dir;
    const std::string log = dir / "dirmatch.log";
    writeLog("abc", log);
    const std::string bytes = test::readFile(log);
    EXPECT_TRUE(
        std::regex_match(bytes, std::regex("\r\n\\d{1,2}/\\d{1,2}/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\nabc\r\n-{29}")))
        << bytes;

    writeLog("", log);
    writeLog("two\nlines", log);
    const std::string all = test::readFile(log);
    EXPECT_NE(all.find(kHyphens + "\r\n"), std::string::npos);
    EXPECT_NE(all.find("\r\n\r\n" + kHyphens), std::string::npos);  // the empty message
    EXPECT_NE(all.find("two\r\nlines\r\n" + kHyphens), std::string::npos);
    EXPECT_EQ(all.substr(all.size() - 29), kHyphens);
}

TEST(ErrorLog, ALogAtTheCapStartsAnew)
{
    test::TempDir dir;
    const std::string log = dir / "cap.log";
    test::writeFile(log, "");
    std::filesystem::resize_file(log, 50000000 - 1);  // the cap in bytes, not 50 MiB
    writeLog("kept", log);
    EXPECT_GT(fileSize(log), 50000000u);

    std::filesystem::resize_file(log, 50000000);
    writeLog("fresh", log);
    EXPECT_LT(fileSize(log), 100u);
    EXPECT_NE(test::readFile(log).find("fresh"), std::string::npos);
}

TEST(ErrorLog, AnUnwritableLogIsSilentlySkipped)
{
    test::TempDir dir;
    writeLog("lost", dir / "no/such/folder/x.log");
    EXPECT_FALSE(dir.exists("no"));
    EXPECT_EQ(fileSize(dir / "nothing"), 0u);
}

}  // namespace
}  // namespace dm
