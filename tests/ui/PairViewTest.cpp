#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "platform/Listing.h"
#include "tests/ui/UiFixture.h"
#include "ui/qt/PairView.h"

namespace dm::ui {
namespace {

class PairView : public UiTest {
protected:
    // Compares, selects the top-level item of that name and presses Enter on
    // it; the view is looked at while it is shown.
    void openWithEnter(const QString& name)
    {
        chooseFolders();
        main->RunComparison();
        main->waitUntilIdle();
        QTreeWidgetItem* header = main->TreeViewResult->topLevelItem(0);
        for (int i = 0; i < header->childCount(); ++i)
            if (header->child(i)->text(0) == name) main->TreeViewResult->setCurrentItem(header->child(i));
        onModal = [this](QDialog& d) {
            if (auto* view = dynamic_cast<TdlgPairView*>(&d)) {
                count = view->lbCount->text().toStdString();
                page = view->pages->currentIndex();
                rows = view->table->model()->rowCount();
                hexA = view->hexA->toPlainText().toStdString();
                if (whileShown) whileShown(*view);
                if (pressCopy) view->btnCopy->click();
            }
            return int(QDialog::Accepted);
        };
        emit main->TreeViewResult->itemActivated(main->TreeViewResult->currentItem(), 0);
        main->waitUntilIdle();
    }

