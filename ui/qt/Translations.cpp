#include "ui/qt/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace dm::ui {

Translations::Translations(bool english)
{
    // Qt's dialogs take their dates and the system's names of file types
    // ("Folder") from the default locale.
    QLocale::setDefault(english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                : QLocale(QLocale::Chinese, QLocale::China));
    if (english) {
        if (forms_.load(QStringLiteral(":/i18n/dirmatch_en.qm"))) QCoreApplication::installTranslator(&forms_);
    } else if (qt_.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qt_);
    }
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&forms_);
    QCoreApplication::removeTranslator(&qt_);
}

}  // namespace dm::ui
