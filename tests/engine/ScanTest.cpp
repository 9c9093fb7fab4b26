#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/scan/FileVersions.h"
#include "engine/scan/Scan.h"
#include "engine/side/InfoFile.h"
#include "engine/workflow/Workflow.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "tests/support/Compare.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::operator""_sys;

using test::TempDir;

class Scan : public ::testing::Test {
protected:
    void TearDown() override
    {
        setLanguage(Chinese);
        platform::testSeams().failListing = nullptr;
    }

    std::unique_ptr<dirCompare> comparer(uint8_t options = 0x1F, const StringList& include = {test::kSep},
                                         const StringList& exclude = {}, RunControl* control = nullptr)
    {
        return std::make_unique<dirCompare>(test::request(dir.folder("A"), dir.folder("B"), include, exclude, options),
                                            control);
    }

    TempDir dir;
};

// One side listed on its own, with no comparison around it: the scope's
// items, the versions of its files, a folder that cannot be listed skipped
// where the caller says so.
TEST_F(Scan, ASideListsOnItsOwnWithTheScopesItemsAndItsFilesVersions)
{
    dir.file("A/tool.exe", test::peWithVersion(1, 2, 3, 4));
    dir.file("A/skipme/inner");
    dir.file("A/sub/file");
    FoundSide a;
    std::string error;
    ASSERT_TRUE(findSide(dir / "A", {}, {}, a, error)) << error;
    element_t root;
    root.path = a.path;
    root.isFolder = 1;
    ListingScope scope;
    scope.exclude = {"skipme"};
    FileVersions versions({}, nullptr);
    ScanHooks hooks;
    std::vector<std::string> listed;
    hooks.folderListed = [&](element_t& folder, std::string&) {
        listed.push_back(std::string(platform::lastComponent(folder.path)));
        return true;
    };
    ASSERT_TRUE(scanSide(*a.side, root, scope, nullptr, &versions, hooks, error)) << error;
    EXPECT_EQ(test::child(root, "tool.exe").version, "1.2.3.4");
    EXPECT_FALSE(test::child(root, "skipme").children);  // an item, never entered
    EXPECT_TRUE(test::child(root, "sub").children);
    EXPECT_EQ(listed.size(), 2u);  // A itself and sub
}

TEST_F(Scan, AnEmptyFolderCountsItsTwoDotEntries)
{
    auto comp = comparer();
    std::string error;
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    EXPECT_EQ(comp->rootA.count, 2);
    ASSERT_TRUE(comp->rootA.children);
    EXPECT_TRUE(comp->rootA.children->empty());
}

TEST_F(Scan, FoldersCountTheirOwnEntriesAndEverythingBelow)
{
    dir.file("A/one");
    dir.file("A/sub/two");
    dir.file("A/sub/deeper/three");
    auto comp = comparer();
    std::string error;
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    // A: . .. one sub = 4; sub: . .. two deeper = 4; deeper: . .. three = 3
    EXPECT_EQ(comp->rootA.count, 11);
    element_t& sub = test::child(comp->rootA, "sub");
    EXPECT_EQ(sub.count, 7);
    EXPECT_EQ(sub.path, dir / "A/sub");
    EXPECT_EQ(sub.isFolder, 1);
    EXPECT_EQ(test::child(comp->rootA, "one").isFolder, 0);
    EXPECT_FALSE(test::child(comp->rootA, "one").children);
}

TEST_F(Scan, WithoutSubFoldersNothingBelowIsListed)
{
    dir.file("A/sub/two");
    auto comp = comparer(0x0F);
    std::string error;
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    EXPECT_EQ(comp->rootA.count, 3);
    EXPECT_FALSE(test::child(comp->rootA, "sub").children);
}

