#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>

#include "common/FileHelpers.h"
#include "platform/Listing.h"
#include "tests/support/Faults.h"
#include "tests/ui/UiFixture.h"
#include "ui/qt/ElidedLabel.h"
#include "ui/qt/Forms.h"
#include "ui/qt/JobsWindow.h"
#include "ui/qt/ScheduleDialog.h"
#include "ui/qt/Translations.h"

namespace dm::ui {
namespace {

TEST_F(UiTest, AnEmptyFolderSettingStopsTheRunBeforeItStarts)
{
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(panel(0), "错误, 目录不存在");
    EXPECT_FALSE(reportShown());
    EXPECT_FALSE(main->btnSynAll->isEnabled());
    EXPECT_FALSE(main->btnShowR->isEnabled());
    EXPECT_EQ(main->TreeViewResult->topLevelItemCount(), 0);
    EXPECT_TRUE(main->bbtnStart->isEnabled());
}

TEST_F(UiTest, ARunShowsStateCountsTimeAndTheReport)
{
    chooseFolders();
    dir.file("A/lack");
    dir.file("B/extra");
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(panel(0), "比较完成");
    EXPECT_EQ(panel(3), "缺:1 | 异:0 | 多:1");
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(main->panels[4]->fullText()).hasMatch());
    EXPECT_TRUE(main->btnSynAll->isEnabled());
    EXPECT_TRUE(main->btnShowR->isEnabled());
    EXPECT_TRUE(reportShown());
    EXPECT_FALSE(main->btnAbort->isEnabled());
    EXPECT_FALSE(main->lbText->isVisible());
    EXPECT_EQ(dm->ReportLines.front(), "两个文件夹不相同。");
}

TEST_F(UiTest, AComparisonCutShortByTheLimitShowsItsTreeButCopiesNothing)
{
    chooseFolders();
    dir.file("A/f", "new");
    dir.file("B/f", "old!");
    for (int i = 0; i < MaxScanCount; ++i) dir.file("B/more/" + std::to_string(i));
    std::string asked;
    uiHooks().askYesNo = [&](const QString& text, const QString&) {
        asked = text.toStdString();
        return false;  // the larger limit declined
    };
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(panel(0), "文件太多");
    EXPECT_GT(main->TreeViewResult->topLevelItemCount(), 0);
    EXPECT_FALSE(main->btnSynAll->isEnabled());
    EXPECT_NE(asked.find("不能同步"), std::string::npos);
    EXPECT_NE(asked.find("并为这两个文件夹提高上限?"), std::string::npos) << asked;
    main->btnSynAllClick();
    main->waitUntilIdle();
    main->TreeViewResult->setCurrentItem(main->TreeViewResult->topLevelItem(0)->child(0));
    main->N10Click(2);
    main->waitUntilIdle();
    EXPECT_EQ(dir.read("B/f"), "old!");
}

TEST_F(UiTest, ALongPathNeverWidensTheWindowAndTheWindowStartsCentred)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((main->frameGeometry().center() - screen.center()).manhattanLength(), 2);
    chooseFolders();
    std::string deep = "A";
    while (deep.size() < 1000) deep += "/" + std::string(120, 'd');
    dir.file(deep + "/f");
    const int width = main->width();
    const int minimum = main->minimumSizeHint().width();
    main->RunComparison();
    main->waitUntilIdle();
    main->labelDoing->showText(QString::fromStdString(dir / deep));
    QCoreApplication::processEvents();
    EXPECT_EQ(main->width(), width);
    EXPECT_EQ(main->minimumSizeHint().width(), minimum);

    // An error in the status bar keeps the file's name; a click shows all of it.
    const QString error = QString::fromStdString("cannot open, file name: " + dir / deep + "/report.txt");
    main->panels[0]->showText(error);
    EXPECT_TRUE(main->panels[0]->text().endsWith(QStringLiteral("report.txt")))
        << main->panels[0]->text().toStdString();
    EXPECT_TRUE(main->panels[0]->text().contains(QChar(0x2026)));
    EXPECT_EQ(main->panels[0]->toolTip(), error);
    EXPECT_LT(main->panels[0]->geometry().right(), main->panels[3]->x()) << "each panel in its own place";
    main->StatusBar1Click(0);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), error.toStdString());
    EXPECT_EQ(main->width(), width);
}

