#include "widgets/HandCursor.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

// A finger standing on the palm: a rounded bar `width` wide from `top` down to y = 22.
QPainterPath Finger(qreal left, qreal top, qreal width) {
    QPainterPath finger;
    finger.addRoundedRect(QRectF(left, top, width, 22 - top), width / 2, width / 2);
    return finger;
}

}  // namespace

QPixmap PointingHandImage(const QColor& fill) {
    QPixmap image(kSize, kSize);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The index finger points up, the outline of its tip on the hot spot; the other three are
    // folded, each tip a little lower than the one before.
    QPainterPath hand = Finger(kLinkHandHotX - 2.5, kLinkHandHotY + 0.5, 5);
    hand = hand.united(Finger(13.5, 9.5, 4.5));
    hand = hand.united(Finger(18, 10.5, 4.5));
    hand = hand.united(Finger(22.5, 12, 4));
    QPainterPath palm;
    palm.addRoundedRect(QRectF(8.5, 15.5, 18, 10.5), 3.5, 3.5);
    hand = hand.united(palm);
    // The thumb lies along the left of the palm, its tip raised toward the index finger.
    QPainterPath thumb;
    thumb.moveTo(9.5, 25);
    thumb.lineTo(4, 18.5);
    thumb.cubicTo(3, 16.5, 5, 15, 6.5, 16);
    thumb.lineTo(9.5, 18.5);
    thumb.closeSubpath();
    hand = hand.united(thumb).simplified();

    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawPath(hand);
    // Creases between the folded fingers.
    p.drawLine(QPointF(13.5, 13), QPointF(13.5, 19));
    p.drawLine(QPointF(18, 13), QPointF(18, 19.5));
    p.drawLine(QPointF(22.5, 14.5), QPointF(22.5, 20));
    // The cuff below the palm.
    p.setBrush(QColor(0xB0, 0xB0, 0xB0));
    p.drawRect(QRectF(10.5, 26.5, 14, 4));
    p.end();
    return image;
}

QCursor LinkHandCursor() {
    return QCursor(PointingHandImage(Qt::white), kLinkHandHotX, kLinkHandHotY);
}
