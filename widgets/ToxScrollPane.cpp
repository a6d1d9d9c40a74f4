#include "widgets/ToxScrollPane.h"

#include <QScrollBar>

ToxScrollPane::ToxScrollPane(QWidget* parent) : QScrollArea(parent) {
    setFrameStyle(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(new QWidget);
    setCursor(Qt::ArrowCursor);
}

void ToxScrollPane::SetChild(QWidget* child) {
    Q_ASSERT(child != nullptr);
    setWidget(child);
    FitContent();
}

void ToxScrollPane::SetAutoScroll(bool on) {
    if (on == autoScroll_) return;
    autoScroll_ = on;
    const Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void ToxScrollPane::FitContent() {
    // A hidden widget gets its resize event only when it is shown; until then the scroll area
    // has not sized its content.
    if (isVisible() || widget() == nullptr) return;
    widget()->resize(contentsRect().size().expandedTo(widget()->minimumSize()));
}
