#include "ui/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
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

QString chooseFolder(QWidget* parent, const QString& title, const QString& start)
{
    if (uiHooks().chooseFolder) return uiHooks().chooseFolder(title, start);
    return QFileDialog::getExistingDirectory(parent, title, start);
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
