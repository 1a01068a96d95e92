#include "entry/PopupGlyphs.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>

namespace entry {

namespace {

constexpr int GlyphSize = 16;

template <typename Paint> QIcon paintedGlyph(Paint paint) {
    QPixmap picture(GlyphSize, GlyphSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    return QIcon(picture);
}

QPen thickPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

QIcon OkGlyph() {
    return paintedGlyph([](QPainter& painter) {
        painter.setPen(thickPen(QColor(0, 128, 0), 2.6));
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.5, 12.5);
        tick.lineTo(13.5, 3.5);
        painter.drawPath(tick);
    });
}

QIcon CancelGlyph() {
    return paintedGlyph([](QPainter& painter) {
        painter.setPen(thickPen(QColor(192, 0, 0), 2.6));
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    });
}

QIcon BackspaceGlyph() {
    return paintedGlyph([](QPainter& painter) {
        painter.setPen(thickPen(Qt::black, 1.6));
        painter.drawLine(QPointF(3, 8), QPointF(14, 8));
        painter.drawLine(QPointF(3, 8), QPointF(7, 4));
        painter.drawLine(QPointF(3, 8), QPointF(7, 12));
        painter.drawLine(QPointF(1.5, 3), QPointF(1.5, 13));
    });
}

QIcon ClearGlyph() {
    return paintedGlyph([](QPainter& painter) {
        painter.setPen(thickPen(Qt::black, 1.2));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(2.5, 2.5, 11, 11));
        painter.setPen(thickPen(QColor(192, 0, 0), 1.8));
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    });
}

QIcon TextGlyph(const QString& text) {
    return paintedGlyph([&text](QPainter& painter) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(15);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, GlyphSize, GlyphSize), Qt::AlignCenter, text);
    });
}

void SetGlyphButton(QAbstractButton* button, const QIcon& glyph, const QString& purpose) {
    button->setIcon(glyph);
    button->setToolTip(purpose);
    button->setAccessibleName(purpose);
}

QFont PopupFont(int pixels, bool bold, bool italic, const QString& family) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void SetPanelColours(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::WindowText, text);
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
}

} // namespace entry
