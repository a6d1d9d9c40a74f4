// HDBCustomGrid's input: keys, mouse, wheel and focus, and the vertical scroll bar, whose thumb is
// a position in the table (GoPercent) rather than in pixels.
#include <algorithm>
#include <vector>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "dbcontrols/HDBCustomGrid.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "widgets/ErrorGuard.h"

namespace {

constexpr int kThumbTop = 0;
constexpr int kThumbMiddle = 50;
constexpr int kThumbBottom = 100;
constexpr int kWheelNotch = 120;

}  // namespace

// An exception must not leave a Qt event handler: the grid's handlers show it instead.
void HDBCustomGrid::Guarded(const std::function<void()>& action) { RunGuarded(this, action); }

void HDBCustomGrid::SetUpVerticalBar() {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(kThumbTop, kThumbBottom);
    bar->setSingleStep(1);
    bar->setPageStep(10);
    bar->installEventFilter(this);
    connect(bar, &QAbstractSlider::actionTriggered, this, &HDBCustomGrid::ScrollAction);
    connect(bar, &QAbstractSlider::sliderPressed, this,
            [this] { thumbPressedAt_ = verticalScrollBar()->sliderPosition(); });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this] {
        // A click on the thumb that did not move it is no drop.
        const int position = verticalScrollBar()->sliderPosition();
        if (position == thumbPressedAt_) {
            UpdateThumb();
        } else {
            Guarded([this, position] { ThumbDropped(position); });
        }
    });
}

// --- Moving ---------------------------------------------------------------------------------

void HDBCustomGrid::MoveBy(int rows) {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    if (rows < 0) window_.SetPlacement(HGridPlacement::FirstRow);
    if (rows > 0) window_.SetPlacement(HGridPlacement::LastRow);
    window_.Step(rows);
}

void HDBCustomGrid::GoFirst() {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    window_.SetPlacement(HGridPlacement::FirstRow);
    table->First();
}

void HDBCustomGrid::GoLast() {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    window_.SetPlacement(HGridPlacement::LastRow);
    table->Last();
}

bool HDBCustomGrid::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool rowSelect = (permissions_ & luRowSelect) != 0;
    switch (key) {
        case Qt::Key_Up:
            ctrl ? GoFirst() : MoveBy(-1);
            return true;
        case Qt::Key_Down:
            ctrl ? GoLast() : MoveBy(1);
            return true;
        case Qt::Key_Left:
            if (!rowSelect) return false;
            MoveBy(-1);
            return true;
        case Qt::Key_Right:
            if (!rowSelect) return false;
            MoveBy(1);
            return true;
        case Qt::Key_PageUp:
            ctrl ? GoFirst() : MoveBy(-PageRows());
            return true;
        case Qt::Key_PageDown:
            ctrl ? GoLast() : MoveBy(PageRows());
            return true;
        case Qt::Key_Home:
            if (!ctrl) return false;
            GoFirst();
            return true;
        case Qt::Key_End:
            if (!ctrl) return false;
            GoLast();
            return true;
        case Qt::Key_Escape: {
            HTable* table = DBFTable();
            if (table == nullptr || !table->Active()) return false;
            const HTableState state = table->State();
            if (state != HTableState::Edit && state != HTableState::Insert) return false;
            table->Cancel();
            return true;
        }
        case Qt::Key_F2: {
            HTable* table = DBFTable();
            if (table != nullptr && table->Active() && !table->ReadOnly()) link_.CanModify();
            return true;
        }
        default:
            return false;
    }
}

void HDBCustomGrid::SetCurrentColumn(int column) {
    column = std::clamp(column, 1, std::max<int>(1, columns_.size()));
    if (column == currentColumn_) return;
    if (OnColExit) OnColExit();
    currentColumn_ = column;
    if (OnColEnter) OnColEnter();
    // Bring the column into view.
    if (!columns_.empty()) {
        int left = 0;
        for (size_t i = 0; i + 1 < static_cast<size_t>(column); ++i) left += ColumnPitch(i);
        const int right = left + ColumnWidth(static_cast<size_t>(column - 1));
        QScrollBar* bar = horizontalScrollBar();
        if (left < bar->value()) {
            bar->setValue(left);
        } else if (right > bar->value() + viewport()->width()) {
            bar->setValue(right - viewport()->width());
        }
    }
    if (window_.CurrentRow() >= 0) changedRows_.push_back(window_.CurrentRow());
    RepaintChanges();
}

// --- The vertical scroll bar ----------------------------------------------------------------

void HDBCustomGrid::ScrollAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    Guarded([&] {
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                MoveBy(-1);
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                MoveBy(1);
                break;
            case QAbstractSlider::SliderPageStepSub:
                MoveBy(-PageRows());
                break;
            case QAbstractSlider::SliderPageStepAdd:
                MoveBy(PageRows());
                break;
            case QAbstractSlider::SliderToMinimum:
                GoFirst();
                break;
            case QAbstractSlider::SliderToMaximum:
                GoLast();
                break;
            case QAbstractSlider::SliderMove:
                // A drag ends at the release; a position set at once ("scroll here") is a drop.
                if (!bar->isSliderDown()) ThumbDropped(bar->sliderPosition());
                break;
            default:
                break;
        }
    });
    if (!bar->isSliderDown()) bar->setSliderPosition(ThumbPosition());
}

