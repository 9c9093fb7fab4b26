#include "ui/qt/StartArguments.h"

#include <QLocale>

namespace dm::ui {

StartArguments parseStartArguments(const QStringList& arguments)
{
    StartArguments start;
    start.english = QLocale::system().language() != QLocale::Chinese;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--version"))
            start.version = true;
        else if (a == QStringLiteral("--help") || a == QStringLiteral("-h"))
            start.help = true;
        else if (a == QStringLiteral("--lang") && i + 1 < arguments.size())
            start.english = arguments[++i] == QStringLiteral("en");
        else if (!a.startsWith(QLatin1Char('-')) && start.folders.size() < 2)
            start.folders << a;
    }
    return start;
}

QString startHelpText()
{
    return QStringLiteral(
        "dirmatch-gui: the desktop program of dirmatch, which compares folder B with folder A and makes B like A.\n"
        "Usage: dirmatch-gui [OPTIONS] [FOLDER-A [FOLDER-B]]\n\n"
        "With two folders the comparison starts at once; with one, the wizard opens with it as folder A.\n\n"
        "Options:\n"
        "  --lang zh|en  language of the forms and texts (default: zh under a Chinese locale, else en)\n"
        "  --version     print the version and exit\n"
        "  -h, --help    print this help and exit\n");
}

}  // namespace dm::ui
