// ToxCustomSplit: the base of the split panel, holding its two scrollable panes with the
// settings, frames and scroll coupling they share; where the panes go is left to the subclass.
#pragma once

#include <QColor>
#include <QWidget>

#include "widgets/ToxScrollPane.h"

class QEvent;
class QPaintEvent;
class QResizeEvent;

// A control holding exactly two scrollable panes, Pane1() and Pane2(), created and owned by it,
// and painting the band between and around them. A subclass places the panes (LayoutPanes) and
// moves the bar; this class keeps the settings:
//
//   BarWidth     thickness of the bar in pixels; the style's splitter width at first.
//   BarColor     colour of the whole background, bar included; follows the palette's button
//                colour until set.
//   Style        the frames drawn around the panes (see ToxsStyle); oxsAuto at first.
//   BorderStyle  bsSingle (the default) or bsNone, which draws no frames and gives no inset.
//   Ctl3D        the three-dimensional look of oxsWin31 (sunken frames and pane borders); true.
//   AutoUpdate   the panes follow the bar while it is dragged (true) or only when it is
//                released (false, the default).
//   AutoScroll   passed on to both panes; true.
//   SyncScroll   scrolling one pane scrolls the other to the same position; false.
//   Locked       the bar cannot be dragged; false.
//
// Setting a property to its current value does nothing. Font and palette reach the panes as
// they reach any Qt child; the tool tip is copied to them whenever it changes. Mouse and key
// events the panes leave unused go on to this control, as for any Qt child. A new control is
// 185 by 41 pixels. User-interface thread only.
class ToxCustomSplit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int BarWidth READ BarWidth WRITE SetBarWidth)
    Q_PROPERTY(QColor BarColor READ BarColor WRITE SetBarColor RESET ResetBarColor)
    Q_PROPERTY(ToxsStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
    Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)
    Q_PROPERTY(bool SyncScroll READ SyncScroll WRITE SetSyncScroll)
    Q_PROPERTY(bool Locked READ Locked WRITE SetLocked)

public:
    // The frames around the panes, in this order (0 to 4). Pane borders are their own frames;
    // "enlarged by n" means n pixels further out on every side.
    //   oxsAuto   as oxsWin95 (the desktop always has the newer three-dimensional look).
    //   oxsWin31  inset 0. With Ctl3D, a sunken frame around each pane enlarged by 1; with or
    //             without it, a frame in the palette's Shadow colour around the whole control.
    //             The panes have borders of their own: sunken with Ctl3D, a plain line without.
    //   oxsWin95  inset 2. Around each pane enlarged by 2, a sunken frame with a second one
    //             inside it (Shadow top and left, Button bottom and right).
    //   oxsInset  inset 1. A sunken frame around each pane enlarged by 1.
    //   oxsGroove inset 0. Around each pane moved one pixel right and down and enlarged by half
    //             the bar width, a frame Light top-left and Shadow bottom-right, and inside it one
    //             Button top-left and Dark bottom-right.
    // A sunken frame is Dark top and left, Light bottom and right; the bottom-right colour
    // takes the top-right and bottom-left corners. Only oxsWin31 panes have borders.
    enum class ToxsStyle {
        oxsAuto,
        oxsWin31,
        oxsWin95,
        oxsInset,
        oxsGroove,
    };
    Q_ENUM(ToxsStyle)

    enum class TBorderStyle {
        bsNone,
        bsSingle,
    };
    Q_ENUM(TBorderStyle)

    ~ToxCustomSplit() override;

    ToxScrollPane* Pane1() const { return pane1_; }
    ToxScrollPane* Pane2() const { return pane2_; }

    int BarWidth() const { return barWidth_; }
    // Lays the panes out again. A negative width counts as 0.
    void SetBarWidth(int width);

    QColor BarColor() const;
    // An invalid colour goes back to following the palette, as ResetBarColor() does.
    void SetBarColor(const QColor& color);
    void ResetBarColor() { SetBarColor(QColor()); }

    ToxsStyle Style() const { return style_; }
    void SetStyle(ToxsStyle style);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle borderStyle);

    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool on);

    bool AutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool on) { autoUpdate_ = on; }

    bool AutoScroll() const { return pane1_->AutoScroll(); }
    void SetAutoScroll(bool on);

    bool SyncScroll() const { return syncScroll_; }
    void SetSyncScroll(bool on) { syncScroll_ = on; }

    bool Locked() const { return locked_; }
    // Locking also puts back the normal cursor.
    void SetLocked(bool on);

    // The style drawn: Style() with oxsAuto resolved.
    ToxsStyle EffectiveStyle() const;

    // The margin between the control's edges and the pane area: 2 for oxsWin95, 1 for oxsInset,
    // 0 for oxsWin31 and oxsGroove, and 0 whatever the style when BorderStyle is bsNone.
    int Inset() const;

    QSize sizeHint() const override { return QSize(185, 41); }

signals:
    // Emitted whenever the bar position is set, whether or not it changed.
    void OnResized(ToxCustomSplit* split);

protected:
    explicit ToxCustomSplit(QWidget* parent);

    // Places both panes for the current size and settings. Called on every resize and after
    // every change of a setting that moves the panes.
    virtual void LayoutPanes() = 0;

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Gives the panes the borders of the current style.
    void ApplyPaneBorders();
    // After a change of style, border or look: borders, layout and drawing.
    void Restyle();
    // Copies a scroll position of `from` to the same scroll bar of `to` when SyncScroll is on.
    void CoupleScrolling(ToxScrollPane* from, ToxScrollPane* to);

    ToxScrollPane* pane1_;
    ToxScrollPane* pane2_;
    int barWidth_;
    QColor barColor_;  // invalid: the palette's button colour
    ToxsStyle style_ = ToxsStyle::oxsAuto;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    bool ctl3D_ = true;
    bool autoUpdate_ = false;
    bool syncScroll_ = false;
    bool locked_ = false;
    // Set while one pane's position is copied to the other, so that the copy, clamped to the
    // other pane's range, does not travel back.
    bool syncing_ = false;
};

using ToxsStyle = ToxCustomSplit::ToxsStyle;
using TBorderStyle = ToxCustomSplit::TBorderStyle;