TEST_F(UiTest, DetailCellsShowTheirWholeTextAsATooltipAndCanBeCopied)
{
    chooseFolders();
    const std::string file = dir.file("A/" + std::string(150, 'p') + "/only");
    main->RunComparison();
    main->waitUntilIdle();
    QTreeWidgetItem* folder = main->TreeViewResult->topLevelItem(0)->child(0);
    main->TreeViewResult->setCurrentItem(folder);
    QTableWidgetItem* name = main->sg->item(1, 1);
    EXPECT_EQ(name->toolTip(), name->text());
    EXPECT_EQ(main->sg->textElideMode(), Qt::ElideMiddle);
    main->sg->setCurrentItem(name);
    main->sg->actions().front()->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(name->text()));  // the selected row
}

TEST(Translations, ChineseModeTranslatesQtsOwnButtons)
{
    const Translations chinese(false);
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
}

TEST_F(UiTest, TheFolderPickerNamesTypesAndDatesInTheProgramsLanguage)
{
    dir.folder("A");
    const auto typeShown = [this] {
        QString type;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QTreeView* list = dialog ? dialog->findChild<QTreeView*>(QStringLiteral("treeView")) : nullptr;
            if (!list || !list->model() || list->model()->rowCount(list->rootIndex()) == 0) return;
            const QModelIndex first = list->model()->index(0, 2, list->rootIndex());
            type = first.data().toString() + ' ' + first.siblingAtColumn(3).data().toString();
            dialog->reject();
        });
        poll.start(20);
        chooseFolder(main.get(), QStringLiteral("A"), QString::fromStdString(dir.path()));
        return type;
    };
    const QString date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd"));
    for (const bool english : {false, true}) {
        const Translations language(english);
        setLanguage(english ? English : Chinese);
        const QString row = typeShown();
        EXPECT_TRUE(row.startsWith(english ? QStringLiteral("Folder ") : QStringLiteral("文件夹 ")))
            << row.toStdString();
        EXPECT_TRUE(row.contains(date)) << row.toStdString();
    }
}

TEST_F(UiTest, TheComparisonIsSavedAsAJobTheCommandLineCanRun)
{
    const auto config = test::setVariable("XDG_CONFIG_HOME", dir / "config");
    chooseFolders();
    dm->NotUpdateList = {".bak"};
    uiHooks().askText = [](const QString&) { return QStringLiteral("nightly"); };
    main->saveAsJob();
    test::setVariable("XDG_CONFIG_HOME", config);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("dirmatch job run nightly"), std::string::npos);
    const std::string saved = dir.read("config/dirmatch/jobs/nightly.ini");
    for (const std::string& line :
         {"FolderA=" + dm->StandardDir, "FolderB=" + dm->LocalDir, std::string("Sync=1"), std::string("1=.bak")})
        EXPECT_NE(saved.find(line), std::string::npos) << line << "\n" << saved;
}

TEST_F(UiTest, TheJobsWindowRunsAJobAndShowsItsNewestRecordFirst)
{
    const auto config = test::setVariable("XDG_CONFIG_HOME", dir / "config");
    const auto state = test::setVariable("XDG_STATE_HOME", dir / "state");
    std::filesystem::create_symlink(DIRMATCH_BINARY, dir / "prog/dirmatch");  // beside the program, as installed
    chooseFolders();
    dir.file("A/new", "n");
    uiHooks().askText = [](const QString&) { return QStringLiteral("nightly"); };
    main->saveAsJob();  // answered yes: it synchronizes
    main->showJobs();
    TdlgJobs& jobs = *main->jobsWindow;
    ASSERT_EQ(jobs.lstJobs->count(), 1);
    EXPECT_EQ(jobs.lstRuns->count(), 0);
    const auto waitForTheCommandLine = [&] {
        for (int i = 0; i < 500 && !jobs.btnRun->isEnabled(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QCoreApplication::processEvents();
        }
    };
    for (int run = 0; run < 2; ++run) {
        jobs.runSelected();
        waitForTheCommandLine();
    }
    onModal = [](QDialog& d) {
        auto& when = dynamic_cast<TdlgSchedule&>(d);
        when.edtTime->setTime(QTime(3, 15));
        return int(QDialog::Accepted);
    };
    const auto runtime = test::setVariable("XDG_RUNTIME_DIR", dir.folder("run"));  // no service manager in it
    jobs.scheduleSelected();
    waitForTheCommandLine();
    test::setVariable("XDG_RUNTIME_DIR", runtime);
    EXPECT_TRUE(jobs.lbJob->text().endsWith(QStringLiteral("每天 03:15"))) << jobs.lbJob->text().toStdString();
    EXPECT_TRUE(platform::itemExists(dir / "config/systemd/user/dirmatch-job-nightly.timer"));
    // The timer is not running yet, and the window says so.
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages.back().starts_with("尚无定时器生效")) << messages.back();
    EXPECT_NE(messages.back().find("systemctl --user"), std::string::npos) << messages.back();
    test::setVariable("XDG_CONFIG_HOME", config);
    test::setVariable("XDG_STATE_HOME", state);
    ASSERT_EQ(jobs.lstRuns->count(), 2);
    EXPECT_EQ(jobs.lstRuns->currentRow(), 0);
    EXPECT_TRUE(jobs.memoRecord->toPlainText().contains(QStringLiteral("已复制 0, 失败 0")))
        << jobs.memoRecord->toPlainText().toStdString();  // the second run
    EXPECT_EQ(dir.read("B/new"), "n");
}

