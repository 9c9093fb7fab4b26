#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>
#include <cerrno>

#include "engine/compare/ResultView.h"
#include "platform/Listing.h"
#include "platform/SysError.h"
#include "tests/ui/UiFixture.h"
#include "ui/qt/SyncPreview.h"
#include "ui/qt/SyncSummary.h"

namespace dm::ui {
namespace {

constexpr int kStateRole = Qt::UserRole + 1;

class ResultTree : public UiTest {
protected:
    QTreeWidgetItem* header() const { return main->TreeViewResult->topLevelItem(0); }

    // The node under `parent` whose text starts with `name` (the parent's
    // children made, as opening it makes them).
    QTreeWidgetItem* node(QTreeWidgetItem* parent, const QString& name) const
    {
        main->fillPending(parent);
        for (int i = 0; parent && i < parent->childCount(); ++i) {
            const QString text = parent->child(i)->text(0);
            if (text == name || text.startsWith(name + QStringLiteral("    ---    "))) return parent->child(i);
        }
        ADD_FAILURE() << "no node " << name.toStdString();
        return nullptr;
    }

    QStringList texts(QTreeWidgetItem* parent) const
    {
        main->fillPending(parent);
        QStringList list;
        for (int i = 0; parent && i < parent->childCount(); ++i) list << parent->child(i)->text(0);
        return list;
    }

    static int stateOf(QTreeWidgetItem* n) { return n ? n->data(0, kStateRole).toInt() : -1; }

    void select(QTreeWidgetItem* n) { main->TreeViewResult->setCurrentItem(n); }

