// What the main window shows and allows, asked of the presenter alone: no
// window, no toolkit (these run in the Windows build too).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "engine/sync/Sync.h"
#include "platform/ProgramPaths.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"
#include "ui/presenter/JobsPresenter.h"
#include "ui/presenter/MainPresenter.h"
#include "ui/presenter/PairSummary.h"

namespace dm {
namespace {

class Presenter : public ::testing::Test {
protected:
    Presenter() : dm(dir / "dirmatch")
    {
        dm.StandardDir = dir.folder("A");
        dm.LocalDir = dir.folder("B");
        dm.DoCompareList = {test::kSep};
        dm.LogPath = dir / "dirmatch.log";
        dm.VersionCachePath.clear();
    }

    // A whole comparison, as a window runs it: begun, run, ended.
    MainPresenter::Ended compare()
    {
        std::string state;
        if (!presenter.beginComparison({}, state)) return MainPresenter::Ended::Failed;
        presenter.jobStarting();
        presenter.runJob([this] { presenter.runComparison(); });
        EXPECT_EQ(presenter.jobEnded(), "");
        return presenter.comparisonEnded();
    }

    // Questions that copy every plan.
    static SyncQuestions copyAll()
    {
        SyncQuestions questions;
        questions.confirm = [](const dirCompare&, const SyncScope&, const std::vector<SyncStep>&,
                               std::set<std::string>&) { return true; };
        return questions;
    }

