// The comparison wizard: folder A, folder B, then the rules, in three steps.
#pragma once

#include <QDialog>
#include <string>

#include "ui/presenter/WizardPresenter.h"

class QCheckBox;
class QComboBox;
class QLabel;
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
    void btnSwapClick();
    // The next showing opens on this step (1 to 3) instead of the first.
    void startAt(int step) { startStep_ = step; }
    // A folder picked in the browser, or "" when none was.
    QString BrowseFolder(const QString& start);

    QWidget* Panel1;
    QWidget* Panel2;
    QWidget* Panel3;
    // Editable, with the folders last used for the side; what they show is compared.
    QComboBox* edtDirA;
    QPushButton* btnDirA;
    QPushButton* btnNext;
    QPushButton* btnCancel;
    QCheckBox* cbStartupShow;
    QComboBox* edtDirB;
    QPushButton* btnSwap;
    QPushButton* Button6;
    QPushButton* btnStep2;
    QPushButton* bbtnCancel;
    QCheckBox* cbVer;
    QCheckBox* cbMT;
    QCheckBox* cbSubDir;
    QCheckBox* cbContent;
    QCheckBox* cbSize;
    QPushButton* btnItemSel;
    QCheckBox* cbOnlyDiff;
    QPushButton* bbtnStart;
    QPushButton* BitBtn2;

protected:
    void showEvent(QShowEvent* event) override;
    // Folders dropped from a file manager onto a folder box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QComboBox* folderBox(QWidget* panel);
    void browseInto(QComboBox& box, std::string& folder);
    // False (with a message) where the folder was not taken, so that the
    // wizard stays on the page.
    bool taken(const std::string& why);

    TDM& dm_;
    WizardPresenter presenter_;
    TdlgSetCom& filterDialog_;
    int startStep_ = 1;
};

}  // namespace dm::ui
