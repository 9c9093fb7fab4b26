#include <gtest/gtest.h>

#include "config/FilterFile.h"
#include "platform/IniFile.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::TempDir;

TEST(MemoLines, SplitAtLineBreaksWithoutAFinalEmptyPiece)
{
    EXPECT_TRUE(memoLines("").empty());
    EXPECT_EQ(memoLines("\n"), StringList{""});
    EXPECT_EQ(memoLines("a\nb"), (StringList{"a", "b"}));
    EXPECT_EQ(memoLines("a\r\n\r\nb\n"), (StringList{"a", "", "b"}));
}

TEST(MemoLines, ListsSurviveTheirEditBoxTextWhicheverLineEndsItUses)
{
    for (const char* end : {"\n", "\r\n"})
        for (const StringList& lines : {StringList{}, StringList{""}, StringList{"a", ""}, StringList{"", "b", "c"}})
            EXPECT_EQ(memoLines(memoText(lines, end)), lines) << memoText(lines, end);
}

TEST(CompareList, AnEmptyListMeansEveryPathButAnEmptyLineStays)
{
    EXPECT_EQ(compareListFrom(memoLines("")), StringList{test::kSep});
    EXPECT_EQ(compareListFrom(memoLines("\n")), StringList{""});
}

TEST(FilterFile, SavedListsReadBackLessEmptyLinesAndBlanks)
{
    TempDir dir;
    const std::string path = dir / "f.dat";
    std::string error;
    ASSERT_TRUE(saveFilterFile(path, {"doc", "", "  lead", "a=b"}, {".bak", "\"q\""}, error));
    StringList compare;
    StringList exclude;
    loadFilterFile(path, compare, exclude);
    EXPECT_EQ(compare, (StringList{"doc", "lead", "a=b"}));
    EXPECT_EQ(exclude, (StringList{".bak", "q"}));
}

TEST(FilterFile, SavingOverLongerListsLeavesOnlyTheNewEntriesAndOtherSections)
{
    TempDir dir;
    const std::string path = dir.file("f.dat", "[Mine]\nk=v\n[NotUpdate]\n0=a\n1=b\n2=c\n[DoCompare]\n0=x\n1=y\n");
    std::string error;
    ASSERT_TRUE(saveFilterFile(path, {"only"}, {}, error));
    StringList compare;
    StringList exclude;
    loadFilterFile(path, compare, exclude);
    EXPECT_EQ(compare, StringList{"only"});
    EXPECT_TRUE(exclude.empty());
    EXPECT_EQ(platform::IniFile(path).readString("Mine", "k", ""), "v");
}

TEST(FilterFile, KeysAreReadInFileOrderWhateverTheirNames)
{
    TempDir dir;
    StringList compare;
    StringList exclude{"stale"};
    loadFilterFile(dir.file("f.dat", "[donotupdate]\n[notupdate]\nz=1\na=2\n"), compare, exclude);
    EXPECT_EQ(exclude, (StringList{"1", "2"}));
    EXPECT_TRUE(compare.empty());

    loadFilterFile(dir / "missing.dat", compare, exclude);
    EXPECT_TRUE(compare.empty());
    EXPECT_TRUE(exclude.empty());
}

TEST(FilterFile, AnUnwritableFileIsAnError)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(saveFilterFile(dir / "no/such/folder.dat", {"x"}, {}, error));
    EXPECT_EQ(error, "Unable to write to " + dir / "no/such/folder.dat");
}

}  // namespace
}  // namespace dm