    // The plan's rows whose source ends with `ending` are unticked, the rest accepted.
    void untickInPlan(const QString& ending)
    {
        onModal = [ending](QDialog& d) {
            if (auto* preview = dynamic_cast<TdlgSyncPreview*>(&d)) {
                for (int i = 0; i < preview->table->rowCount(); ++i) {
                    if (preview->table->item(i, 1)->text().endsWith(ending))
                        preview->table->item(i, 0)->setCheckState(Qt::Unchecked);
                }
            }
            return int(QDialog::Accepted);
        };
    }
};

TEST_F(ResultTree, OnlyDifferencesHidesIdenticalAndFilteredItems)
{
    chooseFolders();
    dir.file("A/sub/same", "1");
    dir.file("B/sub/same", "1");
    dir.file("A/sub/lack");
    dir.file("A/sub/x.bak");
    dir.file("A/thing/inside");
    dir.file("B/thing");
    dm->NotUpdateList = {".bak"};
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(texts(node(header(), "sub")), QStringList{QStringLiteral("lack")});
    EXPECT_EQ(node(header(), "sub")->text(0), QStringLiteral("sub    ---    1"));
    EXPECT_EQ(stateOf(node(header(), "thing")), StateError);
    EXPECT_EQ(stateOf(node(node(header(), "sub"), "lack")), StateLacking);

    dm->OnlyDiff = false;
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(node(header(), "sub")->text(0), QStringLiteral("sub    ---    3"));
    EXPECT_EQ(stateOf(node(node(header(), "sub"), "same")), StateIdentical);
    EXPECT_EQ(stateOf(node(node(header(), "sub"), "x.bak")), StateNotCompared);
    EXPECT_EQ(stateOf(header()), StateNone);
}

TEST_F(ResultTree, TheWholeTreeIsSortedByNodeText)
{
    chooseFolders();
    for (const char* name : {"b", "C", "a"}) dir.file(std::string("A/") + name);
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(texts(header()), (QStringList{"a", "b", "C"}));
}

TEST_F(ResultTree, RefreshingAFolderKeepsComparerOrderAndAnItemUnderTheHeaderSortsAgain)
{
    chooseFolders();
    dm->OnlyDiff = false;
    for (const char* name : {"z", "m", "a"}) dir.file(std::string("A/sub/") + name);
    dir.folder("B/sub");
    dir.file("A/top1");
    dir.file("A/top2");
    main->RunComparison();
    main->waitUntilIdle();
    QTreeWidgetItem* sub = node(header(), "sub");
    EXPECT_EQ(texts(sub), (QStringList{"a", "m", "z"}));

    select(sub);
    main->N10Click(1);
    main->waitUntilIdle();
    sub = node(header(), "sub");
    EXPECT_EQ(texts(sub), (QStringList{"a", "m", "z"}));  // the listing's order, which is sorted too
    dir.file("B/sub/0new");                               // appears at the end of B's list
    select(sub);
    main->N10Click(1);
    main->waitUntilIdle();
    EXPECT_EQ(texts(node(header(), "sub")).last(), QStringLiteral("0new"));

    select(node(header(), "top2"));
    main->N10Click(1);
    main->waitUntilIdle();
    EXPECT_EQ(texts(header()), (QStringList{"sub    ---    4", "top1", "top2"}));
    EXPECT_EQ(panel(0), "比较完成");
}

TEST_F(ResultTree, AFolderNodeShowsItsCountAtOnceAndMakesItsChildrenWhenFirstOpened)
{
    chooseFolders();
    dir.file("A/sub/deep/x", "1");
    dir.file("B/sub/deep/x", "22");
    dir.file("A/sub/y", "1");
    main->RunComparison();
    main->waitUntilIdle();
    QTreeWidgetItem* sub = header()->child(0);
    EXPECT_EQ(sub->text(0), QStringLiteral("sub    ---    2"));
    EXPECT_EQ(sub->childCount(), 0);
    EXPECT_EQ(sub->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    sub->setExpanded(true);
    ASSERT_EQ(sub->childCount(), 2);
    EXPECT_EQ(sub->child(0)->text(0), QStringLiteral("deep    ---    1"));
    EXPECT_EQ(sub->child(0)->childCount(), 0);
    main->actCollapseAll->trigger();
    main->actExpandAll->trigger();
    ASSERT_EQ(sub->child(0)->childCount(), 1);
    EXPECT_TRUE(sub->child(0)->isExpanded());
}

TEST_F(ResultTree, AFolderRefreshedBeforeItWasOpenedShowsEachChildOnce)
{
    chooseFolders();
    dm->OnlyDiff = false;
    dir.lay({{"A/sub/x"}, {"B/sub/x"}, {"A/sub/y"}});
    main->RunComparison();
    main->waitUntilIdle();
    ASSERT_EQ(node(header(), "sub")->childCount(), 0);  // not opened yet
    select(node(header(), "sub"));
    main->N10Click(1);
    main->waitUntilIdle();
    QTreeWidgetItem* sub = node(header(), "sub");
    sub->setExpanded(true);
    EXPECT_EQ(texts(sub), (QStringList{"x", "y"}));
}

TEST_F(ResultTree, AFolderWithEveryChildHiddenIsRefreshedAsAnItemOfItsParent)
{
    chooseFolders();
    dir.file("A/sub/x", "1");
    dir.file("B/sub/x", "22");
    main->RunComparison();
    main->waitUntilIdle();
    QTreeWidgetItem* sub = node(header(), "sub");
    dir.file("B/sub/x", "1");
    select(node(sub, "x"));
    ASSERT_EQ(sub->childCount(), 1);
    main->N10Click(1);  // x's parent is refreshed for x alone
    main->waitUntilIdle();
    EXPECT_EQ(node(header(), "sub")->childCount(), 0);
    EXPECT_EQ(panel(3), "缺:0 | 异:0 | 多:0");
}

TEST_F(ResultTree, UpdatingOneFileCopiesThatFileAlone)
{
    chooseFolders();
    dm->OnlyDiff = false;
    dir.file("A/sub/f", "new");
    dir.file("B/sub/f", "old!");
    dir.file("A/sub/g", "new");
    dir.file("B/sub/g", "old!");
    main->RunComparison();
    main->waitUntilIdle();
    select(node(node(header(), "sub"), "f"));
    main->N10Click(2);
    main->waitUntilIdle();
    EXPECT_EQ(dir.read("B/sub/f"), "new");
    EXPECT_EQ(dir.read("B/sub/g"), "old!");
    EXPECT_EQ(stateOf(node(node(header(), "sub"), "f")), StateIdentical);
    EXPECT_EQ(stateOf(node(node(header(), "sub"), "g")), StateDifferent);
    EXPECT_TRUE(messages.empty());  // no question asked
}

TEST_F(ResultTree, UpdatingTheHeaderSynchronizesEverythingAndComparesAgain)
{
    chooseFolders();
    dir.file("A/a", "1");
    dir.file("A/sub/b", "2");
    dir.file("B/mine");
    main->RunComparison();
    main->waitUntilIdle();
    shown.clear();
    select(header());
    main->N10Click(2);
    main->waitUntilIdle();
    EXPECT_TRUE(dir.exists("B/a"));
    EXPECT_TRUE(dir.exists("B/sub/b"));
    EXPECT_TRUE(dir.exists("B/mine"));
    EXPECT_EQ(panel(3), "缺:0 | 异:0 | 多:1");
    EXPECT_TRUE(reportShown());
}

TEST_F(ResultTree, RowsUntickedInThePlanStayAsTheyAreWhenTheHeaderOrAFolderIsUpdated)
{
    chooseFolders();
    dir.file("A/keep", "n");
    dir.file("A/copy", "n");
    dir.file("A/sub/keep", "n");
    dir.file("A/sub/copy", "n");
    dir.file("B/sub/other");
    main->RunComparison();
    main->waitUntilIdle();
    untickInPlan(QStringLiteral("keep"));
    QTreeWidgetItem* sub = node(header(), "sub");
    ASSERT_TRUE(sub);
    select(sub);
    main->N10Click(2);
    main->waitUntilIdle();
    EXPECT_TRUE(dir.exists("B/sub/copy"));
    EXPECT_FALSE(dir.exists("B/sub/keep")) << "a folder's update copied an unticked row";

    select(header());
    main->N10Click(2);
    main->waitUntilIdle();
    EXPECT_TRUE(dir.exists("B/copy"));
    EXPECT_FALSE(dir.exists("B/keep")) << "the header's update copied an unticked row";
    EXPECT_FALSE(dir.exists("B/sub/keep"));
}

TEST_F(ResultTree, TheSyncButtonShowsThePlanAndCopiesOnlyWhatStaysTicked)
{
    main->btnSynAllClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "当前没有成功分析结果, 无法同步, 请先进行分析");

    chooseFolders();
    dir.file("A/new", "n");
    dir.file("A/changed", "new!");
    dir.file("B/changed", "old");
    dir.file("B/mine", "b");
    main->RunComparison();
    main->waitUntilIdle();
    onModal = [](QDialog& d) { return dynamic_cast<TdlgSyncPreview*>(&d) ? int(QDialog::Rejected) : 1; };
    main->btnSynAllClick();
    main->waitUntilIdle();
    EXPECT_EQ(main->syncPreview->table->rowCount(), 2);
    EXPECT_FALSE(dir.exists("B/new"));
    EXPECT_EQ(dir.read("B/changed"), "old");

    untickInPlan(QStringLiteral("new"));
    main->btnSynAllClick();
    main->waitUntilIdle();
    EXPECT_EQ(dir.read("B/changed"), "new!");
    EXPECT_FALSE(dir.exists("B/new"));
    EXPECT_EQ(dir.read("B/mine"), "b");
    EXPECT_EQ(main->syncSummary->lbCounts->text(), QStringLiteral("已复制 1, 失败 0, 跳过 1"));
    EXPECT_EQ(main->syncSummary->btnOk->text(), QStringLiteral("确定"));  // in the program's language
    EXPECT_EQ(panel(3), "缺:1 | 异:0 | 多:1");
}

TEST_F(ResultTree, TheGridFollowsTheSelectionButNotTheHeader)
{
    chooseFolders();
    dir.file("A/only");
    main->RunComparison();
    main->waitUntilIdle();
    QTreeWidgetItem* only = node(header(), "only");
    select(only);
    EXPECT_EQ(main->sg->item(1, 1)->text().toStdString(), dir / "A/only");
    EXPECT_EQ(main->sg->item(1, 2)->text(), QStringLiteral("不存在"));
    EXPECT_EQ(main->sg->item(0, 1)->text(), QStringLiteral("文件夹 A 中文件"));
    EXPECT_TRUE(main->N11->isEnabled());
    EXPECT_FALSE(main->N12->isEnabled());  // nothing to open in B

    select(header());
    EXPECT_EQ(main->sg->item(1, 1)->text().toStdString(), dir / "A/only");
    main->TreeMouseDown(Qt::RightButton, main->TreeViewResult->visualItemRect(header()).center());
    EXPECT_EQ(main->TreeViewResult->currentItem(), header());
    EXPECT_FALSE(main->N11->isEnabled());  // the header has nothing to open
    EXPECT_FALSE(main->N12->isEnabled());

    main->TreeMouseDown(Qt::RightButton, QPoint(5, 2000));  // empty space
    EXPECT_EQ(main->TreeViewResult->currentItem(), nullptr);
    for (QAction* item : {main->N9, main->N10, main->N11, main->N12}) EXPECT_FALSE(item->isEnabled());
}

TEST_F(ResultTree, OpeningAnItemShowsItsPathThenOpensIt)
{
    chooseFolders();
    dir.file("A/sub/x");
    dir.file("B/sub/y");
    main->RunComparison();
    main->waitUntilIdle();
    select(node(header(), "sub"));
    main->N11Click(4);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], dir / "B/sub");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], dir / "B/sub");

    select(node(node(header(), "sub"), "x"));
    main->N11Click(4);
    EXPECT_EQ(messages.back(), "文件不存在! ");
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(ResultTree, IconsComeFromTheKindOfItemEvenWhenThePathIsGone)
{
    const std::string folder = dir.folder("icons");
    EXPECT_FALSE(main->ShellIconIndex(folder).isNull());
    EXPECT_FALSE(main->ShellIconIndex(dir / "gone/report.pdf").isNull());  // by its extension alone
}

