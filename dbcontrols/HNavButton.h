// HNavButton: one button of the navigator (HDBNavigator), and the names of the twelve buttons.
#pragma once

#include <initializer_list>

#include <QAbstractButton>
#include <QPixmap>
#include <QRect>
#include <QSize>

// The navigator's buttons, in their fixed order (the value is the button's index).
enum class HNavigateBtn {
    nbTop,
    nbPrev,
    nbNext,
    nbBttm,
    nbInsert,
    nbCopy,
    nbEdit,
    nbDelete,
    nbPost,
    nbCancel,
    nbFind,
    nbRefresh,
};

constexpr int kNavButtonCount = 12;

// A set of buttons: bit (1u << index) for each member.
using HNavigateBtns = unsigned;

constexpr HNavigateBtns NavButtonBit(HNavigateBtn button) {
    return 1u << static_cast<unsigned>(button);
}
// The set holding `buttons`, e.g. NavButtons({HNavigateBtn::nbTop, HNavigateBtn::nbFind}).
constexpr HNavigateBtns NavButtons(std::initializer_list<HNavigateBtn> buttons) {
    HNavigateBtns set = 0;
    for (HNavigateBtn button : buttons) set |= NavButtonBit(button);
    return set;
}
constexpr bool HasNavButton(HNavigateBtns set, HNavigateBtn button) {
    return (set & NavButtonBit(button)) != 0;
}
constexpr HNavigateBtns kAllNavButtons = (1u << kNavButtonCount) - 1;

// A flat picture button showing one half of a glyph pair: the left half while enabled, the
// right (greyed) half while disabled; the picture moves down and right by one pixel while the
// button is held down. Prior and Next repeat while held down: the first repeat after
// kRepeatDelayMs, then one every kRepeatIntervalMs (each repeat emits clicked()).
//
// The button never takes the keyboard focus itself: its navigator keeps it and marks the button
// the keys act on with SetFocusShown. Owned by its parent widget; user-interface thread only.
class HNavButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatIntervalMs = 100;
    static constexpr int kMinimumSide = 20;
    // Distance of the focus rectangle from the button's border.
    static constexpr int kFocusInset = 3;

    explicit HNavButton(HNavigateBtn index, QWidget* parent = nullptr);
    ~HNavButton() override;

    HNavigateBtn Index() const { return index_; }

    // The glyph pair (normal left, disabled right, each half square); a null pixmap shows none.
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& pair);

    // Whether the dotted focus rectangle is drawn.
    bool FocusShown() const { return focusShown_; }
    void SetFocusShown(bool on);
    // Where the focus rectangle is drawn: kFocusInset pixels inside the border, one pixel down
    // and right while the button is held down. Empty while the focus is not shown.
    QRect FocusRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HNavigateBtn index_;
    QPixmap glyph_;
    bool focusShown_ = false;
};