    std::string log() const
    {
        std::ifstream in(dm.LogPath);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    test::TempDir dir;
    TDM dm;
    MainPresenter presenter{dm};
};

TEST_F(Presenter, WhileAJobRunsOnlyAbortIsAllowedAndAfterItWhatTheResultAllows)
{
    dir.lay({{"A/f", "new"}, {"B/f", "old!"}});
    for (int i = 0; i < 5; ++i) dir.file("A/more" + std::to_string(i));
    EXPECT_EQ(presenter.controls(true).sync, false);  // nothing compared yet

    ASSERT_EQ(compare(), MainPresenter::Ended::Shown);
    const MainPresenter::Controls busy = presenter.controls(false);
    EXPECT_TRUE(busy.abort);
    EXPECT_FALSE(busy.start || busy.sync || busy.report);
    const MainPresenter::Controls idle = presenter.controls(true);
    EXPECT_TRUE(idle.start && idle.sync && idle.report);
    EXPECT_FALSE(idle.abort);
    EXPECT_EQ(idle.syncTip, "");
    EXPECT_EQ(presenter.countsText(), countsText(presenter.comparer->results));
    EXPECT_NE(presenter.countsText(), "");

    // Cut by the limit: a report, but no copy, and the tip says why.
    dm.Settings.maxEntries = 5;
    ASSERT_EQ(compare(), MainPresenter::Ended::AtLimit);
    const MainPresenter::Controls limited = presenter.controls(true);
    EXPECT_TRUE(limited.report);
    EXPECT_FALSE(limited.sync);
    EXPECT_EQ(limited.syncTip, whyNoCopy(*presenter.comparer));
    EXPECT_EQ(presenter.whySyncRefused(), limited.syncTip);
    EXPECT_NE(presenter.limitOffer().find("MaxEntries"), std::string::npos);
    // Taken: once more, whole, and from now on these two folders have room
    // (kept in the settings); the setting stays for every other pair.
    presenter.compareWithoutLimit();
    EXPECT_EQ(compare(), MainPresenter::Ended::Shown);
    EXPECT_EQ(compare(), MainPresenter::Ended::Shown);
    EXPECT_EQ(dm.Settings.maxEntries, 5);
    dm.SaveSettings();
    TDM again(dir / "dirmatch");
    again.LoadSettings();
    ASSERT_EQ(again.PairLimits.size(), 1u);
    EXPECT_EQ(again.PairLimits[0].folderA, dm.StandardDir);
    EXPECT_GE(again.PairLimits[0].limit, 10);
    dm.LocalDir = dir.folder("other");
    dir.lay({{"other/1"}, {"other/2"}, {"other/3"}, {"other/4"}, {"other/5"}, {"other/6"}});
    EXPECT_EQ(compare(), MainPresenter::Ended::AtLimit);
}

TEST_F(Presenter, AComparisonThatCannotRunShowsWhyAndLogsIt)
{
    dm.LocalDir = dir / "missing";
    EXPECT_EQ(compare(), MainPresenter::Ended::Failed);
    EXPECT_EQ(presenter.stateText(), stateText(FolderMissing, presenter.comparer->errorText));
    EXPECT_NE(log().find(presenter.comparer->errorText), std::string::npos);
    EXPECT_FALSE(presenter.controls(true).sync);

    std::string state;
    dm.LocalDir.clear();
    EXPECT_FALSE(presenter.beginComparison({}, state));
    EXPECT_EQ(state, messageText(msg::DirectoryNotExist));
    EXPECT_FALSE(presenter.comparer);
}

TEST_F(Presenter, SkipAllAnswersForTheRestOfTheJobOnly)
{
    int asked = 0;
    const auto answer = [&](SkipAnswer a) {
        return [&asked, a] {
            ++asked;
            return a;
        };
    };
    EXPECT_TRUE(presenter.skipUnreadable(answer(SkipAnswer::Skip)));
    EXPECT_FALSE(presenter.skipUnreadable(answer(SkipAnswer::Stop)));
    EXPECT_TRUE(presenter.skipUnreadable(answer(SkipAnswer::SkipAll)));
    EXPECT_TRUE(presenter.skipUnreadable(answer(SkipAnswer::Stop)));  // not asked
    EXPECT_EQ(asked, 3);
    presenter.jobStarting();
    EXPECT_FALSE(presenter.skipUnreadable(answer(SkipAnswer::Stop)));
    EXPECT_EQ(asked, 4);
}

TEST_F(Presenter, ASyncStoppedPartWayLeavesNoResultAndOneThatEndsComparesAgain)
{
    dir.lay({{"A/f1", "1"}, {"A/f2", "2"}});
    ASSERT_EQ(compare(), MainPresenter::Ended::Shown);
    const SyncScope whole = syncScope(presenter.comparer->results, nullptr, nullptr);
    presenter.beginSync();
    presenter.jobStarting();
    presenter.run.onText = [this](const std::string& text) {
        if (text.ends_with("f2")) presenter.run.requestAbort();
    };
    presenter.runJob([&] { presenter.runSync(whole, copyAll()); });
    presenter.run.onText = nullptr;
    EXPECT_EQ(presenter.syncEnded(), MainPresenter::SyncEnded::Stopped);
    EXPECT_FALSE(presenter.comparer);
    EXPECT_FALSE(presenter.controls(true).report);
    ASSERT_TRUE(presenter.syncOutcome());
    EXPECT_TRUE(presenter.syncOutcome()->stopped);

    ASSERT_EQ(compare(), MainPresenter::Ended::Shown);
    const SyncScope again = syncScope(presenter.comparer->results, nullptr, nullptr);
    presenter.beginSync();
    presenter.jobStarting();
    presenter.runJob([&] { presenter.runSync(again, copyAll()); });
    EXPECT_EQ(presenter.syncEnded(), MainPresenter::SyncEnded::Again);
    ASSERT_TRUE(presenter.comparer);
    EXPECT_EQ(presenter.comparer->results.lacked, 0);
}

TEST_F(Presenter, ThePlansChoicesApplyToTheSyncAboutToRunAndAreRememberedAndAFolderOutsideBIsRefused)
{
    dir.file("A/f", "new", test::kTime + 100);
    dir.file("A/g", "new", test::kTime);
    dir.file("B/f", "old", test::kTime);
    dir.file("B/g", "newer in B", test::kTime + 100);
    EXPECT_EQ(presenter.planChoices().backupFolder, kDefaultBackupFolder);
    ASSERT_EQ(compare(), MainPresenter::Ended::Shown);
    SyncQuestions questions;
    std::string refused;
    questions.confirm = [&](dirCompare& comp, const SyncScope&, const std::vector<SyncStep>& plan,
                            std::set<std::string>&) {
        refused = presenter.choosePlan({true, "../outside", false}, comp);
        EXPECT_EQ(dm.Settings.backupDir, "") << "nothing refused is remembered";
        EXPECT_EQ(presenter.choosePlan({true, "kept", true}, comp), "");
        EXPECT_EQ(plan.size(), 2u);
        return true;
    };
    const SyncScope whole = syncScope(presenter.comparer->results, nullptr, nullptr);
    presenter.beginSync();
    presenter.jobStarting();
    presenter.runJob([&] { presenter.runSync(whole, questions); });
    EXPECT_NE(refused, "");
    ASSERT_TRUE(presenter.syncOutcome());
    EXPECT_EQ(presenter.syncOutcome()->kept, 1);
    EXPECT_EQ(dir.read("B/kept/" + std::string(platform::lastComponent(presenter.syncOutcome()->backupSet)) + "/f"),
              "old");
    EXPECT_EQ(dir.read("B/g"), "newer in B");
    const PlanChoices remembered = presenter.planChoices();
    EXPECT_TRUE(remembered.keepReplaced && remembered.keepNewer && remembered.backupFolder == "kept");
}

TEST_F(Presenter, AJobEndedByAnExceptionSaysWhyOnceAndLogsIt)
{
    presenter.jobStarting();
    presenter.runJob([] { throw std::runtime_error("disk on fire"); });
    EXPECT_EQ(presenter.jobEnded(), "disk on fire");
    EXPECT_EQ(presenter.jobEnded(), "");
    EXPECT_NE(log().find("disk on fire"), std::string::npos);
}

TEST_F(Presenter, TheGaugeFollowsEntriesThenComparedItemsThenCopiedBytes)
{
    dm.Settings.maxEntries = 100;
    std::string state;
    ASSERT_TRUE(presenter.beginComparison({}, state));
    presenter.jobStarting();
    presenter.run.entriesCounted = 40;
    EXPECT_EQ(presenter.gauge(false).maximum, 200);  // twice the limit: both sides
    EXPECT_EQ(presenter.gauge(false).value, 40);
    presenter.run.itemsCompared = 50;
    EXPECT_EQ(presenter.gauge(false).maximum, 40);
    EXPECT_EQ(presenter.gauge(false).value, 40);
    presenter.run.bytesToCopy = 4000;
    presenter.run.bytesCopied = 1000;
    EXPECT_EQ(presenter.gauge(true).maximum, 1000);
    EXPECT_EQ(presenter.gauge(true).value, 250);
}

TEST_F(Presenter, ItemsOfASideThatIsNoFolderHereCannotBeOpenedAndTheTipSaysWhy)
{
    dir.lay({{"A/f", "a"}, {"B/f", "b"}});
    std::string error;
    ASSERT_TRUE(test::exportFolder(dm.LocalDir, dir / "b.dat", error)) << error;
    ComparisonRequest request = test::request(dm.StandardDir, dm.LocalDir, {test::kSep}, {}, 0x1F, dir / "b.dat");
    presenter.comparer = dm::compare(request, nullptr);
    presenter.resultValid = true;
    const result_t& pair = test::child(presenter.comparer->results, "f");
    const MainPresenter::Openers openers = presenter.openers(&pair);
    EXPECT_TRUE(openers.a.enabled);
    EXPECT_EQ(openers.a.tip, "");
    EXPECT_FALSE(openers.b.enabled);
    EXPECT_NE(openers.b.tip, "");
    EXPECT_TRUE(openers.folder.enabled);  // A's folder
    EXPECT_FALSE(presenter.openers(nullptr).a.enabled);
}

// The popup's actions, the same for both windows: a pair of files may be
// shown side by side, handed to an external tool only where both are here.
TEST_F(Presenter, ThePopupAllowsWhatTheSelectedRowAndItsSidesAllow)
{
    dir.lay({{"A/f", "a"}, {"B/f", "b"}, {"A/sub/g"}, {"B/sub/g"}});
    ASSERT_EQ(compare(), MainPresenter::Ended::Shown);
    const result_t& file = test::child(presenter.comparer->results, "f");
    const result_t& folder = test::child(presenter.comparer->results, "sub");
    struct Case {
        const char* row;
        bool selected;
        const result_t* item;
        bool tool;
        bool refresh, comparePair, externalCompare;
    };
    const Case cases[] = {
        {"none", false, nullptr, true, false, false, false},
        {"the top row", true, nullptr, true, true, false, false},
        {"a file pair", true, &file, true, true, true, true},
        {"a file pair without a tool", true, &file, false, true, true, false},
        {"a folder", true, &folder, true, true, false, false},
    };
    for (const Case& c : cases) {
        const MainPresenter::Popup popup = presenter.popup(c.selected, c.item, c.tool);
        EXPECT_EQ(popup.refresh, c.refresh) << c.row;
        EXPECT_EQ(popup.sync, c.refresh) << c.row;  // the result may be copied from
        EXPECT_EQ(popup.comparePair, c.comparePair) << c.row;
        EXPECT_EQ(popup.externalCompare, c.externalCompare) << c.row;
    }

    // B read from its information file: nothing of B is here for a tool.
    std::string error;
    ASSERT_TRUE(test::exportFolder(dm.LocalDir, dir / "b.dat", error)) << error;
    presenter.comparer =
        dm::compare(test::request(dm.StandardDir, dm.LocalDir, {test::kSep}, {}, 0x1F, dir / "b.dat"), nullptr);
    const MainPresenter::Popup fromFile = presenter.popup(true, &test::child(presenter.comparer->results, "f"), true);
    EXPECT_TRUE(fromFile.comparePair);
    EXPECT_FALSE(fromFile.externalCompare);
}

// The external tool gets each side's path where its command says %A and
// %B, once each, whatever the paths hold; a folder opened holds the item.
TEST_F(Presenter, TheExternalToolGetsThePairsPathsAndTheFolderOpenedHoldsTheItem)
{
    dir.lay({{"A/%A%B/f", "a"}, {"B/%A%B/f", "b"}, {"B/only", "b"}});
    ASSERT_EQ(compare(), MainPresenter::Ended::Shown);
    result_t& folder = test::child(presenter.comparer->results, "%A%B");
    const result_t& file = test::child(folder, "f");
    const result_t& onlyB = test::child(presenter.comparer->results, "only");
    dm.ExternalCompare = "tool --left=%A \"%B\" 100%";
    EXPECT_EQ(presenter.externalCommand(file),
              (std::vector<std::string>{"tool", "--left=" + file.pathA(), file.pathB(), "100%"}));
    EXPECT_TRUE(presenter.externalCommand(folder).empty());
    EXPECT_TRUE(presenter.externalCommand(onlyB).empty());
    EXPECT_EQ(presenter.containingFolder(file), platform::folderOf(file.pathA()));
    EXPECT_EQ(presenter.containingFolder(onlyB), platform::folderOf(onlyB.pathB()));
    EXPECT_EQ(presenter.shownPath(file, false), file.pathB());
}

// A window as the flows see it: work run at once, what it was told to draw
// written down, a fixed answer to each question.
class RecordingView : public MainView {
public:
    explicit RecordingView(MainPresenter& presenter) : presenter_(presenter) {}

