// HCtrlLink: the tie between a data-aware control and a table component (HTable). The table
// tells every attached link what happened (HDBEvent); the link resolves its field against the
// table's field list and asks the table for permission before the control modifies a field.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class HTable;

// Link notifications, with the meaning of their info argument.
enum class HDBEvent : int {
    FieldChanged = 0,   // a field value was changed through the component (info: field number)
    RecordChanged = 1,  // the current record changed: any navigation or find (info: 0)
    NewRecord = 2,      // a new record was started (info: 0)
    Layout = 3,         // the table was opened (0) or closed (1), or a range was set; re-resolve
    Refresh = 4,        // the table was refreshed (info: 0)
    Deleted = 6,        // a record was deleted (info: 0)
    UpdateData = 7,     // a post begins: write pending edits into the record buffer (info: 0)
    StateChanged = 8,   // the table state changed (info: the previous HTableState)
    Inserted = 10,      // an inserted record was written (info: 0)
    OrderChanged = 11,  // the controlling order changed or a post moved the record in it
    TableGone = 12,     // the table is going away: let go of it (info: 0)
};

// Receives link notifications: (event, info).
using HCtrlEvent = std::function<void(HDBEvent event, int32_t info)>;

// Field type codes given to links (HTable::FieldTypeCode).
namespace hfieldtype {
constexpr int kUnknown = 0;
constexpr int kString = 1;   // C
constexpr int kInteger = 3;  // N without decimals, narrower than 5
constexpr int kBoolean = 5;  // L
constexpr int kFloat = 6;    // other N, and F
constexpr int kDate = 9;     // D
constexpr int kMemo = 15;    // M
}  // namespace hfieldtype

// One link per data-aware control; the control owns it and derives from it to hear the
// notifications (Notify). Destroying a link detaches it from its table.
// Used from the thread that uses the table.
class HCtrlLink {
public:
    HCtrlLink() = default;
    virtual ~HCtrlLink();
    HCtrlLink(const HCtrlLink&) = delete;
    HCtrlLink& operator=(const HCtrlLink&) = delete;

    // Detaches from the current table (if any) and attaches to `table` (nullptr: none). A
    // newly attached link receives HDBEvent::NewRecord.
    void SetTable(HTable* table);
    HTable* Table() const { return table_; }

    // A read-only link never lets its control modify the field.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }

    // The field the control shows (at most 10 characters are kept). Changing it forgets the
    // resolved field.
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name);

    // Looks the field name up in the table's field list. Throws EZadarirError
    // "Field <name> not found" (and forgets the name) when there is a name and the table has
    // no such field. Without a name, or without a table, the link resolves to field 0.
    void Resolve();
    bool Resolved() const { return resolved_; }
    // The resolved field: its 1-based number (0: none), type code (hfieldtype), width and
    // decimals. FieldNumber resolves first when the link is unresolved and its table active.
    int FieldNumber();
    int FieldType() const { return fieldType_; }
    int FieldWidth() const { return fieldWidth_; }
    int FieldDecimals() const { return fieldDecimals_; }

    // Asked before the control modifies the field. A read-only link refuses; a table in edit
    // or insert state accepts; otherwise an active, writable table with AutoEdit set is put
    // into edit state. Returns whether the table is now in edit or insert state.
    bool CanModify();

protected:
    // Every notification of the table, after the link has done its own part (re-resolving on
    // HDBEvent::Layout; dropping the table on HDBEvent::TableGone, so Table() is null then).
    // May throw; the table still notifies its other links first.
    virtual void Notify(HDBEvent event, int32_t info) = 0;

private:
    friend class HTable;
    // Called by the table for every notification.
    void Receive(HDBEvent event, int32_t info);

    HTable* table_ = nullptr;
    bool readOnly_ = false;
    std::string fieldName_;
    bool resolved_ = false;
    int fieldNumber_ = 0;
    int fieldType_ = 0;
    int fieldWidth_ = 0;
    int fieldDecimals_ = 0;
};
