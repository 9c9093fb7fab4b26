// Small helpers for the fixed-size forms: controls placed at their design
// position, in the flat style the forms use.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

class QMimeData;
#include <string>
#include <vector>

namespace dm::ui {

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w, int h, bool bold = false);
QPlainTextEdit* memo(QWidget* parent, int x, int y, int w, int h);
QPushButton* button(QWidget* parent, const QString& text, int x, int y, int w, int h);
QPushButton* flatButton(QWidget* parent, const QString& text, int x, int y, int w, int h);

// The one local folder among items dropped from a file manager, or "".
QString droppedFolder(const QMimeData* data);

inline QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace dm::ui
