// A synchronization as every front end runs it: one call from the comparison
// to the comparison after the copy, the front end only answering questions.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/workflow/Workflow.h"
#include "tests/support/Compare.h"
#include "tests/support/FakeSide.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

class Workflow : public ::testing::Test {
protected:
    Workflow()
    {
        dir.file("A/new", "n");
        dir.file("A/changed", "new!", test::kTime + 10);
        dir.file("B/changed", "old");
        dir.file("B/mine", "b");
    }

    // Runs a whole synchronization of A and B; `answer` confirms the plan it is shown.
    SyncRun run(const std::function<bool(const std::vector<SyncStep>&, std::set<std::string>&)>& answer,
                int32_t limit = MaxScanCount)
    {
        ComparisonRequest request = test::request(dir / "A", dir / "B", {test::kSep}, {}, 0x1F);
        request.maxEntries = limit;
        SyncQuestions questions;
        questions.compared = [this](const dirCompare&) { ++told; };
        if (answer)
            questions.confirm = [&](const dirCompare&, const SyncScope&, const std::vector<SyncStep>& plan,
                                    std::set<std::string>& leftOut) {
                shown = plan.size();
                return answer(plan, leftOut);
            };
        return synchronizeFolders(comp, request, {}, nullptr, {}, questions);
    }

    test::TempDir dir;
    std::unique_ptr<dirCompare> comp;
    int told = 0;
    size_t shown = 0;
};

TEST_F(Workflow, AConfirmedPlanIsCopiedLessWhatTheUserLeftOutAndComparedAgain)
{
    const SyncRun done = run([](const std::vector<SyncStep>& plan, std::set<std::string>& leftOut) {
        for (const SyncStep& step : plan)
            if (step.source.ends_with("new")) leftOut.insert(step.source);
        return true;
    });
    ASSERT_EQ(done.end, SyncRun::End::Copied);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(shown, 2u);
    EXPECT_EQ(dir.read("B/changed"), "new!");
    EXPECT_FALSE(dir.exists("B/new"));
    EXPECT_EQ(dir.read("B/mine"), "b");
    // The result is the comparison made after the copy.
    EXPECT_EQ(comp->results.lacked, 1);
    EXPECT_EQ(comp->results.different, 0);
}

TEST_F(Workflow, NothingIsCopiedWhereThePlanIsDeclinedOrNoOneIsAsked)
{
    for (const bool asked : {true, false}) {
        comp.reset();
        const SyncRun done =
            asked ? run([](const std::vector<SyncStep>&, std::set<std::string>&) { return false; }) : run(nullptr);
        EXPECT_EQ(done.end, SyncRun::End::Declined);
        EXPECT_FALSE(done.outcome);
        EXPECT_EQ(dir.read("B/changed"), "old");
        EXPECT_FALSE(dir.exists("B/new"));
        EXPECT_EQ(comp->results.lacked, 1);  // the comparison made before, kept
    }
}

TEST_F(Workflow, AComparisonCutByTheLimitOrFailedIsNeverCopiedFrom)
{
    const auto yes = [](const std::vector<SyncStep>&, std::set<std::string>&) { return true; };
    EXPECT_EQ(run(yes, 2).end, SyncRun::End::Refused);
    comp.reset();
    std::filesystem::remove_all(dir / "A");
    EXPECT_EQ(run(yes).end, SyncRun::End::NotCompared);
    EXPECT_EQ(told, 2);
    EXPECT_EQ(shown, 0u);
    EXPECT_EQ(dir.read("B/changed"), "old");
}

TEST_F(Workflow, ComparisonsGivenAListingOfAReadANoMoreAndACopyOfItIsTheirsAlone)
{
    const ComparisonRequest request = test::request(dir / "A", dir / "B", {test::kSep}, {}, 0x1F);
    const auto listing = newComparison(request, nullptr);
    std::string error;
    ASSERT_TRUE(listing->scanFolder(listing->rootA, error, {})) << error;
    dir.file("A/since", "s");  // A as the listing left it is what the comparisons see
    auto first = compare(request, nullptr, {}, &listing->rootA);
    ASSERT_EQ(first->state, Finished);
    EXPECT_EQ(first->results.lacked, 1);
    EXPECT_EQ(first->results.different, 1);
    first.reset();  // each took a copy: the listing outlives them
    EXPECT_EQ(compare(request, nullptr, {}, &listing->rootA)->results.lacked, 1);
    EXPECT_EQ(compare(request, nullptr)->results.lacked, 2);
}

