#include "ui/qt/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "common/Messages.h"

namespace dm::ui {

UiHooks& uiHooks()
{
    static UiHooks hooks;
    return hooks;
}

int execModal(QDialog& dialog)
{
    if (uiHooks().execModal) return uiHooks().execModal(dialog);
    return dialog.exec();
}

void messageBox(QWidget* parent, const QString& text)
{
    if (uiHooks().message) return uiHooks().message(text);
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(messageText(msg::ProductName)), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

bool askYesNo(QWidget* parent, const QString& text, const QString& caption)
{
    if (uiHooks().askYesNo) return uiHooks().askYesNo(text, caption);
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

bool askYesNo(QWidget* parent, const QString& text, const QString& caption, bool& dontAskAgain)
{
    if (uiHooks().askYesNo) return uiHooks().askYesNo(text, caption);
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    auto* again = new QCheckBox(QString::fromStdString(textIn("不再询问", "Don't ask again")), &box);
    box.setCheckBox(again);
    const bool yes = box.exec() == QMessageBox::Yes;
    dontAskAgain = yes && again->isChecked();
    return yes;
}

SkipAnswer askSkipFolder(QWidget* parent, const QString& folder, const QString& reason)
{
    if (uiHooks().askSkipFolder) return uiHooks().askSkipFolder(folder, reason);
    const auto t = [](const char* zh, const char* en) { return QString::fromStdString(textIn(zh, en)); };
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(messageText(msg::ProductName)),
                    t("无法读取文件夹 ", "Folder ") + folder + t(": ", " cannot be read: ") + reason,
                    QMessageBox::NoButton, parent);
    box.setInformativeText(t("跳过的文件夹标为错误项, 同步时不会写入其中。",
                             "A skipped folder is marked as an error and nothing is copied into or from it."));
    QPushButton* skip = box.addButton(t("跳过", "Skip"), QMessageBox::AcceptRole);
    QPushButton* skipAll = box.addButton(t("全部跳过", "Skip all"), QMessageBox::AcceptRole);
    QPushButton* stop = box.addButton(t("停止", "Stop"), QMessageBox::RejectRole);
    box.setDefaultButton(skip);
    box.setEscapeButton(stop);
    box.exec();
    if (box.clickedButton() == skip) return SkipAnswer::Skip;
    if (box.clickedButton() == skipAll) return SkipAnswer::SkipAll;
    return SkipAnswer::Stop;
}

QString askText(QWidget* parent, const QString& caption, const QString& label)
{
    if (uiHooks().askText) return uiHooks().askText(label);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, QString(), &ok);
    return ok ? text.trimmed() : QString();
}

namespace {

// Qt's own file dialog names a folder's type and writes dates in the system's
// language, whatever the program's: the list speaks the program's language
// and shows times as the details do.
class ListInOurLanguage : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        constexpr int kTypeColumn = 2;
        constexpr int kDateColumn = 3;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role == Qt::DisplayRole && files && (index.column() == kTypeColumn || index.column() == kDateColumn)) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == kDateColumn)
                return files->lastModified(source).toLocalTime().toString(QStringLiteral("yyyy-MM-dd  HH:mm"));
            if (files->isDir(source)) return QString::fromStdString(textIn("文件夹", "Folder"));
        }
        return QIdentityProxyModel::data(index, role);
    }
};

void speakOurLanguage(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setProxyModel(new ListInOurLanguage(&dialog));
}

}  // namespace

QString chooseFolder(QWidget* parent, const QString& title, const QString& start)
{
    if (uiHooks().chooseFolder) return uiHooks().chooseFolder(title, start);
    QFileDialog dialog(parent, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    speakOurLanguage(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString chooseFile(QWidget* parent, const QString& folder, const QString& file, const QString& defaultSuffix, bool save)
{
    if (uiHooks().chooseFile) return uiHooks().chooseFile(folder, file, save);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDirectory(folder);
    if (!file.isEmpty()) dialog.selectFile(file);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    speakOurLanguage(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void openWithShell(const QString& target)
{
    if (uiHooks().openWithShell) return uiHooks().openWithShell(target);
    const QUrl url = target.contains(QStringLiteral("://")) || target.startsWith(QStringLiteral("mailto:"))
                         ? QUrl(target)
                         : QUrl::fromLocalFile(target);
    // Without a desktop to hand it to, nothing would happen: say so, and where it is.
    if (!QDesktopServices::openUrl(url))
        messageBox(nullptr,
                   QString::fromStdString(textIn("没有可以打开它的程序: ", "No program here can open it: ")) + target);
}

}  // namespace dm::ui
