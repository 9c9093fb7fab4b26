#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "tests/support/Compare.h"
#include "tests/support/FakeSide.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::child;
using test::compared;
using test::TempDir;

class Compare : public ::testing::Test {
protected:
    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
};

TEST_F(Compare, NamesPairWithoutRegardToCaseUnderTheNameOfA)
{
    dir.file("A/Readme.TXT");
    dir.file("B/README.txt");
    auto comp = compared(a, b);
    ASSERT_EQ(comp->state, Finished);
    ASSERT_EQ(comp->results.children->size(), 1u);
    result_t& r = *comp->results.children->front();
    EXPECT_EQ(r.kind, 3);
    EXPECT_EQ(r.name, "Readme.TXT");
    EXPECT_EQ(r.pathA(), dir / "A/Readme.TXT");
    EXPECT_EQ(r.pathB(), dir / "B/README.txt");
    EXPECT_EQ(r.identical, 1);
    EXPECT_EQ(r.included, 1);
}

// Sides from tables: pairing is tested on every system, whatever case rule
// the file system the tests run on has.
TEST(Pairing, NamesEqualByteForBytePairFirstAndOnlyAnUnambiguousCaseMatchFollows)
{
    struct Case {
        std::vector<std::string> inA, inB;
        int lacked, redundant, different;
        std::vector<std::string> pairs;  // "A name=B name"
    };
    const Case cases[] = {
        {{"README", "readme"}, {"README", "readme"}, 0, 0, 0, {"README=README", "readme=readme"}},
        {{"Pod/x", "pod/y"}, {"Pod/x", "pod/y"}, 0, 0, 0, {"Pod=Pod", "pod=pod"}},
        {{"x"}, {"X", "x"}, 0, 1, 0, {"x=x"}},
        {{"Makefile"}, {"makefile", "MAKEFILE"}, 1, 2, 0, {}},
        {{"README", "readme"}, {"Readme"}, 2, 1, 0, {}},
        {{"Readme.TXT"}, {"README.txt"}, 0, 0, 0, {"Readme.TXT=README.txt"}},
    };
    for (const Case& c : cases) {
        test::FakeSides sides;
        std::vector<test::FakeItem> a, b;
        for (const auto& name : c.inA) a.emplace_back(name);
        for (const auto& name : c.inB) b.emplace_back(name);
        auto comp = compared(sides.add("A", a), sides.add("B", b));
        SCOPED_TRACE(c.inA.front() + " / " + c.inB.front());
        ASSERT_EQ(comp->state, Finished) << comp->errorText;
        EXPECT_EQ(comp->results.lacked, c.lacked);
        EXPECT_EQ(comp->results.redundant, c.redundant);
        EXPECT_EQ(comp->results.different, c.different);
        std::vector<std::string> pairs;
        for (const auto& r : *comp->results.children) {
            if (r->kind == 3) pairs.push_back(r->name + "=" + r->elemB->name());
        }
        EXPECT_EQ(pairs, c.pairs);
    }
}

TEST_F(Compare, LackedRedundantAndDifferentItemsAreCounted)
{
    dir.file("A/same", "1");
    dir.file("B/same", "1");
    dir.file("A/size", "1");
    dir.file("B/size", "22");
    dir.file("A/onlyA");
    dir.file("B/onlyB");
    auto comp = compared(a, b);
    EXPECT_EQ(comp->results.lacked, 1);
    EXPECT_EQ(comp->results.redundant, 1);
    EXPECT_EQ(comp->results.different, 1);
    result_t& onlyA = child(comp->results, "onlyA");
    EXPECT_EQ(onlyA.kind, 1);
    EXPECT_EQ(onlyA.lacked, 1);
    EXPECT_EQ(onlyA.elemB, nullptr);
    result_t& onlyB = child(comp->results, "onlyB");
    EXPECT_EQ(onlyB.kind, 2);
    EXPECT_EQ(onlyB.pathA(), "");
    EXPECT_EQ(onlyB.redundant, 1);
    result_t& size = child(comp->results, "size");
    EXPECT_EQ(size.sameSize, 0);
    EXPECT_EQ(size.different, 1);
    // A's items in A's order, then what only B has
    EXPECT_EQ(comp->results.children->back()->name, "onlyB");
}

TEST_F(Compare, AFolderMissingOnOneSideCountsOnceWhateverItHolds)
{
    dir.file("A/tree/one");
    dir.file("A/tree/deep/two");
    dir.file("B/extra/three");
    auto comp = compared(a, b);
    EXPECT_EQ(comp->results.lacked, 1);
    EXPECT_EQ(comp->results.redundant, 1);
    EXPECT_FALSE(child(comp->results, "tree").children);
    EXPECT_EQ(child(comp->results, "tree").folderA, 1);
    EXPECT_EQ(child(comp->results, "extra").folderB, 1);
}

TEST_F(Compare, AFolderFacingAFileIsOneDifferenceAndIsNotEntered)
{
    dir.file("A/thing/inside");
    dir.file("B/thing");
    auto comp = compared(a, b);
    result_t& r = child(comp->results, "thing");
    EXPECT_EQ(r.kind, 3);
    EXPECT_EQ(r.identical, 0);
    EXPECT_EQ(r.different, 1);
    EXPECT_FALSE(r.children);
    EXPECT_EQ(comp->results.different, 1);
}

