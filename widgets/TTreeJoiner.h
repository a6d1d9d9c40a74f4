// TTreeJoiner: the bracket-shaped connector of the pedigree panel that joins a name to the names
// of the two parents.
#pragma once

#include <QBrush>
#include <QPen>
#include <QWidget>

class QPaintEvent;
class QPainter;

// A windowless connector: it has no background of its own and draws its lines over its parent,
// and it takes no mouse input. The figure is chosen by CrossBarPosition. It owns its pen and
// brush; setting either copies the given value in. Any real change of a property repaints the
// connector and emits its change signal; setting a property to its current value does neither.
// User-interface thread only.
//
// Pixel rules, with W and H the width and height, W/2 and H/2 truncated halves and 3W/4 meaning
// (W / 4) * 3: a line from A to B sets A and every pixel up to B, but not B itself.
//   cbpCenter       (0,H/2)-(W/2,H/2); (W/2,0)-(W/2,H); (W/2,0)-(W,0); (W/2,H-1)-(W,H-1)
//   cbpThreeQuartr  as cbpCenter with 3W/4 for the bar and the starts of both arms
//   cbpRightSide    (0,H/2)-(W,H/2); (W-1,0)-(W-1,H)
//   cbpHalfRectUL   (0,H)-(0,0)-(W,0): left and top sides
//   cbpHalfRectLL   (0,0)-(0,H-1)-(W,H-1): left and bottom sides
class TTreeJoiner : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TCrossBarPosition CrossBarPosition READ CrossBarPosition WRITE SetCrossBarPosition
                   NOTIFY CrossBarPositionChanged)
    Q_PROPERTY(QPen Pen READ Pen WRITE SetPen NOTIFY PenChanged)
    Q_PROPERTY(QBrush Brush READ Brush WRITE SetBrush NOTIFY BrushChanged)

public:
    // The figures, in this order (0 to 4).
    enum class TCrossBarPosition {
        cbpCenter,
        cbpThreeQuartr,
        cbpRightSide,
        cbpHalfRectUL,
        cbpHalfRectLL,
    };
    Q_ENUM(TCrossBarPosition)

    // A cbpCenter connector with the default (black) pen and the default brush.
    explicit TTreeJoiner(QWidget* parent = nullptr);

    TCrossBarPosition CrossBarPosition() const { return crossBarPosition_; }
    void SetCrossBarPosition(TCrossBarPosition position);

    // Only the pen's colour is used: lines are always one pixel wide and solid.
    const QPen& Pen() const { return pen_; }
    void SetPen(const QPen& pen);

    // Only the brush's colour is kept for drawing, and the figures are lines only, so the brush
    // never shows; it is kept for symmetry with the pen.
    const QBrush& Brush() const { return brush_; }
    void SetBrush(const QBrush& brush);

signals:
    void CrossBarPositionChanged(TCrossBarPosition position);
    void PenChanged(const QPen& pen);
    void BrushChanged(const QBrush& brush);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the current figure with `painter`, whose origin is this connector's top-left corner.
    void PaintFigure(QPainter& painter) const;

    TCrossBarPosition crossBarPosition_ = TCrossBarPosition::cbpCenter;
    QPen pen_;
    QBrush brush_;
};

using TCrossBarPosition = TTreeJoiner::TCrossBarPosition;