// Sides from tables from here on: what is tested is the plan and the run,
// not what a disk does.
TEST(WorkflowOfTables, ManyComparisonsGivenOneListingOfAListAOnce)
{
    test::FakeSides sides;
    const ComparisonRequest request =
        test::request(sides.add("A", {{"new"}, {"sub/file"}}), sides.add("B", {{"sub/"}}), {test::kSep}, {}, 0x1F);
    const auto listing = newComparison(request, nullptr);
    std::string error;
    ASSERT_TRUE(listing->scanFolder(listing->rootA, error, {})) << error;
    for (int target = 0; target < 3; ++target)
        EXPECT_EQ(compare(request, nullptr, {}, &listing->rootA)->results.lacked, 2);
    EXPECT_EQ(sides.table("A").listings, 1);
    EXPECT_EQ(sides.table("B").listings, 3);
}

TEST(WorkflowOfTables, APlanMarksTheFilesBHoldsNewerByVersionElseByTimeBeyondTheSameTime)
{
    struct Case {
        const char* what;
        uint8_t options;
        int64_t laterInB;  // seconds
        const char *versionA, *versionB;
        uint64_t stepB;
        bool newer;
    };
    const uint64_t fat = 20000000;  // 2 s
    const Case cases[] = {
        {"later in B", 0x1F, 10, "", "", 1, true},
        {"earlier in B", 0x1F, -10, "", "", 1, false},
        {"later within B's time step", 0x1F, 1, "", "", fat, false},
        {"later but an older version", 0x1F, 10, "2.0.0.0", "1.0.0.0", 1, false},
        {"a newer version by number, not by text", 0x1F, -10, "1.0.0.9", "1.0.0.10", 1, true},
        {"versions left out of the rules", 0x17, 10, "2.0.0.0", "1.0.0.0", 1, true},
    };
    for (const Case& c : cases) {
        test::FakeSides sides;
        const std::string a = sides.add("A", {{"f", "aaa", test::kTime, c.versionA}});
        const std::string b = sides.add("B", {{"f", "b", test::kTime + c.laterInB, c.versionB}}, c.stepB);
        auto comp = test::compared(a, b, c.options);
        const std::vector<SyncStep> plan = syncPlan(*comp, *comp->results.children, nullptr, {}, {});
        ASSERT_EQ(plan.size(), 1u) << c.what;
        EXPECT_EQ(plan[0].newerInB, c.newer) << c.what;
    }
}

TEST(WorkflowOfTables, WhereNeitherSideIsHereEveryStepFailsWithWhyAndOnlyBIsListedAgain)
{
    test::FakeSides sides;
    const ComparisonRequest request = test::request(sides.add("A", {{"new"}, {"sub/one"}, {"sub/two"}, {"f", "aa"}}),
                                                    sides.add("B", {{"f"}}), {test::kSep}, {}, 0x1F);
    SyncQuestions questions;
    size_t planned = 0;
    questions.confirm = [&](const dirCompare&, const SyncScope&, const std::vector<SyncStep>& plan,
                            std::set<std::string>&) {
        planned = plan.size();
        return true;
    };
    std::unique_ptr<dirCompare> comp;
    const SyncRun done = synchronizeFolders(comp, request, {}, nullptr, {}, questions);
    ASSERT_EQ(done.end, SyncRun::End::Copied);
    EXPECT_EQ(planned, 3u);
    EXPECT_EQ(done.outcome->copied, 0);
    ASSERT_EQ(done.outcome->failed.size(), 3u);
    for (const SyncItem& item : done.outcome->failed) EXPECT_FALSE(item.reason.empty()) << item.target;
    EXPECT_EQ(comp->results.lacked, 2);
    // The comparison after the copy takes A as it was copied from; B is listed anew.
    EXPECT_EQ(sides.table("A").listings, 1);
    EXPECT_EQ(sides.table("B").listings, 2);
}

}  // namespace
}  // namespace dm