TEST_F(Compare, FolderPairsSumTheirContent)
{
    dir.file("A/sub/same");
    dir.file("B/sub/same");
    dir.file("A/sub/lack");
    dir.file("A/sub/x", "1");
    dir.file("B/sub/x", "12");
    dir.file("A/equal/f");
    dir.file("B/equal/f");
    auto comp = compared(a, b);
    result_t& sub = child(comp->results, "sub");
    ASSERT_TRUE(sub.children);
    EXPECT_EQ(sub.lacked, 1);
    EXPECT_EQ(sub.different, 1);
    EXPECT_EQ(sub.identical, 0);
    EXPECT_EQ(child(comp->results, "equal").identical, 1);
    EXPECT_EQ(comp->results.lacked, 1);
    EXPECT_EQ(comp->results.different, 1);

    auto flat = compared(a, b, 0x0F);  // sub-folders off: pairs of folders are not entered
    EXPECT_FALSE(child(flat->results, "sub").children);
    EXPECT_EQ(child(flat->results, "sub").identical, 1);
    EXPECT_EQ(flat->results.different, 0);
}

TEST_F(Compare, WithNoRuleSelectedEverySameNamedFilePairIsIdentical)
{
    dir.file("A/f", "short", test::kTime);
    dir.file("B/f", "much longer", test::kTime + 100);
    auto comp = compared(a, b, 0x01);
    EXPECT_EQ(child(comp->results, "f").identical, 1);
    EXPECT_EQ(comp->results.different, 0);
}

TEST_F(Compare, SizesCompareOnAll64Bits)
{
    dir.file("A/sparse", "1");
    dir.file("B/sparse", "1");
    std::filesystem::resize_file(dir / "B/sparse", (uint64_t(1) << 32) + 1);
    test::setModified(dir / "B/sparse", test::kTime);
    auto comp = compared(a, b, 0x03);
    EXPECT_EQ(child(comp->results, "sparse").sameSize, 0);
}

TEST_F(Compare, TimesCompareToTheMillisecond)
{
    dir.file("A/ms", "x", test::kTime, 1000000);
    dir.file("B/ms", "x", test::kTime, 2000000);
    dir.file("A/sub", "x", test::kTime, 1000000);
    dir.file("B/sub", "x", test::kTime, 1999999);
    auto comp = compared(a, b);
    EXPECT_EQ(child(comp->results, "ms").sameTime, 0);
    EXPECT_EQ(child(comp->results, "ms").identical, 0);
    EXPECT_EQ(child(comp->results, "sub").sameTime, 1);
    EXPECT_EQ(child(comp->results, "sub").identical, 1);

    auto noTime = compared(a, b, 0x1B);
    EXPECT_EQ(child(noTime->results, "ms").identical, 1);
}

TEST_F(Compare, VersionTextsDifferOnlyWhenCompared)
{
    // Same size, same time, another version: only the version rule sees it.
    dir.file("A/app.exe", test::peWithVersion(1, 0, 0, 0));
    dir.file("B/app.exe", test::peWithVersion(2, 0, 0, 0));
    auto comp = compared(a, b);
    EXPECT_EQ(child(comp->results, "app.exe").sameVersion, 0);
    EXPECT_EQ(child(comp->results, "app.exe").identical, 0);
    auto noVersion = compared(a, b, 0x17);
    EXPECT_EQ(child(noVersion->results, "app.exe").identical, 1);
}

TEST_F(Compare, AnExcludedDifferentFileLeavesItsFolderIdentical)
{
    dir.file("A/sub/x.bak", "1");
    dir.file("B/sub/x.bak", "12");
    auto comp = compared(a, b, 0x1F, {test::kSep}, {".BAK"});
    result_t& sub = child(comp->results, "sub");
    EXPECT_EQ(sub.identical, 1);
    EXPECT_EQ(sub.different, 0);
    EXPECT_EQ(comp->results.different, 0);
    result_t& file = child(sub, "x.bak");
    EXPECT_EQ(file.included, 0);
    EXPECT_EQ(file.identical, 0);
    EXPECT_EQ(file.different, 0);
}

TEST_F(Compare, AnExcludedSubFolderOfBIsListedAsIdenticalAndNotCounted)
{
    dir.file("A/skip/x", "1");
    dir.file("B/skip/x", "22");
    dir.file("B/skip/extra");
    auto comp = compared(a, b, 0x1F, {test::kSep}, {"skip"});
    result_t& skip = child(comp->results, "skip");
    EXPECT_FALSE(skip.children);
    EXPECT_EQ(skip.identical, 1);
    EXPECT_EQ(skip.included, 0);
    EXPECT_EQ(comp->results.redundant + comp->results.different + comp->results.lacked, 0);
}

TEST_F(Compare, ItemsOutsideTheCompareListAreListedButNotCounted)
{
    dir.file("A/x.txt");
    dir.file("A/y.exe");
    auto comp = compared(a, b, 0x1F, {".exe"});
    EXPECT_EQ(comp->results.lacked, 1);
    EXPECT_EQ(child(comp->results, "x.txt").included, 0);
    EXPECT_EQ(child(comp->results, "x.txt").lacked, 0);
}

TEST_F(Compare, AnAbortWhileComparingStopsAtTheNextFolderPairAndFailsTheRun)
{
    dir.lay({{"A/one/f"}, {"B/one/f"}, {"A/two/g"}, {"B/two/g", "other"}});
    RunControl control;
    control.onText = [&](const std::string& text) {
        if (text.find(messageText(msg::ProgressComparing)) == 0) control.requestAbort();
    };
    auto comp = compared(a, b, 0x1F, {test::kSep}, {}, &control);
    EXPECT_EQ(comp->state, CompareError);
    EXPECT_EQ(comp->errorText, messageText(msg::UserAbort));
    EXPECT_FALSE(child(comp->results, "two").children);  // never compared
}

}  // namespace
}  // namespace dm
