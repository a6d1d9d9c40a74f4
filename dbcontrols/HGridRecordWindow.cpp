#include "dbcontrols/HGridRecordWindow.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "table/CharServices.h"
#include "table/HCtrlLink.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "widgets/AnsiText.h"

namespace {

// The record bytes without the end-of-file byte that follows them in the buffer.
bool AllBlank(const std::string& buffer) {
    const auto end = buffer.empty() ? buffer.end() : buffer.end() - 1;
    return std::all_of(buffer.begin(), end, [](char c) { return c == ' '; });
}

// Sets a flag for its lifetime.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

// Lets the grid step the table object to read the records around the current one without the
// table component noticing: nobody is notified, read failures are not reported (the window just
// ends there), and when the guard goes the table object is back on its record with the record
// buffer, the record-changed flag and the Bof / Eof flags exactly as they were. The index
// order's own cursor may stay elsewhere; the next ordered step finds its way from the record.
class TablePositionGuard {
public:
    explicit TablePositionGuard(HDBFTable& table)
        : table_(table),
          quiet_(table),
          recNo_(table.RecNo()),
          bof_(table.Bof()),
          eof_(table.Eof()),
          recordChanged_(table.RecordChanged()),
          buffer_(table.RecordBuffer()) {}
    ~TablePositionGuard() {
        try {
            Restore();
        } catch (...) {
            // Nothing sensible is left to do: the table reports its own state from here on.
        }
    }
    TablePositionGuard(const TablePositionGuard&) = delete;
    TablePositionGuard& operator=(const TablePositionGuard&) = delete;

    // A blank buffer at an end of the order is no record: a find that failed at the end blanks
    // the last record's buffer, and stepping in a range without records leaves the buffer blank
    // on the record it started from. Then End() tells which end to look at.
    bool BlankedAtEnd() const { return (bof_ || eof_) && recNo_ >= 1 && AllBlank(buffer_); }
    int End() const { return eof_ ? hmove::kBottom : hmove::kTop; }

private:
    void Restore() {
        if (table_.RecNo() != recNo_ && recNo_ >= 1 && recNo_ <= table_.RecordCount()) {
            table_.Go(recNo_);
        }
        const std::string& now = table_.RecordBuffer();
        if (now != buffer_ && now.size() == buffer_.size()) {
            if (AllBlank(buffer_)) {
                table_.BlankRecord();
            } else {
                // Unposted changes (an insert, a field put in browse state) go back field by field.
                for (int f = 1; f <= table_.FieldCount(); ++f) {
                    const HFieldDescriptor& field = table_.Field(f);
                    const auto at = static_cast<size_t>(field.offset);
                    const auto width = static_cast<size_t>(field.width);
                    if (now.compare(at, width, buffer_, at, width) != 0) {
                        table_.FieldPut(f, std::string_view(buffer_).substr(at, width));
                    }
                }
            }
        }
        table_.SetRecordChanged(recordChanged_);
        table_.SetEndFlags(bof_, eof_);
    }

    HDBFTable& table_;
    HFileObject::SuppressErrors quiet_;
    const int32_t recNo_;
    const bool bof_;
    const bool eof_;
    const bool recordChanged_;
    const std::string buffer_;
};

}  // namespace

QString HGridRecordWindow::CellText(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(window_.size()) || column < 1) return {};
    const std::vector<QString>& cells = window_[static_cast<size_t>(row)].cells;
    return column <= static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column - 1)]
                                                    : QString();
}

bool HGridRecordWindow::Readable() const {
    const HTable* table = link_.Table();
    return table != nullptr && table->Active() && table->State() != HTableState::Indexing;
}

void HGridRecordWindow::ClearChanges() {
    changes_.all = false;
    changes_.shift = 0;
    changes_.rows.clear();
}

void HGridRecordWindow::Positioned() {
    if (OnPositioned) OnPositioned();
}

bool HGridRecordWindow::TableEmpty() const {
    const HDBFTable& engine = *link_.Table()->Table();
    // Both end flags together mean that no record (in range, acceptable) is there.
    return engine.RecordCount() == 0 || (engine.Bof() && engine.Eof());
}

int32_t HGridRecordWindow::CurrentRecNo() const {
    const HTable& table = *link_.Table();
    return table.State() == HTableState::Insert ? kInsertRecNo : table.Table()->RecNo();
}

int HGridRecordWindow::IndexOf(int32_t recNo) const {
    for (size_t row = 0; row < window_.size(); ++row) {
        if (window_[row].recNo == recNo) return static_cast<int>(row);
    }
    return -1;
}

