// HDBCustomGrid: the read-only data-aware grid. It shows a window of consecutive records of a
// table component, in the order of the table's current tag, one record per row, and keeps its
// highlighted row on the table's current record: moving in the grid moves the table, and moving
// the table (a find, the navigator) moves the grid through its link's notifications.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include "dbcontrols/GridColumns.h"
#include "dbcontrols/HGridRecordWindow.h"
#include "table/HCtrlLink.h"

class HDBFTable;
class HTable;
class QPainter;

// What the grid lets the user see and do.
enum HLookupPermission : unsigned {
    luTitles = 1,     // one title row
    luColLines = 2,   // vertical grid lines
    luRowLines = 4,   // horizontal grid lines
    luRowSelect = 8,  // whole-row highlight; Left / Right act as Up / Down
    luColResize = 16  // the user may drag column borders
};
using HLookupPermissions = unsigned;  // a set of HLookupPermission
constexpr HLookupPermissions kAllLookupPermissions =
    luTitles | luColLines | luRowLines | luRowSelect | luColResize;

// How a data cell is drawn: `selected` on the current record's row (its current cell without
// luRowSelect), `focused` when the grid has the keyboard focus as well.
struct HGridDrawState {
    bool selected = false;
    bool focused = false;
};

// The grid never changes records itself: F2 asks its link for edit state and Escape cancels an
// edit; everything else only moves the table. Bound to at most one table through its own link;
// the table is not owned and may close, change or be destroyed at any time (the grid then shows
// an empty window). Cells are painted from the snapshots only, never by reading the table.
// User-interface thread only.
class HDBCustomGrid : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(QStringList FieldList READ FieldList WRITE SetFieldList)
    Q_PROPERTY(unsigned Permissions READ Permissions WRITE SetPermissions)
    Q_PROPERTY(int DefaultColWidth READ DefaultColWidth WRITE SetDefaultColWidth)
    Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)
    Q_PROPERTY(bool DefaultDrawCell READ DefaultDrawCell WRITE SetDefaultDrawCell)
    Q_PROPERTY(int GridLineWidth READ GridLineWidth WRITE SetGridLineWidth)
    Q_PROPERTY(QFont TitleFont READ TitleFont WRITE SetTitleFont)
    Q_PROPERTY(QColor TitleColor READ TitleColor WRITE SetTitleColor)

public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kDefaultRowHeight = 24;

    explicit HDBCustomGrid(QWidget* parent = nullptr);
    // Unbinds from its table.
    ~HDBCustomGrid() override;

    // --- Binding and columns -------------------------------------------------------------
    // The bound table (nullptr: none). Setting it attaches the grid's link (detaching it from
    // the previous table), rebuilds the columns and the record window. Not owned.
    HTable* DBFTable() const { return link_.Table(); }
    void SetDBFTable(HTable* table);

    // The column items, one per column (see ParseColumnItem). Setting copies them, resolves
    // their fields and rebuilds the window, the current record keeping its row. An empty list
    // makes the grid build its default list (DefaultFieldList) whenever its table is active.
    const QStringList& FieldList() const { return items_; }
    void SetFieldList(const QStringList& items);
    // The columns as parsed, fields resolved against the table while it is active.
    const std::vector<HGridColumn>& Columns() const { return columns_; }

    // --- Appearance ------------------------------------------------------------------------
    HLookupPermissions Permissions() const { return permissions_; }
    void SetPermissions(HLookupPermissions permissions);
    // Width of a column whose item gives none, in pixels.
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int width);
    // Height of every row (the title row included), in pixels; at least 1.
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);
    // Whether the grid draws the cell text itself after OnDrawCellView.
    bool DefaultDrawCell() const { return defaultDrawCell_; }
    void SetDefaultDrawCell(bool on);
    // Width of the grid lines that luColLines and luRowLines show, in pixels.
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int width);
    // Font and background of the title row (the background defaults to the button face).
    QFont TitleFont() const { return titleFont_; }
    void SetTitleFont(const QFont& font);
    QColor TitleColor() const { return titleColor_; }
    void SetTitleColor(const QColor& color);

    // --- Events ----------------------------------------------------------------------------
    // Called for every data cell painted, before the grid draws its text (when DefaultDrawCell
    // is on): the cell rectangle in viewport coordinates, the column's field number, the text
    // the cell shows and its state. Canvas() paints into the grid meanwhile.
    std::function<void(const QRect& rect, int fieldNo, const QString& cellText,
                       HGridDrawState state)>
        OnDrawCellView;
    // The painter of the cell being drawn while OnDrawCellView runs; nullptr otherwise.
    QPainter* Canvas() const { return canvas_; }
    // A different table became active (another file, or the first activation).
    std::function<void()> OnNewTable;
    // The highlighted record changed.
    std::function<void()> OnChanged;
    // The current column (cell selection without luRowSelect) is about to change, has changed.
    std::function<void()> OnColExit, OnColEnter;

    // --- Moving ----------------------------------------------------------------------------
    // Skip(rows) on the table, so that the grid follows in the current tag's order. A record
    // found outside the window afterwards is shown in the first row after a move upwards, in the
    // last row after a move downwards. Does nothing without an active table.
    void MoveBy(int rows);
    // Handles one of the grid's own keys: Up / Down (Left / Right too with luRowSelect), Page Up /
    // Page Down (a page less one row), Ctrl with Home, Page Up or Up (first record), Ctrl with
    // End, Page Down or Down (last record), F2 (asks the link for edit state) and Escape (cancels
    // an edit). Returns whether the key was one of them and was used: Escape is left to the
    // parent (a dialog closes) when the table is not editing. Exceptions of the table pass on.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);

    // --- The record window -----------------------------------------------------------------
    // The snapshots shown, first visible data row first; at most RowCapacity() of them, fewer
    // when the table has fewer records (in range). Empty without an active table.
    const std::vector<HGridSnapshot>& RecordWindow() const { return window_.Snapshots(); }
    // Data rows the window holds: the visible ones, a partly visible last row included.
    int RowCapacity() const;
    // Index in RecordWindow() of the table's current record, -1 when none.
    int CurrentRow() const { return window_.CurrentRow(); }
    // The text a data cell shows (row in the window, column 1-based item); empty outside.
    QString CellText(int row, int column) const;
    // Records read into snapshots since creation (benchmarks report reads per search).
    int64_t SnapshotsTaken() const { return window_.SnapshotsTaken(); }