TEST_F(ResultTree, TheHiddenExportButtonWritesFolderA)
{
    chooseFolders();
    dir.file("A/f");
    EXPECT_FALSE(main->btnExport->isVisible());
    const std::string file = dir / "export.dat";
    uiHooks().chooseFile = [&](const QString&, const QString& proposed, bool save) {
        EXPECT_TRUE(save);
        EXPECT_TRUE(proposed.endsWith(QStringLiteral("info.dat")));
        return QString::fromStdString(file);
    };
    main->btnExportClick();
    main->waitUntilIdle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "导出标准文件夹信息:" + dm->StandardDir + "/ 到信息文件:" + file + " 成功");
    EXPECT_NE(dir.read("export.dat").find("BEGIN\r\n"), std::string::npos);
    EXPECT_FALSE(main->btnAbort->isEnabled());
}

TEST_F(ResultTree, WithTheEnglishFormsEverythingSpeaksEnglish)
{
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/i18n/dirmatch_en.qm")));
    QCoreApplication::installTranslator(&english);
    {
        TfrmMain window(*dm);
        window.show();  // the first menu reads "Main": English
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Directory Analyzing and Synchronizing Tool"));
        chooseFolders();
        dir.file("A/only");
        window.RunComparison();
        window.waitUntilIdle();
        EXPECT_EQ(window.panels[0]->fullText(), QStringLiteral("Comparison finished"));
        EXPECT_EQ(window.panels[3]->fullText(), QStringLiteral("L:1 | D:0 | M:0"));
        window.TreeViewResult->setCurrentItem(window.TreeViewResult->topLevelItem(0)->child(0));
        EXPECT_EQ(window.sg->item(1, 0)->text(), QStringLiteral("File Name"));
        const QTableWidgetItem* longest = window.sg->item(4, 0);
        EXPECT_GT(window.sg->columnWidth(0), window.sg->fontMetrics().horizontalAdvance(longest->text()))
            << longest->text().toStdString();
        EXPECT_EQ(dm->ReportLines[0], "Directory A and B are NOT identical. ");
    }
    QCoreApplication::removeTranslator(&english);
}

