#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/sync/Sync.h"
#include "platform/TestSeams.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::child;
using test::compared;
using test::entriesIn;

class Sync : public ::testing::Test {
protected:
    void TearDown() override
    {
        platform::testSeams().failCopyWrite = nullptr;
        platform::testSeams().failModeChange = nullptr;
    }

    std::vector<SyncStep> planAll(const dirCompare& comp, const StringList& notUpdate = {})
    {
        return syncPlan(comp, *comp.results.children, nullptr, {}, notUpdate);
    }

    test::TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
};

TEST_F(Sync, AfterSynchronizingEverythingNothingLacksOrDiffersAndBsOwnItemsStay)
{
    dir.file("A/same", "s");
    dir.file("B/same", "s");
    dir.file("A/changed", "new", test::kTime, 5000000);
    dir.file("B/changed", "old");
    dir.file("A/sub/deep/file", "d");
    dir.file("B/sub/other", "b only");
    dir.file("A/missing/tree/x", "x");
    dir.file("B/extra", "b only");
    auto comp = compared(a, b);
    ASSERT_GT(comp->results.lacked + comp->results.different, 0);

    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_TRUE(outcome.failed.empty());
    auto again = compared(a, b);
    EXPECT_EQ(again->results.lacked, 0);
    EXPECT_EQ(again->results.different, 0);
    EXPECT_EQ(again->results.redundant, 2);
    EXPECT_EQ(dir.read("B/extra"), "b only");
    EXPECT_EQ(dir.read("B/sub/other"), "b only");
    EXPECT_EQ(dir.read("B/missing/tree/x"), "x");
    EXPECT_EQ(platform::fileTimeValue(test::recordOf(dir / "B/changed").ftLastWriteTime) / 10000 % 1000, 5u);
}

// A file system that keeps no permission bits answers a mode change with
// EPERM (the kernel's vfat), ENOSYS (fusefat) or EOPNOTSUPP: the copy is
// whole all the same and says so once. Any other answer fails the item.
TEST_F(Sync, AModeChangeTheFileSystemRefusesStillCopiesAndIsToldOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "permission bits are a POSIX system's";
#endif
    const std::pair<int, bool> answers[] = {{EPERM, true}, {ENOSYS, true}, {EOPNOTSUPP, true}, {EIO, false}};
    setLanguage(English);
    for (const auto& [code, copies] : answers) {
        std::filesystem::remove_all(b);
        dir.folder("B");
        dir.file("A/one", "1");
        dir.file("A/sub/two", "2");
        platform::testSeams().failModeChange = [code] { return code; };
        auto comp = compared(a, b);
        const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
        platform::testSeams().failModeChange = nullptr;
        if (!copies) {
            EXPECT_FALSE(outcome.failed.empty()) << code;
            continue;
        }
        EXPECT_TRUE(outcome.failed.empty()) << code;
        EXPECT_EQ(outcome.copied, 2) << code;
        EXPECT_EQ(dir.read("B/sub/two"), "2") << code;
        EXPECT_EQ(outcome.modesNotKept, code);
        const std::vector<std::string> items = summaryItems(outcome);
        EXPECT_EQ(std::count_if(items.begin(), items.end(),
                                [](const std::string& line) { return line.find("permission") != std::string::npos; }),
                  1)
            << code;
    }
    setLanguage(Chinese);
}

TEST_F(Sync, NamesOfEveryScriptPairAndCopyExactlyWhateverTheSystemsCodePage)
{
    // No single older code page holds all of these; none may turn into "?".
    const std::vector<std::string> names = {"中文名.txt", "日本语.txt", "café.txt", "Ελληνικά.txt"};
    for (const std::string& name : names) dir.file("A/" + name, name);
    dir.file("B/中文名.txt", "中文名.txt");
    dir.file("B/café.txt", "café.txt");
    auto comp = compared(a, b);
    EXPECT_EQ(comp->results.lacked, 2);
    EXPECT_EQ(comp->results.redundant + comp->results.different, 0);
    EXPECT_EQ(child(comp->results, "日本语.txt").kind, OnlyInA);
    EXPECT_EQ(child(comp->results, "Ελληνικά.txt").kind, OnlyInA);

    EXPECT_TRUE(synchronize(*comp, *comp->results.children, nullptr, {}, {}).failed.empty());
    for (const std::string& name : names) EXPECT_EQ(dir.read("B/" + name), name);
    EXPECT_EQ(compared(a, b)->results.lacked, 0);
}

