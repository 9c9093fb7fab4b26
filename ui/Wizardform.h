// The comparison wizard: folder A, folder B, then the rules, in three steps.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dm {
class TDM;
}

namespace dm::ui {

class TdlgSetCom;

class TfrmWizard : public QDialog {
    Q_OBJECT
public:
    TfrmWizard(TDM& dm, TdlgSetCom& filterDialog, QWidget* parent = nullptr);

    void FormShow();
    void btnNextClick();
    void btnStep2Click();
    void btnDirAClick();
    void Button6Click();
    void cbStartupShowClick();
    void btnItemSelClick();
    void bbtnStartClick();
    // A folder picked in the browser, or "" when none was.
    QString BrowseFolder(const QString& start);

    QWidget* Panel1;
    QWidget* Panel2;
    QWidget* Panel3;
    QLineEdit* edtDirA;
    QPushButton* btnDirA;
    QPushButton* btnNext;
    QPushButton* btnCancel;
    QCheckBox* cbStartupShow;
    QLineEdit* edtDirB;
    QPushButton* Button6;
    QPushButton* btnStep2;
    QPushButton* bbtnCancel;
    QCheckBox* cbVer;
    QCheckBox* cbMT;
    QCheckBox* cbSubDir;
    QCheckBox* cbSize;
    QPushButton* btnItemSel;
    QCheckBox* cbOnlyDiff;
    QPushButton* bbtnStart;
    QPushButton* BitBtn2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void browseInto(QLineEdit& edit, std::string& folder);

    TDM& dm_;
    TdlgSetCom& filterDialog_;
};

}  // namespace dm::ui
