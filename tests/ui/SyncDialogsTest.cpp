// Synchronization from the desktop program: the plan first, progress while
// copying, and what failed afterwards.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "tests/support/Faults.h"
#include "tests/ui/UiFixture.h"
#include "ui/qt/SyncProgress.h"
#include "ui/qt/SyncSummary.h"

namespace dm::ui {
namespace {

class SyncDialogs : public UiTest {
protected:
    void compareAndSyncAll()
    {
        main->RunComparison();
        main->waitUntilIdle();
        main->btnSynAllClick();
        main->waitUntilIdle();
    }
};

TEST_F(SyncDialogs, CancelStopsAfterTheCurrentFileAndLeavesTheRestUntouched)
{
    chooseFolders();
    for (const char* name : {"f1", "f2", "f3"}) {
        dir.file(std::string("A/") + name, std::string(4 << 20, 'n'), test::kTime + 10);
        dir.file(std::string("B/") + name, "old");
    }
    // Cancel pressed once the first file is done (the button asks the run to stop).
    main->presenter.run.onText = [this](const std::string& text) {
        if (text.ends_with("f2")) main->presenter.run.requestAbort();
    };
    compareAndSyncAll();
    main->presenter.run.onText = nullptr;
    EXPECT_EQ(dir.read("B/f1").size(), size_t(4 << 20));
    for (const char* name : {"f2", "f3"}) EXPECT_EQ(dir.read(std::string("B/") + name), "old") << name;
    EXPECT_EQ(test::entriesIn(dir / "B"), 3u);  // no temporary file
    EXPECT_NE(main->syncSummary->memoItems->toPlainText().indexOf(QStringLiteral("用户中止")), -1);
    // B is no longer what the tree showed, and after a stop nothing more is done.
    EXPECT_EQ(main->TreeViewResult->topLevelItemCount(), 0);
    EXPECT_EQ(panel(0), "用户中止");

    main->syncProgress->btnCancel->click();
    EXPECT_TRUE(main->presenter.run.abortRequested());
}

TEST_F(SyncDialogs, AnImmutableTargetIsListedWithItsReason)
{
    chooseFolders();
    dir.file("A/locked", "new", test::kTime + 10);
    const std::string locked = dir.file("B/locked", "old");
    if (!test::setImmutable(locked, true)) GTEST_SKIP() << "cannot make a file immutable here";
    compareAndSyncAll();
    test::setImmutable(locked, false);
    EXPECT_EQ(main->syncSummary->lbCounts->text(), QStringLiteral("已复制 0, 失败 1, 跳过 0"));
    const QString listed = main->syncSummary->memoItems->toPlainText();
    EXPECT_NE(listed.indexOf(QString::fromStdString(locked)), -1) << listed.toStdString();
    EXPECT_NE(listed.indexOf(QStringLiteral("Operation not permitted")), -1) << listed.toStdString();
}

TEST_F(SyncDialogs, ASummaryWithNothingToListIsSizedToItsLine)
{
    SyncOutcome clean;
    clean.copied = 3;
    main->syncSummary->setOutcome(clean);
    setLanguage(English);  // chosen after the dialog was made
    main->syncSummary->setOutcome(clean);
    EXPECT_EQ(main->syncSummary->btnOk->text(), QStringLiteral("OK"));
    setLanguage(Chinese);
    EXPECT_FALSE(main->syncSummary->memoItems->isVisibleTo(main->syncSummary));
    EXPECT_LT(main->syncSummary->height(), 150);
    SyncOutcome failed;
    failed.failed.push_back({"a", "b", "why"});
    main->syncSummary->setOutcome(failed);
    EXPECT_GE(main->syncSummary->height(), 300);
}

TEST_F(SyncDialogs, TheProgressDialogCountsFilesAndBytes)
{
    RunControl control;
    TdlgSyncProgress progress(control);
    control.filesToCopy = 3;
    control.filesCopied = 1;
    control.bytesToCopy = 3 << 20;
    control.bytesCopied = 1 << 20;
    control.setText("正在复制: /b/f2");
    progress.update();
    EXPECT_EQ(progress.bar->value() * 3, progress.bar->maximum());
    EXPECT_TRUE(progress.lbFiles->text().startsWith(QStringLiteral("文件 1 / 3")));
}

}  // namespace
}  // namespace dm::ui
