// TUrlLabel: a label that acts as a web link.
#pragma once

#include <functional>

#include <QBrush>
#include <QColor>
#include <QLabel>
#include <QPalette>

class QAction;
class QContextMenuEvent;
class QHideEvent;
class QMenu;
class QMouseEvent;
class QUrl;

// A plain-text label whose caption is a web address. It is created blue (0, 0, 255) and
// underlined, fills the cursor slot kCrHand with LinkHandCursor() and shows that cursor.
//
// Left button: pressing it on the label remembers the text colour and turns the text to
// ActiveColor; releasing it, on the label or anywhere else, puts the remembered colour back. A
// press and release on the label is a click (Click()). The right button changes no colour; it
// opens the context menu, which has the one item "Copy" (CopyClick()). The menu is a child of
// the label and dies with it. Handlers run through RunGuarded, so no exception of the opener
// reaches the event loop. User-interface thread only.
class TUrlLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QColor ActiveColor READ ActiveColor WRITE SetActiveColor NOTIFY ActiveColorChanged)

public:
    // Opens a web address; returns false when it could not. The same type as the main window's
    // opener, so one opener can serve both.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The colour of the text when created.
    static const QColor kLinkColor;
    // ActiveColor when created: purple.
    static const QColor kDefaultActiveColor;

    // A label with an empty caption that opens addresses with QDesktopServices::openUrl.
    explicit TUrlLabel(QWidget* parent = nullptr);
    explicit TUrlLabel(const QString& caption, QWidget* parent = nullptr);
    ~TUrlLabel() override;

    QColor ActiveColor() const { return activeColor_; }
    // Also recolours the text when the left button is held at the time.
    void SetActiveColor(const QColor& color);

    // The colour the text is drawn in now.
    QColor FontColor() const;
    // Sets the colour of the text in every colour group.
    void SetFontColor(const QColor& color);

    // Replaces how addresses are opened; an empty opener puts QDesktopServices::openUrl back.
    void SetUrlOpener(UrlOpener opener);

    // A click: when the caption is not blank after trimming, hands it to the opener as a URL
    // (QUrl::fromUserInput, so "www.example.com" becomes an http address). A failure to open is
    // not reported. A blank caption does nothing.
    void Click();
    // "Copy": puts the caption on the clipboard as text.
    void CopyClick();

    // The context menu and its one item, owned by the label.
    QMenu* ContextMenu() const { return menu_; }
    QAction* CopyAction() const { return copyAction_; }

    // True between a left press on the label and the release of that button.
    bool IsPressed() const { return pressed_; }

signals:
    void ActiveColorChanged(const QColor& color);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Press();
    void Release();

    QColor activeColor_ = kDefaultActiveColor;
    UrlOpener opener_;
    QMenu* menu_ = nullptr;
    QAction* copyAction_ = nullptr;
    bool pressed_ = false;
    // The text colour at the press, one brush per colour group, put back at the release.
    QBrush remembered_[QPalette::NColorGroups];
};