// Deep trees pass the 260 characters older calls stop at: a folder there is
// listed, its files compared, and what B lacks or holds otherwise copied.
TEST_F(Sync, PathsPastThreeHundredCharactersAreComparedAndCopied)
{
    std::string deep;
    for (int level = 0; level < 6; ++level) deep += std::string(50, char('a' + level)) + "/";
    dir.file("A/" + deep + "new.txt", "new");
    dir.file("A/" + deep + "changed.txt", "A's");
    dir.file("B/" + deep + "changed.txt", "B's!");
    dir.file("A/" + deep + "lacked/inside.txt", "in");
    ASSERT_GT((dir / ("A/" + deep + "lacked/inside.txt")).size(), 300u);
    auto comp = compared(a, b);
    EXPECT_EQ(comp->results.lacked, 2);
    EXPECT_EQ(comp->results.different, 1);
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_TRUE(outcome.failed.empty()) << outcome.failed.front().reason;
    EXPECT_EQ(dir.read("B/" + deep + "new.txt"), "new");
    EXPECT_EQ(dir.read("B/" + deep + "changed.txt"), "A's");
    EXPECT_EQ(dir.read("B/" + deep + "lacked/inside.txt"), "in");
    const auto after = compared(a, b);
    EXPECT_EQ(after->results.lacked + after->results.different, 0);
}

// The pair of sides chooses the copier: nothing is sent where neither side
// is here or A holds only a description, and nothing is attempted.
TEST_F(Sync, APairOfSidesThatCannotCopyFailsEachStepWithWhy)
{
    const std::string info = dir.file("info.dat", "");
    const struct {
        ComparisonRequest request;
        std::string why;
    } cases[] = {
        {test::request("h1:/x", "h2:/y", {test::kSep}, {}, 0x1F),
         textIn("两边都在其他机器上, 无法复制", "both folders are on other machines: nothing is copied")},
        {test::request(a, b, {test::kSep}, {}, 0x1F, {}, info),
         textIn("信息文件中没有可复制的内容", "an information file has nothing to copy from")},
        {test::request(a, b, {test::kSep}, {}, 0x1F, info), textIn("无法写入此边", "this side cannot be written")},
    };
    for (const auto& c : cases) {
        const dirCompare comp(c.request, nullptr);
        SyncOutcome outcome;
        copySteps(comp, {SyncStep{comp.pathA + "f", comp.pathB + "f"}}, outcome, nullptr, {});
        ASSERT_EQ(outcome.failed.size(), 1u) << c.why;
        EXPECT_EQ(outcome.failed[0].reason, c.why);
        EXPECT_EQ(outcome.copied, 0);
    }
}

TEST_F(Sync, AFolderThatBLacksIsOneCopyOfEverythingBelowItButWhatIsNotUpdated)
{
    dir.file("A/X/conf/app.ini", "1");
    dir.file("A/X/data", "22");
    auto comp = compared(a, b);
    const auto plan = planAll(*comp, {".ini"});
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].source, dir / "A/X");
    EXPECT_EQ(plan[0].target, dir / "B/X");  // no doubled separator at the top
    EXPECT_EQ(plan[0].leaveOut, (std::set<std::string>{test::native("conf/app.ini")}));
    EXPECT_EQ(plan[0].files, 1u);
    EXPECT_EQ(plan[0].size, 2u);
    synchronize(*comp, *comp->results.children, nullptr, {}, {".ini"});
    EXPECT_TRUE(dir.exists("B/X/data"));
    EXPECT_TRUE(dir.exists("B/X/conf"));
    EXPECT_FALSE(dir.exists("B/X/conf/app.ini"));
}

TEST_F(Sync, ALackedFolderCountsTheFilesAndBytesBelowItInThePlanAndTheProgress)
{
    for (int i = 0; i < 5; ++i) dir.file("A/X/sub" + std::to_string(i % 2) + "/f" + std::to_string(i), "12345");
    dir.file("A/single", "123");
    auto comp = compared(a, b);
    const auto plan = planAll(*comp, {});
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].files, 1u);
    EXPECT_EQ(plan[0].size, 3u);
    EXPECT_EQ(plan[1].files, 5u);
    EXPECT_EQ(plan[1].size, 25u);
    RunControl control;
    synchronize(*comp, *comp->results.children, nullptr, {}, {}, &control);
    EXPECT_EQ(control.filesToCopy, 6);
    EXPECT_EQ(control.filesCopied, 6);
    EXPECT_EQ(control.bytesToCopy, 28);
    EXPECT_EQ(control.bytesCopied, 28);
}