// The schedule is chosen with controls: each stored schedule opens on its
// own line, and each line gives the command line's words for it.
TEST_F(UiTest, TheScheduleWindowReadsAndGivesEverySchedule)
{
    const struct {
        const char* stored;
        QStringList arguments;
    } cases[] = {
        {"daily 03:15", {"--daily", "03:15"}},
        {"daily 7:05", {"--daily", "07:05"}},
        {"hourly", {"--hourly"}},
        {"every 45", {"--every", "45"}},
        {"", {"--off"}},
    };
    for (const auto& c : cases) {
        const TdlgSchedule when(nullptr, c.stored);
        EXPECT_EQ(when.arguments(), c.arguments) << c.stored;
    }
    TdlgSchedule when(nullptr, "");
    when.edtMinutes->setValue(10);  // a number typed chooses its line
    EXPECT_EQ(when.arguments(), (QStringList{"--every", "10"}));
}

TEST_F(UiTest, EqualFoldersEndWithTheirStateAndALogEntry)
{
    dm->StandardDir = dir.folder("A");
    dm->LocalDir = dir.folder("A");
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(panel(0), "错误, 目录相同");
    EXPECT_FALSE(reportShown());
    EXPECT_FALSE(main->presenter.comparer);
    EXPECT_GT(fileSize(dm->LogPath), 0u);
}

TEST_F(UiTest, AnAbortDuringTheScanLeavesAnEmptyTree)
{
    chooseFolders();
    dir.file("A/sub/x");
    holdListings([this] { return main->presenter.run.abortRequested(); });
    QTimer::singleShot(0, main.get(), [this] { main->btnAbortClick(); });
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(panel(0), "用户中止");
    EXPECT_EQ(main->TreeViewResult->topLevelItemCount(), 0);
    EXPECT_FALSE(main->btnSynAll->isEnabled());
    EXPECT_FALSE(main->btnShowR->isEnabled());
    EXPECT_FALSE(reportShown());
}

TEST_F(UiTest, AClickOnTheStatusBarShowsThePanelsText)
{
    chooseFolders();
    main->RunComparison();
    main->waitUntilIdle();
    main->StatusBar1Click(350);
    main->StatusBar1Click(2000);  // right of the last panel: the last one
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "缺:0 | 异:0 | 多:0");
    EXPECT_EQ(messages[1], panel(4));
}

TEST_F(UiTest, TheWizardStartsFromTheSettingsAndStoresOnlyWhatItShould)
{
    wizard->FormShow();
    for (QCheckBox* box : {wizard->cbSize, wizard->cbMT, wizard->cbVer, wizard->cbSubDir, wizard->cbOnlyDiff})
        EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(wizard->Panel1->isVisibleTo(wizard));
    EXPECT_FALSE(wizard->Panel3->isVisibleTo(wizard));

    wizard->cbSize->setChecked(false);
    wizard->bbtnStartClick();
    EXPECT_EQ(dm->Options, 0x1Du);

    const std::string chosen = dir.folder("chosen");
    uiHooks().chooseFolder = [&](const QString&, const QString&) { return QString::fromStdString(chosen); };
    wizard->FormShow();
    wizard->btnDirAClick();
    wizard->reject();
    EXPECT_EQ(dm->StandardDir, chosen);
    wizard->FormShow();
    EXPECT_EQ(wizard->edtDirA->currentText().toStdString(), chosen);

    uiHooks().chooseFolder = [](const QString&, const QString&) { return QString(); };
    wizard->Button6Click();
    EXPECT_EQ(dm->LocalDir, "");
}