signals:
    // A double-click on a data row (after the first click moved the table there).
    void DblClick();

protected:
    // The column items used while FieldList() is empty and `table` is active. None here.
    virtual QStringList DefaultFieldList(HTable& table);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Link final : public HCtrlLink {
    public:
        explicit Link(HDBCustomGrid& grid) : grid_(grid) {}

    protected:
        void Notify(HDBEvent event, int32_t info) override;

    private:
        HDBCustomGrid& grid_;
    };

    // --- Binding and notifications (HDBCustomGrid.cpp) ---
    void LinkNotify(HDBEvent event, int32_t info);
    void TableLayoutChanged();
    void StateChanged(int32_t previous);
    void Unbind();
    void ApplyColumns();
    void ResolveColumns();
    void FinishChange();

    // --- Input: keys, mouse, the vertical scroll bar (HDBCustomGridInput.cpp) ---
    void SetUpVerticalBar();
    void GoFirst();
    void GoLast();
    void ScrollAction(int action);
    void ThumbDropped(int position);
    int ThumbPosition() const;
    void UpdateThumb();
    void SetCurrentColumn(int column);
    void Guarded(const std::function<void()>& action);

    // --- Geometry and painting (HDBCustomGridPaint.cpp) ---
    HGridRows Rows() const;
    int RowPitch() const;
    int TitleHeight() const;
    int FullRows() const;
    int PageRows() const;
    QRect RowRect(int row) const;
    int ColumnWidth(size_t column) const;
    int ColumnPitch(size_t column) const;
    int TotalColumnsWidth() const;
    int RowAt(int y) const;
    int ColumnAt(int x) const;
    int ColumnBorderAt(int x) const;
    void UpdateScrollRanges();
    void RepaintChanges();
    void RepaintAll();
    void PaintTitles(QPainter& painter, const QRect& clip);
    void PaintRow(QPainter& painter, const QRect& clip, int row);
    void PaintLines(QPainter& painter, const QRect& clip);

    Link link_{*this};
    QStringList items_;
    std::vector<HGridColumn> columns_;
    bool autoColumns_ = false;  // items_ is the default list
    std::string tableName_;     // upper-case file name of the active table; empty when none

    HLookupPermissions permissions_ = kAllLookupPermissions;
    int defaultColWidth_ = kDefaultColWidth;
    int defaultRowHeight_ = kDefaultRowHeight;
    bool defaultDrawCell_ = true;
    int gridLineWidth_ = 1;
    QFont titleFont_;
    QColor titleColor_;

    HGridRecordWindow window_{link_, columns_};
    int currentColumn_ = 1;  // 1-based item
    int32_t reportedRecNo_ = 0;
    bool missedChange_ = false;  // a notification came while filling

    // What the viewport shows, or was asked to show: record number per row (0 blank), the
    // highlighted row and whether the whole viewport is to be repainted. The window keeps its
    // own changes (HGridRecordWindow::Changes).
    std::vector<int32_t> shownRecNos_;
    int shownCurrent_ = -1;
    std::vector<int> changedRows_;
    bool repaintAll_ = true;

    QPainter* canvas_ = nullptr;
    int horizontalOffset_ = 0;
    int resizingColumn_ = -1;
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;
    int wheelRemainder_ = 0;
    int thumbPressedAt_ = 0;
};
