// ToxSplit: the split panel, two scrollable panes side by side or one above the other, sharing
// the space at a bar the user drags.
#pragma once

#include "widgets/ToxCustomSplit.h"

class QHideEvent;
class QMouseEvent;

// Lengths run along the orientation's axis: widths for a vertical bar (oxsVert, panes left and
// right), heights for a horizontal one (oxsHorz, panes above and below).
//
//   available length = control length - 2 * Inset() - BarWidth()
//
// The pane area is the control shrunk by Inset() on every side. Pane1 runs from the area's
// start for BarPosition pixels, the bar follows for BarWidth pixels, and Pane2 takes the rest
// of the area; both panes span the area's full breadth. Should the control shrink below the
// stored position, the panes are laid out (and the bar drawn and grabbed) at the available
// length, and BarPosition keeps its value for when the control grows again.
//
// Dragging: over the bar (BarWidth thick at BarPosition + Inset(), across the whole control)
// the cursor is Qt::SplitHCursor for a vertical bar and Qt::SplitVCursor for a horizontal one,
// unless Locked. Pressing the left button there grabs the bar; while it is held, the bar follows
// the mouse, keeping the point where it was grabbed under the pointer, with its leading edge
// between Inset() and control length - BarWidth - 2; once the pointer is within BarWidth + 1
// pixels of the far edge, the bar snaps to that end. With AutoUpdate the panes follow at once;
// without it a dark band (child "ghostBar") shows where the bar would go, and the panes move
// when the button is released. Other buttons, and every button while Locked, do nothing. Events
// the bar does not use are ignored, so they reach the parent. User-interface thread only.
class ToxSplit : public ToxCustomSplit {
    Q_OBJECT
    Q_PROPERTY(int BarPosition READ BarPosition WRITE SetBarPosition)
    Q_PROPERTY(ToxsOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(int Percent READ Percent WRITE SetPercent STORED false)

public:
    enum class ToxsOrientation {
        oxsVert,
        oxsHorz,
    };
    Q_ENUM(ToxsOrientation)

    // A 185 by 41 split panel with a vertical bar at 50.
    explicit ToxSplit(QWidget* parent = nullptr);
    ~ToxSplit() override;

    // The bar's distance from the start of the pane area, in pixels.
    int BarPosition() const { return barPosition_; }
    // Clamps `position` to 0 .. AvailableLength() (0 when that is negative), stores it, lays
    // the panes out, redraws and emits OnResized, also when the value stays the same.
    // The clamp uses the current size: size the control before placing its bar.
    void SetBarPosition(int position);

    ToxsOrientation Orientation() const { return orientation_; }
    // A change sets BarPosition again to its current value, clamped to the new axis.
    void SetOrientation(ToxsOrientation orientation);

    // BarPosition * 100 / AvailableLength(), rounded down and at most 100. When the available
    // length is 0 or less: 100 if BarPosition is above 0, otherwise 0.
    int Percent() const;
    // Sets BarPosition to percent * AvailableLength() / 100, rounded down (then clamped).
    void SetPercent(int percent);

    // The length the bar can move over; may be negative on a control too small for the bar.
    int AvailableLength() const;

    // The band grabbed to drag the bar, in this control's coordinates.
    QRect BarRect() const;

    // True from a left-button press on the bar until its release.
    bool IsDragging() const { return dragging_; }

protected:
    void LayoutPanes() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool Vertical() const { return orientation_ == ToxsOrientation::oxsVert; }
    // The control's length along the axis, and a point's coordinate along it.
    int ClientLength() const { return Vertical() ? width() : height(); }
    int Along(const QPoint& point) const { return Vertical() ? point.x() : point.y(); }
    // BarPosition as laid out: clamped to the available length.
    int LaidOutPosition() const;
    // The mouse coordinate `along` kept within the range the grabbed bar may take.
    int ClampDrag(int along) const;
    // Shows the ghost of a bar whose leading edge is at `barStart`.
    void MoveGhost(int barStart);
    // Ends a drag without moving the bar.
    void CancelDrag();

    int barPosition_ = 50;
    ToxsOrientation orientation_ = ToxsOrientation::oxsVert;
    bool dragging_ = false;
    // The grabbed point's distance from the bar's leading edge.
    int grabOffset_ = 0;
    QWidget* ghost_;
};

using ToxsOrientation = ToxSplit::ToxsOrientation;