void HDBCustomGrid::ThumbDropped(int position) {
    HTable* table = DBFTable();
    if (table != nullptr && table->Active()) {
        if (position <= kThumbTop) {
            GoFirst();
        } else if (position >= kThumbBottom) {
            GoLast();
        } else if (table->Percent() >= 0) {
            window_.SetPlacement(HGridPlacement::Centred);
            table->GoPercent(position);
        } else {
            MoveBy(position <= kThumbMiddle ? -PageRows() : PageRows());
        }
    }
    UpdateThumb();
}

int HDBCustomGrid::ThumbPosition() const {
    if (!window_.Readable() || window_.Snapshots().empty()) return kThumbTop;
    HTable& table = *DBFTable();
    if (table.State() == HTableState::Insert) return kThumbBottom;
    const HDBFTable& engine = *table.Table();
    if (engine.Bof()) return kThumbTop;
    if (engine.Eof()) return kThumbBottom;
    const int percent = table.Percent();
    return percent >= 0 ? percent : kThumbMiddle;
}

void HDBCustomGrid::UpdateThumb() {
    QScrollBar* bar = verticalScrollBar();
    if (bar->isSliderDown()) return;
    const QSignalBlocker block(bar);
    bar->setValue(ThumbPosition());
}

// --- Qt events ------------------------------------------------------------------------------

void HDBCustomGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    Guarded([&] {
        handled = HandleKey(event->key(), event->modifiers());
        if (handled || (permissions_ & luRowSelect) || columns_.empty()) return;
        // Cell selection: the horizontal keys choose the column.
        switch (event->key()) {
            case Qt::Key_Left:
                SetCurrentColumn(currentColumn_ - 1);
                handled = true;
                break;
            case Qt::Key_Right:
                SetCurrentColumn(currentColumn_ + 1);
                handled = true;
                break;
            case Qt::Key_Home:
                SetCurrentColumn(1);
                handled = true;
                break;
            case Qt::Key_End:
                SetCurrentColumn(static_cast<int>(columns_.size()));
                handled = true;
                break;
            default:
                break;
        }
    });
    if (handled) {
        event->accept();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void HDBCustomGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (focusPolicy() & Qt::ClickFocus) setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    if ((permissions_ & luColResize) && (TitleHeight() == 0 || at.y() < TitleHeight())) {
        const int border = ColumnBorderAt(at.x());
        if (border >= 0) {
            resizingColumn_ = border;
            resizeStartX_ = at.x();
            resizeStartWidth_ = ColumnWidth(static_cast<size_t>(border));
            return;
        }
    }
    const std::vector<HGridSnapshot>& window = window_.Snapshots();
    const int row = RowAt(at.y());
    if (row < 0 || row >= static_cast<int>(window.size())) return;
    const int column = ColumnAt(at.x());
    Guarded([&] {
        if (!(permissions_ & luRowSelect) && column >= 0) SetCurrentColumn(column + 1);
        HTable* table = DBFTable();
        if (table == nullptr || !table->Active()) return;
        const int currentRow = window_.CurrentRow();
        if (currentRow >= 0) {
            if (row != currentRow) window_.Step(row - currentRow);
        } else if (window[static_cast<size_t>(row)].recNo != HGridRecordWindow::kInsertRecNo) {
            table->Go(window[static_cast<size_t>(row)].recNo);
        }
    });
}

void HDBCustomGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        const auto column = static_cast<size_t>(resizingColumn_);
        const int width = std::max(0, resizeStartWidth_ + at.x() - resizeStartX_);
        columns_[column].width = width;
        if (column < static_cast<size_t>(items_.size())) {
            items_[static_cast<qsizetype>(column)] =
                WithColumnWidth(items_[static_cast<qsizetype>(column)], width);
        }
        UpdateScrollRanges();
        RepaintAll();
        event->accept();
        return;
    }
    const bool grip = (permissions_ & luColResize) &&
                      (TitleHeight() == 0 || at.y() < TitleHeight()) && ColumnBorderAt(at.x()) >= 0;
    if (grip) {
        viewport()->setCursor(Qt::SplitHCursor);
    } else {
        viewport()->unsetCursor();
    }
    event->accept();
}

void HDBCustomGrid::mouseReleaseEvent(QMouseEvent* event) {
    resizingColumn_ = -1;
    if (event->button() == Qt::LeftButton) {
        event->accept();
    } else {
        QAbstractScrollArea::mouseReleaseEvent(event);
    }
}

void HDBCustomGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = RowAt(event->position().toPoint().y());
    if (event->button() == Qt::LeftButton && row >= 0 &&
        row < static_cast<int>(window_.Snapshots().size())) {
        emit DblClick();
        return;
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void HDBCustomGrid::wheelEvent(QWheelEvent* event) {
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / kWheelNotch;
    wheelRemainder_ -= notches * kWheelNotch;
    if (notches != 0) Guarded([&] { MoveBy(-notches * QApplication::wheelScrollLines()); });
    event->accept();
}

void HDBCustomGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (window_.CurrentRow() >= 0) changedRows_.push_back(window_.CurrentRow());
    RepaintChanges();
}

void HDBCustomGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    if (window_.CurrentRow() >= 0) changedRows_.push_back(window_.CurrentRow());
    RepaintChanges();
}

bool HDBCustomGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == verticalScrollBar()) {
        if (event->type() == QEvent::MouseButtonPress && (focusPolicy() & Qt::ClickFocus)) {
            setFocus(Qt::MouseFocusReason);
        } else if (event->type() == QEvent::Wheel) {
            // The wheel moves the table, as over the rows, never the thumb alone.
            wheelEvent(static_cast<QWheelEvent*>(event));
            return true;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}
