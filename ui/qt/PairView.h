// The two files of a pair side by side: a text's lines with what changed
// marked, or a binary file's bytes around where they differ.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/compare/PairDiff.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;

namespace dm {
struct result_t;
class dirCompare;
}  // namespace dm

namespace dm::ui {

class DiffRowsModel;
class DiffOverview;

class TdlgPairView : public QDialog {
public:
    explicit TdlgPairView(QWidget* parent = nullptr);

    // Shows the pair; false, with the reason in `why`, where it cannot be
    // read here (a side on another machine, an unreadable file, a refusal
    // to read a very large one).
    bool showPair(const dirCompare& comp, const result_t& item, std::string& why);

    // Moves to the next (or previous) difference: a block of lines, or the
    // next 16 bytes that differ.
    void goToDifference(bool forward);

    // Asked to copy A over B for this pair; set by the window that owns it.
    std::function<void()> copyAOverB;

    QLabel* lbFiles;
    QLabel* lbCount;
    QComboBox* cmbEncoding;  // automatic, or the encoding both files are read in
    QPushButton* btnPrevious;
    QPushButton* btnNext;
    QPushButton* btnCopy;
    QPushButton* btnClose;
    QStackedWidget* pages;
    QTableView* table;
    QPlainTextEdit* hexA;
    QPlainTextEdit* hexB;
    QLabel* lbReading;
    QProgressBar* progress;
    QPushButton* btnCancelReading;

    // Whether a large pair is still being read.
    bool isReading() const { return loading_ != nullptr; }

private:
    struct Loading;
    void cancelReading();
    // Reads the pair shown (in `codePage_`) and shows it: at once, or with
    // progress on a thread of its own where it is large.
    bool readShownPair(std::string& why);
    void present(PairContent content);
    void showText(PairContent& content);
    void showBytes(const ByteDifference& first);
    void showBytesAround(uint64_t at, bool differs);
    void selectBlock(size_t block);

    DiffRowsModel* model_;
    DiffOverview* overview_;
    TextDiff diff_;
    size_t block_ = 0;
    std::string pathA_;
    std::string pathB_;
    uint64_t sizes_ = 0;                // the two files' sizes together
    unsigned codePage_ = 0;             // 0: each file in the encoding it fits
    uint64_t byteAt_ = 0;               // the binary view's offset of the difference shown
    std::vector<uint64_t> bytesSeen_;   // the offsets shown before, for going back
    std::shared_ptr<Loading> loading_;  // the reading under way, if any
    bool canCopy_ = false;
    bool copyWithoutAsking_ = false;  // for the rest of the session
};

}  // namespace dm::ui
