#include "widgets/ToxCustomSplit.h"

#include <algorithm>

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

namespace {

// A one-pixel frame on the outline of `r`: the top row and left column in `topLeft`, the right
// column and bottom row in `bottomRight`, which thereby also takes the top-right and bottom-left
// corners.
void DrawFrame(QPainter& painter, const QRect& r, const QColor& topLeft,
               const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
}

QRect Enlarged(const QRect& r, int by) { return r.adjusted(-by, -by, by, by); }

}  // namespace

ToxCustomSplit::ToxCustomSplit(QWidget* parent)
    : QWidget(parent),
      pane1_(new ToxScrollPane(this)),
      pane2_(new ToxScrollPane(this)),
      barWidth_(style()->pixelMetric(QStyle::PM_SplitterWidth, nullptr, this)) {
    pane1_->setObjectName(QStringLiteral("pane1"));
    pane2_->setObjectName(QStringLiteral("pane2"));
    // The background is filled in full before anything else is drawn.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
    CoupleScrolling(pane1_, pane2_);
    CoupleScrolling(pane2_, pane1_);
    ApplyPaneBorders();
}

ToxCustomSplit::~ToxCustomSplit() = default;

void ToxCustomSplit::CoupleScrolling(ToxScrollPane* from, ToxScrollPane* to) {
    auto couple = [this](QScrollBar* source, QScrollBar* target) {
        connect(source, &QScrollBar::valueChanged, this, [this, target](int value) {
            if (!syncScroll_ || syncing_) return;
            syncing_ = true;
            target->setValue(value);
            syncing_ = false;
        });
    };
    couple(from->horizontalScrollBar(), to->horizontalScrollBar());
    couple(from->verticalScrollBar(), to->verticalScrollBar());
}

void ToxCustomSplit::SetBarWidth(int width) {
    width = std::max(width, 0);
    if (width == barWidth_) return;
    barWidth_ = width;
    LayoutPanes();
    update();
}

QColor ToxCustomSplit::BarColor() const {
    return barColor_.isValid() ? barColor_ : palette().color(QPalette::Button);
}

void ToxCustomSplit::SetBarColor(const QColor& color) {
    if (color == barColor_) return;
    barColor_ = color;
    update();
}

void ToxCustomSplit::SetStyle(ToxsStyle style) {
    if (style == style_) return;
    style_ = style;
    Restyle();
}

void ToxCustomSplit::SetBorderStyle(TBorderStyle borderStyle) {
    if (borderStyle == borderStyle_) return;
    borderStyle_ = borderStyle;
    Restyle();
}

void ToxCustomSplit::SetCtl3D(bool on) {
    if (on == ctl3D_) return;
    ctl3D_ = on;
    Restyle();
}

void ToxCustomSplit::SetAutoScroll(bool on) {
    pane1_->SetAutoScroll(on);
    pane2_->SetAutoScroll(on);
}

void ToxCustomSplit::SetLocked(bool on) {
    locked_ = on;
    if (on) unsetCursor();
}

ToxsStyle ToxCustomSplit::EffectiveStyle() const {
    return style_ == ToxsStyle::oxsAuto ? ToxsStyle::oxsWin95 : style_;
}

int ToxCustomSplit::Inset() const {
    if (borderStyle_ == TBorderStyle::bsNone) return 0;
    switch (EffectiveStyle()) {
        case ToxsStyle::oxsWin95:
            return 2;
        case ToxsStyle::oxsInset:
            return 1;
        default:
            return 0;
    }
}

void ToxCustomSplit::ApplyPaneBorders() {
    int frame = QFrame::NoFrame;
    if (borderStyle_ == TBorderStyle::bsSingle && EffectiveStyle() == ToxsStyle::oxsWin31) {
        frame = ctl3D_ ? QFrame::WinPanel | QFrame::Sunken : QFrame::Box | QFrame::Plain;
    }
    for (ToxScrollPane* pane : {pane1_, pane2_}) {
        pane->setFrameStyle(frame);
        pane->setLineWidth(1);
    }
}

void ToxCustomSplit::Restyle() {
    ApplyPaneBorders();
    LayoutPanes();
    update();
}

void ToxCustomSplit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutPanes();
}

bool ToxCustomSplit::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) {
        pane1_->setToolTip(toolTip());
        pane2_->setToolTip(toolTip());
    }
    return QWidget::event(event);
}

void ToxCustomSplit::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), BarColor());
    if (borderStyle_ == TBorderStyle::bsNone) return;

    const QPalette& pal = palette();
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor highlight = pal.color(QPalette::Light);
    const QColor windowFrame = pal.color(QPalette::Shadow);
    const QColor buttonFace = pal.color(QPalette::Button);
    const QRect panes[] = {pane1_->geometry(), pane2_->geometry()};

    switch (EffectiveStyle()) {
        case ToxsStyle::oxsWin31:
            if (ctl3D_) {
                for (const QRect& pane : panes) {
                    DrawFrame(painter, Enlarged(pane, 1), shadow, highlight);
                }
            }
            DrawFrame(painter, rect(), windowFrame, windowFrame);
            break;
        case ToxsStyle::oxsWin95:
            for (const QRect& pane : panes) {
                DrawFrame(painter, Enlarged(pane, 2), shadow, highlight);
                DrawFrame(painter, Enlarged(pane, 1), windowFrame, buttonFace);
            }
            break;
        case ToxsStyle::oxsInset:
            for (const QRect& pane : panes) {
                DrawFrame(painter, Enlarged(pane, 1), shadow, highlight);
            }
            break;
        case ToxsStyle::oxsGroove:
            for (const QRect& pane : panes) {
                const QRect outer = Enlarged(pane.translated(1, 1), barWidth_ / 2);
                DrawFrame(painter, outer, highlight, windowFrame);
                DrawFrame(painter, Enlarged(outer, -1), buttonFace, shadow);
            }
            break;
        case ToxsStyle::oxsAuto:
            break;  // resolved by EffectiveStyle()
    }
}