TEST_F(ResultTree, TheFilterBoxAndMarkSwitchesChangeWhatIsShownNotTheCounts)
{
    chooseFolders();
    dir.lay({{"A/sub/keep.txt"}, {"A/sub/other.txt"}, {"B/sub/"}, {"A/same", "1"}, {"B/same", "1"}, {"B/extra"}});
    main->RunComparison();
    main->waitUntilIdle();
    const std::string counts = panel(3);
    EXPECT_EQ(texts(header()), (QStringList{"extra", "sub    ---    2"}));  // only differences, at the start

    main->edtFilter->setText(QStringLiteral("KEEP"));
    EXPECT_EQ(texts(header()), (QStringList{"sub    ---    1"}));  // the folder stays for its match
    EXPECT_EQ(texts(node(header(), "sub")), (QStringList{"keep.txt"}));
    main->edtFilter->clear();
    main->btnMarks[3]->setChecked(true);  // identical items too
    EXPECT_EQ(texts(header()), (QStringList{"extra", "same", "sub    ---    2"}));
    main->btnMarks[1]->setChecked(false);  // no redundant ones
    EXPECT_EQ(texts(header()), (QStringList{"same", "sub    ---    2"}));
    EXPECT_EQ(panel(3), counts);

    // A switch changes what is shown, not what was open.
    QTreeWidgetItem* sub = node(header(), "sub");
    sub->setExpanded(true);
    main->fillPending(sub);
    select(sub->child(0));
    main->btnMarks[1]->setChecked(true);
    EXPECT_TRUE(node(header(), "sub")->isExpanded());
    EXPECT_EQ(main->TreeViewResult->currentItem()->text(0), QStringLiteral("keep.txt"));
    EXPECT_NE(main->btnMarks[1]->icon().pixmap(16, QIcon::Normal, QIcon::On).toImage(),
              main->btnMarks[1]->icon().pixmap(16, QIcon::Normal, QIcon::Off).toImage())
        << "on and off look alike";
}

