// Every text of the desktop program in the chosen language: the forms' own
// (English from our translation, Chinese as written) and Qt's standard dialogs
// and buttons (Chinese from Qt's translations), installed while the object lives.
#pragma once

#include <QTranslator>

namespace dm::ui {

class Translations {
public:
    explicit Translations(bool english);
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

private:
    QTranslator forms_;
    QTranslator qt_;
};

}  // namespace dm::ui
