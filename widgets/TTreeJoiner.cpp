#include "widgets/TTreeJoiner.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

namespace {

// Walks a pen from one point to the next as the figures are described: the start point is set,
// the end point is not. Every segment is horizontal or vertical, so it is a one-pixel-thick
// rectangle; filling it avoids the end-point and cap rules of QPainter's line drawing.
class PixelPen {
public:
    PixelPen(QPainter& painter, const QColor& color) : painter_(painter), color_(color) {}

    void MoveTo(int x, int y) { at_ = QPoint(x, y); }

    void LineTo(int x, int y) {
        const QPoint to(x, y);
        if (to.y() == at_.y() && to.x() != at_.x()) {
            // Leaving out the end point: a rightward run stops one short, a leftward one starts
            // one past it.
            const int from = to.x() > at_.x() ? at_.x() : to.x() + 1;
            painter_.fillRect(QRect(from, at_.y(), std::abs(to.x() - at_.x()), 1), color_);
        } else if (to.x() == at_.x() && to.y() != at_.y()) {
            const int from = to.y() > at_.y() ? at_.y() : to.y() + 1;
            painter_.fillRect(QRect(at_.x(), from, 1, std::abs(to.y() - at_.y())), color_);
        }
        at_ = to;
    }

private:
    QPainter& painter_;
    QColor color_;
    QPoint at_;
};

}  // namespace

TTreeJoiner::TTreeJoiner(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
}

void TTreeJoiner::SetCrossBarPosition(TCrossBarPosition position) {
    if (position == crossBarPosition_) return;
    crossBarPosition_ = position;
    update();
    emit CrossBarPositionChanged(position);
}

void TTreeJoiner::SetPen(const QPen& pen) {
    if (pen == pen_) return;
    pen_ = pen;
    update();
    emit PenChanged(pen_);
}

void TTreeJoiner::SetBrush(const QBrush& brush) {
    if (brush == brush_) return;
    brush_ = brush;
    update();
    emit BrushChanged(brush_);
}

void TTreeJoiner::PaintFigure(QPainter& painter) const {
    const int w = width();
    const int h = height();
    const int halfW = w / 2;
    const int halfH = h / 2;
    const int threeQuarterW = (w / 4) * 3;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    PixelPen pen(painter, pen_.color());
    switch (crossBarPosition_) {
        case TCrossBarPosition::cbpCenter:
        case TCrossBarPosition::cbpThreeQuartr: {
            const int bar =
                crossBarPosition_ == TCrossBarPosition::cbpCenter ? halfW : threeQuarterW;
            pen.MoveTo(0, halfH);
            pen.LineTo(bar, halfH);
            pen.MoveTo(bar, 0);
            pen.LineTo(bar, h);
            pen.MoveTo(bar, 0);
            pen.LineTo(w, 0);
            pen.MoveTo(bar, h - 1);
            pen.LineTo(w, h - 1);
            break;
        }
        case TCrossBarPosition::cbpRightSide:
            pen.MoveTo(0, halfH);
            pen.LineTo(w, halfH);
            pen.MoveTo(w - 1, 0);
            pen.LineTo(w - 1, h);
            break;
        case TCrossBarPosition::cbpHalfRectUL:
            pen.MoveTo(0, h);
            pen.LineTo(0, 0);
            pen.LineTo(w, 0);
            break;
        case TCrossBarPosition::cbpHalfRectLL:
            pen.MoveTo(0, 0);
            pen.LineTo(0, h - 1);
            pen.LineTo(w, h - 1);
            break;
    }
    painter.restore();
}

void TTreeJoiner::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintFigure(painter);
}
