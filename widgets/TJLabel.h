// TJLabel: a text label that reads as a link by changing its look while the mouse is over it.
#pragma once

#include <QColor>
#include <QLabel>

class QEnterEvent;
class QEvent;
class QHideEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

// A plain-text label (an "&" shows literally; there is no accelerator) with a hover look: while
// the mouse is over it, its text takes FontOverColor and its font exactly the styles of
// FontOverStyle. Being over it counts the right and bottom edges as inside: the label covers
// 0 <= x <= width() and 0 <= y <= height() in its own coordinates.
//
// The hover look is applied only when the label is enabled and visible and its window is the
// active window; OnMouseEnter is emitted exactly when the look is applied. OnMouseLeave is
// emitted whenever the mouse leaves after having entered, whether or not the look was applied.
// Leaving puts back the colour and styles the label had just before the hover look, so a colour
// or font set after construction survives hovering. OnClick is emitted when the left button is
// pressed and released over the label, and when Return, Enter or Space is pressed while the
// label has the keyboard focus (give it a focus policy to take part in Tab order; a focused
// label shows a focus frame). User-interface thread only.
class TJLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(
        QColor FontOverColor READ FontOverColor WRITE SetFontOverColor NOTIFY FontOverColorChanged)
    Q_PROPERTY(FontStyles FontOverStyle READ FontOverStyle WRITE SetFontOverStyle NOTIFY
                   FontOverStyleChanged)

public:
    // A set of font styles, as QFont spells them with separate switches.
    enum class FontStyle {
        Bold = 0x1,
        Italic = 0x2,
        Underline = 0x4,
        StrikeOut = 0x8,
    };
    Q_DECLARE_FLAGS(FontStyles, FontStyle)
    Q_FLAG(FontStyles)

    // An empty label; the hover look is black with no styles until set.
    explicit TJLabel(QWidget* parent = nullptr);
    ~TJLabel() override;

    QColor FontOverColor() const { return fontOverColor_; }
    void SetFontOverColor(const QColor& color);

    FontStyles FontOverStyle() const { return fontOverStyle_; }
    void SetFontOverStyle(FontStyles styles);

    // The styles `font` has switched on.
    static FontStyles StylesOf(const QFont& font);

    // True between entering and leaving.
    bool IsInside() const { return inside_; }

signals:
    void FontOverColorChanged(const QColor& color);
    void FontOverStyleChanged(TJLabel::FontStyles styles);
    void OnMouseEnter(TJLabel* label);
    void OnMouseLeave(TJLabel* label);
    void OnClick(TJLabel* label);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when `local` lies on the label, right and bottom edges included.
    bool Covers(const QPoint& local) const;
    void Enter();
    void Leave();
    void ApplyHoverLook();
    void RestoreNormalLook();

    QColor fontOverColor_ = Qt::black;
    FontStyles fontOverStyle_;
    bool inside_ = false;
    bool pressed_ = false;
    // The look put back on leaving, saved when the hover look is applied.
    bool hoverLookApplied_ = false;
    QBrush normalBrushes_[QPalette::NColorGroups];
    FontStyles normalStyles_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TJLabel::FontStyles)
