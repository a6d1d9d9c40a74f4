// HTable: the table component through which the program uses a table file. It holds the
// table's settings, opens and closes one table object (HDBFTable), runs the browse / edit /
// insert state machine with its before and after events, forwards navigation, field access
// and index operations to the table object, and tells every attached link (HCtrlLink) what
// happened.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/HCtrlLink.h"
#include "table/HDBFTable.h"
#include "table/KeyExpression.h"

// The states of a table component; the values are those link notifications carry.
enum class HTableState : int {
    Inactive = 0,  // closed
    Moving = 1,    // transient, around every navigation notification
    Browse = 2,    // open; after every navigation, post and cancel
    Edit = 3,      // Edit
    Insert = 4,    // Append, AppendCopy
    Indexing = 5,  // while IndexOn runs
};

// The names of an index file list: separated by blanks, commas or semicolons; a part in
// double quotes is one name even with blanks in it (the quotes are dropped).
std::vector<std::string> SplitIndexNames(std::string_view names);

class HTable;
using HTableEvent = std::function<void(HTable& table)>;
// Asked before a post; setting canPost false keeps the table in its editing state.
using HValidateEvent = std::function<void(HTable& table, bool& canPost)>;
// Asked for the current record during filtered navigation; setting tf false hides it.
using HFilterCheck = std::function<void(bool& tf)>;
using HStatusReport = std::function<void(int stat1, int stat2, int stat3)>;
// (Code, Info = sub-code, StP = text).
using HZadarirError = HFileObject::ErrorEvent;

// One table component. Owns its table object while open; does not own its links (a link
// detaches itself when destroyed, and every link hears HDBEvent::TableGone when the table is
// destroyed). Used from one thread.
//
// Guards, as the operations below name them:
//  - active: on a closed table throws EZadarirError "Table not active"; while indexing the
//    operation does nothing and returns false, 0 or an empty value;
//  - browse: in edit or insert state with a changed record asks the host "Do you wish to save
//    current edit changes?" (Yes posts, No cancels the edit); an unchanged record is cancelled
//    without asking. When the table is still editing afterwards (the post was refused or
//    failed) the operation is abandoned and returns false;
//  - edit-mode: throws "Table not in edit or insert mode" unless in edit or insert state;
//  - closed: throws "Cannot perform this operation on an open table" when open;
//  - write: throws "Cannot modify a read-only table" when ReadOnly() is set.
// Errors of the table object go to OnZadarirError when assigned (the operation then returns
// false or 0) and are thrown as EZadarirError otherwise.
class HTable {
public:
    HTable();
    // Closes the table (asking about a changed record as closing does), then tells every link
    // HDBEvent::TableGone and detaches it. Never throws.
    ~HTable();
    HTable(const HTable&) = delete;
    HTable& operator=(const HTable&) = delete;

    // --- Settings ---------------------------------------------------------------------
    // Banner naming the engine and its version.
    static std::string About();