void HGridRecordWindow::TakeSnapshot(HGridSnapshot& snapshot, int32_t recNo) {
    HTable& table = *link_.Table();
    HDBFTable& engine = *table.Table();
    HFileObject::SuppressErrors quiet(engine);
    snapshot.recNo = recNo;
    snapshot.record = engine.RecordBuffer();
    snapshot.cells.resize(columns_.size());
    const bool oem = table.Transliterate();
    for (size_t i = 0; i < columns_.size(); ++i) {
        const int field = columns_[i].fieldNumber;
        snapshot.cells[i] = field >= 1 && field <= engine.FieldCount()
                                ? FromAnsi(CellBytes(engine.DisplayText(field), oem))
                                : QString();
    }
    ++snapshotsTaken_;
}

// --- Following the table --------------------------------------------------------------------

void HGridRecordWindow::Step(int rows) {
    HTable* table = link_.Table();
    if (table == nullptr || !table->Active()) return;
    struct Pending {
        int& move;
        ~Pending() { move = 0; }
    } pending{pendingMove_};
    pendingMove_ = rows;
    table->Skip(rows);
}

void HGridRecordWindow::RetakeCurrent() {
    if (!Readable() || window_.empty()) return;
    const int32_t recNo = CurrentRecNo();
    const int row = IndexOf(recNo);
    if (row < 0) return;
    const HDBFTable& engine = *link_.Table()->Table();
    if (recNo != kInsertRecNo && (engine.Bof() || engine.Eof()) &&
        AllBlank(engine.RecordBuffer())) {
        return;  // no record: see TablePositionGuard::BlankedAtEnd
    }
    if (window_[static_cast<size_t>(row)].record == engine.RecordBuffer()) return;
    TakeSnapshot(window_[static_cast<size_t>(row)], recNo);
    changes_.rows.push_back(row);
}

void HGridRecordWindow::Resynchronise(HGridRows rows) {
    if (!Readable()) {
        Clear(rows);
        return;
    }
    const int capacity = rows.capacity;
    const int32_t recNo = CurrentRecNo();
    const int row = IndexOf(recNo);
    const int shown = static_cast<int>(window_.size());
    if (recNo == kInsertRecNo) {
        // The new record stays at the end of the window (see FillFromEnd).
        if (row < 0 || capacity != capacity_) {
            Rebuild(HGridPlacement::LastRow, rows);
        } else {
            currentRow_ = row;
        }
        return;
    }
    if (capacity != capacity_ || TableEmpty()) {
        Rebuild(placement_, rows);
        return;
    }
    if (row >= 0 && row == capacity - 1 && capacity > rows.full) {
        ScrollOneRow(rows);  // into the partly visible row: show the record after it as well
    } else if (row < 0 && pendingMove_ == -1 && currentRow_ == 0) {
        PutCurrentAtTop(rows);
    } else if (row < 0 && pendingMove_ == 1 && shown == capacity && currentRow_ == shown - 1) {
        PutCurrentAtBottom();
    } else if (row < 0) {
        Rebuild(placement_, rows);
        return;
    }
    currentRow_ = IndexOf(recNo);
    Positioned();
}

void HGridRecordWindow::ScrollOneRow(HGridRows rows) {
    HDBFTable& engine = *link_.Table()->Table();
    HGridSnapshot next;
    bool got = false;
    {
        BusyFlag busy(filling_);
        TablePositionGuard keep(engine);
        const int32_t from = engine.RecNo();
        engine.Skip(1);
        if (!engine.Eof() && engine.RecNo() != from) {
            TakeSnapshot(next, engine.RecNo());
            got = true;
        }
    }
    if (static_cast<int>(window_.size()) >= rows.capacity) {
        window_.erase(window_.begin());
        ++changes_.shift;
    }
    if (got) window_.push_back(std::move(next));
}

void HGridRecordWindow::PutCurrentAtTop(HGridRows rows) {
    HGridSnapshot current;
    TakeSnapshot(current, CurrentRecNo());
    window_.insert(window_.begin(), std::move(current));
    --changes_.shift;
    if (static_cast<int>(window_.size()) > rows.capacity) window_.pop_back();
}

void HGridRecordWindow::PutCurrentAtBottom() {
    HGridSnapshot current;
    TakeSnapshot(current, CurrentRecNo());
    window_.erase(window_.begin());
    ++changes_.shift;
    window_.push_back(std::move(current));
}

// --- Filling --------------------------------------------------------------------------------

void HGridRecordWindow::Rebuild(HGridPlacement placement, HGridRows rows) {
    capacity_ = rows.capacity;
    if (!Readable()) {
        Clear(rows);
        return;
    }
    const bool inserting = link_.Table()->State() == HTableState::Insert;
    if (!inserting && TableEmpty()) {
        Clear(rows);
        return;
    }
    if (rows.capacity == 0) {
        Clear(rows);
    } else if (inserting) {
        FillFromEnd(rows);
    } else {
        FillAround(TargetRow(placement, rows), rows);
    }
    currentRow_ = IndexOf(CurrentRecNo());
    changes_.all = true;
    Positioned();
}

