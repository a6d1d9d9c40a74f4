#include "dbcontrols/HNavButton.h"

#include <QPainter>
#include <QPen>
#include <QStyle>
#include <QStyleOptionButton>

HNavButton::HNavButton(HNavigateBtn index, QWidget* parent)
    : QAbstractButton(parent), index_(index) {
    setFocusPolicy(Qt::NoFocus);
    if (index == HNavigateBtn::nbPrev || index == HNavigateBtn::nbNext) {
        setAutoRepeat(true);
        setAutoRepeatDelay(kRepeatDelayMs);
        setAutoRepeatInterval(kRepeatIntervalMs);
    }
}

HNavButton::~HNavButton() = default;

void HNavButton::SetGlyph(const QPixmap& pair) {
    glyph_ = pair;
    update();
}

void HNavButton::SetFocusShown(bool on) {
    if (on == focusShown_) return;
    focusShown_ = on;
    update();
}

QRect HNavButton::FocusRect() const {
    if (!focusShown_) return QRect();
    QRect r = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
    if (isDown()) r.translate(1, 1);
    return r;
}

QSize HNavButton::sizeHint() const {
    return QSize(kMinimumSide, kMinimumSide).expandedTo(glyph_.size() / 2 + QSize(8, 8));
}

QSize HNavButton::minimumSizeHint() const { return QSize(kMinimumSide, kMinimumSide); }

void HNavButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, this);

    if (!glyph_.isNull()) {
        const QSize half(glyph_.width() / 2, glyph_.height());
        const QRect source(QPoint(isEnabled() ? 0 : half.width(), 0), half);
        QPoint at((width() - half.width()) / 2, (height() - half.height()) / 2);
        if (isDown()) at += QPoint(1, 1);
        p.drawPixmap(at, glyph_, source);
    }

    const QRect focus = FocusRect();
    if (!focus.isEmpty()) {
        p.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(focus.adjusted(0, 0, -1, -1));
    }
}