    void startJob(std::function<void()> work, std::function<void()> done) override
    {
        presenter_.jobStarting();
        presenter_.runJob(work);
        EXPECT_EQ(presenter_.jobEnded(), "");
        done();
    }
    bool askYesNo(const std::string&) override
    {
        said.push_back("asked");
        return yes;
    }
    void tell(const std::string& text) override { said.push_back("told " + text); }
    SyncQuestions runQuestions() override
    {
        SyncQuestions questions;
        questions.confirm = [](dirCompare&, const SyncScope&, const std::vector<SyncStep>&, std::set<std::string>&) {
            return true;
        };
        return questions;
    }
    void showNoResult(const std::string&) override { said.push_back("cleared"); }
    void showResult(const std::string&) override
    {
        said.push_back(presenter_.resultValid ? "result " + presenter_.countsText()
                                              : "failed " + presenter_.stateText());
    }
    void showPart(const SyncScope& scope) override { said.push_back("part " + scope.name); }
    void showSyncSummary(const SyncOutcome& outcome) override { said.push_back(summaryText(outcome)); }

    bool yes = true;
    std::vector<std::string> said;

private:
    MainPresenter& presenter_;
};

// Each flow of the main window, from the click to what the window is told to draw.
TEST_F(Presenter, EachFlowTellsTheWindowWhatToDrawInOrder)
{
    setLanguage(English);
    dir.lay({{"A/f", "new"}, {"A/sub/g"}, {"B/f", "old!"}, {"B/sub/g"}});
    RecordingView view(presenter);
    presenter.compare(view);
    EXPECT_EQ(view.said, (std::vector<std::string>{"cleared", "result " + presenter.countsText()}));

    // A row's refresh redoes its part; its sync copies it and redoes its part.
    view.said.clear();
    presenter.actOnRow(view, &test::child(presenter.comparer->results, "f"), nullptr, false);
    presenter.actOnRow(view, &test::child(presenter.comparer->results, "f"), nullptr, true);
    EXPECT_EQ(view.said, (std::vector<std::string>{"part f", "part f", "copied 1, failed 0, skipped 0"}));
    EXPECT_EQ(dir.read("B/f"), "new");

    // The top row's sync is the whole one: the tree made anew, then the summary.
    view.said.clear();
    presenter.actOnRow(view, nullptr, nullptr, true);
    ASSERT_EQ(view.said.size(), 3u);
    EXPECT_EQ(view.said[0], "cleared");
    EXPECT_TRUE(view.said[1].starts_with("result ")) << view.said[1];

    // At the entry limit the larger one is offered: taken, the comparison runs once more, whole.
    dm.Settings.maxEntries = 3;
    view.said.clear();
    presenter.compare(view);
    EXPECT_EQ(view.said, (std::vector<std::string>{"cleared", "asked", "cleared", "result " + presenter.countsText()}));
    EXPECT_EQ(presenter.comparer->state, Finished);

    // Declined (the raised limit forgotten), the result at the limit is shown
    // and may not be copied from.
    dm.PairLimits.clear();
    view.yes = false;
    view.said.clear();
    presenter.compare(view);
    EXPECT_EQ(view.said.at(1), "asked");
    view.said.clear();
    presenter.synchronizeAll(view);
    ASSERT_EQ(view.said.size(), 1u);
    EXPECT_TRUE(view.said[0].starts_with("told ")) << view.said[0];

    // A comparison that fails shows its state, and no result is kept.
    dm.StandardDir = dir / "gone";
    view.said.clear();
    presenter.compare(view);
    ASSERT_EQ(view.said.size(), 2u);
    EXPECT_TRUE(view.said[1].starts_with("failed ") && view.said[1].size() > 7) << view.said[1];
    EXPECT_FALSE(presenter.comparer);
    setLanguage(Chinese);
}

// Each schedule a job keeps, as the Jobs window words it, and the command
// line it is run with speaks the window's language.
TEST(JobsPresenter, ASchedulesWordsAndTheCommandLineOfAJob)
{
    setLanguage(English);
    const std::pair<const char*, const char*> cases[] = {
        {"", "no schedule"}, {"daily 02:30", "daily at 02:30"}, {"hourly", "hourly"}, {"every 15", "every 15 minutes"}};
    for (const auto& [schedule, words] : cases) EXPECT_EQ(scheduleText(schedule), words) << schedule;
    const std::vector<std::string> command = jobCommand({"run", "nightly"});
    EXPECT_EQ(std::vector<std::string>(command.begin() + 1, command.end()),
              (std::vector<std::string>{"job", "run", "nightly", "--lang", "en"}));
    setLanguage(Chinese);
    EXPECT_EQ(jobCommand({}).back(), "zh");
}

// What the pair view says above a pair: its differences and encodings, or
// where its bytes first differ.
TEST(PairSummary, ThePairsDifferencesOrItsFirstDifferentByte)
{
    setLanguage(English);
    PairContent content;
    content.a = TextContent{{"x"}, platform::kUtf8CodePage, true, true};
    content.b = TextContent{{"x"}, kGb18030, false, true};
    EXPECT_EQ(textSummary(content, true, true), "0 differences    A: UTF-8, CRLF    B: " + encodingName(kGb18030) +
                                                    ", LF    (only the line ends differ)");
    content.diff.blocks = {0};
    EXPECT_EQ(textSummary(content, true, false), "1 difference    A: UTF-8, CRLF");
    EXPECT_EQ(bytesSummary({31, 0, 0}, true, true), "First difference at offset 0x1f (31)");
    EXPECT_EQ(bytesSummary({std::nullopt, 0, 0}, true, true), "The contents are the same");
    EXPECT_EQ(bytesSummary({std::nullopt, 0, 0}, false, true), "The file is on one side only");
    setLanguage(Chinese);
}

TEST(ElapsedText, HoursMinutesSecondsHoursModuloADay)
{
    EXPECT_EQ(elapsedText(7), "00:00:07");
    EXPECT_EQ(elapsedText(90061), "01:01:01");
}

}  // namespace
}  // namespace dm