int HGridRecordWindow::TargetRow(HGridPlacement placement, HGridRows rows) const {
    const int last = rows.LastFull();
    switch (placement) {
        case HGridPlacement::FirstRow:
            return 0;
        case HGridPlacement::Centred:
            return std::min(rows.full / 2, last);
        case HGridPlacement::LastRow:
            return last;
        case HGridPlacement::KeepRow:
            if (currentRow_ >= 0) return std::min(currentRow_, last);
            return placement_ == HGridPlacement::KeepRow ? 0 : TargetRow(placement_, rows);
    }
    return 0;
}

void HGridRecordWindow::FillAround(int targetRow, HGridRows rows) {
    const int capacity = rows.capacity;
    HDBFTable& engine = *link_.Table()->Table();
    HGridSnapshot current;
    bool found = false;
    std::vector<HGridSnapshot> above;  // nearest first
    std::vector<HGridSnapshot> below;
    window_.clear();
    above.reserve(static_cast<size_t>(capacity));
    below.reserve(static_cast<size_t>(capacity));
    {
        BusyFlag busy(filling_);
        TablePositionGuard keep(engine);
        int32_t start = engine.RecNo();
        if (keep.BlankedAtEnd()) {
            if (!engine.Go(keep.End())) return;  // nothing in range: an empty window
            start = engine.RecNo();
        }
        TakeSnapshot(current, start);
        found = true;

        bool atTop = false;
        bool atBottom = false;
        auto stepBack = [&](int count) {
            for (int i = 0; i < count; ++i) {
                const int32_t from = engine.RecNo();
                engine.Skip(-1);
                if (engine.Bof() || engine.RecNo() == from) {
                    atTop = true;
                    return;
                }
                above.emplace_back();
                TakeSnapshot(above.back(), engine.RecNo());
            }
        };
        auto stepOn = [&](int count) {
            for (int i = 0; i < count; ++i) {
                const int32_t from = engine.RecNo();
                engine.Skip(1);
                if (engine.Eof() || engine.RecNo() == from) {
                    atBottom = true;
                    return;
                }
                below.emplace_back();
                TakeSnapshot(below.back(), engine.RecNo());
            }
        };

        stepBack(targetRow);
        if (engine.RecNo() != start) engine.Go(start);
        stepOn(capacity - 1 - static_cast<int>(above.size()));
        // Near the end of the order the rows below stay empty: show more of the records above,
        // as long as the current record stays in a whole row.
        if (atBottom && !atTop) {
            const int room =
                std::min(rows.LastFull(), capacity - 1 - static_cast<int>(below.size())) -
                static_cast<int>(above.size());
            if (room > 0) {
                engine.Go(above.empty() ? start : above.back().recNo);
                stepBack(room);
            }
        }
    }
    if (!found) return;
    window_.reserve(static_cast<size_t>(capacity));
    for (auto it = above.rbegin(); it != above.rend(); ++it) window_.push_back(std::move(*it));
    window_.push_back(std::move(current));
    for (HGridSnapshot& snapshot : below) window_.push_back(std::move(snapshot));
}

void HGridRecordWindow::FillFromEnd(HGridRows rows) {
    HDBFTable& engine = *link_.Table()->Table();
    HGridSnapshot fresh;
    std::vector<HGridSnapshot> before;  // nearest first
    {
        BusyFlag busy(filling_);
        TablePositionGuard keep(engine);
        TakeSnapshot(fresh, kInsertRecNo);
        const int room = rows.LastFull();
        if (room > 0 && engine.Go(hmove::kBottom)) {
            before.emplace_back();
            TakeSnapshot(before.back(), engine.RecNo());
            while (static_cast<int>(before.size()) < room) {
                const int32_t from = engine.RecNo();
                engine.Skip(-1);
                if (engine.Bof() || engine.RecNo() == from) break;
                before.emplace_back();
                TakeSnapshot(before.back(), engine.RecNo());
            }
        }
    }
    window_.clear();
    for (auto it = before.rbegin(); it != before.rend(); ++it) window_.push_back(std::move(*it));
    window_.push_back(std::move(fresh));
}

void HGridRecordWindow::Clear(HGridRows rows) {
    if (!window_.empty() || currentRow_ >= 0) changes_.all = true;
    window_.clear();
    currentRow_ = -1;
    capacity_ = rows.capacity;
    Positioned();
}

void HGridRecordWindow::Forget() {
    window_.clear();
    currentRow_ = -1;
}
