// The report dialog: a headline with an icon, and on demand the whole report.
#pragma once

#include <QDialog>

#include "ui/presenter/Report.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dm {
class TDM;
class dirCompare;
}  // namespace dm

namespace dm::ui {

class TfrmResult : public QDialog {
    Q_OBJECT
public:
    TfrmResult(TDM& dm, QWidget* parent = nullptr);

    void FormShow();
    void btnDetailClick();

    bool expanded = false;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1;
    QPlainTextEdit* memoResult;
    QPushButton* btnOk;
    QPushButton* btnDetail;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TDM& dm_;
};

}  // namespace dm::ui