TEST_F(Scan, TheLimitCountsDotEntriesAndKeepsTheFirstInListingOrder)
{
    for (int i = 0; i < 9998; ++i) dir.file("A/f" + std::to_string(10000 + i));
    auto full = test::compared(dir / "A", dir.folder("B"));
    EXPECT_EQ(full->rootA.count, 10000);
    EXPECT_EQ(full->rootA.children->size(), 9998u);
    EXPECT_EQ(full->state, TooManyFiles);

    dir.file("A/f19998");
    dir.file("A/f19999");
    auto cut = test::compared(dir / "A", dir / "B");
    EXPECT_EQ(cut->rootA.count, 10000);
    ASSERT_EQ(cut->rootA.children->size(), 9998u);
    EXPECT_EQ(cut->rootA.children->back()->name(), "f19997");
    EXPECT_EQ(cut->state, TooManyFiles);
}

TEST_F(Scan, TheLimitAppliesToEitherTree)
{
    for (int i = 0; i < 5; ++i) dir.file("B/f" + std::to_string(i));
    dir.folder("A");
    dirCompare comp(test::request(dir / "A", dir / "B", {test::kSep}, {}, 0x1F), nullptr);
    comp.request.maxEntries = 5;
    comp.run();
    EXPECT_EQ(comp.state, TooManyFiles);
}

// The limit counts entries across the whole tree, whichever side lists it:
// a folder and its information file stop at the same entry.
TEST_F(Scan, SubFoldersAreWalkedOnlyUntilTheLimitAsAnInformationFileIsRead)
{
    dir.file("A/a/x");
    dir.file("A/b/y");
    const std::string info = dir / "a.dat";
    {
        auto whole = comparer();
        std::string error;
        ASSERT_TRUE(whole->scanFolder(whole->rootA, error, {}));
        ASSERT_TRUE(exportInfoFile(describedTree(*whole, whole->rootA), info, error)) << error;
    }
    auto comp = comparer();
    comp->request.maxEntries = 6;  // A: 4 entries, then folder a brings its two dots
    std::string error;
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    EXPECT_EQ(comp->rootA.count, 6);
    EXPECT_TRUE(test::child(comp->rootA, "a").children);
    EXPECT_FALSE(test::child(comp->rootA, "b").children);

    test::TestSink sink(6);
    element_t read;
    ASSERT_TRUE(readInfoFile(sink, read, info, error, {})) << error;
    EXPECT_EQ(read.count, comp->rootA.count);
}

TEST_F(Scan, IncludeAndExcludeEntriesMatchAnywhereIgnoringCase)
{
    auto comp = comparer(0x1F, {test::kSep}, {".bak"});
    EXPECT_TRUE(comp->isIncluded(test::native("/data/x.txt")));
    EXPECT_FALSE(comp->isIncluded(test::native("/data/x.BAK")));

    comp->request.include = {"doc"};
    comp->request.exclude = {""};
    EXPECT_TRUE(comp->isIncluded(test::native("/Docs/any name")));
    EXPECT_FALSE(comp->isIncluded(test::native("/data/x.txt")));

    // Entries without letters beside one with letters: each still matches as it should.
    comp->request.include = {test::kSep};
    comp->request.exclude = {"~", "TMP"};
    EXPECT_FALSE(comp->isIncluded(test::native("/data/x~")));
    EXPECT_FALSE(comp->isIncluded(test::native("/data/x.tmp")));
    EXPECT_TRUE(comp->isIncluded(test::native("/data/x")));

    comp->request.include = {""};
    EXPECT_FALSE(comp->isIncluded(test::native("/data/x.txt")));  // an empty entry never matches
    comp->request.include = {};
    EXPECT_FALSE(comp->isIncluded(test::native("/data/x.txt")));  // and an empty list includes nothing
}

TEST_F(Scan, SubFoldersFailingTheFilterAreNotScanned)
{
    dir.file("A/keep/x");
    dir.file("A/skip/y");
    auto noList = comparer(0x1F, {});
    std::string error;
    ASSERT_TRUE(noList->scanFolder(noList->rootA, error, {}));
    EXPECT_FALSE(test::child(noList->rootA, "keep").children);

    auto excluded = comparer(0x1F, {test::kSep}, {"SKIP"});
    ASSERT_TRUE(excluded->scanFolder(excluded->rootA, error, {}));
    EXPECT_TRUE(test::child(excluded->rootA, "keep").children);
    EXPECT_FALSE(test::child(excluded->rootA, "skip").children);
}

