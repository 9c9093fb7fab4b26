// dirmatch-gui: the desktop program.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <iostream>
#include <memory>

#include "common/Version.h"
#include "config/Dmodule.h"
#include "platform/Process.h"
#include "ui/qt/AboutBox.h"
#include "ui/qt/Mainform.h"
#include "ui/qt/Resultform.h"
#include "ui/qt/Setcomdlg.h"
#include "ui/qt/StartArguments.h"
#include "ui/qt/Translations.h"
#include "ui/qt/Wizardform.h"

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

}  // namespace

int main(int argc, char** argv)
{
    dm::platform::raiseDescriptorLimit();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const dm::ui::StartArguments start = dm::ui::parseStartArguments(arguments);
    // Answered without a display, as scripts and manual pages ask them.
    if (start.version || start.help) {
        std::cout << (start.version ? dm::versionLine("dirmatch-gui") + "\n" : dm::ui::startHelpText().toStdString())
                  << std::flush;
        return 0;
    }
    // The window class the program has always had (on X11, WM_CLASS).
    QApplication::setApplicationName(QStringLiteral("Corvane System!"));
    Application app(argc, argv);
    // No display name: captions are the forms' own, without a suffix.
    const dm::ui::Translations translations(start.english);

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
        // Folders dropped on the program: two are compared at once, one opens the wizard with it as A.
        if (!start.folders.isEmpty()) {
            dm::DM->StandardDir = start.folders[0].toStdString();
            if (start.folders.size() > 1) dm::DM->LocalDir = start.folders[1].toStdString();
            QTimer::singleShot(0, &main, [&main, both = start.folders.size() > 1] {
                if (both)
                    main.RunComparison();
                else
                    main.bbtnStartClick();
            });
        }
        code = QApplication::exec();
    }
    dm::DM = nullptr;
    dataModule.reset();  // last: writes pre.ini
    return code;
}
