// dirmatch-gui: the desktop program.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <memory>

#include "config/Dmodule.h"
#include "ui/AboutBox.h"
#include "ui/Mainform.h"
#include "ui/Resultform.h"
#include "ui/Setcomdlg.h"
#include "ui/Translations.h"
#include "ui/Wizardform.h"

namespace {

// An exception that reaches the event loop is shown, never a crash.
class Application : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(activeWindow(), applicationName(), QString::fromLocal8Bit(e.what()));
        } catch (...) {
            QMessageBox::critical(activeWindow(), applicationName(), QStringLiteral("Unknown error"));
        }
        return false;
    }
};

bool wantsEnglish(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--lang"));
    if (at >= 0 && at + 1 < arguments.size()) return arguments[at + 1] == QStringLiteral("en");
    // Chinese under a Chinese locale, English under every other one (C included).
    return QLocale::system().language() != QLocale::Chinese;
}

}  // namespace

int main(int argc, char** argv)
{
    // The window class the program has always had (on X11, WM_CLASS).
    QApplication::setApplicationName(QStringLiteral("Corvane System!"));
    Application app(argc, argv);
    // No display name: captions are the forms' own, without a suffix.
    const dm::ui::Translations translations(wantsEnglish(QApplication::arguments()));

    auto dataModule = std::make_unique<dm::TDM>();
    dm::DM = dataModule.get();
    int code = 0;
    {
        dm::ui::TfrmMain main(*dm::DM);
        dm::ui::TAboutBox about(&main, QString(), QString());
        dm::ui::TdlgSetCom filters(*dm::DM, &main);
        dm::ui::TfrmWizard wizard(*dm::DM, filters, &main);
        dm::ui::TfrmResult report(*dm::DM, &main);
        main.setForms(&wizard, &report);
        main.show();
        code = QApplication::exec();
    }
    dm::DM = nullptr;
    dataModule.reset();  // last: writes pre.ini
    return code;
}