TEST_F(ResultTree, F8AndShiftF8StepThroughTheDifferencesAndErrorsEvenInsideFoldedFolders)
{
    chooseFolders();
    dir.lay({{"A/a", "1"},
             {"B/a", "1"},
             {"A/b/inner", "new"},
             {"B/b/inner", "old!"},
             {"A/b/same", "1"},
             {"B/b/same", "1"},
             {"A/c", "lacked"},
             {"A/e/x", "1"},
             {"B/e/x", "1"},
             {"B/d", "mine"}});
    // A folder of B that cannot be read, skipped: an error item, which F8 stops on too.
    platform::testSeams().failListing = [this](const std::string& folder) {
        return folder == dir / "B/e/" ? EACCES : 0;
    };
    uiHooks().askSkipFolder = [](const QString&, const QString&) { return SkipAnswer::Skip; };
    dm->OnlyDiff = false;  // identical items shown, and passed over
    main->RunComparison();
    main->waitUntilIdle();
    main->TreeViewResult->collapseAll();
    select(header());
    // As the keys do: the View menu's actions with F8 and Shift+F8.
    const auto press = [&](const QKeySequence& key) {
        for (QAction* action : main->N3->actions())
            if (action->shortcut() == key) action->trigger();
    };
    const auto next = [&](bool forward) {
        press(forward ? QKeySequence(Qt::Key_F8) : QKeySequence(Qt::SHIFT | Qt::Key_F8));
    };
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        next(true);
        visited << main->TreeViewResult->currentItem()->text(0);
    }
    EXPECT_EQ(visited, (QStringList{"inner", "c", "d", "e"}));
    next(true);
    EXPECT_EQ(main->TreeViewResult->currentItem()->text(0), QStringLiteral("e"));  // the last stays at the last
    next(false);
    next(false);
    EXPECT_EQ(main->TreeViewResult->currentItem()->text(0), QStringLiteral("c"));
    next(false);
    EXPECT_EQ(main->TreeViewResult->currentItem()->text(0), QStringLiteral("inner"));
    EXPECT_TRUE(main->TreeViewResult->currentItem()->parent()->isExpanded());
}