    // Open the file for this program alone. After an open: whether it really was.
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool on) { exclusive_ = on; }
    // A failed Find positions on the next greater key instead of the end.
    bool FindNear() const { return findNear_; }
    void SetFindNear(bool on);
    // Deleted records take part in navigation.
    bool UseDeleted() const { return useDeleted_; }
    void SetUseDeleted(bool on);
    // User number written into the header on every header update.
    int32_t UserID() const { return userId_; }
    void SetUserID(int32_t id);
    // A link that wants to modify a field may put the table into edit state (HCtrlLink).
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool on) { autoEdit_ = on; }
    // AppendCopy gives memo fields their own copy of the memo.
    bool CopyMemo() const { return copyMemo_; }
    void SetCopyMemo(bool on) { copyMemo_ = on; }
    // No modification allowed. After an open: true also when the file could only be read.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    HLokProtocol LockProtocol() const { return lockProtocol_; }
    void SetLockProtocol(HLokProtocol protocol);
    // Field text is kept in the OEM code page: StringPutN converts from ANSI.
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool on);
    // Find needs the whole key to match. Forwarded on open and at once.
    bool ExactFind() const { return exactFind_; }
    void SetExactFind(bool on);
    // Sequential reads fetch many records at once. Off by default; forwarded on open and at
    // once.
    bool ReadAhead() const { return readAhead_; }
    void SetReadAhead(bool on);

    // Table file name; ".DBF" is added when it has no extension. Closed guard when the value
    // changes. When DBFPath() + DBFName() exists, the file is opened and closed once, quietly
    // (no events, no notifications, failures ignored), to fill the field list.
    const std::string& DBFName() const { return dbfName_; }
    void SetDBFName(const std::string& name);
    // Folder of the table; a "/" is added when missing (an empty path stays empty: the
    // current directory). Same rules as SetDBFName.
    const std::string& DBFPath() const { return dbfPath_; }
    void SetDBFPath(const std::string& path);
    // DBFPath() + DBFName().
    std::string FullName() const { return dbfPath_ + dbfName_; }

    // Index files opened with the table (".NDX" is added to names without an extension;
    // names are relative to DBFPath()). Setting the list on an open table reopens the index
    // files, selects IndexTag() and goes to the top.
    const std::vector<std::string>& IndexFiles() const { return indexFiles_; }
    void SetIndexFiles(const std::vector<std::string>& files);
    // Tag selected when the table opens or IndexFiles changes; SetTagTo updates it.
    const std::string& IndexTag() const { return indexTag_; }
    void SetIndexTag(const std::string& tag) { indexTag_ = tag; }

    // Asked for every record during filtered navigation. Closed guard.
    void SetOnFilter(HFilterCheck check);
    bool HasOnFilter() const { return static_cast<bool>(onFilter_); }

    // --- Events -------------------------------------------------------------------------
    HStatusReport OnStatus;
    // Offered every key expression before the built-in evaluator. Takes effect when assigned
    // before the table opens.
    HFormulaMake OnFormula;
    HTableEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    HTableEvent BeforeAppend, AfterAppend, BeforeEdit, AfterEdit, BeforePost, AfterPost;
    HTableEvent BeforeDelete, AfterDelete, BeforeCancel, AfterCancel, OnNewRecord;
    HValidateEvent OnValidate;
    HZadarirError OnZadarirError;
    // After every state change (with link notification HDBEvent::StateChanged).
    HTableEvent OnStateChange;
    // With every link notification below HDBEvent::UpdateData.
    HCtrlEvent OnDataChange;
    // When a post begins (HDBEvent::UpdateData).
    HTableEvent OnUpdateData;

    // --- Opening and closing ------------------------------------------------------------
    // Setting true fires BeforeOpen, opens the table and fires AfterOpen when it really
    // opened; setting false fires BeforeClose, closes and fires AfterClose. Between
    // BeginLoad and Loaded the value is only remembered.
    //
    // Opening: closed guard; nothing when DBFName() is empty; throws "Table does not exist on
    // the path  " + DBFPath() + DBFName() when the file is missing, "Index does not exist on
    // the path  " + DBFPath() + entry for a missing index file. When the table object cannot
    // open the file the error goes the usual way and the table stays closed. An open table is
    // in browse state on its first record with Bof() set; links hear HDBEvent::Layout (0).
    //
    // Closing: a changed record in edit or insert state is saved when the host answers Yes
    // to "Record has been changed.\r\nDo you want to save it?", otherwise dropped; links hear
    // HDBEvent::Layout (1). The field list stays.
    bool Active() const { return table_ != nullptr; }
    void SetActive(bool on);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    // Loading from saved settings: SetActive only remembers the value until Loaded.
    void BeginLoad() { loading_ = true; }
    void Loaded();

    // --- State and links ----------------------------------------------------------------
    HTableState State() const { return state_; }
    // Attaches `link` (once); it hears HDBEvent::NewRecord. Not owned. Prefer
    // HCtrlLink::SetTable, which detaches from the previous table.
    void AttachLink(HCtrlLink* link);
    void DetachLink(HCtrlLink* link);
    // Tells every attached link (unless quiet or notifying is off), then OnDataChange for codes
    // below UpdateData; then FieldChanged marks the record changed, RecordChanged marks it
    // unchanged, UpdateData fires OnUpdateData and StateChanged fires OnStateChange. When a
    // link throws, the others are still told and the first exception is rethrown.
    void NotifyLinks(HDBEvent event, int32_t info);

    // --- Navigation (active and browse guards unless noted) -----------------------------
    // Go(top) / Go(bottom); Bof() is then true after First and Eof() after Last.
    bool First();
    bool Last();
    // `target`: record number, or hmove::kTop / kBottom / kCurrent (re-read, keeping the end
    // flags). Links hear RecordChanged between the states Moving and Browse. Returns the
    // table object's result.
    bool Go(int target);
    // Moves by `count` records (0: stays); links hear RecordChanged.
    void Skip(int count);
    // Seeks `key` in the controlling order; not found at the end leaves a blank record
    // buffer. Returns whether it was found.
    bool Find(const std::string& key);
    // Active guard.
    bool Bof();
    bool Eof();
    // Current record number; 2147483647 in insert state.
    int32_t RecNo();
    // Record count; one more in insert state.
    int32_t RecordCount();
    // 0..100: 100 in insert state; with a controlling order the order's own figure (-1 when
    // the order cannot tell: callers page instead); else RecNo() * 100 / RecordCount() (0 for
    // an empty table).
    int Percent();
    // Goes to `percent` (clamped to 0..100) of the table: record max(1, p * count / 100).
    void GoPercent(int percent);
    // Forgets cached records, re-reads the current record (browse guard applies), links hear
    // Refresh. Does nothing on a closed table.
    void Refresh();

    // --- Changing records ---------------------------------------------------------------
    // Active and write guards. Starts a new blank record (insert state): BeforeAppend,
    // OnNewRecord (in insert state, links not told), links hear NewRecord, AfterAppend.
    // Nothing in edit or insert state.
    void Append();
    // As Append, but the new record starts as a copy of the current one (memo fields start
    // empty: the engine has no memo support).
    void AppendCopy();
    // Active and write guards. Locks the current record (another program's lock: "Record is
    // locked by another user" after the retry time), re-reads it and enters edit state:
    // BeforeEdit, AfterEdit. On an empty table acts as Append. Nothing in states Moving, Edit,
    // Insert. Returns whether the table is now editing.
    bool Edit();
    // Active guard. In edit or insert state: links hear UpdateData; OnValidate may refuse
    // (state and lock kept, false); BeforePost; a changed record is written (inserted records:
    // links hear Inserted; a record moved in the controlling order: OrderChanged); browse
    // state; AfterPost; the record lock is released. An unchanged record is cancelled instead.
    // When the write fails the table stays in its editing state with the record lock held
    // and the result is false. In other states only the record lock is released. Returns
    // whether a record was written.
    bool Post();
    // Active guard. Leaves edit or insert state, releasing the record lock: BeforeCancel,
    // back to the stored data (after an insert the table goes to the bottom), browse state,
    // AfterCancel.
    void Cancel();
    // Active and write guards. Marks the current record deleted: BeforeDelete, AfterDelete,
    // re-read, links hear Deleted. In insert state the unsaved new record is dropped
    // (Cancel) instead; in edit state the unsaved changes are dropped first.
    void Delete();
    // Active and browse guards. Removes deleted records, then goes to the top (links hear
    // RecordChanged).
    bool Pack();

    // --- Fields -------------------------------------------------------------------------
    // The stored text of a field, full width, not converted. Any state; "Table not active"
    // on a closed table.
    void StringGet(std::string_view field, std::string& text);
    std::string StringGet(std::string_view field);
    // Stores text by field name in any state; links are not told. "Table not active" when
    // closed.
    bool StringPut(std::string_view field, std::string_view text);
    // Active and edit-mode guards. Stores text by field number (ANSI to OEM first with
    // Transliterate): D fields take a date (YYYYMMDD, YYYY-MM-DD or MM/DD/YYYY; empty: no
    // date), N and F fields a decimal number stored as NumberPut does (empty: blank), others
    // the text. Text that is not a date or number throws std::invalid_argument. Links hear
    // FieldChanged.
    bool StringPutN(int field, std::string_view text);
    // Active and edit-mode guards. Links hear FieldChanged.
    bool NumberPut(std::string_view field, double value);
    bool IntegerPut(std::string_view field, int32_t value);
    // NumberGet rounded to the nearest integer. "Table not active" when closed.
    int32_t IntegerGet(std::string_view field);

    // The field list: kept after closing. Numbers are 1-based; out of range gives 0 / empty.
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // Trailing blanks removed, case-insensitive (as the table object compares); 0 when there
    // is none.
    int FieldNumber(std::string_view name) const;
    std::string FieldName(int field) const;
    char FieldType(int field) const;
    // hfieldtype code.
    int FieldTypeCode(int field) const;
    int FieldWidth(int field) const;
    int FieldDecimals(int field) const;

    // --- Indexes ------------------------------------------------------------------------
    // Active guard. Closes the open index files and opens `names`: a list separated by blanks,
    // commas or semicolons, where a part in double quotes is one name (quotes removed). Stops
    // at the first failure; when all opened, `tag` becomes the controlling order. Links hear
    // OrderChanged. Returns whether all opened.
    bool IndexOpen(const std::string& names, const std::string& tag);
    // Active and browse guards. Creates tag `tag` with `keyExpression` (and `forExpression`
    // when not empty) in index file `file`, in state Indexing; progress goes to OnStatus.
    // `option` (sort order) and `flag` (unique) are passed through to the index layer.
    bool IndexOn(const std::string& file, const std::string& tag, int option, int flag,
                 const std::string& forExpression, const std::string& keyExpression);
    // Active guard. Makes `tag` the controlling order (empty: record order), failures
    // swallowed; IndexTag() takes the name; links hear OrderChanged.
    void SetTagTo(const std::string& tag);
    // Active and browse guards. Limits the controlling order to keys between `low` and `high`
    // (both empty: no range) and goes to the first record in range; links hear Layout (0).
    void SetRange(const std::string& low, const std::string& high);

    // The table object while open (nullptr when closed). Not owned by the caller.
    HDBFTable* Table() const { return table_.get(); }