TEST_F(Scan, AnAbortStopsAtTheNextFolderAndKeepsWhatWasListed)
{
    dir.file("A/first/x");
    dir.file("A/second/y");
    RunControl control;
    std::vector<std::string> texts;
    control.onText = [&](const std::string& text) {
        texts.push_back(text);
        if (text.find("first") != std::string::npos) control.requestAbort();
    };
    auto comp = comparer(0x1F, {test::kSep}, {}, &control);
    comp->run();
    EXPECT_EQ(comp->state, CompareError);
    EXPECT_EQ(comp->errorText, "用户中止"_sys);
    EXPECT_EQ(comp->rootA.children->size(), 2u);
    EXPECT_TRUE(test::child(comp->rootA, "first").children);
    EXPECT_FALSE(test::child(comp->rootA, "second").children);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "获取目录文件信息: "_sys + dir / "A/"), texts.end());
}

TEST_F(Scan, AFolderThatCannotBeListedFailsWithTheSystemsText)
{
    dir.file("A/locked/x");
    platform::testSeams().failListing = [&](const std::string& folder) {
        return folder == dir / "A/locked/" ? EACCES : 0;
    };
    auto comp = comparer();
    comp->run();
    EXPECT_EQ(comp->state, CompareError);
    EXPECT_EQ(comp->errorText,
              "获取文件信息出错, 文件名:"_sys + dir / "A/locked/*.*" + " : " + platform::systemMessage(EACCES));
    EXPECT_TRUE(test::child(comp->rootA, "locked").children->empty());
    EXPECT_EQ(test::child(comp->rootA, "locked").count, 0);
}

TEST_F(Scan, VersionTextsOfExecutablesFoldersAndOtherFiles)
{
    dir.file("A/app.exe", test::peWithVersion(1, 2, 0, 15));
    dir.file("A/readme.txt", std::string(200, 'r'));
    dir.folder("A/sub");
    auto comp = comparer();
    std::string error;
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    EXPECT_EQ(test::child(comp->rootA, "app.exe").version, "1.2.0.15");
    EXPECT_EQ(test::child(comp->rootA, "readme.txt").version, "版本不存在"_sys);
    EXPECT_EQ(test::child(comp->rootA, "sub").version, "版本不存在"_sys);

    setLanguage(English);
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    EXPECT_EQ(test::child(comp->rootA, "readme.txt").version, "N/A");
}

TEST_F(Scan, ASingleItemIsListedAgainOrDroppedWhenItIsGone)
{
    dir.file("A/keep");
    dir.file("A/gone");
    dir.file("A/sub/x");
    auto comp = comparer();
    std::string error;
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, {}));
    ASSERT_EQ(comp->rootA.count, 8);

    std::filesystem::remove(dir / "A/gone");
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, "gone"));
    EXPECT_EQ(comp->rootA.children->size(), 2u);
    EXPECT_EQ(comp->rootA.count, 7);

    dir.file("A/sub/y");
    ASSERT_TRUE(comp->scanFolder(comp->rootA, error, "SUB"));  // names match without regard to case
    EXPECT_EQ(comp->rootA.children->back()->name(), "sub");
    EXPECT_EQ(comp->rootA.children->back()->children->size(), 2u);
    EXPECT_EQ(comp->rootA.count, 8);
}

TEST_F(Scan, AFolderThatVanishedFailsWithItsName)
{
    auto comp = comparer();
    std::filesystem::remove(dir / "A");
    comp->run();
    EXPECT_EQ(comp->state, CompareError);
    EXPECT_EQ(comp->errorText, "目录"_sys + dir / "A/" + "不存在"_sys);
}

}  // namespace
}  // namespace dm
