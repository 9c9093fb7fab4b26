// One tree compares to the same verdicts whatever holds it: tables, folders
// of this machine, or B's information file read in B's place.
#include <gtest/gtest.h>

#include "engine/compare/Comp.h"
#include "tests/support/Compare.h"
#include "tests/support/FakeSide.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::FakeItem;

enum class Holder { Tables, Folders, InformationFileOfB };

const std::vector<FakeItem> kA = {
    {"same"},        {"size", "aa"}, {"time", "x", test::kTime + 5},    {"lacking/one"},
    {"lacking/two"}, {"sub/deep"},   {"sub/changed", "1", test::kTime}, {"sub/ms"},
};

std::vector<FakeItem> treeB()
{
    std::vector<FakeItem> b = {
        {"same"},   {"size", "a"},  {"time"}, {"redundant"}, {"sub/deep"}, {"sub/changed", "1", test::kTime + 1},
        {"sub/ms"}, {"sub/extra/"},
    };
    b[6].nanoseconds = 1000000;  // a millisecond apart
    return b;
}

// Each item of the result, with what it is ("lacked", "redundant", "same", "different").
void verdicts(const result_t& node, const std::string& above, std::vector<std::string>& out)
{
    if (!node.children) return;
    for (const auto& r : *node.children) {
        const char* what = r->kind == OnlyInA   ? "lacked"
                           : r->kind == OnlyInB ? "redundant"
                           : r->identical       ? "same"
                                                : "different";
        out.push_back(above + r->name + " " + what);
        verdicts(*r, above + r->name + "/", out);
    }
}

class Sides : public ::testing::TestWithParam<Holder> {
protected:
    // Folders A and B holding the trees as the parameter says, and B's information file where it is read.
    ComparisonRequest request(const std::vector<FakeItem>& itemsA = kA, const std::vector<FakeItem>& itemsB = treeB())
    {
        if (GetParam() == Holder::Tables)
            return test::request(tables.add("A", itemsA), tables.add("B", itemsB), {test::kSep}, {}, 0x1F);
        lay("A", itemsA);
        lay("B", itemsB);
        std::string info;
        if (GetParam() == Holder::InformationFileOfB) {
            info = dir / "b.dat";
            std::string error;
            EXPECT_TRUE(test::exportFolder(dir / "B", info, error)) << error;
        }
        return test::request(dir / "A", dir / "B", {test::kSep}, {}, 0x1F, info);
    }

    void lay(const std::string& top, const std::vector<FakeItem>& items)
    {
        for (const FakeItem& item : items) {
            if (item.path.ends_with('/'))
                dir.folder(top + "/" + item.path);
            else
                dir.file(top + "/" + item.path, item.content, item.seconds, item.nanoseconds);
        }
    }

    test::TempDir dir;
    test::FakeSides tables;
};

TEST_P(Sides, OneTreeComparesToTheSameVerdictsWhateverHoldsIt)
{
    dirCompare comp(request(), nullptr);
    comp.run();
    ASSERT_EQ(comp.state, Finished) << comp.errorText;
    EXPECT_EQ(comp.results.lacked, 1);
    EXPECT_EQ(comp.results.redundant, 2);
    EXPECT_EQ(comp.results.different, 4);
    std::vector<std::string> found;
    verdicts(comp.results, {}, found);
    std::sort(found.begin(), found.end());
    const std::vector<std::string> expected = {
        "lacking lacked",        "redundant redundant", "same same",           "size different",   "sub different",
        "sub/changed different", "sub/deep same",       "sub/extra redundant", "sub/ms different", "time different",
    };
    EXPECT_EQ(found, expected);
}

// A folder the listing does not go into (excluded, or sub-folders not
// compared) is one entry, whatever it holds: ten entries are enough for a
// tree whose skipped folder holds thirty.
TEST_P(Sides, AFolderNotListedInTurnCountsAsOneEntryWhateverItHolds)
{
    std::vector<FakeItem> tree = {{"same"}, {"skipme/"}};
    for (int i = 0; i < 30; ++i) tree.push_back({"skipme/f" + std::to_string(i)});
    std::vector<FakeItem> treeOfB = tree;
    tree.push_back({"sub/inner"});
    treeOfB.push_back({"sub/"});
    struct Case {
        const char* name;
        StringList exclude;
        uint8_t options;
        int32_t lacked;  // "sub/inner" lacks in B
    };
    const Case cases[] = {
        {"excluded", {"skipme"}, 0x1F, 1},
        {"no sub-folders", {}, 0x0F, 0},
    };
    ComparisonRequest asked = request(tree, treeOfB);
    for (const Case& c : cases) {
        asked.exclude = c.exclude;
        asked.options = c.options;
        asked.maxEntries = 10;
        dirCompare comp(asked, nullptr);
        comp.run();
        EXPECT_EQ(comp.state, Finished) << c.name << ": " << comp.errorText;
        EXPECT_EQ(comp.results.lacked, c.lacked) << c.name;
        EXPECT_EQ(comp.results.redundant, 0) << c.name;
    }
}

std::string holderName(const ::testing::TestParamInfo<Holder>& param)
{
    static const char* const kNames[] = {"Tables", "Folders", "InformationFileOfB"};
    return kNames[int(param.param)];
}

INSTANTIATE_TEST_SUITE_P(Holders, Sides, ::testing::Values(Holder::Tables, Holder::Folders, Holder::InformationFileOfB),
                         holderName);

}  // namespace
}  // namespace dm
