#include "dbcontrols/HDBCustomGrid.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <utility>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include "table/CharServices.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "widgets/AnsiText.h"
#include "widgets/MessageBox.h"

namespace {

constexpr int32_t kInsertRecNo = INT32_MAX;  // HTable::RecNo() of a record being inserted
constexpr int32_t kBlankRow = 0;             // shown: a row without a record
constexpr int32_t kUnknownRow = INT32_MIN;   // shown: a row whose pixels are not known
constexpr int kTextMargin = 2;
constexpr int kBorderGrip = 3;  // pixels either side of a column border that grab it
constexpr int kThumbTop = 0;
constexpr int kThumbMiddle = 50;
constexpr int kThumbBottom = 100;
constexpr int kWheelNotch = 120;

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

// An exception must not leave a Qt event handler: the grid's handlers show it instead.
template <typename Action>
void HDBCustomGrid::Guarded(Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        MessageBox::Critical(this, QApplication::applicationDisplayName(), FromAnsi(error.what()));
    }
}

// --- Construction ---------------------------------------------------------------------------

void HDBCustomGrid::Link::Notify(HDBEvent event, int32_t info) { grid_.LinkNotify(event, info); }

HDBCustomGrid::HDBCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    titleFont_ = font();
    titleColor_ = palette().color(QPalette::Button);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);

    QScrollBar* bar = verticalScrollBar();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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

HDBCustomGrid::~HDBCustomGrid() { link_.SetTable(nullptr); }

QStringList HDBCustomGrid::DefaultFieldList(HTable& /*table*/) { return {}; }

// --- Binding and columns --------------------------------------------------------------------

void HDBCustomGrid::SetDBFTable(HTable* table) {
    if (table == DBFTable()) return;
    ClearWindow();
    link_.SetTable(table);
    TableLayoutChanged();
    FinishChange();
}

void HDBCustomGrid::SetFieldList(const QStringList& items) {
    items_ = items;
    autoColumns_ = false;
    HTable* table = DBFTable();
    if (items_.isEmpty() && table != nullptr && table->Active()) {
        items_ = DefaultFieldList(*table);
        autoColumns_ = !items_.isEmpty();
    }
    ApplyColumns();
    Rebuild(Placement::KeepRow);
    repaintAll_ = true;
    FinishChange();
}

void HDBCustomGrid::ApplyColumns() {
    columns_.clear();
    for (const QString& item : items_) columns_.push_back(ParseColumnItem(item));
    ResolveColumns();
    currentColumn_ = std::clamp(currentColumn_, 1, std::max<int>(1, columns_.size()));
    UpdateScrollRanges();
}

void HDBCustomGrid::ResolveColumns() {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    // The name decides once the table is open; the item's number serves only without a name.
    for (HGridColumn& column : columns_) {
        if (!column.fieldName.isEmpty())
            column.fieldNumber = table->FieldNumber(ToAnsi(column.fieldName));
    }
}

// --- Appearance -----------------------------------------------------------------------------

void HDBCustomGrid::SetPermissions(HLookupPermissions permissions) {
    if (permissions == permissions_) return;
    permissions_ = permissions;
    UpdateScrollRanges();
    Rebuild(Placement::KeepRow);
    repaintAll_ = true;
    FinishChange();
}

void HDBCustomGrid::SetDefaultColWidth(int width) {
    width = std::max(0, width);
    if (width == defaultColWidth_) return;
    defaultColWidth_ = width;
    UpdateScrollRanges();
    RepaintAll();
}

void HDBCustomGrid::SetDefaultRowHeight(int height) {
    height = std::max(1, height);
    if (height == defaultRowHeight_) return;
    defaultRowHeight_ = height;
    Rebuild(Placement::KeepRow);
    repaintAll_ = true;
    FinishChange();
}

void HDBCustomGrid::SetDefaultDrawCell(bool on) {
    if (on == defaultDrawCell_) return;
    defaultDrawCell_ = on;
    RepaintAll();
}

void HDBCustomGrid::SetGridLineWidth(int width) {
    width = std::max(0, width);
    if (width == gridLineWidth_) return;
    gridLineWidth_ = width;
    UpdateScrollRanges();
    Rebuild(Placement::KeepRow);
    repaintAll_ = true;
    FinishChange();
}

void HDBCustomGrid::SetTitleFont(const QFont& font) {
    titleFont_ = font;
    RepaintAll();
}

void HDBCustomGrid::SetTitleColor(const QColor& color) {
    titleColor_ = color;
    RepaintAll();
}

// --- Notifications --------------------------------------------------------------------------

