// Long work runs as a job off the window's thread: while it runs the window
// answers, every other action is refused, and nothing reaches freed memory.
#include <QElapsedTimer>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <stdexcept>

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
    slowListing(20);
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
    EXPECT_FALSE(main->close());
    for (QWidget* w : {static_cast<QWidget*>(main->bbtnStart), static_cast<QWidget*>(main->btnSynAll),
                       static_cast<QWidget*>(main->TreeViewResult), static_cast<QWidget*>(main->StatusBar1)})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_FALSE(main->PopupMenu1->isEnabled());
    EXPECT_TRUE(main->btnAbort->isEnabled());
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
    slowListing(100);  // about two seconds for the whole folder
    main->N10Click(1);
    QElapsedTimer clock;
    clock.start();
    main->btnAbortClick();
    main->waitUntilIdle();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(panel(0), "用户中止");
}

TEST_F(Job, AnExceptionInAJobIsReportedAndTheWindowGoesOn)
{
    chooseFolders();
    dir.file("A/f");
    main->run.onText = [](const std::string&) { throw std::runtime_error("boom"); };
    main->RunComparison();
    main->waitUntilIdle();
    main->run.onText = nullptr;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "boom");
    EXPECT_FALSE(main->isBusy());
    EXPECT_TRUE(main->bbtnStart->isEnabled());
}

TEST_F(Job, ATreeNodeWhoseResultIsGoneFindsNothing)
{
    QTreeWidgetItem* sub = comparedWithSub(3);
    QTreeWidgetItem* inside = sub->child(0);
    ASSERT_TRUE(main->resultOf(inside));
    std::filesystem::remove_all(dir / "A/sub");
    std::filesystem::remove_all(dir / "B/sub");
    main->comparer->refresh(main->comparer->results, 0, {});  // the tree is not told
    EXPECT_EQ(main->resultOf(inside), nullptr);
    main->ShowDetails(inside);
}

}  // namespace
}  // namespace dm::ui
