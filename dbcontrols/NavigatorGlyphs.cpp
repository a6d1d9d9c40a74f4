#include "dbcontrols/NavigatorGlyphs.h"

#include <cmath>

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// Mid-toned colours: each keeps a contrast of about 3.2 : 1 against white, a light grey face, a
// dark grey face and near-black alike.
const QColor kMoveColour(0x38, 0x86, 0xe0);    // blue: movement, find, refresh
const QColor kAddColour(0x35, 0x96, 0x44);     // green: append, copy, save
const QColor kRemoveColour(0xf5, 0x3d, 0x3d);  // red: delete, cancel
const QColor kEditColour(0xb5, 0x77, 0x1b);    // amber: edit
const QColor kGreyColour(0x8f, 0x8f, 0x8f);    // every disabled half

using Draw = void (*)(QPainter&);

// One left-pointing triangle; `bar` adds the stop bar of First.
void LeftArrow(QPainter& p, bool bar) {
    const qreal shift = bar ? 1.5 : 0.0;
    p.drawPolygon(QPolygonF({{10.5 + shift, 3.0}, {10.5 + shift, 13.0}, {5.0 + shift, 8.0}}));
    if (bar) p.drawRect(QRectF(3.0, 3.0, 2.0, 10.0));
}

// Draws `draw` mirrored left to right: Next and Last are Prior and First turned round.
void Mirrored(QPainter& p, void (*draw)(QPainter&, bool), bool bar) {
    p.save();
    p.translate(kNavigatorGlyphSize, 0);
    p.scale(-1, 1);
    draw(p, bar);
    p.restore();
}

void Top(QPainter& p) { LeftArrow(p, true); }
void Previous(QPainter& p) { LeftArrow(p, false); }
void Next(QPainter& p) { Mirrored(p, LeftArrow, false); }
void Bottom(QPainter& p) { Mirrored(p, LeftArrow, true); }

void Append(QPainter& p) {
    p.drawRect(QRectF(6.5, 3.0, 3.0, 10.0));
    p.drawRect(QRectF(3.0, 6.5, 10.0, 3.0));
}

// Two sheets, the front one hiding the back one's lines.
void Copy(QPainter& p) {
    const QColor ink = p.brush().color();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.5));
    p.drawRect(QRectF(2.25, 2.25, 7.5, 8.5));
    const QRectF front(6.25, 5.25, 7.5, 8.5);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(front.adjusted(-0.75, -0.75, 0.75, 0.75), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawRect(front);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(8.5, 8.0, 3.0, 1.5));
    p.drawRect(QRectF(8.5, 10.5, 3.0, 1.5));
}

// A pencil writing towards the lower left.
void Edit(QPainter& p) {
    p.save();
    p.translate(8.0, 8.0);
    p.rotate(45.0);
    p.drawRect(QRectF(-1.75, -7.0, 3.5, 1.75));
    p.drawRect(QRectF(-1.75, -4.5, 3.5, 7.5));
    p.drawPolygon(QPolygonF({{-1.75, 3.75}, {1.75, 3.75}, {0.0, 7.0}}));
    p.restore();
}

void Delete(QPainter& p) { p.drawRect(QRectF(3.0, 6.5, 10.0, 3.0)); }

// Strokes in the fill colour, with round ends.
void Stroke(QPainter& p, qreal width) {
    p.setPen(QPen(p.brush().color(), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

void Save(QPainter& p) {
    Stroke(p, 2.5);
    p.drawPolyline(QPolygonF({{3.0, 8.5}, {6.5, 12.0}, {13.0, 4.5}}));
}

void Cancel(QPainter& p) {
    Stroke(p, 2.5);
    p.drawLine(QLineF(4.0, 4.0, 12.0, 12.0));
    p.drawLine(QLineF(12.0, 4.0, 4.0, 12.0));
}

void Find(QPainter& p) {
    const QColor ink = p.brush().color();
    Stroke(p, 2.0);
    p.drawEllipse(QPointF(6.5, 6.5), 4.0, 4.0);
    p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(10.0, 10.0, 13.5, 13.5));
}

// Three quarters of a circle, turning anticlockwise, with the arrowhead at its end.
void Refresh(QPainter& p) {
    const QColor ink = p.brush().color();
    const QPointF centre(8.0, 8.0);
    const qreal radius = 5.0;
    const qreal startDeg = 70.0;
    const qreal spanDeg = 270.0;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::FlatCap));
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(circle, static_cast<int>(startDeg * 16), static_cast<int>(spanDeg * 16));
    const qreal end = (startDeg + spanDeg) * M_PI / 180.0;
    const QPointF tip = centre + QPointF(radius * std::cos(end), -radius * std::sin(end));
    const QPointF along(-std::sin(end), -std::cos(end));  // direction of travel on screen
    const QPointF across(along.y(), -along.x());
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF(
        {tip + along * 3.5, tip + across * 3.0 - along * 0.5, tip - across * 3.0 - along * 0.5}));
}

struct GlyphArt {
    const char* name;
    Draw draw;
    const QColor* colour;
};

const GlyphArt kGlyphs[] = {
    {"HCN_TOP", Top, &kMoveColour},      {"HCN_PREVIOUS", Previous, &kMoveColour},
    {"HCN_NEXT", Next, &kMoveColour},    {"HCN_BOTTOM", Bottom, &kMoveColour},
    {"HCN_APPEND", Append, &kAddColour}, {"HCN_COPY", Copy, &kAddColour},
    {"HCN_EDIT", Edit, &kEditColour},    {"HCN_DELETE", Delete, &kRemoveColour},
    {"HCN_SAVE", Save, &kAddColour},     {"HCN_CANCEL", Cancel, &kRemoveColour},
    {"HCN_FIND", Find, &kMoveColour},    {"HCN_REFRESH", Refresh, &kMoveColour},
};

QImage Render(const GlyphArt& art) {
    QImage picture(kNavigatorGlyphSize, kNavigatorGlyphSize, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(*art.colour);
        art.draw(p);
    }
    // The greyed form keeps the shape (the alpha of every pixel) in one grey.
    QImage greyed = picture;
    {
        QPainter p(&greyed);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(greyed.rect(), kGreyColour);
    }
    QImage pair(2 * kNavigatorGlyphSize, kNavigatorGlyphSize, QImage::Format_ARGB32_Premultiplied);
    pair.fill(Qt::transparent);
    QPainter p(&pair);
    p.drawImage(0, 0, picture);
    p.drawImage(kNavigatorGlyphSize, 0, greyed);
    return pair;
}

}  // namespace

const QStringList& NavigatorGlyphNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const GlyphArt& art : kGlyphs) list << QString::fromLatin1(art.name);
        return list;
    }();
    return names;
}

QPixmap NavigatorGlyph(QStringView name) {
    for (const GlyphArt& art : kGlyphs) {
        if (name.compare(QLatin1String(art.name), Qt::CaseInsensitive) == 0) {
            return QPixmap::fromImage(Render(art));
        }
    }
    return QPixmap();
}