void HDBCustomGrid::LinkNotify(HDBEvent event, int32_t info) {
    if (filling_) {
        // Reading the window sends nothing by design; whatever did is caught up afterwards.
        missedChange_ = true;
        return;
    }
    HTable* table = DBFTable();
    const bool inserting = table != nullptr && table->State() == HTableState::Insert;
    switch (event) {
        case HDBEvent::FieldChanged:
            RetakeCurrent();
            break;
        case HDBEvent::RecordChanged:
            RetakeCurrent();
            Resynchronise();
            break;
        case HDBEvent::Layout:
            TableLayoutChanged();
            break;
        case HDBEvent::Refresh:
        case HDBEvent::OrderChanged:
            if (!inserting) Rebuild(Placement::KeepRow);
            break;
        case HDBEvent::Deleted:
            Rebuild(Placement::KeepRow);
            break;
        case HDBEvent::StateChanged:
            StateChanged(info);
            break;
        case HDBEvent::TableGone:
            Unbind();
            break;
        default:
            return;  // a new record started, a post beginning, an insert written: nothing to show
    }
    FinishChange();
}

void HDBCustomGrid::TableLayoutChanged() {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) {
        tableName_.clear();
        ClearWindow();
        return;
    }
    const std::string name = AnsiUpper(table->FullName());
    const bool newTable = name != tableName_;
    tableName_ = name;
    if (newTable && autoColumns_) {
        items_.clear();
        autoColumns_ = false;
    }
    if (newTable && OnNewTable) {
        OnNewTable();
        table = DBFTable();  // the handler may have rebound the grid
        if (table == nullptr || !table->Active()) {
            ClearWindow();
            return;
        }
    }
    if (items_.isEmpty()) {
        items_ = DefaultFieldList(*table);
        autoColumns_ = !items_.isEmpty();
    }
    ApplyColumns();
    window_.clear();
    currentRow_ = -1;
    Rebuild(placement_);
    repaintAll_ = true;
}

void HDBCustomGrid::StateChanged(int32_t previous) {
    HTable* table = DBFTable();
    if (table == nullptr) return;
    const HTableState now = table->State();
    const bool wasInserting = static_cast<HTableState>(previous) == HTableState::Insert;
    if (now == HTableState::Insert && !wasInserting) {
        Rebuild(Placement::LastRow);  // filled from the end
    } else if (wasInserting && now != HTableState::Insert && now != HTableState::Inactive) {
        Rebuild(Placement::LastRow);
    }
}

void HDBCustomGrid::Unbind() {
    link_.SetTable(nullptr);
    tableName_.clear();
    ClearWindow();
}

// --- The record window ----------------------------------------------------------------------

bool HDBCustomGrid::Readable() const {
    const HTable* table = DBFTable();
    return table != nullptr && table->Active() && table->State() != HTableState::Indexing;
}

bool HDBCustomGrid::TableEmpty() const {
    const HDBFTable& engine = *DBFTable()->Table();
    // Both end flags together mean that no record (in range, acceptable) is there.
    return engine.RecordCount() == 0 || (engine.Bof() && engine.Eof());
}

int32_t HDBCustomGrid::CurrentRecNo() const {
    const HTable& table = *DBFTable();
    return table.State() == HTableState::Insert ? kInsertRecNo : table.Table()->RecNo();
}

int HDBCustomGrid::IndexOf(int32_t recNo) const {
    for (size_t row = 0; row < window_.size(); ++row) {
        if (window_[row].recNo == recNo) return static_cast<int>(row);
    }
    return -1;
}

int HDBCustomGrid::RowCapacity() const {
    const int pitch = RowPitch();
    const int height = std::max(0, viewport()->height() - TitleHeight());
    return (height + pitch - 1) / pitch;
}

