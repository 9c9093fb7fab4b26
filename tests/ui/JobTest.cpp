// Long work runs as a job off the window's thread: while it runs the window
// answers, every other action is refused, and nothing reaches freed memory.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/support/Faults.h"
#include "tests/ui/UiFixture.h"

namespace dm::ui {
namespace {

class Job : public UiTest {
protected:
    // A comparison whose folder "sub" holds `folders` folders, then its node selected.
    QTreeWidgetItem* comparedWithSub(int folders)
    {
        chooseFolders();
        for (int i = 0; i < folders; ++i) dir.file("A/sub/d" + std::to_string(i) + "/f", "a");
        dir.file("B/sub/d0/f", "a");
        main->RunComparison();
        main->waitUntilIdle();
        QTreeWidgetItem* header = main->TreeViewResult->topLevelItem(0);
        for (int i = 0; i < header->childCount(); ++i) {
            if (header->child(i)->text(0).startsWith(QStringLiteral("sub"))) {
                main->TreeViewResult->setCurrentItem(header->child(i));
                return header->child(i);
            }
        }
        ADD_FAILURE() << "no node sub";
        return nullptr;
    }
};

TEST_F(Job, WhileARefreshRunsTheWindowAnswersAndRefusesEveryOtherAction)
{
    comparedWithSub(20);
    dir.file("B/sub/d1/f", "a");  // what the refresh is to find
    shown.clear();
    std::atomic<bool> release{false};
    holdListings([&] { return release.load(); });
    main->N10Click(1);
    ASSERT_TRUE(main->isBusy());

    int ticks = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(10);
    main->bbtnStartClick();
    main->RunComparison();
    main->btnSynAllClick();
    main->N10Click(2);
    main->N10Click(1);
    main->btnExportClick();
    answerYes = false;  // "Abort and close?" No: the work goes on
    EXPECT_FALSE(main->close());
    for (QWidget* w : {static_cast<QWidget*>(main->bbtnStart), static_cast<QWidget*>(main->btnSynAll),
                       static_cast<QWidget*>(main->TreeViewResult), static_cast<QWidget*>(main->StatusBar1)})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_FALSE(main->PopupMenu1->isEnabled());
    EXPECT_TRUE(main->btnAbort->isEnabled());
    // The window's own events run while the job waits.
    for (int i = 0; i < 1000 && ticks <= 5; ++i) spin();
    EXPECT_TRUE(main->isBusy());
    release = true;
    main->waitUntilIdle();

    EXPECT_GT(ticks, 5) << "the window's own events ran while the job did";
    EXPECT_TRUE(shown.empty()) << "no wizard, no report while busy";
    EXPECT_FALSE(dir.exists("B/sub/d2"));  // nothing copied
    EXPECT_EQ(panel(3), "缺:18 | 异:0 | 多:0");
    EXPECT_TRUE(main->close());
}

TEST_F(Job, TheAbortButtonEndsAScanLongBeforeItsEnd)
{
    comparedWithSub(20);
    // Each folder's listing waits for the stop: without it the scan never ends.
    holdListings([this] { return main->presenter.run.abortRequested(); });
    main->N10Click(1);
    main->btnAbortClick();
    main->waitUntilIdle();
    EXPECT_LT(listingsBegun, 5) << "the scan went on after the stop";
    EXPECT_EQ(panel(0), "用户中止");
}

TEST_F(Job, AnExceptionInAJobIsReportedAndTheWindowGoesOn)
{
    chooseFolders();
    dir.file("A/f");
    main->presenter.run.onText = [](const std::string&) { throw std::runtime_error("boom"); };
    main->RunComparison();
    main->waitUntilIdle();
    main->presenter.run.onText = nullptr;
    // Thrown while listing, it is the comparison's failure, said where failures are.
    EXPECT_NE(panel(0).find("boom"), std::string::npos) << panel(0);
    EXPECT_FALSE(main->isBusy());
    EXPECT_TRUE(main->bbtnStart->isEnabled());
}

TEST_F(Job, AnExceptionThatEndsASyncShowsNoOtherSyncsSummary)
{
    chooseFolders();
    dir.file("A/f", "new");
    int summaries = 0;
    onModal = [&](QDialog& d) {
        summaries += d.windowTitle() == QStringLiteral("同步结果");
        return int(QDialog::Accepted);
    };
    main->RunComparison();
    main->waitUntilIdle();
    main->btnSynAllClick();
    main->waitUntilIdle();
    ASSERT_EQ(summaries, 1);
    dir.file("A/g", "new");
    main->RunComparison();
    main->waitUntilIdle();
    main->presenter.run.onText = [](const std::string& text) {
        if (text.find("g") != std::string::npos) throw std::runtime_error("boom");
    };
    main->btnSynAllClick();
    main->waitUntilIdle();
    main->presenter.run.onText = nullptr;
    EXPECT_EQ(messages.back(), "boom");
    EXPECT_EQ(summaries, 1) << "the first sync's summary was shown again";
}

TEST_F(Job, ASyncSaysItIsSynchronizingAndItsBarFollowsTheBytes)
{
    chooseFolders();
    dir.file("A/f", "new");
    main->RunComparison();
    main->waitUntilIdle();
    // The one file is written, then held up until the bar has been looked at.
    std::atomic<bool> release{false};
    platform::testSeams().failCopyWrite = [&](const std::string&, uint64_t) {
        for (int i = 0; i < 10000 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
    };
    main->btnSynAllClick();
    EXPECT_TRUE(main->isBusy());
    EXPECT_EQ(main->lbText->text(), QStringLiteral("正在同步，请耐心等待..."));
    // The bar follows the bytes copied: it comes to its end while the copy is held.
    for (int i = 0; i < 1000 && (main->progressBar->maximum() != 1000 || main->progressBar->value() != 1000); ++i)
        spin();
    EXPECT_TRUE(main->isBusy());
    release = true;
    EXPECT_EQ(main->progressBar->value(), main->progressBar->maximum());
    EXPECT_EQ(main->progressBar->maximum(), 1000);
    main->waitUntilIdle();
    platform::testSeams().failCopyWrite = nullptr;
    EXPECT_EQ(main->lbText->text(), QStringLiteral("正在比较，请耐心等待..."));
}

// A remote shell (ssh on the PATH) that never answers: for reading, or only once rsync calls it.
class SilentRemote : public Job {
protected:
    void SetUp() override
    {
        Job::SetUp();
        const std::string bin = dir.folder("bin");
        std::filesystem::create_symlink(DIRMATCH_BINARY, bin + "/dirmatch");
        path_ = test::setVariable("PATH", bin + ":" + std::getenv("PATH"));
    }
    void TearDown() override
    {
        test::setVariable("PATH", path_);
        Job::TearDown();
    }
    void silent(bool whenCopying)
    {
        const std::string body = whenCopying ? "case \"$*\" in *rsync*) exec sleep 60;; esac\n"
                                               "for last; do :; done\nexec sh -c \"$last\"\n"
                                             : "exec sleep 60\n";
        const std::string ssh = dir.file("bin/ssh", "#!/bin/sh\n" + body);
        std::filesystem::permissions(ssh, std::filesystem::perms::owner_all);
    }
    // Closes the window in the middle of the job, as its close button does.
    qint64 closeWhileBusy()
    {
        EXPECT_TRUE(main->isBusy());
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(main->close());  // asked "Abort and close?", answered yes
        main->waitUntilIdle();
        QCoreApplication::processEvents();
        return clock.elapsed();
    }

private:
    std::optional<std::string> path_;
};

// The shell stays silent for ten minutes: a run that ends long before heard the stop.
TEST_F(SilentRemote, AbortAndCloseEndsAComparisonAndASyncWithoutWaitingForTheOtherMachine)
{
    dir.file("A/f", "new");
    dir.file("B/f", "old!");
    dm->StandardDir = dir.folder("A");
    dm->LocalDir = "host:" + dir / "B";
    silent(false);
    main->RunComparison();
    EXPECT_LT(closeWhileBusy(), 60000) << "the close waited for the silent shell";
    EXPECT_FALSE(main->isVisible());

    main->show();
    silent(true);
    main->RunComparison();
    main->waitUntilIdle();
    ASSERT_TRUE(main->btnSynAll->isEnabled()) << panel(0);
    onModal = [this](QDialog& d) {
        // The plan is accepted; the copy then waits on the silent shell.
        if (d.windowTitle() == QString::fromStdString(messageText(msg::SyncConfirmCaption)))
            QTimer::singleShot(300, main.get(), [this] { main->close(); });
        return int(QDialog::Accepted);
    };
    QElapsedTimer clock;
    clock.start();
    main->btnSynAllClick();
    main->waitUntilIdle();
    EXPECT_LT(clock.elapsed(), 60000) << "the close waited for the silent shell";
    QCoreApplication::processEvents();
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(dir.read("B/f"), "old!");
    EXPECT_EQ(test::temporariesIn(dir / "B"), 0u);
}

TEST_F(SilentRemote, TheOpenActionsOfASideOnAnotherMachineAreOffAndSayWhy)
{
    silent(true);
    dir.file("A/f", "new");
    dir.file("B/f", "old!");
    dm->StandardDir = dir.folder("A");
    dm->LocalDir = "host:" + dir / "B";
    main->RunComparison();
    main->waitUntilIdle();
    QTreeWidgetItem* f = main->TreeViewResult->topLevelItem(0)->child(0);
    main->TreeViewResult->setCurrentItem(f);
    main->ShowDetails(f);
    EXPECT_TRUE(main->N11->isEnabled());
    EXPECT_FALSE(main->N12->isEnabled());
    EXPECT_FALSE(main->N12->toolTip().isEmpty());
    main->N11Click(4);
    EXPECT_TRUE(opened.empty()) << "another machine's path opened here";
}

TEST_F(Job, ATreeNodeWhoseResultIsGoneFindsNothing)
{
    QTreeWidgetItem* sub = comparedWithSub(3);
    sub->setExpanded(true);
    QTreeWidgetItem* inside = sub->child(0);
    ASSERT_TRUE(main->resultOf(inside));
    std::filesystem::remove_all(dir / "A/sub");
    std::filesystem::remove_all(dir / "B/sub");
    main->presenter.comparer->refresh(main->presenter.comparer->results, {});  // the tree is not told
    EXPECT_EQ(main->resultOf(inside), nullptr);
    main->ShowDetails(inside);
}

}  // namespace
}  // namespace dm::ui
