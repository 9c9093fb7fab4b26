#include "ui/qt/Forms.h"

#include <QMimeData>
#include <QUrl>

#include "common/Messages.h"
#include "platform/Listing.h"
#include "ui/qt/Artwork.h"

namespace dm::ui {

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w, int h, bool bold)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, h);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QPlainTextEdit* memo(QWidget* parent, int x, int y, int w, int h)
{
    auto* m = new QPlainTextEdit(parent);
    m->setGeometry(x, y, w, h);
    m->setFrameShape(QFrame::Box);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    return m;
}

QPushButton* button(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(x, y, w, h);
    return b;
}

QPushButton* flatButton(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    auto* b = button(parent, text, x, y, w, h);
    b->setFlat(true);
    b->setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid #8a8a8a; background: #f0f0f0; }"
                       "QPushButton:hover { background: #e3eefa; }"
                       "QPushButton:pressed { background: #cfe0f5; }"));
    return b;
}

QString droppedFolder(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) return {};
    const QString path = data->urls().front().toLocalFile();
    return platform::folderExists(path.toStdString()) ? path : QString();
}

}  // namespace dm::ui