void HDBCustomGrid::TakeSnapshot(HGridSnapshot& snapshot, int32_t recNo) {
    HTable& table = *DBFTable();
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

void HDBCustomGrid::RetakeCurrent() {
    if (!Readable() || window_.empty()) return;
    const int32_t recNo = CurrentRecNo();
    const int row = IndexOf(recNo);
    if (row < 0) return;
    const HDBFTable& engine = *DBFTable()->Table();
    if (recNo != kInsertRecNo && (engine.Bof() || engine.Eof()) &&
        AllBlank(engine.RecordBuffer())) {
        return;  // no record: see TablePositionGuard::BlankedAtEnd
    }
    if (window_[static_cast<size_t>(row)].record == engine.RecordBuffer()) return;
    TakeSnapshot(window_[static_cast<size_t>(row)], recNo);
    changedRows_.push_back(row);
}

void HDBCustomGrid::Resynchronise() {
    if (!Readable()) {
        ClearWindow();
        return;
    }
    const int capacity = RowCapacity();
    const int32_t recNo = CurrentRecNo();
    const int row = IndexOf(recNo);
    const int rows = static_cast<int>(window_.size());
    if (recNo == kInsertRecNo) {
        // The new record stays at the end of the window (see FillFromEnd).
        if (row < 0 || capacity != capacity_) {
            Rebuild(Placement::LastRow);
        } else {
            currentRow_ = row;
        }
        return;
    }
    if (capacity != capacity_ || TableEmpty()) {
        Rebuild(placement_);
        return;
    }
    if (row >= 0 && row == capacity - 1 && capacity > FullRows()) {
        ScrollOneRow();  // into the partly visible row: show the record after it as well
    } else if (row < 0 && pendingMove_ == -1 && currentRow_ == 0) {
        PutCurrentAtTop();
    } else if (row < 0 && pendingMove_ == 1 && rows == capacity && currentRow_ == rows - 1) {
        PutCurrentAtBottom();
    } else if (row < 0) {
        Rebuild(placement_);
        return;
    }
    currentRow_ = IndexOf(recNo);
    UpdateThumb();
}

void HDBCustomGrid::ScrollOneRow() {
    HDBFTable& engine = *DBFTable()->Table();
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
    if (static_cast<int>(window_.size()) >= RowCapacity()) {
        window_.erase(window_.begin());
        ++pendingShift_;
    }
    if (got) window_.push_back(std::move(next));
}

void HDBCustomGrid::PutCurrentAtTop() {
    HGridSnapshot current;
    TakeSnapshot(current, CurrentRecNo());
    window_.insert(window_.begin(), std::move(current));
    --pendingShift_;
    if (static_cast<int>(window_.size()) > RowCapacity()) window_.pop_back();
}

void HDBCustomGrid::PutCurrentAtBottom() {
    HGridSnapshot current;
    TakeSnapshot(current, CurrentRecNo());
    window_.erase(window_.begin());
    ++pendingShift_;
    window_.push_back(std::move(current));
}

void HDBCustomGrid::Rebuild(Placement placement) {
    capacity_ = RowCapacity();
    if (!Readable()) {
        ClearWindow();
        return;
    }
    if (DBFTable()->State() == HTableState::Insert) {
        FillFromEnd();
    } else if (TableEmpty()) {
        ClearWindow();
        return;
    } else {
        FillAround(TargetRow(placement));
    }
    currentRow_ = IndexOf(CurrentRecNo());
    repaintAll_ = true;
    UpdateThumb();
}

int HDBCustomGrid::TargetRow(Placement placement) const {
    const int last = LastFullRow();
    switch (placement) {
        case Placement::FirstRow:
            return 0;
        case Placement::Centred:
            return std::min(FullRows() / 2, last);
        case Placement::LastRow:
            return last;
        case Placement::KeepRow:
            if (currentRow_ >= 0) return std::min(currentRow_, last);
            return placement_ == Placement::KeepRow ? 0 : TargetRow(placement_);
    }
    return 0;
}

void HDBCustomGrid::FillAround(int targetRow) {
    const int capacity = RowCapacity();
    if (capacity == 0) {
        ClearWindow();
        return;
    }
    HDBFTable& engine = *DBFTable()->Table();
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
                std::min(LastFullRow(), capacity - 1 - static_cast<int>(below.size())) -
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

void HDBCustomGrid::FillFromEnd() {
    const int capacity = RowCapacity();
    if (capacity == 0) {
        ClearWindow();
        return;
    }
    HDBFTable& engine = *DBFTable()->Table();
    HGridSnapshot fresh;
    std::vector<HGridSnapshot> before;  // nearest first
    {
        BusyFlag busy(filling_);
        TablePositionGuard keep(engine);
        TakeSnapshot(fresh, kInsertRecNo);
        const int room = LastFullRow();
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

void HDBCustomGrid::ClearWindow() {
    if (!window_.empty() || currentRow_ >= 0) repaintAll_ = true;
    window_.clear();
    currentRow_ = -1;
    capacity_ = RowCapacity();
    UpdateThumb();
}

QString HDBCustomGrid::CellText(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(window_.size()) || column < 1) return {};
    const std::vector<QString>& cells = window_[static_cast<size_t>(row)].cells;
    return column <= static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column - 1)]
                                                    : QString();
}

void HDBCustomGrid::FinishChange() {
    if (missedChange_) {
        missedChange_ = false;
        Rebuild(Placement::KeepRow);
    }
    RepaintChanges();
    const int32_t recNo =
        currentRow_ >= 0 ? window_[static_cast<size_t>(currentRow_)].recNo : kBlankRow;
    if (recNo != reportedRecNo_) {
        reportedRecNo_ = recNo;
        if (OnChanged) OnChanged();
    }
}

// --- Moving ---------------------------------------------------------------------------------

void HDBCustomGrid::MoveBy(int rows) {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    if (rows < 0) placement_ = Placement::FirstRow;
    if (rows > 0) placement_ = Placement::LastRow;
    StepTable(rows);
}

void HDBCustomGrid::StepTable(int rows) {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    struct Pending {
        int& move;
        ~Pending() { move = 0; }
    } pending{pendingMove_};
    pendingMove_ = rows;
    table->Skip(rows);
}

void HDBCustomGrid::GoFirst() {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    placement_ = Placement::FirstRow;
    table->First();
}

void HDBCustomGrid::GoLast() {
    HTable* table = DBFTable();
    if (table == nullptr || !table->Active()) return;
    placement_ = Placement::LastRow;
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
    if (currentRow_ >= 0) changedRows_.push_back(currentRow_);
    RepaintChanges();
}

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
            placement_ = Placement::Centred;
            table->GoPercent(position);
        } else {
            MoveBy(position <= kThumbMiddle ? -PageRows() : PageRows());
        }
    }
    UpdateThumb();
}

