#include "ui/qt/Wizardform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <tuple>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/Comp.h"
#include "platform/Listing.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"
#include "ui/qt/Setcomdlg.h"

namespace dm::ui {

namespace {

QWidget* panel(QWidget* parent)
{
    auto* p = new QWidget(parent);
    p->setGeometry(0, 0, 441, 138);
    return p;
}

QCheckBox* checkBox(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    auto* c = new QCheckBox(text, parent);
    c->setGeometry(x, y, w, h);
    return c;
}

QLabel* stepTitle(QWidget* parent, const QString& text)
{
    QLabel* l = label(parent, text, 24, 16, 300, 14);
    l->setFont(formFont(12, true));
    return l;
}

}  // namespace

TfrmWizard::TfrmWizard(TDM& dm, TdlgSetCom& filterDialog, QWidget* parent)
    : QDialog(parent), dm_(dm), presenter_(dm), filterDialog_(filterDialog)
{
    setWindowTitle(tr("文件夹比较向导"));
    setFont(formFont(12));
    setFixedSize(441, 138);

    Panel1 = panel(this);
    stepTitle(Panel1, tr("第一步，请选择标准文件夹 A"));
    label(Panel1, tr("选择用于比较的第一个文件夹，作为比较的标准；"), 40, 40, 385, 21);
    edtDirA = folderBox(Panel1);
    btnDirA = button(Panel1, QStringLiteral("..."), 400, 64, 25, 22);
    btnNext = button(Panel1, tr("下一步"), 272, 104, 75, 25);
    btnCancel = button(Panel1, tr("取消"), 352, 104, 75, 25);
    cbStartupShow = checkBox(Panel1, tr("运行时显示"), 24, 112, 177, 17);
    cbStartupShow->setVisible(false);

    Panel2 = panel(this);
    stepTitle(Panel2, tr("第二步，请选择待比较文件夹 B"));
    label(Panel2, tr("选择用于比较的第二个文件夹，与第一步选择的标准文件夹进行比较。"), 40, 40, 385, 21);
    edtDirB = folderBox(Panel2);
    Button6 = button(Panel2, QStringLiteral("..."), 400, 64, 25, 22);
    btnStep2 = button(Panel2, tr("下一步"), 272, 104, 75, 25);
    btnSwap = button(Panel2, tr("交换 A 与 B"), 24, 104, 110, 25);
    bbtnCancel = button(Panel2, tr("取消"), 352, 104, 75, 25);

    Panel3 = panel(this);
    stepTitle(Panel3, tr("第三步，请选择比较选项"));
    cbVer = checkBox(Panel3, tr("版本比较"), 40, 49, 121, 17);
    cbMT = checkBox(Panel3, tr("修改时间比较"), 168, 49, 121, 17);
    cbSubDir = checkBox(Panel3, tr("包含子文件夹"), 40, 73, 121, 17);
    cbSize = checkBox(Panel3, tr("文件大小比较"), 168, 73, 121, 17);
    cbContent = checkBox(Panel3, tr("比较文件内容"), 296, 73, 135, 17);
    btnItemSel = flatButton(Panel3, tr("高级"), 344, 48, 81, 25);
    cbOnlyDiff = checkBox(Panel3, tr("只显示不同"), 24, 105, 121, 17);
    bbtnStart = button(Panel3, tr("开始比较"), 272, 104, 75, 25);
    BitBtn2 = button(Panel3, tr("取消"), 352, 104, 75, 25);

    connect(btnNext, &QPushButton::clicked, this, &TfrmWizard::btnNextClick);
    connect(btnStep2, &QPushButton::clicked, this, &TfrmWizard::btnStep2Click);
    connect(btnDirA, &QPushButton::clicked, this, &TfrmWizard::btnDirAClick);
    connect(Button6, &QPushButton::clicked, this, &TfrmWizard::Button6Click);
    connect(cbStartupShow, &QCheckBox::clicked, this, &TfrmWizard::cbStartupShowClick);
    connect(btnItemSel, &QPushButton::clicked, this, &TfrmWizard::btnItemSelClick);
    connect(bbtnStart, &QPushButton::clicked, this, &TfrmWizard::bbtnStartClick);
    for (QPushButton* cancel : {btnCancel, bbtnCancel, BitBtn2})
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSwap, &QPushButton::clicked, this, &TfrmWizard::btnSwapClick);
    // Enter in a folder box moves on; no button takes Enter for itself.
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    connect(edtDirA->lineEdit(), &QLineEdit::returnPressed, this, &TfrmWizard::btnNextClick);
    connect(edtDirB->lineEdit(), &QLineEdit::returnPressed, this, &TfrmWizard::btnStep2Click);
    for (QComboBox* box : {edtDirA, edtDirB}) box->lineEdit()->installEventFilter(this);
}

