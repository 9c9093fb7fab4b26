#include <gtest/gtest.h>

#include <filesystem>

#include "engine/compare/Comp.h"
#include "platform/TestSeams.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::child;
using test::compared;
using test::TempDir;

class Refresh : public ::testing::Test {
protected:
    void TearDown() override { platform::testSeams().failListing = nullptr; }

    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
};

TEST_F(Refresh, AnItemDeletedFromBBecomesLackedAndTheTotalsFollow)
{
    dir.file("A/f");
    dir.file("B/f");
    dir.file("A/other");
    auto comp = compared(a, b);
    ASSERT_EQ(comp->results.lacked, 1);
    std::filesystem::remove(dir / "B/f");

    comp->refresh(comp->results, "f");
    EXPECT_EQ(comp->state, Finished);
    result_t& f = child(comp->results, "f");
    EXPECT_EQ(f.kind, 1);
    EXPECT_EQ(f.lacked, 1);
    EXPECT_EQ(comp->results.lacked, 2);
    EXPECT_EQ(comp->results.children->size(), 2u);
}

TEST_F(Refresh, AFolderPairIsRedoneAndItsChangeReachesEveryFolderAbove)
{
    dir.file("A/top/sub/x", "1");
    dir.file("B/top/sub/x", "1");
    auto comp = compared(a, b);
    result_t& top = child(comp->results, "top");
    result_t& sub = child(top, "sub");
    ASSERT_EQ(top.identical, 1);

    dir.file("A/top/sub/new");
    dir.file("B/top/sub/x", "22");
    comp->refresh(sub, {});
    EXPECT_EQ(sub.lacked, 1);
    EXPECT_EQ(sub.different, 1);
    EXPECT_EQ(sub.identical, 0);
    EXPECT_EQ(top.lacked, 1);
    EXPECT_EQ(top.identical, 0);
    EXPECT_EQ(comp->results.lacked, 1);
    EXPECT_EQ(comp->results.different, 1);
}

TEST_F(Refresh, ARefreshOfAFolderLeftOutByTheFiltersChangesNoCountAboveIt)
{
    dir.file("A/top/f");
    dir.file("B/top/f");
    // Every path of B is left out: pairs are not counted, A's lacked items are.
    const std::string outOfB = test::kSep + "B" + test::kSep;
    auto comp = compared(a, b, 0x1F, {test::kSep}, {outOfB});
    result_t& top = child(comp->results, "top");
    ASSERT_EQ(top.included, 0);
    const int lackedBefore = comp->results.lacked;
    dir.file("A/top/new");
    comp->refresh(top, {});
    EXPECT_EQ(comp->state, Finished);
    EXPECT_EQ(comp->results.lacked, lackedBefore);
}

TEST_F(Refresh, ASingleItemOfAFolderIsRedoneAlone)
{
    dir.file("A/sub/one", "1");
    dir.file("B/sub/one", "1");
    dir.file("A/sub/two", "1");
    dir.file("B/sub/two", "1");
    auto comp = compared(a, b);
    result_t& sub = child(comp->results, "sub");
    dir.file("B/sub/one", "changed");
    dir.file("B/sub/two", "changed");
    comp->refresh(sub, "one");
    EXPECT_EQ(child(sub, "one").identical, 0);
    EXPECT_EQ(child(sub, "two").identical, 1);  // not looked at again
    EXPECT_EQ(sub.different, 1);
    EXPECT_EQ(comp->results.different, 1);
}

TEST_F(Refresh, NothingChangesAfterARunThatHitTheLimit)
{
    dir.file("A/x");
    dir.file("A/y");
    auto comp = std::make_unique<dirCompare>(test::request(a, b, StringList{test::kSep}, StringList{}, 0x1F), nullptr);
    comp->request.maxEntries = 3;
    comp->run();
    ASSERT_EQ(comp->state, TooManyFiles);
    const int32_t lacked = comp->results.lacked;
    std::filesystem::remove(dir / "A/x");
    comp->refresh(comp->results, {});
    EXPECT_EQ(comp->state, TooManyFiles);
    EXPECT_EQ(comp->results.lacked, lacked);
}

TEST_F(Refresh, AFailedRefreshKeepsNoPairOfReleasedElements)
{
    dir.file("A/sub/x");
    dir.file("B/sub/x");
    dir.file("A/sub/y");
    auto comp = compared(a, b);
    result_t& sub = child(comp->results, "sub");
    ASSERT_EQ(sub.lacked, 1);
    ASSERT_EQ(comp->results.lacked, 1);

    // A is listed afresh (its old elements released), then B fails.
    platform::testSeams().failListing = [&](const std::string& folder) { return folder == dir / "B/sub/" ? EIO : 0; };
    comp->refresh(sub, {});
    EXPECT_EQ(comp->state, CompareError);
    EXPECT_NE(comp->errorText.find(dir / "B/sub/*.*"), std::string::npos);
    ASSERT_TRUE(sub.children);
    EXPECT_TRUE(sub.children->empty());
    EXPECT_EQ(comp->results.lacked, 0);  // the totals still add up

    platform::testSeams().failListing = nullptr;
    comp->refresh(sub, {});
    EXPECT_EQ(comp->state, Finished);
    EXPECT_EQ(comp->results.lacked, 1);
}

TEST_F(Refresh, ASingleItemRefreshPairsItsNameAsTheWholeRunDoes)
{
    if (!dir.keepsNamesApartByCase()) GTEST_SKIP() << "names differing in case are one item here";
    dir.file("A/x", "1");
    dir.file("B/X", "1");
    dir.file("B/x", "1");
    auto comp = compared(a, b);
    dir.file("B/x", "22");
    comp->refresh(comp->results, "x");
    ASSERT_EQ(comp->results.children->size(), 2u);
    EXPECT_EQ(comp->results.different, 1);
    EXPECT_EQ(comp->results.redundant, 1);
    EXPECT_EQ(child(comp->results, "x").elemB, &child(comp->rootB, "x"));
    EXPECT_EQ(child(comp->results, "X").kind, 2);
}

}  // namespace
}  // namespace dm