TEST_F(Sync, TheExcludeListKeepsCaseAndTestsThePathInA)
{
    if (!dir.keepsNamesApartByCase()) GTEST_SKIP() << "names differing in case are one item here";
    dir.file("A/conf/app.ini");
    dir.file("A/conf/APP.INI");
    dir.folder("B/conf");
    auto comp = compared(a, b);
    const auto plan = planAll(*comp, {".ini"});
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].source, dir / "A/conf/APP.INI");
    EXPECT_EQ(plan[0].target, dir / "B/conf/APP.INI");
}

TEST_F(Sync, AnEmptyLineInTheNotUpdateListKeepsNothingFromBeingCopied)
{
    dir.file("A/x");
    dir.file("A/sub/y");
    auto comp = compared(a, b);
    EXPECT_EQ(planAll(*comp, {""}).size(), 2u);
    EXPECT_EQ(planAll(*comp, {"", "sub"}).size(), 1u);
}

TEST_F(Sync, OnlyDifferingFilesAndLackedItemsAreCandidates)
{
    dir.file("A/thing");  // a file facing a folder
    dir.file("B/thing/inside");
    dir.file("A/same", "1");
    dir.file("B/same", "1");
    dir.file("B/onlyB");
    auto comp = compared(a, b);
    EXPECT_TRUE(planAll(*comp).empty());

    auto noRules = compared(a, b, 0x01);  // with no rule nothing ever differs
    dir.file("B/same", "22");
    EXPECT_TRUE(planAll(*noRules).empty());
}

TEST_F(Sync, ComparedFolderPairsAreEnteredOnlyAsDeepAsTheComparisonWent)
{
    dir.file("A/sub/x", "new");
    dir.file("B/sub/x", "old!");
    auto deep = compared(a, b);
    EXPECT_EQ(planAll(*deep).size(), 1u);
    auto flat = compared(a, b, 0x0F);
    EXPECT_TRUE(planAll(*flat).empty());
}

TEST_F(Sync, ANamedItemCopiesThatItemAlone)
{
    dir.file("A/sub/f", "new");
    dir.file("B/sub/f", "old!");
    dir.file("A/sub/g", "new");
    dir.file("B/sub/g", "old!");
    dir.file("A/sub/inner/h", "new");
    dir.file("B/sub/inner/h", "old!");
    auto comp = compared(a, b);
    result_t& sub = child(comp->results, "sub");
    const auto plan = syncPlan(*comp, *sub.children, &sub, "f", {});
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].target, dir / "B/sub/f");

    result_t& onlyLacked = child(comp->results, "sub");
    dir.file("A/sub/new");
    comp->refresh(onlyLacked, "new");
    const auto lacked = syncPlan(*comp, *sub.children, &sub, "new", {});
    ASSERT_EQ(lacked.size(), 1u);
    EXPECT_EQ(lacked[0].target, dir / "B/sub/new");  // parent's B path, separator, name
}

TEST_F(Sync, AFailedCopyDoesNotStopTheWalk)
{
    dir.file("A/first", "1");
    dir.file("A/second", "2");
    dir.file("B/first", "old");
    platform::testSeams().failCopyWrite = [&](const std::string& target, uint64_t) {
        return target == dir / "B/first" ? ENOSPC : 0;
    };
    auto comp = compared(a, b);
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_EQ(outcome.failed.size(), 1u);
    EXPECT_EQ(outcome.copied, 1);
    EXPECT_EQ(dir.read("B/first"), "old");
    EXPECT_EQ(dir.read("B/second"), "2");
    auto again = compared(a, b);
    EXPECT_EQ(again->results.different, 1);
}