QComboBox* TfrmWizard::folderBox(QWidget* panel)
{
    auto* box = new QComboBox(panel);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setGeometry(24, 64, 369, 23);
    box->lineEdit()->setAcceptDrops(true);
    return box;
}

bool TfrmWizard::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = watched == edtDirA->lineEdit() ? edtDirA : watched == edtDirB->lineEdit() ? edtDirB : nullptr;
    if (box && (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString folder = droppedFolder(drop->mimeData());
        if (folder.isEmpty()) return false;
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop) box->setEditText(folder);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmWizard::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmWizard::FormShow()
{
    Panel1->setVisible(startStep_ == 1);
    Panel2->setVisible(startStep_ == 2);
    Panel3->setVisible(startStep_ == 3);
    startStep_ = 1;
    for (const auto& [box, history, folder] :
         {std::tuple{edtDirA, &dm_.HistoryA, &dm_.StandardDir}, std::tuple{edtDirB, &dm_.HistoryB, &dm_.LocalDir}}) {
        box->clear();
        for (const std::string& used : *history) box->addItem(qs(used));
        box->setEditText(qs(*folder));
    }
    cbStartupShow->setChecked(dm_.ShowWizard);
    const WizardPresenter::Choices choices = presenter_.choices();
    cbSize->setChecked(choices.size);
    cbMT->setChecked(choices.time);
    cbVer->setChecked(choices.version);
    cbSubDir->setChecked(choices.subFolders);
    cbContent->setChecked(choices.content);
    cbOnlyDiff->setChecked(choices.onlyDiff);
}

void TfrmWizard::btnNextClick()
{
    if (!taken(presenter_.takeA(edtDirA->currentText().toStdString()))) return;
    Panel1->setVisible(false);
    Panel3->setVisible(false);
    Panel2->setVisible(true);
    // Typing goes on in the step that is shown, never in the hidden A box.
    edtDirB->setFocus();
}

void TfrmWizard::btnStep2Click()
{
    if (!taken(presenter_.takeB(edtDirB->currentText().toStdString()))) return;
    Panel1->setVisible(false);
    Panel2->setVisible(false);
    Panel3->setVisible(true);
    bbtnStart->setFocus();
}

void TfrmWizard::btnDirAClick()
{
    browseInto(*edtDirA, dm_.StandardDir);
}

void TfrmWizard::Button6Click()
{
    browseInto(*edtDirB, dm_.LocalDir);
}

void TfrmWizard::browseInto(QComboBox& box, std::string& folder)
{
    // A folder picked in the browser is kept at once, even if the wizard is then cancelled.
    const QString chosen = BrowseFolder(box.currentText());
    if (chosen.isEmpty()) return;
    box.setEditText(chosen);
    folder = chosen.toStdString();
}

bool TfrmWizard::taken(const std::string& why)
{
    if (!why.empty()) messageBox(this, qs(why));
    return why.empty();
}

void TfrmWizard::btnSwapClick()
{
    const QString a = edtDirA->currentText();
    edtDirA->setEditText(edtDirB->currentText());
    edtDirB->setEditText(a);
    presenter_.swap();
}

void TfrmWizard::cbStartupShowClick()
{
    dm_.ShowWizard = cbStartupShow->isChecked();
}

void TfrmWizard::btnItemSelClick()
{
    execModal(filterDialog_);
}

void TfrmWizard::bbtnStartClick()
{
    presenter_.start({cbSize->isChecked(), cbMT->isChecked(), cbVer->isChecked(), cbSubDir->isChecked(),
                      cbContent->isChecked(), cbOnlyDiff->isChecked()});
    accept();
}

QString TfrmWizard::BrowseFolder(const QString& start)
{
    const bool startIsFolder = start.toUtf8().size() < 260 && platform::folderExists(start.toStdString());
    const QString chosen = chooseFolder(this, qs(messageText(msg::SelectDirectory)), startIsFolder ? start : QString());
    if (chosen.isEmpty() || !platform::folderExists(chosen.toStdString())) return {};
    return chosen;
}

}  // namespace dm::ui
