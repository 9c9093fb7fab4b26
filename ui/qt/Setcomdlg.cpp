#include "ui/qt/Setcomdlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "config/Dmodule.h"
#include "config/FilterFile.h"
#include "platform/ProgramPaths.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

TdlgSetCom::TdlgSetCom(TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm)
{
    setWindowTitle(tr("设置比较项"));
    setFont(formFont(12));
    setFixedSize(403, 295);
    Label17 = label(this, tr("需要比较的项"), 16, 16, 185, 14);
    Label18 = label(this, tr("不要比较的项"), 208, 16, 185, 14);
    memoDoCompare = memo(this, 16, 32, 185, 169);
    memoNotCompare = memo(this, 208, 32, 185, 169);
    FlatMemo1 = memo(this, 16, 208, 377, 49);
    FlatMemo1->setReadOnly(true);
    FlatMemo1->setPlainText(tr("文件名包含左栏中任一字符串，并且不包含右栏中任一字符串的文件") + "\n" +
                            tr("，会进行比较，否则将不进行比较。在同步时也不更新该项。"));
    FlatMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FlatMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    btnSave = flatButton(this, tr("保存"), 16, 264, 49, 25);
    btnOpen = flatButton(this, tr("打开"), 72, 264, 49, 25);
    btnOk = flatButton(this, tr("确定"), 240, 264, 73, 25);
    btnCancel = flatButton(this, tr("取消"), 320, 264, 73, 25);
    connect(btnSave, &QPushButton::clicked, this, &TdlgSetCom::btnSaveClick);
    connect(btnOpen, &QPushButton::clicked, this, &TdlgSetCom::btnOpenClick);
    connect(btnOk, &QPushButton::clicked, this, &TdlgSetCom::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TdlgSetCom::btnCancelClick);
}

void TdlgSetCom::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TdlgSetCom::FormShow()
{
    memoDoCompare->setPlainText(qs(memoText(dm_.DoCompareList)));
    memoNotCompare->setPlainText(qs(memoText(dm_.NotUpdateList)));
}

void TdlgSetCom::btnOkClick()
{
    setFilters(dm_, memoLines(memoDoCompare->toPlainText().toStdString()),
               memoLines(memoNotCompare->toPlainText().toStdString()));
    accept();
}

void TdlgSetCom::btnCancelClick()
{
    reject();
}

void TdlgSetCom::btnOpenClick()
{
    const QString file = chooseFile(this, qs(dm_.FilterFolder), QString(), QStringLiteral("dat"), false);
    if (file.isEmpty()) return;
    dm_.FilterFolder = platform::folderOf(file.toStdString());
    StringList compare;
    StringList exclude;
    loadFilterFile(file.toStdString(), compare, exclude);
    memoDoCompare->setPlainText(qs(memoText(compare)));
    memoNotCompare->setPlainText(qs(memoText(exclude)));
}

void TdlgSetCom::btnSaveClick()
{
    const QString file = chooseFile(this, qs(dm_.FilterFolder), QString(), QStringLiteral("dat"), true);
    if (file.isEmpty()) return;
    dm_.FilterFolder = platform::folderOf(file.toStdString());
    std::string error;
    if (!saveFilterFile(file.toStdString(), memoLines(memoDoCompare->toPlainText().toStdString()),
                        memoLines(memoNotCompare->toPlainText().toStdString()), error))
        messageBox(this, QString::fromStdString(error));
}

}  // namespace dm::ui