TEST_F(Sync, NamesThatDifferOnlyByCaseAreNeverCopiedOverEachOther)
{
    if (!dir.keepsNamesApartByCase()) GTEST_SKIP() << "names differing in case are one item here";
    dir.file("A/README", "upper, new", test::kTime + 10);
    dir.file("A/readme", "lower");
    dir.file("B/README", "upper, old");
    dir.file("A/Makefile", "A's");
    dir.file("B/makefile", "B's one");
    dir.file("B/MAKEFILE", "B's other");
    dir.file("A/Pod/p", "P");
    dir.file("A/pod/q", "q");
    dir.file("B/Pod/p", "P");
    auto comp = compared(a, b);
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(dir.read("B/README"), "upper, new");
    EXPECT_EQ(dir.read("B/readme"), "lower");
    EXPECT_EQ(dir.read("B/makefile"), "B's one");
    EXPECT_EQ(dir.read("B/MAKEFILE"), "B's other");
    EXPECT_EQ(dir.read("B/Makefile"), "A's");
    EXPECT_FALSE(dir.exists("B/Pod/q"));
    EXPECT_EQ(dir.read("B/pod/q"), "q");
    EXPECT_TRUE(planAll(*compared(a, b)).empty());
}

TEST_F(Sync, NothingIsCopiedFromAComparisonCutShortByTheLimit)
{
    for (int i = 0; i < 5; ++i) dir.file("B/more" + std::to_string(i));
    dir.file("A/f", "new");
    dir.file("B/f", "old!");
    auto comp = std::make_unique<dirCompare>(test::request(a, b, StringList{test::kSep}, StringList{}, 0x1F), nullptr);
    comp->request.maxEntries = 5;
    comp->run();
    ASSERT_EQ(comp->state, TooManyFiles);
    EXPECT_TRUE(planAll(*comp).empty());
    synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_EQ(dir.read("B/f"), "old!");
}

TEST_F(Sync, ALackedItemThatAppearedInBSinceTheComparisonIsSkipped)
{
    dir.file("A/new", "from A");
    auto comp = compared(a, b);
    dir.file("B/new", "made meanwhile");
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(dir.read("B/new"), "made meanwhile");
}

TEST_F(Sync, AStopEndsTheWalkBetweenFilesAndCountsWhatWasDone)
{
    for (int i = 0; i < 4; ++i) dir.file("A/f" + std::to_string(i), std::string(3 << 20, 'n'));
    auto comp = compared(a, b);
    RunControl control;
    control.onText = [&](const std::string& text) {
        if (text.ends_with("f1")) control.requestAbort();  // not the test folder, whose name may hold "f1"
    };
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {}, &control, std::string());
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.copied, 1);
    EXPECT_EQ(outcome.skipped.size(), 3u);  // f1 stopped at its start, f2 and f3 not begun
    EXPECT_EQ(control.filesToCopy, 4);
    EXPECT_EQ(control.bytesCopied, int64_t(3 << 20));
    EXPECT_EQ(entriesIn(b), 1u);  // f0 alone: no part of f1, no temporary file
}

TEST_F(Sync, AStopThatComesOnceAFolderIsWhollyCopiedReportsItCopied)
{
    dir.file("A/d/f1", "one");
    dir.file("A/d/f2", "two");
    auto comp = compared(a, b);
    RunControl control;
    platform::testSeams().noClone = true;
    platform::testSeams().failCopyWrite = [&](const std::string& target, uint64_t) {
        if (target.ends_with("f2")) control.requestAbort();
        return 0;
    };
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {}, &control, std::string());
    platform::testSeams().noClone = false;
    EXPECT_EQ(outcome.copied, 1);
    EXPECT_TRUE(outcome.skipped.empty()) << outcome.skipped[0].reason;
    EXPECT_EQ(dir.read("B/d/f2"), "two");
}

// The files of a lacked folder are counted as each arrives, not once the
// folder is whole, and a stop says how many did.
TEST_F(Sync, AFolderStoppedMidwaySaysHowManyOfItsFilesArrived)
{
    for (int i = 0; i < 5; ++i) dir.file("A/lacked/f" + std::to_string(i), "x");
    auto comp = compared(a, b);
    RunControl control;
    int written = 0;
    int64_t countedBeforeTheSecond = -1;
    platform::testSeams().failCopyWrite = [&](const std::string&, uint64_t) {
        if (++written == 2) {
            countedBeforeTheSecond = control.filesCopied;
            control.requestAbort();
        }
        return 0;
    };
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {}, &control, std::string());
    EXPECT_EQ(countedBeforeTheSecond, 1);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].reason, textIn("中止时已复制 2 个文件, 共 5 个", "stopped after 2 of 5 files"));
    EXPECT_EQ(summaryText(outcome), textIn("已复制 0, 失败 0, 跳过 1; 已中止, 已到达 2 个文件",
                                           "copied 0, failed 0, skipped 1; stopped, 2 files arrived"));
}

}  // namespace
}  // namespace dm
