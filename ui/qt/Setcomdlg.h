// The filter dialog: the compare list on the left, the exclude list on the
// right, each one entry per line; both can be saved to and opened from a file.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dm {
class TDM;
}

namespace dm::ui {

class TdlgSetCom : public QDialog {
    Q_OBJECT
public:
    TdlgSetCom(TDM& dm, QWidget* parent = nullptr);

    void FormShow();
    void btnOkClick();
    void btnCancelClick();
    void btnOpenClick();
    void btnSaveClick();

    QLabel* Label17;
    QLabel* Label18;
    QPlainTextEdit* memoDoCompare;
    QPlainTextEdit* memoNotCompare;
    QPlainTextEdit* FlatMemo1;
    QPushButton* btnSave;
    QPushButton* btnOpen;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TDM& dm_;
};

}  // namespace dm::ui
