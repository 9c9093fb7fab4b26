#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::TempDir;

TEST(IniFile, NamesIgnoreCaseAndValuesLoseBlanksAndQuotes)
{
    TempDir dir;
    const std::string path =
        dir.file("a.ini", "[Server]\r\n  StandardDir =  C:\\A  \r\nq=\"quoted\"\nr='single'\nh=\"half\nm='mixed\"\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readString("server", "STANDARDDIR", "x"), "C:\\A");
    EXPECT_EQ(ini.readString("Server", "q", ""), "quoted");
    EXPECT_EQ(ini.readString("Server", "r", ""), "single");
    EXPECT_EQ(ini.readString("Server", "h", ""), "\"half");
    EXPECT_EQ(ini.readString("Server", "m", ""), "'mixed\"");  // only a matching pair goes
    EXPECT_EQ(ini.readString("Server", "missing", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Other", "q", "dflt"), "dflt");
}

TEST(IniFile, IntegersAreDecimalOrHexadecimalElseTheDefault)
{
    int32_t v = 0;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, int32_t>>{
             {"42", 42}, {"-7", -7}, {"+3", 3}, {"0x10", 16}, {"0X1f", 31}, {"$10", 16}, {"$FFFFFFFF", -1}}) {
        ASSERT_TRUE(parseProfileInteger(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    for (const char* bad : {"", "word", "12abc", "0x", "$", "99999999999", "1.5"})
        EXPECT_FALSE(parseProfileInteger(bad, v)) << bad;

    TempDir dir;
    IniFile ini(dir.file("i.ini", "[Global]\nInterval=word\nDay=0x10\n"));
    EXPECT_EQ(ini.readInteger("Global", "Interval", 30000), 30000);
    EXPECT_EQ(ini.readInteger("Global", "Day", 1), 16);
    EXPECT_EQ(ini.readInteger("Global", "None", 5), 5);
}

TEST(IniFile, WritesReplaceInPlaceAppendToTheirSectionAndAddSectionsAtTheEnd)
{
    TempDir dir;
    const std::string path = dir.file("w.ini", "[A]\nx=1\ny=2\n\n[B]\nz=3\n");
    IniFile ini(path);
    ASSERT_TRUE(ini.writeString("a", "X", "10"));
    ASSERT_TRUE(ini.writeString("A", "new", "n"));
    ASSERT_TRUE(ini.writeString("C", "c", "c"));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(test::readFile(path), "[A]\r\nX=10\r\ny=2\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n[C]\r\nc=c\r\n");
}

TEST(IniFile, SectionsAreErasedWholeAndReadInFileOrder)
{
    TempDir dir;
    IniFile ini(dir.file("s.ini", "[Keep]\nb=2\na=1\n[Gone]\nx=1\n[gone]\ny=2\n[Last]\n"));
    ini.eraseSection("GONE");
    EXPECT_FALSE(ini.sectionExists("gone"));
    const auto values = ini.readSectionValues("keep");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].first, "b");
    EXPECT_EQ(values[1].second, "1");
    EXPECT_TRUE(ini.sectionExists("Last"));
}

TEST(IniFile, LongValuesAreCutAndUnstorableOnesRefused)
{
    TempDir dir;
    IniFile ini(dir / "long.ini");
    ASSERT_TRUE(ini.writeString("S", "k", std::string(3000, 'v')));
    EXPECT_EQ(ini.readString("S", "k", "").size(), IniFile::kMaxValueLength);
    EXPECT_FALSE(ini.writeString("S", "k", "two\nlines"));
    EXPECT_FALSE(ini.writeString("S", "a=b", "v"));
}

TEST(IniFile, AFileThatCannotBeWrittenStaysAsItWas)
{
    TempDir dir;
    const std::string path = dir.file("ro.ini", "[S]\nk=old\n");
    if (!test::setImmutable(path, true)) GTEST_SKIP() << "cannot make a file immutable here";
    IniFile ini(path);
    ini.writeString("S", "k", "new");
    EXPECT_FALSE(ini.save());
    test::setImmutable(path, false);
    EXPECT_EQ(test::readFile(path), "[S]\nk=old\n");
}

// Where the settings file and the log of a program go: beside a copy the
// user runs from a folder of their own, per user for an installed one
// (whose folder a standard user cannot write).
TEST(ProgramPaths, AnInstalledProgramKeepsItsSettingsPerUserAPortableOneBesideIt)
{
    test::TempDir dir;
    const std::string portable = dir.folder("portable");
    EXPECT_EQ(platform::besideProgram(portable + test::kSep + "dirmatch"), portable + test::kSep);
#ifdef _WIN32
    const auto programFiles = test::setVariable("ProgramFiles", dir / "Program Files");
    const auto appData = test::setVariable("APPDATA", dir / "roaming");
    const std::string installed = dir.folder("Program Files/dirmatch");
    EXPECT_EQ(platform::besideProgram(installed + "\\dirmatch-gui.exe"), dir / "roaming/dirmatch/");
    EXPECT_TRUE(platform::folderExists(dir / "roaming/dirmatch"));
    test::setVariable("ProgramFiles", programFiles);
    test::setVariable("APPDATA", appData);
#endif
}

}  // namespace
}  // namespace dm::platform
