// HDBCustomGrid's geometry (rows, columns, the horizontal scroll range) and painting: cells are
// drawn from the record window's snapshots, and only the rows that changed are repainted.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "dbcontrols/HDBCustomGrid.h"
#include "table/HTable.h"

namespace {

constexpr int32_t kUnknownRow = INT32_MIN;  // shown: a row whose pixels are not known
constexpr int kTextMargin = 2;
constexpr int kBorderGrip = 3;  // pixels either side of a column border that grab it

}  // namespace

// --- Geometry -------------------------------------------------------------------------------

int HDBCustomGrid::RowCapacity() const {
    const int pitch = RowPitch();
    const int height = std::max(0, viewport()->height() - TitleHeight());
    return (height + pitch - 1) / pitch;
}

HGridRows HDBCustomGrid::Rows() const { return {RowCapacity(), FullRows()}; }

int HDBCustomGrid::RowPitch() const {
    return defaultRowHeight_ + ((permissions_ & luRowLines) ? gridLineWidth_ : 0);
}

int HDBCustomGrid::TitleHeight() const { return (permissions_ & luTitles) ? RowPitch() : 0; }

int HDBCustomGrid::FullRows() const {
    return std::max(0, viewport()->height() - TitleHeight()) / RowPitch();
}

int HDBCustomGrid::PageRows() const { return std::max(1, FullRows() - 1); }

QRect HDBCustomGrid::RowRect(int row) const {
    return QRect(0, TitleHeight() + row * RowPitch(), viewport()->width(), RowPitch());
}

int HDBCustomGrid::ColumnWidth(size_t column) const {
    const int width = columns_[column].width;
    return width >= 0 ? width : defaultColWidth_;
}

int HDBCustomGrid::ColumnPitch(size_t column) const {
    return ColumnWidth(column) + ((permissions_ & luColLines) ? gridLineWidth_ : 0);
}

int HDBCustomGrid::TotalColumnsWidth() const {
    int total = 0;
    for (size_t i = 0; i < columns_.size(); ++i) total += ColumnPitch(i);
    return total;
}

int HDBCustomGrid::RowAt(int y) const {
    if (y < TitleHeight()) return -1;
    const int row = (y - TitleHeight()) / RowPitch();
    return row < RowCapacity() ? row : -1;
}

int HDBCustomGrid::ColumnAt(int x) const {
    int left = -horizontalOffset_;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const int pitch = ColumnPitch(i);
        if (x >= left && x < left + pitch) return static_cast<int>(i);
        left += pitch;
    }
    return -1;
}

int HDBCustomGrid::ColumnBorderAt(int x) const {
    int right = -horizontalOffset_;
    for (size_t i = 0; i < columns_.size(); ++i) {
        right += ColumnPitch(i);
        if (std::abs(x - right) <= kBorderGrip) return static_cast<int>(i);
    }
    return -1;
}

void HDBCustomGrid::UpdateScrollRanges() {
    QScrollBar* bar = horizontalScrollBar();
    const int width = viewport()->width();
    bar->setRange(0, std::max(0, TotalColumnsWidth() - width));
    bar->setPageStep(std::max(1, width));
    bar->setSingleStep(std::max(1, defaultColWidth_ / 4));
    horizontalOffset_ = bar->value();
}

void HDBCustomGrid::scrollContentsBy(int dx, int /*dy*/) {
    // The vertical bar is a position in the table, not in pixels: only columns scroll.
    if (dx == 0) return;
    horizontalOffset_ = horizontalScrollBar()->value();
    RepaintAll();
}

// --- Repainting -----------------------------------------------------------------------------

void HDBCustomGrid::RepaintChanges() {
    QWidget* port = viewport();
    const int rows = RowCapacity();
    const HGridWindowChanges& changes = window_.Changes();
    const int shift = changes.shift;
    const int currentRow = window_.CurrentRow();
    if (repaintAll_ || changes.all || std::abs(shift) >= rows) {
        port->update();
    } else {
        if (shift != 0) {
            // The rows moved as a block: move their pixels and paint only what is new.
            const int pitch = RowPitch();
            port->scroll(0, -shift * pitch, QRect(0, TitleHeight(), port->width(), rows * pitch));
            std::vector<int32_t> moved(static_cast<size_t>(rows), kUnknownRow);
            for (int row = 0; row < rows; ++row) {
                const int from = row + shift;
                if (from >= 0 && from < static_cast<int>(shownRecNos_.size())) {
                    moved[static_cast<size_t>(row)] = shownRecNos_[static_cast<size_t>(from)];
                }
            }
            shownRecNos_ = std::move(moved);
            shownCurrent_ -= shift;
        }
        for (int row = 0; row < rows; ++row) {
            const int32_t before = row < static_cast<int>(shownRecNos_.size())
                                       ? shownRecNos_[static_cast<size_t>(row)]
                                       : kUnknownRow;
            const bool lit = row == currentRow;
            const bool wasLit = row == shownCurrent_;
            if (before != window_.RecNoAt(row) || lit != wasLit) port->update(RowRect(row));
        }
        for (int row : changedRows_) port->update(RowRect(row));
        for (int row : changes.rows) port->update(RowRect(row));
    }
    shownRecNos_.resize(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row)
        shownRecNos_[static_cast<size_t>(row)] = window_.RecNoAt(row);
    shownCurrent_ = currentRow;
    changedRows_.clear();
    window_.ClearChanges();
    repaintAll_ = false;
}

