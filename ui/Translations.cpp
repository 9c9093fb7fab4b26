#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace dm::ui {

Translations::Translations(bool english)
{
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
