// Every modal exchange with the user goes through here, so that tests can
// answer in the user's place (uiHooks()) while the program uses Qt's dialogs.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "ui/presenter/MainPresenter.h"

namespace dm::ui {

// What to do with a folder that cannot be read: skip it, skip it and every
// such folder of the run without asking again, or stop the run.
using dm::SkipAnswer;

struct UiHooks {
    std::function<int(QDialog&)> execModal;
    std::function<void(const QString& text)> message;
    std::function<bool(const QString& text, const QString& caption)> askYesNo;
    std::function<QString(const QString& title, const QString& start)> chooseFolder;
    std::function<QString(const QString& folder, const QString& file, bool save)> chooseFile;
    std::function<void(const QString& target)> openWithShell;
    std::function<SkipAnswer(const QString& folder, const QString& reason)> askSkipFolder;
    std::function<QString(const QString& label)> askText;
};

UiHooks& uiHooks();

int execModal(QDialog& dialog);
void messageBox(QWidget* parent, const QString& text);
bool askYesNo(QWidget* parent, const QString& text, const QString& caption);
// The same with "Don't ask again", whose tick goes to `dontAskAgain`.
bool askYesNo(QWidget* parent, const QString& text, const QString& caption, bool& dontAskAgain);
QString chooseFolder(QWidget* parent, const QString& title, const QString& start);
// An open or save file dialog starting in `folder` with `file` proposed; "" when cancelled.
QString chooseFile(QWidget* parent, const QString& folder, const QString& file, const QString& defaultSuffix,
                   bool save);
SkipAnswer askSkipFolder(QWidget* parent, const QString& folder, const QString& reason);
// A line of text the user types; "" when cancelled.
QString askText(QWidget* parent, const QString& caption, const QString& label);
// Opens a path (or a URL) with the desktop's default handler; the result is not examined.
void openWithShell(const QString& target);

}  // namespace dm::ui
