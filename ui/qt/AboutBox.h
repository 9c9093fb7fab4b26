// The about box: the tool's name and the version of the program file.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace dm::ui {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(QWidget* owner, const QString& productName, const QString& versionText);

    QLabel* ProgramIcon;
    QLabel* Image1;
    QLabel* lbProductName;
    QLabel* lbVersion;
    QLabel* Label1;
    QLabel* lbNotice;
    QPushButton* OKButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace dm::ui
