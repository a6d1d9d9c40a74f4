#include "widgets/ToxSplit.h"

#include <algorithm>

#include <QHideEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The band that shows where a dragged bar will go: a translucent dark overlay over whatever is
// beneath, panes included. It takes no mouse input.
class GhostBar : public QWidget {
public:
    explicit GhostBar(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("ghostBar"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QColor dark = palette().color(QPalette::Shadow);
        dark.setAlpha(128);
        QPainter(this).fillRect(rect(), dark);
    }
};

}  // namespace

ToxSplit::ToxSplit(QWidget* parent) : ToxCustomSplit(parent), ghost_(new GhostBar(this)) {
    // Moves without a button pressed are needed for the cursor over the bar.
    setMouseTracking(true);
    LayoutPanes();
}

ToxSplit::~ToxSplit() = default;

int ToxSplit::AvailableLength() const { return ClientLength() - 2 * Inset() - BarWidth(); }

int ToxSplit::LaidOutPosition() const {
    return std::max(0, std::min(barPosition_, AvailableLength()));
}

void ToxSplit::SetBarPosition(int position) {
    barPosition_ = std::max(0, std::min(position, AvailableLength()));
    LayoutPanes();
    update();
    emit OnResized(this);
}

void ToxSplit::SetOrientation(ToxsOrientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    SetBarPosition(barPosition_);
}

int ToxSplit::Percent() const {
    const int available = AvailableLength();
    if (available <= 0) return barPosition_ > 0 ? 100 : 0;
    return std::min(100, barPosition_ * 100 / available);
}

void ToxSplit::SetPercent(int percent) { SetBarPosition(percent * AvailableLength() / 100); }

QRect ToxSplit::BarRect() const {
    const int start = LaidOutPosition() + Inset();
    return Vertical() ? QRect(start, 0, BarWidth(), height())
                      : QRect(0, start, width(), BarWidth());
}

void ToxSplit::LayoutPanes() {
    const QRect area = rect().adjusted(Inset(), Inset(), -Inset(), -Inset());
    const int position = LaidOutPosition();
    const int second = position + BarWidth();
    QRect first, rest;
    if (Vertical()) {
        first = QRect(area.left(), area.top(), position, area.height());
        rest = QRect(area.left() + second, area.top(), std::max(0, area.width() - second),
                     area.height());
    } else {
        first = QRect(area.left(), area.top(), area.width(), position);
        rest = QRect(area.left(), area.top() + second, area.width(),
                     std::max(0, area.height() - second));
    }
    Pane1()->setGeometry(first);
    Pane2()->setGeometry(rest);
    Pane1()->FitContent();
    Pane2()->FitContent();
}

int ToxSplit::ClampDrag(int along) const {
    along = std::max(along, Inset() + grabOffset_);
    const int length = ClientLength();
    if (along >= length - BarWidth() - 1) along = length + grabOffset_ - BarWidth() - 2;
    return along;
}

void ToxSplit::MoveGhost(int barStart) {
    const int inset = Inset();
    ghost_->setGeometry(Vertical() ? QRect(barStart, inset, BarWidth(), height() - 2 * inset)
                                   : QRect(inset, barStart, width() - 2 * inset, BarWidth()));
    ghost_->raise();
    ghost_->show();
}

void ToxSplit::CancelDrag() {
    dragging_ = false;
    ghost_->hide();
}

void ToxSplit::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || Locked() || dragging_ || !BarRect().contains(at)) {
        event->ignore();
        return;
    }
    dragging_ = true;
    grabOffset_ = Along(at) - LaidOutPosition() - Inset();
    if (!AutoUpdate()) MoveGhost(LaidOutPosition() + Inset());
    event->accept();
}

void ToxSplit::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!dragging_) {
        if (!Locked() && BarRect().contains(at)) {
            setCursor(Vertical() ? Qt::SplitHCursor : Qt::SplitVCursor);
        } else {
            unsetCursor();
        }
        event->ignore();
        return;
    }
    const int along = ClampDrag(Along(at));
    if (AutoUpdate()) {
        SetBarPosition(along - grabOffset_ - Inset());
    } else {
        MoveGhost(along - grabOffset_);
    }
    event->accept();
}

void ToxSplit::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    CancelDrag();
    SetBarPosition(ClampDrag(Along(event->position().toPoint())) - grabOffset_ - Inset());
    event->accept();
}

void ToxSplit::leaveEvent(QEvent* event) {
    if (!dragging_) unsetCursor();
    ToxCustomSplit::leaveEvent(event);
}

void ToxSplit::hideEvent(QHideEvent* event) {
    // Hidden in the middle of a drag, the control loses the mouse and never sees the release.
    CancelDrag();
    ToxCustomSplit::hideEvent(event);
}