private:
    struct Field {
        std::string name;
        std::string upper;  // for lookups by name
        char type = 'C';
        int width = 0;
        int decimals = 0;
    };

    [[noreturn]] static void Raise(const char* message);
    bool ActiveCheck();
    void RequireOpen();
    bool BrowseCheck();
    void EditModeCheck();
    void ClosedCheck();
    void WriteCheck();
    void SetState(HTableState state);
    // Tells every attached link; when one throws, the others are still told. Returns the
    // first exception (null when none).
    std::exception_ptr TellLinks(HDBEvent event, int32_t info);
    // State Moving, RecordChanged, state Browse.
    void Moved();
    bool GoNow(int target);
    bool OpenSequence(bool quiet);
    void CloseSequence();
    void OpenIndexFiles();
    std::string IndexPath(const std::string& entry) const;
    void ForwardSettings();
    void ReleaseRecordLock();
    void Fire(const HTableEvent& event) {
        if (event && !quiet_) event(*this);
    }
    void ProbeFields();

    std::unique_ptr<HDBFTable> table_;
    std::vector<Field> fields_;
    std::vector<HCtrlLink*> links_;
    HTableState state_ = HTableState::Inactive;

    bool exclusive_ = false;
    bool findNear_ = false;
    bool useDeleted_ = false;
    int32_t userId_ = 0;
    bool autoEdit_ = false;
    bool copyMemo_ = false;
    bool readOnly_ = false;
    HLokProtocol lockProtocol_ = HLokProtocol::Default;
    std::vector<std::string> indexFiles_;
    std::string indexTag_;
    std::string dbfName_;
    std::string dbfPath_;
    bool transliterate_ = true;
    HFilterCheck onFilter_;

    bool loading_ = false;
    bool activeWhenLoaded_ = false;
    bool quiet_ = false;
    bool notifying_ = true;
    bool exactFind_ = false;
    bool autoLock_ = true;
    bool readAhead_ = false;
    bool recordLocked_ = false;
};