TEST_F(UiTest, WhatAFolderBoxShowsIsWhatIsComparedAndFoldersUsedAreRemembered)
{
    const std::string typed = dir.folder("typed");
    const std::string other = dir.folder("other");
    wizard->FormShow();
    wizard->edtDirA->setEditText(QString::fromStdString(other));
    wizard->btnNextClick();
    wizard->edtDirB->setEditText(QStringLiteral("/no/such/folder"));
    wizard->btnStep2Click();
    EXPECT_TRUE(wizard->Panel2->isVisibleTo(wizard));  // refused, with a message
    EXPECT_EQ(messages.back(), "文件夹不存在: /no/such/folder");
    wizard->edtDirB->setEditText(QString::fromStdString(typed));
    wizard->edtDirB->lineEdit()->returnPressed();  // Enter moves on
    EXPECT_TRUE(wizard->Panel3->isVisibleTo(wizard));
    wizard->bbtnStartClick();
    EXPECT_EQ(dm->StandardDir, other);
    EXPECT_EQ(dm->LocalDir, typed);

    wizard->FormShow();
    wizard->btnSwapClick();
    EXPECT_EQ(dm->StandardDir, typed);
    EXPECT_EQ(wizard->edtDirB->currentText().toStdString(), other);
    for (int i = 0; i < 12; ++i) TDM::Remember(dm->HistoryA, "/f" + std::to_string(i));
    TDM::Remember(dm->HistoryA, "/f5");
    EXPECT_EQ(dm->HistoryA.size(), TDM::kHistoryLength);
    EXPECT_EQ(dm->HistoryA.front(), "/f5");
    main.reset();
    dm.reset();  // saved at exit
    TDM again(dir / "prog/dirmatch-gui");
    EXPECT_EQ(again.HistoryA.front(), "/f5");
    EXPECT_EQ(again.HistoryB.front(), typed);
}

TEST_F(UiTest, AFolderDroppedOnTheWindowIsFolderAThenFolderB)
{
    const auto drop = [this](const std::string& folder) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder))});
        main->folderDropped(droppedFolder(&data));
    };
    std::vector<int> steps;
    onModal = [&](QDialog&) {
        wizard->FormShow();  // as showing it does
        steps.push_back(wizard->Panel2->isVisibleTo(wizard) ? 2 : wizard->Panel3->isVisibleTo(wizard) ? 3 : 1);
        return int(QDialog::Rejected);
    };
    drop(dir.folder("first"));
    drop(dir.folder("second"));
    EXPECT_EQ(dm->StandardDir, dir / "first");
    EXPECT_EQ(dm->LocalDir, dir / "second");
    EXPECT_EQ(steps, (std::vector<int>{2, 3}));
}

TEST_F(UiTest, TheFilterDialogAppliesItsMemosOnlyOnOk)
{
    filters->FormShow();
    filters->memoDoCompare->setPlainText(QString());
    filters->btnOkClick();
    EXPECT_EQ(dm->DoCompareList, StringList{"/"});

    filters->FormShow();
    filters->memoDoCompare->setPlainText(QStringLiteral("\n"));
    filters->memoNotCompare->setPlainText(QStringLiteral(".bak\n.tmp"));
    filters->btnOkClick();
    EXPECT_EQ(dm->DoCompareList, StringList{""});
    EXPECT_EQ(dm->NotUpdateList, (StringList{".bak", ".tmp"}));

    const std::string file = dir.file("f.dat", "[NotUpdate]\n0=x\n[DoCompare]\n0=y\n");
    uiHooks().chooseFile = [&](const QString&, const QString&, bool) { return QString::fromStdString(file); };
    filters->FormShow();
    filters->btnOpenClick();
    EXPECT_EQ(filters->memoNotCompare->toPlainText(), QStringLiteral("x\n"));
    filters->btnCancelClick();
    EXPECT_EQ(dm->NotUpdateList, (StringList{".bak", ".tmp"}));

    QString startedIn;
    uiHooks().chooseFile = [&](const QString& folder, const QString&, bool) {
        startedIn = folder;
        return QString();
    };
    filters->btnSaveClick();  // where the last filter file was
    EXPECT_EQ(startedIn.toStdString(), dir.path() + "/");
}