TEST_F(ResultTree, OptionalColumnsAreOffUntilChosenAndSayWhyAPairDiffers)
{
    chooseFolders();
    dir.lay({{"A/f", "12", test::kTime + 60}, {"B/f", "1"}});
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_TRUE(main->TreeViewResult->isHeaderHidden());
    QTreeWidgetItem* f = node(header(), "f");
    EXPECT_EQ(f->toolTip(0), QStringLiteral("f  (大小、时间)"));
    main->actColumns[4]->setChecked(true);
    EXPECT_FALSE(main->TreeViewResult->isHeaderHidden());
    EXPECT_FALSE(main->TreeViewResult->isColumnHidden(5));
    EXPECT_EQ(f->text(5), QStringLiteral("大小、时间"));
    EXPECT_EQ(f->text(1), QStringLiteral("2"));
    EXPECT_EQ(f->text(4), QStringLiteral("2004-11-09  19:33:20.000"));  // padded, in local time (TZ=CST-8)
    select(f);
    main->actCopyPathB->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), dir / "B/f");
    main->close();
    main.reset();
    dm.reset();  // saved at exit
    TDM again(dir / "prog/dirmatch-gui");
    EXPECT_EQ(again.ViewColumns, 1 << 4);
    EXPECT_FALSE(again.WindowGeometry.empty());
}

TEST_F(ResultTree, UnreadableFoldersAreAskedAboutOnceWithSkipAllAndBecomeErrorItemsNothingIsCopiedInto)
{
    chooseFolders();
    dir.file("A/fine/new", "a");
    dir.file("A/locked/inside", "a");
    dir.file("B/locked/old", "b");
    dir.file("A/alsoLocked/inside", "a");
    platform::testSeams().failListing = [this](const std::string& folder) {
        return folder == dir / "A/locked/" || folder == dir / "A/alsoLocked/" ? EACCES : 0;
    };
    std::vector<std::string> asked;
    SkipAnswer answer = SkipAnswer::Stop;
    uiHooks().askSkipFolder = [&](const QString& folder, const QString&) {
        asked.push_back(folder.toStdString());
        return answer;
    };
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(main->TreeViewResult->topLevelItemCount(), 0);  // stopped: no result

    asked.clear();
    answer = SkipAnswer::SkipAll;
    main->RunComparison();
    main->waitUntilIdle();
    EXPECT_EQ(asked.size(), 1u);  // the second folder is skipped without asking
    QTreeWidgetItem* locked = node(header(), "locked");
    EXPECT_EQ(stateOf(locked), StateError);
    EXPECT_EQ(stateOf(node(header(), "alsoLocked")), StateError);
    EXPECT_EQ(locked->toolTip(0).toStdString(), "locked  (无法读取 (A): " + platform::systemMessage(EACCES) + ")");
    EXPECT_NE(std::find(dm->ReportLines.begin(), dm->ReportLines.end(), "无法读取而略过的文件夹:"),
              dm->ReportLines.end());

    main->btnSynAllClick();
    main->waitUntilIdle();
    EXPECT_EQ(dir.read("B/fine/new"), "a");
    EXPECT_EQ(test::entriesIn(dir / "B/locked"), 1u);
    EXPECT_FALSE(platform::itemExists(dir / "B/alsoLocked"));
}

}  // namespace
}  // namespace dm::ui
