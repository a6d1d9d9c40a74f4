// HGridRecordWindow: the record window of the data-aware grid (HDBCustomGrid): snapshots of the
// consecutive records around a table component's current record, in the order of its current
// tag, one per data row, and how the window follows the table as it moves.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "dbcontrols/GridColumns.h"

class HCtrlLink;

// One row of the record window: a record number (2147483647 for a record being inserted), a copy
// of the record buffer as it was (record length + 1 bytes) and the text each column shows,
// formatted by the table when the snapshot was taken.
struct HGridSnapshot {
    int32_t recNo = 0;
    std::string record;
    std::vector<QString> cells;  // one per column item
};

// The data rows the viewport holds: `capacity` with a partly visible last row, `full` whole ones.
struct HGridRows {
    int capacity = 0;
    int full = 0;
    // The last whole row; 0 when none is whole.
    int LastFull() const { return std::max(0, std::min(full, capacity) - 1); }
};

// Where a refill puts the current record: KeepRow keeps its row, or without one the last
// placement asked for.
enum class HGridPlacement { FirstRow, Centred, LastRow, KeepRow };

// What the window did since its owner last cleared the changes, so that only that is repainted.
struct HGridWindowChanges {
    bool all = false;       // rebuilt or cleared: every row
    int shift = 0;          // rows the snapshots moved up as a block (negative: down)
    std::vector<int> rows;  // rows whose snapshot was taken again
};

// Reads the table bound to the owner's link; the table is not owned and may be unbound, closed or
// indexing (the window is then emptied). The window fills itself by stepping the table object so
// that the table component notices nothing (Filling() meanwhile) and leaves it on its record with
// its buffer and end flags as they were; read failures just end the window. It never moves the
// table component but in Step. User-interface thread only.
class HGridRecordWindow {
public:
    static constexpr int32_t kInsertRecNo = INT32_MAX;  // HTable::RecNo() while inserting

    // `link` and `columns` belong to the owner and must outlive the window.
    HGridRecordWindow(const HCtrlLink& link, const std::vector<HGridColumn>& columns)
        : link_(link), columns_(columns) {}
    HGridRecordWindow(const HGridRecordWindow&) = delete;
    HGridRecordWindow& operator=(const HGridRecordWindow&) = delete;

    // Called at the end of Rebuild, Clear and Resynchronise (but where an insert's record is
    // shown already), for the owner to show where in the table the window now is.
    std::function<void()> OnPositioned;

    // --- What it holds ----------------------------------------------------------------------
    // The snapshots, first row first; at most the capacity last built for.
    const std::vector<HGridSnapshot>& Snapshots() const { return window_; }
    // The row of the table's current record, -1 when none.
    int CurrentRow() const { return currentRow_; }
    // The record number in `row`; 0 outside the snapshots (a blank row, or no row at all).
    int32_t RecNoAt(int row) const {
        return row >= 0 && row < static_cast<int>(window_.size())
                   ? window_[static_cast<size_t>(row)].recNo
                   : 0;
    }
    // The text of a cell (column 1-based); empty outside the window.
    QString CellText(int row, int column) const;
    // The capacity the window was last built or cleared for.
    int BuiltCapacity() const { return capacity_; }
    // Records read into snapshots since creation.
    int64_t SnapshotsTaken() const { return snapshotsTaken_; }
    // Whether the window is reading the table; link notifications meanwhile are by design
    // unrelated to any move of the table component, and the owner catches up afterwards.
    bool Filling() const { return filling_; }
    // Whether a table is bound, active and not indexing.
    bool Readable() const;

    // What changed since ClearChanges: the owner repaints that, then clears it.
    const HGridWindowChanges& Changes() const { return changes_; }
    void ClearChanges();

    // --- Following the table ------------------------------------------------------------------
    // Where a record found outside the window goes on the next refill (initially FirstRow).
    HGridPlacement Placement() const { return placement_; }
    void SetPlacement(HGridPlacement placement) { placement_ = placement; }

    // Skip(rows) on the table component (nothing without an active table); re-synchronising
    // meanwhile, a record one step past the first or last row scrolls the window by one row.
    // Exceptions of the table pass on.
    void Step(int rows);

    // Fills the window anew around the current record, put in the row `placement` chooses; in
    // insert state the last records and then the new one. Empty when the table is unreadable or
    // has no record (in range), or no row is visible.
    void Rebuild(HGridPlacement placement, HGridRows rows);
    // After the table moved. A record in the window only moves the highlight, but one in the
    // partly visible row scrolls the window by a row; a one-row Step past the first or last row
    // brings the record in at that end; otherwise a Rebuild at Placement() (in insert state at
    // the last row, unless the new record is shown already). Empty when the table is unreadable.
    void Resynchronise(HGridRows rows);
    // After the current record's fields changed: takes its snapshot again when it is shown.
    void RetakeCurrent();
    // Empties the window.
    void Clear(HGridRows rows);
    // Drops the snapshots and the current row without any notice, ahead of a Rebuild.
    void Forget();

private:
    bool TableEmpty() const;
    int32_t CurrentRecNo() const;
    int IndexOf(int32_t recNo) const;
    void TakeSnapshot(HGridSnapshot& snapshot, int32_t recNo);
    void ScrollOneRow(HGridRows rows);
    void PutCurrentAtTop(HGridRows rows);
    void PutCurrentAtBottom();
    // REQUIRES: rows.capacity > 0.
    void FillAround(int targetRow, HGridRows rows);
    void FillFromEnd(HGridRows rows);
    int TargetRow(HGridPlacement placement, HGridRows rows) const;
    void Positioned();

    const HCtrlLink& link_;
    const std::vector<HGridColumn>& columns_;
    std::vector<HGridSnapshot> window_;
    int currentRow_ = -1;
    HGridPlacement placement_ = HGridPlacement::FirstRow;
    int capacity_ = 0;
    int pendingMove_ = 0;   // rows of the Step being made
    bool filling_ = false;  // reading the table into the window
    int64_t snapshotsTaken_ = 0;
    HGridWindowChanges changes_;
};