TEST_F(UiTest, TheReportSumsUpTheRun)
{
    chooseFolders();
    dir.file("A/same", "1");
    dir.file("B/same", "1");
    main->RunComparison();
    main->waitUntilIdle();
    ASSERT_GE(dm->ReportLines.size(), 4u);
    EXPECT_EQ(dm->ReportLines[0], "两个文件夹完全相同。");
    EXPECT_EQ(dm->ReportLines[1], "");
    EXPECT_EQ(dm->ReportLines[2], "文件夹 A：" + dm->StandardDir);
    EXPECT_EQ(dm->ReportLines[5], "比较规则: 比较大小, 比较修改时间, 比较文件版本, 包含子目录");
    EXPECT_TRUE(dm->Identical);
    report->FormShow();
    EXPECT_EQ(report->Label1->text(), QStringLiteral("两个文件夹完全相同。"));
    EXPECT_TRUE(report->Image1->isVisibleTo(report));
    EXPECT_FALSE(report->Image2->isVisibleTo(report));

    EXPECT_EQ(report->btnDetail->text(), QStringLiteral("细节 >>"));
    report->btnDetailClick();
    EXPECT_EQ(report->btnDetail->text(), QStringLiteral("细节 <<"));
    EXPECT_EQ(report->height(), 344);
    report->FormShow();  // shown again: still expanded
    EXPECT_TRUE(report->expanded);
    EXPECT_EQ(report->memoResult->lineWrapMode(), QPlainTextEdit::WidgetWidth);  // the rules line wraps
}

TEST_F(UiTest, AfterEachStepOfTheWizardTypingGoesIntoTheStepShown)
{
    const QString a = QString::fromStdString(dir.folder("A"));
    const QString b = QString::fromStdString(dir.folder("B"));
    wizard->FormShow();
    wizard->show();
    wizard->edtDirA->setFocus();
    wizard->edtDirA->setEditText(a);
    wizard->btnNextClick();  // Enter on the first step
    const auto inB = [&] {
        return wizard->focusWidget() == wizard->edtDirB || wizard->focusWidget() == wizard->edtDirB->lineEdit();
    };
    EXPECT_TRUE(inB()) << "typing B would go into the hidden A box";
    wizard->edtDirB->setEditText(b);
    wizard->btnStep2Click();
    EXPECT_EQ(wizard->focusWidget(), wizard->bbtnStart);
    EXPECT_EQ(dm->StandardDir, a.toStdString());
    EXPECT_EQ(dm->LocalDir, b.toStdString());

    // B the same folder as A: refused where B is chosen, with a word why.
    wizard->btnNextClick();
    wizard->edtDirB->setEditText(a + QLatin1Char('/'));
    messages.clear();
    wizard->btnStep2Click();
    EXPECT_FALSE(wizard->Panel3->isVisible());
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(dm->LocalDir, b.toStdString());
    wizard->hide();
}

TEST_F(UiTest, ARefusedRunLeavesNoCountsOfTheLastOneBesideItsEmptyTree)
{
    chooseFolders();
    dir.file("A/f");
    main->RunComparison();
    main->waitUntilIdle();
    ASSERT_FALSE(panel(3).empty());
    dm->LocalDir = dm->StandardDir;  // refused: the same folder
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(main->TreeViewResult->topLevelItemCount(), 0);
    EXPECT_EQ(panel(3), "");
}

TEST_F(UiTest, AtTheEntryLimitTheWindowOffersToCompareOnceMoreWithoutALimit)
{
    chooseFolders();
    for (int i = 0; i < 30; ++i) dir.file("A/f" + std::to_string(i));
    dm->Settings.maxEntries = 10;
    answerYes = false;
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(main->presenter.comparer->state, TooManyFiles);
    answerYes = true;
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(dm->Settings.maxEntries, 10);  // the setting is the user's
    EXPECT_EQ(main->presenter.comparer->state, Finished);
    EXPECT_EQ(panel(3), "缺:30 | 异:0 | 多:0");
}

TEST_F(UiTest, TheFoldersChosenInTheWizardAreSavedAtExit)
{
    const std::string a = dir.folder("A");
    uiHooks().chooseFolder = [&](const QString&, const QString&) { return QString::fromStdString(a); };
    wizard->FormShow();
    wizard->btnDirAClick();
    main.reset();
    dm.reset();
    const std::string ini = test::readFile(dir / "prog/pre.ini");
    EXPECT_NE(ini.find("StandardDir=" + a + "\r\n"), std::string::npos) << ini;
}

}  // namespace
}  // namespace dm::ui
