#include "widgets/TJLabel.h"

#include <QApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

// `font` with exactly the styles of `styles` switched on.
QFont WithStyles(QFont font, TJLabel::FontStyles styles) {
    font.setBold(styles.testFlag(TJLabel::FontStyle::Bold));
    font.setItalic(styles.testFlag(TJLabel::FontStyle::Italic));
    font.setUnderline(styles.testFlag(TJLabel::FontStyle::Underline));
    font.setStrikeOut(styles.testFlag(TJLabel::FontStyle::StrikeOut));
    return font;
}

}  // namespace

TJLabel::TJLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
}

TJLabel::~TJLabel() {
    if (inside_) qApp->removeEventFilter(this);
}

void TJLabel::SetFontOverColor(const QColor& color) {
    if (color == fontOverColor_) return;
    fontOverColor_ = color;
    if (hoverLookApplied_) {
        QPalette pal = palette();
        pal.setColor(foregroundRole(), fontOverColor_);
        setPalette(pal);
    }
    emit FontOverColorChanged(fontOverColor_);
}

void TJLabel::SetFontOverStyle(FontStyles styles) {
    if (styles == fontOverStyle_) return;
    fontOverStyle_ = styles;
    if (hoverLookApplied_) setFont(WithStyles(font(), fontOverStyle_));
    emit FontOverStyleChanged(fontOverStyle_);
}

TJLabel::FontStyles TJLabel::StylesOf(const QFont& font) {
    FontStyles styles;
    styles.setFlag(FontStyle::Bold, font.bold());
    styles.setFlag(FontStyle::Italic, font.italic());
    styles.setFlag(FontStyle::Underline, font.underline());
    styles.setFlag(FontStyle::StrikeOut, font.strikeOut());
    return styles;
}

bool TJLabel::Covers(const QPoint& local) const {
    return local.x() >= 0 && local.y() >= 0 && local.x() <= width() && local.y() <= height();
}

void TJLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    if (!inside_) Enter();
}

void TJLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    // The toolkit reports leaving as soon as the pointer is off the last pixel column or row;
    // one pixel further right or down still counts as inside, and the moves watched from then
    // on decide.
    if (inside_ && !Covers(mapFromGlobal(QCursor::pos()))) Leave();
}

void TJLabel::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    if (inside_) Leave();
}

void TJLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TJLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint())) emit OnClick(this);
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void TJLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        event->modifiers() == Qt::NoModifier) {
        event->accept();
        emit OnClick(this);
        return;
    }
    QLabel::keyPressEvent(event);
}

void TJLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = contentsRect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

bool TJLabel::eventFilter(QObject* watched, QEvent* event) {
    // Installed on the application while the mouse is inside: it sees every mouse move in the
    // program's windows, wherever it is delivered, much as a mouse capture would.
    if (inside_) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            if (!Covers(mapFromGlobal(move->globalPosition().toPoint()))) Leave();
        } else if (event->type() == QEvent::Leave && watched == window()) {
            // Out of the window: no further moves arrive.
            Leave();
        }
    }
    return QLabel::eventFilter(watched, event);
}

void TJLabel::Enter() {
    inside_ = true;
    qApp->installEventFilter(this);
    if (isEnabled() && isVisible() && isActiveWindow()) {
        ApplyHoverLook();
        emit OnMouseEnter(this);
    }
}

void TJLabel::Leave() {
    inside_ = false;
    qApp->removeEventFilter(this);
    RestoreNormalLook();
    emit OnMouseLeave(this);
}

void TJLabel::ApplyHoverLook() {
    const QPalette pal = palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        normalBrushes_[group] =
            pal.brush(static_cast<QPalette::ColorGroup>(group), foregroundRole());
    }
    normalStyles_ = StylesOf(font());
    hoverLookApplied_ = true;

    QPalette hover = pal;
    hover.setColor(foregroundRole(), fontOverColor_);
    setPalette(hover);
    setFont(WithStyles(font(), fontOverStyle_));
}

void TJLabel::RestoreNormalLook() {
    if (!hoverLookApplied_) return;
    hoverLookApplied_ = false;
    QPalette pal = palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        pal.setBrush(static_cast<QPalette::ColorGroup>(group), foregroundRole(),
                     normalBrushes_[group]);
    }
    setPalette(pal);
    setFont(WithStyles(font(), normalStyles_));
}
