#include "app/Artwork.h"

#include <functional>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "widgets/HandCursor.h"

namespace {

constexpr int kGlyphSize = 24;

QPixmap Draw(int size, const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return pixmap;
}

// A green arrow across the glyph, pointing left or right.
QIcon ArrowGlyph(bool pointsLeft) {
    return QIcon(Draw(kGlyphSize, [pointsLeft](QPainter& p) {
        if (pointsLeft) {
            p.translate(kGlyphSize, 0);
            p.scale(-1, 1);
        }
        QPainterPath arrow;
        arrow.moveTo(3, 9);
        arrow.lineTo(12, 9);
        arrow.lineTo(12, 4);
        arrow.lineTo(21, 12);
        arrow.lineTo(12, 20);
        arrow.lineTo(12, 15);
        arrow.lineTo(3, 15);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(0x1E, 0x4D, 0x38), 1.2));
        p.setBrush(QColor(0x3C, 0x9A, 0x6C));
        p.drawPath(arrow);
    }));
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(Draw(size, [size](QPainter& p) {
            p.scale(size / 64.0, size / 64.0);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2E, 0x6B, 0x4F));
            p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
            p.setPen(QPen(QColor(0xF4, 0xE9, 0xC8), 3));
            p.drawLine(QPointF(24, 32), QPointF(32, 32));
            p.drawLine(QPointF(32, 17), QPointF(32, 47));
            p.drawLine(QPointF(32, 17), QPointF(38, 17));
            p.drawLine(QPointF(32, 47), QPointF(38, 47));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xF4, 0xE9, 0xC8));
            p.drawRoundedRect(QRectF(7, 25, 18, 14), 3, 3);
            p.drawRoundedRect(QRectF(38, 10, 18, 14), 3, 3);
            p.drawRoundedRect(QRectF(38, 40, 18, 14), 3, 3);
        }));
    }
    return icon;
}

QCursor HandPointCursor() { return LinkHandCursor(); }

QCursor HandPoint2Cursor() {
    return QCursor(PointingHandImage(QColor(0xFF, 0xFF, 0xE1)), kLinkHandHotX, kLinkHandHotY);
}

QList<QPixmap> TreeNodeImages() {
    constexpr int kNodeSize = 16;
    const auto letter = [](const QString& text, const QColor& color) {
        return Draw(kNodeSize, [&text, &color](QPainter& p) {
            QFont serif(QStringLiteral("Serif"));
            serif.setStyleHint(QFont::Serif);
            serif.setPixelSize(16);
            serif.setBold(true);
            p.setFont(serif);
            p.setPen(color);
            p.drawText(QRect(0, -1, kNodeSize, kNodeSize + 1), Qt::AlignCenter, text);
        });
    };
    return {
        Draw(kNodeSize,
             [](QPainter& p) {
                 p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
                 p.setBrush(QColor(0xFF, 0xE0, 0x20));
                 p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
                 p.setPen(Qt::NoPen);
                 p.setBrush(Qt::black);
                 p.drawEllipse(QRectF(4.5, 4.5, 2, 2.5));
                 p.drawEllipse(QRectF(9.5, 4.5, 2, 2.5));
                 p.setPen(QPen(Qt::black, 1.2));
                 p.setBrush(Qt::NoBrush);
                 p.drawArc(QRectF(4, 5, 8, 7), 200 * 16, 140 * 16);
             }),
        Draw(kNodeSize,
             [](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(0x20, 0x40, 0x80));
                 p.drawEllipse(QRectF(7, 0.5, 3.5, 3.5));
                 p.setPen(
                     QPen(QColor(0x20, 0x40, 0x80), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                 // Body leaning forward, one arm and one leg swinging each way.
                 p.drawLine(QPointF(8.5, 5), QPointF(7.5, 10));
                 p.drawLine(QPointF(8.3, 6), QPointF(11.5, 8.5));
                 p.drawLine(QPointF(8.3, 6), QPointF(5, 8.5));
                 p.drawLine(QPointF(7.5, 10), QPointF(10.5, 15));
                 p.drawLine(QPointF(7.5, 10), QPointF(4.5, 14.5));
             }),
        letter(QStringLiteral("S"), QColor(0x00, 0x00, 0xC0)),
        letter(QStringLiteral("c"), QColor(0x80, 0x00, 0x00)),
    };
}

QIcon OpenGedcomGlyph() {
    return QIcon(Draw(kGlyphSize, [](QPainter& p) {
        p.setPen(QPen(QColor(0x8A, 0x6A, 0x10), 1));
        p.setBrush(QColor(0xE8, 0xB8, 0x30));
        QPainterPath back;
        back.moveTo(2.5, 5.5);
        back.lineTo(9, 5.5);
        back.lineTo(11, 7.5);
        back.lineTo(19.5, 7.5);
        back.lineTo(19.5, 19.5);
        back.lineTo(2.5, 19.5);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(0xF8, 0xD8, 0x60));
        QPainterPath flap;
        flap.moveTo(2.5, 19.5);
        flap.lineTo(6.5, 11.5);
        flap.lineTo(22.5, 11.5);
        flap.lineTo(19.5, 19.5);
        flap.closeSubpath();
        p.drawPath(flap);
    }));
}

QIcon SelectPersonGlyph() {
    return QIcon(Draw(kGlyphSize, [](QPainter& p) {
        p.setPen(QPen(QColor(0x1F, 0x3F, 0x7A), 1));
        p.setBrush(QColor(0x4A, 0x7F, 0xD0));
        p.drawEllipse(QRectF(7.5, 2.5, 9, 9));
        QPainterPath body;
        body.moveTo(3.5, 21.5);
        body.cubicTo(3.5, 12.5, 20.5, 12.5, 20.5, 21.5);
        body.closeSubpath();
        p.drawPath(body);
    }));
}

QIcon FindSurnameGlyph() {
    return QIcon(Draw(kGlyphSize, [](QPainter& p) {
        p.setPen(QPen(QColor(0x50, 0x38, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
        p.setBrush(QColor(0xD8, 0xEC, 0xF8));
        p.drawEllipse(QRectF(2.5, 2.5, 14, 14));
    }));
}

QIcon WebSiteGlyph() {
    return QIcon(Draw(kGlyphSize, [](QPainter& p) {
        const QRectF globe(2.5, 2.5, 19, 19);
        p.setPen(QPen(QColor(0x1A, 0x5E, 0x20), 1.2));
        p.setBrush(QColor(0x6C, 0xB8, 0xE8));
        p.drawEllipse(globe);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(7.5, 2.5, 9, 19));
        p.drawLine(QPointF(2.5, 12), QPointF(21.5, 12));
        p.drawLine(QPointF(12, 2.5), QPointF(12, 21.5));
        p.drawLine(QPointF(4.5, 7.5), QPointF(19.5, 7.5));
        p.drawLine(QPointF(4.5, 16.5), QPointF(19.5, 16.5));
    }));
}

QIcon BackGlyph() { return ArrowGlyph(true); }

QIcon ForwardGlyph() { return ArrowGlyph(false); }