int HDBCustomGrid::ThumbPosition() const {
    if (!Readable() || window_.empty()) return kThumbTop;
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

// --- Geometry -------------------------------------------------------------------------------

int HDBCustomGrid::RowPitch() const {
    return defaultRowHeight_ + ((permissions_ & luRowLines) ? gridLineWidth_ : 0);
}

int HDBCustomGrid::TitleHeight() const { return (permissions_ & luTitles) ? RowPitch() : 0; }

int HDBCustomGrid::FullRows() const {
    return std::max(0, viewport()->height() - TitleHeight()) / RowPitch();
}

int HDBCustomGrid::LastFullRow() const {
    return std::max(0, std::min(FullRows(), RowCapacity()) - 1);
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
    auto recordAt = [this](int row) {
        return row < static_cast<int>(window_.size()) ? window_[static_cast<size_t>(row)].recNo
                                                      : kBlankRow;
    };
    if (repaintAll_ || std::abs(pendingShift_) >= rows) {
        port->update();
    } else {
        if (pendingShift_ != 0) {
            // The rows moved as a block: move their pixels and paint only what is new.
            const int pitch = RowPitch();
            port->scroll(0, -pendingShift_ * pitch,
                         QRect(0, TitleHeight(), port->width(), rows * pitch));
            std::vector<int32_t> moved(static_cast<size_t>(rows), kUnknownRow);
            for (int row = 0; row < rows; ++row) {
                const int from = row + pendingShift_;
                if (from >= 0 && from < static_cast<int>(shownRecNos_.size())) {
                    moved[static_cast<size_t>(row)] = shownRecNos_[static_cast<size_t>(from)];
                }
            }
            shownRecNos_ = std::move(moved);
            shownCurrent_ -= pendingShift_;
        }
        for (int row = 0; row < rows; ++row) {
            const int32_t before = row < static_cast<int>(shownRecNos_.size())
                                       ? shownRecNos_[static_cast<size_t>(row)]
                                       : kUnknownRow;
            const bool lit = row == currentRow_;
            const bool wasLit = row == shownCurrent_;
            if (before != recordAt(row) || lit != wasLit) port->update(RowRect(row));
        }
        for (int row : changedRows_) port->update(RowRect(row));
    }
    shownRecNos_.resize(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) shownRecNos_[static_cast<size_t>(row)] = recordAt(row);
    shownCurrent_ = currentRow_;
    pendingShift_ = 0;
    changedRows_.clear();
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
    if (row >= static_cast<int>(window_.size())) return;  // a blank row stays in the grid colour
    const HGridSnapshot& snapshot = window_[static_cast<size_t>(row)];
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
            row == currentRow_ && (rowSelect || static_cast<int>(i) + 1 == currentColumn_);
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
    if (RowCapacity() != capacity_) Rebuild(Placement::KeepRow);
    repaintAll_ = true;
    FinishChange();
}

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
    const int row = RowAt(at.y());
    if (row < 0 || row >= static_cast<int>(window_.size())) return;
    const int column = ColumnAt(at.x());
    Guarded([&] {
        if (!(permissions_ & luRowSelect) && column >= 0) SetCurrentColumn(column + 1);
        HTable* table = DBFTable();
        if (table == nullptr || !table->Active()) return;
        if (currentRow_ >= 0) {
            if (row != currentRow_) StepTable(row - currentRow_);
        } else if (window_[static_cast<size_t>(row)].recNo != kInsertRecNo) {
            table->Go(window_[static_cast<size_t>(row)].recNo);
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
    if (event->button() == Qt::LeftButton && row >= 0 && row < static_cast<int>(window_.size())) {
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
    if (currentRow_ >= 0) changedRows_.push_back(currentRow_);
    RepaintChanges();
}

void HDBCustomGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    if (currentRow_ >= 0) changedRows_.push_back(currentRow_);
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
