// What the desktop program is started with:
//   dirmatch-gui [--lang zh|en] [FOLDER-A [FOLDER-B]]   (folders dropped on its menu entry)
//   dirmatch-gui --version | --help
#pragma once

#include <QString>
#include <QStringList>

namespace dm::ui {

struct StartArguments {
    bool english = false;  // --lang first, else English under any but a Chinese locale
    bool version = false;
    bool help = false;
    QStringList folders;  // folder A, then folder B
};

// `arguments` as the program got them, the program itself first.
StartArguments parseStartArguments(const QStringList& arguments);

QString startHelpText();

}  // namespace dm::ui
