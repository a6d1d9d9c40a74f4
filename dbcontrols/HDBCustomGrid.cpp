// HDBCustomGrid: construction, binding to a table through the link, columns, appearance and the
// link notifications. Input is in HDBCustomGridInput.cpp, geometry and painting in
// HDBCustomGridPaint.cpp, the record window in HGridRecordWindow.
#include "dbcontrols/HDBCustomGrid.h"

#include <algorithm>

#include "table/CharServices.h"
#include "table/HTable.h"
#include "widgets/AnsiText.h"

// --- Construction ---------------------------------------------------------------------------

void HDBCustomGrid::Link::Notify(HDBEvent event, int32_t info) { grid_.LinkNotify(event, info); }

HDBCustomGrid::HDBCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    titleFont_ = font();
    titleColor_ = palette().color(QPalette::Button);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);

    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetUpVerticalBar();
    window_.OnPositioned = [this] { UpdateThumb(); };
}

HDBCustomGrid::~HDBCustomGrid() { link_.SetTable(nullptr); }

QStringList HDBCustomGrid::DefaultFieldList(HTable& /*table*/) { return {}; }

// --- Binding and columns --------------------------------------------------------------------

void HDBCustomGrid::SetDBFTable(HTable* table) {
    if (table == DBFTable()) return;
    window_.Clear(Rows());
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
    window_.Rebuild(HGridPlacement::KeepRow, Rows());
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
    window_.Rebuild(HGridPlacement::KeepRow, Rows());
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
    window_.Rebuild(HGridPlacement::KeepRow, Rows());
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
    window_.Rebuild(HGridPlacement::KeepRow, Rows());
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
    if (window_.Filling()) {
        // Reading the window sends nothing by design; whatever did is caught up afterwards.
        missedChange_ = true;
        return;
    }
    HTable* table = DBFTable();
    const bool inserting = table != nullptr && table->State() == HTableState::Insert;
    switch (event) {
        case HDBEvent::FieldChanged:
            window_.RetakeCurrent();
            break;
        case HDBEvent::RecordChanged:
            window_.RetakeCurrent();
            window_.Resynchronise(Rows());
            break;
        case HDBEvent::Layout:
            TableLayoutChanged();
            break;
        case HDBEvent::Refresh:
        case HDBEvent::OrderChanged:
            if (!inserting) window_.Rebuild(HGridPlacement::KeepRow, Rows());
            break;
        case HDBEvent::Deleted:
            window_.Rebuild(HGridPlacement::KeepRow, Rows());
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
        window_.Clear(Rows());
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
            window_.Clear(Rows());
            return;
        }
    }
    if (items_.isEmpty()) {
        items_ = DefaultFieldList(*table);
        autoColumns_ = !items_.isEmpty();
    }
    ApplyColumns();
    window_.Forget();
    window_.Rebuild(window_.Placement(), Rows());
    repaintAll_ = true;
}

void HDBCustomGrid::StateChanged(int32_t previous) {
    HTable* table = DBFTable();
    if (table == nullptr) return;
    const HTableState now = table->State();
    const bool wasInserting = static_cast<HTableState>(previous) == HTableState::Insert;
    if (now == HTableState::Insert && !wasInserting) {
        window_.Rebuild(HGridPlacement::LastRow, Rows());  // filled from the end
    } else if (wasInserting && now != HTableState::Insert && now != HTableState::Inactive) {
        window_.Rebuild(HGridPlacement::LastRow, Rows());
    }
}

void HDBCustomGrid::Unbind() {
    link_.SetTable(nullptr);
    tableName_.clear();
    window_.Clear(Rows());
}

QString HDBCustomGrid::CellText(int row, int column) const { return window_.CellText(row, column); }

void HDBCustomGrid::FinishChange() {
    if (missedChange_) {
        missedChange_ = false;
        window_.Rebuild(HGridPlacement::KeepRow, Rows());
    }
    RepaintChanges();
    const int32_t recNo = window_.RecNoAt(window_.CurrentRow());
    if (recNo != reportedRecNo_) {
        reportedRecNo_ = recNo;
        if (OnChanged) OnChanged();
    }
}