    std::string count;
    int page = -1;
    int rows = 0;
    std::string hexA;
    bool pressCopy = false;
    std::function<void(TdlgPairView&)> whileShown;
};

TEST_F(PairView, ATextPairShowsItsLinesSideBySideWithTheCountOfDifferencesAndItsEncoding)
{
    dir.lay({{"A/t.txt", "one\ntwo\nthree\n", test::kTime + 60}, {"B/t.txt", "one\nTWO\nthree\nfour\n"}});
    openWithEnter("t.txt");
    EXPECT_EQ(page, 0);
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(count, "2 处不同    A: UTF-8, LF    B: UTF-8, LF");
}

TEST_F(PairView, ALatin1PairIsShownAsTextAndCanBeReadAgainInAnotherEncoding)
{
    dir.lay({{"A/t.txt", "caf\xe9\n", test::kTime + 60}, {"B/t.txt", "cafe\n"}});
    QString line;
    std::string asUtf8;
    int asUtf8Page = -1;
    whileShown = [&](TdlgPairView& view) {
        line = view.table->model()->index(0, 1).data().toString();
        view.cmbEncoding->setCurrentIndex(view.cmbEncoding->findText(QStringLiteral("UTF-8")));
        emit view.cmbEncoding->activated(view.cmbEncoding->currentIndex());
        asUtf8 = view.lbCount->text().toStdString();
        asUtf8Page = view.pages->currentIndex();
    };
    openWithEnter("t.txt");
    EXPECT_EQ(page, 0);
    EXPECT_EQ(count, "1 处不同    A: Windows-1252, LF    B: UTF-8, LF");
    EXPECT_EQ(line, QStringLiteral("caf\u00e9"));
    EXPECT_EQ(asUtf8Page, 1) << "not UTF-8: shown as bytes " << asUtf8;
}

TEST_F(PairView, F8StopsAtTheLastDifferenceAndShiftF8AtTheFirst)
{
    std::string a;
    std::string b;
    for (int i = 1; i <= 20; ++i) {
        a += std::to_string(i) + "\n";
        b += (i == 3 || i == 10 || i == 17 ? "x" : "") + std::to_string(i) + "\n";
    }
    dir.lay({{"A/t.txt", a, test::kTime + 60}, {"B/t.txt", b}});
    std::vector<int> stops;
    whileShown = [&](TdlgPairView& view) {
        const auto selected = [&] { return view.table->selectionModel()->selectedRows().value(0).row(); };
        for (int i = 0; i < 4; ++i) view.goToDifference(true);
        stops.push_back(selected());
        for (int i = 0; i < 4; ++i) view.goToDifference(false);
        stops.push_back(selected());
    };
    openWithEnter("t.txt");
    EXPECT_EQ(stops, (std::vector<int>{16, 2}));
}

TEST_F(PairView, ALongPairShowsItsLastLineNumberWholeAndALongLineInItsTooltip)
{
    std::string text;
    for (int i = 1; i <= 150001; ++i) text += std::to_string(i) + "\n";
    std::string wide(300, 'w');
    wide += "END";
    dir.lay({{"A/t.txt", text + wide + "\n", test::kTime + 60}, {"B/t.txt", text + wide + "!\n"}});
    int numberWidth = 0;
    QString tip;
    whileShown = [&](TdlgPairView& view) {
        numberWidth = view.table->columnWidth(0);
        const QAbstractItemModel& model = *view.table->model();
        tip = model.data(model.index(model.rowCount() - 1, 1), Qt::ToolTipRole).toString();
    };
    openWithEnter("t.txt");
    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    EXPECT_GT(numberWidth, metrics.horizontalAdvance(QStringLiteral("150002")));
    EXPECT_TRUE(tip.endsWith(QStringLiteral("END"))) << tip.size();
}

TEST_F(PairView, ABinaryPairShowsTheFirstDifferentByteInHex)
{
    std::string bytes(5000, '\0');
    dir.lay({{"A/b.bin", bytes, test::kTime + 60}});
    bytes[4097] = 'x';
    dir.lay({{"B/b.bin", bytes}});
    openWithEnter("b.bin");
    EXPECT_EQ(page, 1);
    EXPECT_EQ(count, "第一处不同在偏移 0x1001 (4097)");
    EXPECT_EQ(hexA.substr(0, 8), "00000fc0");  // from four rows before it
}

TEST_F(PairView, AFileOnOneSideShowsItsContentAndCanBeCopiedFromTheView)
{
    dir.lay({{"A/only.txt", "a\nb\n"}});
    pressCopy = true;
    openWithEnter("only.txt");
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(count, "1 处不同    A: UTF-8, LF");
    EXPECT_EQ(dir.read("B/only.txt"), "a\nb\n");
}

TEST_F(PairView, AFileOfBIsReplacedFromTheViewOnlyWhenTheUserAgrees)
{
    dir.lay({{"A/t.txt", "new", test::kTime + 60}, {"B/t.txt", "old"}});
    pressCopy = true;
    int asked = 0;
    for (const bool agree : {false, true}) {
        answerYes = agree;
        uiHooks().askYesNo = [&](const QString&, const QString&) { return ++asked, agree; };
        openWithEnter("t.txt");
        EXPECT_EQ(dir.read("B/t.txt"), agree ? "new" : "old");
    }
    EXPECT_EQ(asked, 2);
}

TEST_F(PairView, EnterOnAFileOpensItsPairAndOnAFolderShowsItsDetails)
{
    dir.lay({{"A/t.txt", "1", test::kTime + 60}, {"B/t.txt", "2"}, {"A/sub/x"}});
    chooseFolders();
    main->RunComparison();
    main->waitUntilIdle();
    QAction* enter = nullptr;
    for (QAction* action : main->TreeViewResult->actions())
        if (action->shortcuts().contains(QKeySequence(Qt::Key_Return))) enter = action;
    ASSERT_NE(enter, nullptr);
    QTreeWidgetItem* header = main->TreeViewResult->topLevelItem(0);
    for (const auto& [name, opens] : {std::pair{"t.txt", true}, std::pair{"sub", false}}) {
        shown.clear();
        for (int i = 0; i < header->childCount(); ++i)
            if (header->child(i)->text(0).startsWith(QString::fromUtf8(name)))
                main->TreeViewResult->setCurrentItem(header->child(i));
        enter->trigger();
        main->waitUntilIdle();
        EXPECT_EQ(shown.size(), opens ? 1u : 0u) << name;
    }
}

TEST_F(PairView, TheExternalToolGetsBothPathsInPlaceOfPercentAAndPercentB)
{
    const std::string out = dir / "tool-saw";
    dm->ExternalCompare = "sh -c 'printf \"%s|%s\" \"$0\" \"$1\" > " + out + "' %A %B";
    dir.lay({{"A/t.txt", "1", test::kTime + 60}, {"B/t.txt", "2"}});
    openWithEnter("t.txt");
    main->TreeMouseDown(Qt::LeftButton, {});
    ASSERT_TRUE(main->actExternalCompare->isVisible());
    main->actExternalCompare->trigger();
    // The tool runs on its own: its whole line is waited for.
    const std::string expected = dir / "A/t.txt" + "|" + dir / "B/t.txt";
    for (int i = 0; i < 500 && (!platform::itemExists(out) || dir.read("tool-saw") != expected); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(dir.read("tool-saw"), expected);
}

TEST_F(PairView, ALargePairIsReadWhileTheViewAnswersAndCanBeCancelledOrAwaited)
{
    // 200 MB of binary content differing near its end: found by the reading, not by the window.
    constexpr uint64_t kSize = 200u << 20;
    for (const char* side : {"A/big.bin", "B/big.bin"}) {
        const std::string path = dir.file(side, "");
        std::filesystem::resize_file(path, kSize);
    }
    {
        std::fstream b(dir / "B/big.bin", std::ios::in | std::ios::out | std::ios::binary);
        b.seekp(std::streamoff(kSize - 100));
        b.put('x');
    }
    test::setModified(dir / "A/big.bin", test::kTime + 60);
    std::string found;
    whileShown = [&](TdlgPairView& view) {
        EXPECT_TRUE(view.isReading());
        while (view.isReading()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        found = view.lbCount->text().toStdString();
    };
    openWithEnter("big.bin");
    EXPECT_EQ(found, "第一处不同在偏移 0xc7fff9c (209715100)");

    // A text pair past the size that asks first: agreed to, then cancelled while read.
    std::string line(99, 't');
    line += '\n';
    std::string text;
    for (int i = 0; i < 600000; ++i) text += line;
    dir.lay({{"A/big.txt", text, test::kTime + 60}, {"B/big.txt", text + "more\n"}});
    whileShown = [&](TdlgPairView& view) {
        EXPECT_TRUE(view.isReading());
        view.btnCancelReading->click();
        EXPECT_FALSE(view.isReading());
    };
    openWithEnter("big.txt");
    EXPECT_FALSE(main->pairView->isVisible());
}

}  // namespace
}  // namespace dm::ui
