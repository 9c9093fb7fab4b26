#include "ui/qt/Artwork.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/presenter/Marks.h"

namespace dm::ui {

namespace {

QColor colourOf(int index)
{
    return QColor::fromRgb(QRgb(markColour(index)));
}

QPixmap canvas(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QPixmap stateImage(int index)
{
    QPixmap pixmap = canvas(16, 16);
    if (index < 1 || index > 6) return pixmap;
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colourOf(index).darker(130));
    p.setBrush(colourOf(index));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    switch (index) {
        case 1: p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8)); break;  // minus: B lacks it
        case 2:                                                        // plus: B has more
            p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
            p.drawLine(QPointF(8, 4.5), QPointF(8, 11.5));
            break;
        case 3:  // exclamation mark
            p.drawLine(QPointF(8, 4), QPointF(8, 9));
            p.drawPoint(QPointF(8, 12));
            break;
        case 4:  // equals
            p.drawLine(QPointF(4.5, 6), QPointF(11.5, 6));
            p.drawLine(QPointF(4.5, 10), QPointF(11.5, 10));
            break;
        case 5:  // not equal
            p.drawLine(QPointF(4.5, 6), QPointF(11.5, 6));
            p.drawLine(QPointF(4.5, 10), QPointF(11.5, 10));
            p.drawLine(QPointF(10, 3.5), QPointF(6, 12.5));
            break;
        default:  // not compared: a dash in grey
            p.drawLine(QPointF(5, 8), QPointF(6, 8));
            p.drawLine(QPointF(10, 8), QPointF(11, 8));
            break;
    }
    return pixmap;
}

QIcon toolbarGlyph(Glyph glyph)
{
    QPixmap pixmap = canvas(24, 24);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(0x33, 0x33, 0x33), 1.5);
    p.setPen(outline);
    switch (glyph) {
        case Glyph::Start: {
            QPainterPath triangle;
            triangle.moveTo(7, 4);
            triangle.lineTo(20, 12);
            triangle.lineTo(7, 20);
            triangle.closeSubpath();
            p.setBrush(QColor(0x2E, 0x9E, 0x4F));
            p.drawPath(triangle);
            break;
        }
        case Glyph::Abort:
            p.setBrush(QColor(0xD9, 0x3B, 0x3B));
            p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
            break;
        case Glyph::Sync:
            p.setPen(QPen(QColor(0x2F, 0x7D, 0xD1), 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(4, 4, 16, 16), 30 * 16, 240 * 16);
            p.setBrush(QColor(0x2F, 0x7D, 0xD1));
            p.drawPolygon(QPolygonF({QPointF(17, 2), QPointF(21, 9), QPointF(14, 8)}));
            break;
        case Glyph::Report:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5, 3, 14, 18));
            p.drawLine(QPointF(8, 8), QPointF(16, 8));
            p.drawLine(QPointF(8, 12), QPointF(16, 12));
            p.drawLine(QPointF(8, 16), QPointF(13, 16));
            break;
        case Glyph::Exit:
            p.setBrush(QColor(0xEE, 0xEE, 0xEE));
            p.drawRect(QRectF(4, 3, 11, 18));
            p.setPen(QPen(QColor(0xD9, 0x3B, 0x3B), 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(11, 12), QPointF(21, 12));
            p.drawLine(QPointF(17, 8), QPointF(21, 12));
            p.drawLine(QPointF(17, 16), QPointF(21, 12));
            break;
    }
    p.end();
    QIcon icon(pixmap);
    return icon;
}

QPixmap reportIcon(bool identical)
{
    QPixmap pixmap = canvas(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(identical ? QColor(0x2E, 0x9E, 0x4F) : QColor(0xE6, 0x8A, 0x00));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (identical) {
        p.drawPolyline(QPolygonF({QPointF(9, 16.5), QPointF(14, 21.5), QPointF(23, 11)}));
    } else {
        p.drawLine(QPointF(16, 8), QPointF(16, 18));
        p.drawPoint(QPointF(16, 24));
    }
    return pixmap;
}

QPixmap aboutBanner(int width, int height)
{
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    gradient.setColorAt(1, QColor(0x5B, 0x9B, 0xD5));
    p.fillRect(pixmap.rect(), gradient);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
        p.setBrush(QColor(255, 255, 255, i == 0 ? 90 : 150));
        p.drawRoundedRect(QRectF(14 + i * 16, 8 + i * 4, 24, 22), 3, 3);
    }
    p.setPen(Qt::white);
    p.setFont(formFont(18, true));
    p.drawText(QRect(70, 0, width - 70, height), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("dirmatch"));
    return pixmap;
}

QFont formFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies(
        {QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace dm::ui