void HDBCustomGrid::RepaintAll() {
    repaintAll_ = true;
    RepaintChanges();
}

// --- Qt events ------------------------------------------------------------------------------

void HDBCustomGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.fillRect(clip, palette().color(QPalette::Base));
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;  // every cell in the grid colour

    if (permissions_ & luTitles) PaintTitles(painter, clip);
    const int pitch = RowPitch();
    const int first = std::max(0, (clip.top() - TitleHeight()) / pitch);
    const int last = std::min(RowCapacity() - 1, (clip.bottom() - TitleHeight()) / pitch);
    for (int row = first; row <= last; ++row) PaintRow(painter, clip, row);
    PaintLines(painter, clip);
}

void HDBCustomGrid::PaintTitles(QPainter& painter, const QRect& clip) {
    const int height = defaultRowHeight_;
    if (clip.top() >= TitleHeight()) return;
    painter.save();
    painter.setFont(titleFont_);
    int left = -horizontalOffset_;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const QRect cell(left, 0, ColumnWidth(i), height);
        left += ColumnPitch(i);
        if (!cell.intersects(clip)) continue;
        painter.fillRect(cell, titleColor_);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(cell.adjusted(kTextMargin, 0, -kTextMargin, 0),
                         Qt::AlignCenter | Qt::TextSingleLine, columns_[i].title);
    }
    painter.restore();
}

void HDBCustomGrid::PaintRow(QPainter& painter, const QRect& clip, int row) {
    const std::vector<HGridSnapshot>& window = window_.Snapshots();
    if (row >= static_cast<int>(window.size())) return;  // a blank row stays in the grid colour
    const HGridSnapshot& snapshot = window[static_cast<size_t>(row)];
    const bool rowSelect = (permissions_ & luRowSelect) != 0;
    const bool focused = hasFocus();
    const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
    const int top = TitleHeight() + row * RowPitch();
    int left = -horizontalOffset_;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const QRect cell(left, top, ColumnWidth(i), defaultRowHeight_);
        left += ColumnPitch(i);
        if (!cell.intersects(clip)) continue;
        HGridDrawState state;
        state.selected =
            row == window_.CurrentRow() && (rowSelect || static_cast<int>(i) + 1 == currentColumn_);
        state.focused = state.selected && focused;
        const QString text = i < snapshot.cells.size() ? snapshot.cells[i] : QString();
        if (state.selected) painter.fillRect(cell, palette().color(group, QPalette::Highlight));
        if (OnDrawCellView) {
            painter.save();
            canvas_ = &painter;
            struct Release {
                QPainter*& canvas;
                QPainter& painter;
                ~Release() {
                    canvas = nullptr;
                    painter.restore();
                }
            } release{canvas_, painter};
            OnDrawCellView(cell, columns_[i].fieldNumber, text, state);
        }
        if (defaultDrawCell_ && !text.isEmpty()) {
            Qt::Alignment align = Qt::AlignVCenter;
            switch (columns_[i].alignment) {
                case HColumnAlign::Right:
                    align |= Qt::AlignRight;
                    break;
                case HColumnAlign::Center:
                    align |= Qt::AlignHCenter;
                    break;
                case HColumnAlign::Left:
                    align |= Qt::AlignLeft;
                    break;
            }
            painter.save();
            painter.setClipRect(cell.intersected(clip));
            painter.setPen(palette().color(
                group, state.selected ? QPalette::HighlightedText : QPalette::Text));
            painter.drawText(cell.adjusted(kTextMargin, 0, -kTextMargin, 0),
                             static_cast<int>(align) | Qt::TextSingleLine, text);
            painter.restore();
        }
        if (state.focused && !rowSelect) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = cell;
            option.backgroundColor = palette().color(group, QPalette::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void HDBCustomGrid::PaintLines(QPainter& painter, const QRect& clip) {
    const bool rowLines = (permissions_ & luRowLines) != 0 && gridLineWidth_ > 0;
    const bool colLines = (permissions_ & luColLines) != 0 && gridLineWidth_ > 0;
    if (!rowLines && !colLines) return;
    const QColor color = palette().color(QPalette::Mid);
    const int width = std::min(viewport()->width(), TotalColumnsWidth() - horizontalOffset_);
    const int pitch = RowPitch();
    const int bottom = TitleHeight() + RowCapacity() * pitch;
    if (rowLines) {
        const int rows = RowCapacity() + ((permissions_ & luTitles) ? 1 : 0);
        for (int row = 0; row < rows; ++row) {
            const QRect line(0, row * pitch + defaultRowHeight_, width, gridLineWidth_);
            if (line.intersects(clip)) painter.fillRect(line, color);
        }
    }
    if (colLines) {
        int left = -horizontalOffset_;
        for (size_t i = 0; i < columns_.size(); ++i) {
            left += ColumnWidth(i);
            const QRect line(left, 0, gridLineWidth_, bottom);
            if (line.intersects(clip)) painter.fillRect(line, color);
            left += gridLineWidth_;
        }
    }
}

void HDBCustomGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
    if (RowCapacity() != window_.BuiltCapacity()) window_.Rebuild(HGridPlacement::KeepRow, Rows());
    repaintAll_ = true;
    FinishChange();
}
