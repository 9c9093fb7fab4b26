#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeWidget>

#include "tests/ui/UiFixture.h"
#include "ui/PairView.h"

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
};

TEST_F(PairView, ATextPairShowsItsLinesSideBySideWithTheCountOfDifferencesAndItsEncoding)
{
    dir.lay({{"A/t.txt", "one\ntwo\nthree\n", test::kTime + 60}, {"B/t.txt", "one\nTWO\nthree\nfour\n"}});
    openWithEnter("t.txt");
    EXPECT_EQ(page, 0);
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(count, "2 处不同    A: UTF-8, LF    B: UTF-8, LF");
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

}  // namespace
}  // namespace dm::ui
