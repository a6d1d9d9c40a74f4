#include "widgets/TUrlLabel.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHideEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>

#include "widgets/ErrorGuard.h"
#include "widgets/HandCursor.h"
#include "widgets/ScreenCursors.h"

const QColor TUrlLabel::kLinkColor = QColor(0, 0, 255);
const QColor TUrlLabel::kDefaultActiveColor = QColor(128, 0, 128);

namespace {

bool OpenWithDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace

TUrlLabel::TUrlLabel(QWidget* parent) : TUrlLabel(QString(), parent) {}

TUrlLabel::TUrlLabel(const QString& caption, QWidget* parent)
    : QLabel(parent), opener_(OpenWithDesktop) {
    setTextFormat(Qt::PlainText);
    setText(caption);
    SetFontColor(kLinkColor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    SetScreenCursor(kCrHand, LinkHandCursor());
    setCursor(ScreenCursor(kCrHand));

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("UrlMenu"));
    copyAction_ = menu_->addAction(QStringLiteral("Copy"));
    copyAction_->setObjectName(QStringLiteral("CopyItem"));
    connect(copyAction_, &QAction::triggered, this,
            [this] { RunGuarded(this, [this] { CopyClick(); }); });
}

TUrlLabel::~TUrlLabel() = default;

void TUrlLabel::SetActiveColor(const QColor& color) {
    if (color == activeColor_) return;
    activeColor_ = color;
    if (pressed_) SetFontColor(activeColor_);
    emit ActiveColorChanged(activeColor_);
}

QColor TUrlLabel::FontColor() const { return palette().color(foregroundRole()); }

void TUrlLabel::SetFontColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(foregroundRole(), color);
    setPalette(pal);
}

void TUrlLabel::SetUrlOpener(UrlOpener opener) {
    opener_ = opener ? std::move(opener) : UrlOpener(OpenWithDesktop);
}

void TUrlLabel::Click() {
    const QString address = text().trimmed();
    if (address.isEmpty()) return;
    opener_(QUrl::fromUserInput(address));
}

void TUrlLabel::CopyClick() { QGuiApplication::clipboard()->setText(text()); }

void TUrlLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Press();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        // The label holds the mouse from the press on, so the release arrives here wherever it
        // happens; only one on the label is a click.
        Release();
        event->accept();
        if (rect().contains(event->position().toPoint())) {
            RunGuarded(this, [this] { Click(); });
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* event) {
    // popup, not exec: the menu runs in the program's event loop.
    menu_->popup(event->globalPos());
    event->accept();
}

void TUrlLabel::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    // A hidden label gets no release.
    if (pressed_) Release();
}

void TUrlLabel::Press() {
    if (pressed_) return;
    pressed_ = true;
    const QPalette pal = palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        remembered_[group] = pal.brush(static_cast<QPalette::ColorGroup>(group), foregroundRole());
    }
    SetFontColor(activeColor_);
}

void TUrlLabel::Release() {
    pressed_ = false;
    QPalette pal = palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        pal.setBrush(static_cast<QPalette::ColorGroup>(group), foregroundRole(),
                     remembered_[group]);
    }
    setPalette(pal);
}
