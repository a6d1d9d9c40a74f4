#include "table/HTable.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>

#include "table/CharServices.h"
#include "table/DbfDate.h"
#include "table/EZadarirError.h"
#include "table/Host.h"

namespace {

constexpr const char* kNotActive = "Table not active";
constexpr const char* kNotEditMode = "Table not in edit or insert mode";
constexpr const char* kOpenTable = "Cannot perform this operation on an open table";
constexpr const char* kReadOnlyTable = "Cannot modify a read-only table";
constexpr const char* kSaveEditQuestion = "Do you wish to save current edit changes?";
constexpr const char* kSaveOnCloseQuestion = "Record has been changed.\r\nDo you want to save it?";

bool IsEditing(HTableState state) {
    return state == HTableState::Edit || state == HTableState::Insert;
}

bool RegularFileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The table object also accepts "x.dbf" for "x.DBF" when only that exists.
bool TableFileExists(const std::string& path) {
    if (RegularFileExists(path)) return true;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".DBF") == 0) {
        return RegularFileExists(path.substr(0, path.size() - 4) + ".dbf");
    }
    return false;
}

bool HasExtension(const std::string& name) {
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(begin, end - begin + 1));
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYYMMDD" for a date typed as YYYYMMDD, YYYY-MM-DD or MM/DD/YYYY (the form DisplayText
// shows); eight blanks for an empty text.
std::string DateFieldText(std::string_view input) {
    const std::string text = Trim(input);
    if (text.empty()) return std::string(8, ' ');
    std::string digits;
    if (text.size() == 8 && AllDigits(text)) {
        digits = text;
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    } else if (text.size() == 10 && text[2] == '/' && text[5] == '/') {
        digits = text.substr(6, 4) + text.substr(0, 2) + text.substr(3, 2);
    }
    if (!AllDigits(digits) || DbfDateTextToJulian(digits) < 0) {
        throw std::invalid_argument("'" + std::string(input) + "' is not a valid date");
    }
    return digits;
}

double DecimalValue(std::string_view input) {
    const std::string text = Trim(input);
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        throw std::invalid_argument("'" + std::string(input) +
                                    "' is not a valid floating point value");
    }
    return value;
}

// Holds the index locks of one write under the ClipLock protocol.
class ClipIndexLock {
public:
    ClipIndexLock(HDBFTable& table, HLokProtocol protocol)
        : table_(table), active_(protocol == HLokProtocol::ClipLock) {
        if (active_) held_ = table_.LockIndexes();
    }
    ~ClipIndexLock() {
        if (active_ && held_) table_.UnlockIndexes();
    }
    ClipIndexLock(const ClipIndexLock&) = delete;
    ClipIndexLock& operator=(const ClipIndexLock&) = delete;
    bool ok() const { return !active_ || held_; }

private:
    HDBFTable& table_;
    bool active_;
    bool held_ = false;
};

}  // namespace

std::vector<std::string> SplitIndexNames(std::string_view names) {
    std::vector<std::string> result;
    std::string current;
    bool quoted = false;
    for (char c : names) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == ',' || c == ';')) {
            if (!current.empty()) result.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) result.push_back(current);
    return result;
}

// --- Construction ---------------------------------------------------------------------------

HTable::HTable() = default;

HTable::~HTable() {
    try {
        CloseSequence();
    } catch (...) {
        // Destruction cannot report; the table object closes itself quietly below.
    }
    recordLocked_ = false;
    table_.reset();
    std::vector<HCtrlLink*> links;
    links.swap(links_);
    for (HCtrlLink* link : links) {
        try {
            link->Receive(HDBEvent::TableGone, 0);
        } catch (...) {
        }
        link->table_ = nullptr;
    }
}

std::string HTable::About() { return "Lineatum table engine 1.0"; }

// --- Guards ---------------------------------------------------------------------------------

void HTable::Raise(const char* message) { throw EZadarirError(message); }

bool HTable::ActiveCheck() {
    if (!table_) Raise(kNotActive);
    return state_ != HTableState::Indexing;
}

void HTable::RequireOpen() {
    if (!table_) Raise(kNotActive);
}

bool HTable::BrowseCheck() {
    if (!IsEditing(state_)) return true;
    if (table_->RecordChanged() && Host().AskYesNo(kSaveEditQuestion, "Confirm", true)) {
        Post();
    } else {
        Cancel();
    }
    // A post that was refused or failed keeps the edit: the operation must not discard it.
    return !IsEditing(state_);
}

void HTable::EditModeCheck() {
    if (!IsEditing(state_)) Raise(kNotEditMode);
}

void HTable::ClosedCheck() {
    if (table_) Raise(kOpenTable);
}

void HTable::WriteCheck() {
    if (readOnly_) Raise(kReadOnlyTable);
}

// --- Settings -------------------------------------------------------------------------------

void HTable::SetFindNear(bool on) {
    findNear_ = on;
    if (table_) table_->SetFindNear(on);
}

void HTable::SetUseDeleted(bool on) {
    useDeleted_ = on;
    if (table_) table_->SetUseDeleted(on);
}

void HTable::SetUserID(int32_t id) {
    userId_ = id;
    if (table_) table_->SetUserID(id);
}

void HTable::SetLockProtocol(HLokProtocol protocol) {
    lockProtocol_ = protocol;
    if (table_) table_->SetLockProtocol(protocol);
}

void HTable::SetTransliterate(bool on) {
    transliterate_ = on;
    if (table_) table_->SetTransliterate(on);
}

void HTable::SetExactFind(bool on) {
    exactFind_ = on;
    if (table_) table_->SetExactFind(on);
}

void HTable::SetReadAhead(bool on) {
    readAhead_ = on;
    if (table_) table_->SetReadAhead(on);
}

void HTable::ForwardSettings() {
    table_->SetFindNear(findNear_);
    table_->SetUseDeleted(useDeleted_);
    table_->SetReadAhead(readAhead_);
    table_->SetAutoLock(autoLock_);
    table_->SetTransliterate(transliterate_);
    table_->SetExactFind(exactFind_);
    table_->SetLockProtocol(lockProtocol_);
    table_->SetUserID(userId_);
}

void HTable::SetDBFName(const std::string& name) {
    std::string value = name;
    if (!value.empty() && !HasExtension(value)) value += ".DBF";
    if (value == dbfName_) return;
    ClosedCheck();
    dbfName_ = value;
    ProbeFields();
}

void HTable::SetDBFPath(const std::string& path) {
    std::string value = path;
    if (!value.empty() && value.back() != '/') value += '/';
    if (value == dbfPath_) return;
    ClosedCheck();
    dbfPath_ = value;
    ProbeFields();
}

void HTable::SetOnFilter(HFilterCheck check) {
    ClosedCheck();
    onFilter_ = std::move(check);
}

void HTable::SetIndexFiles(const std::vector<std::string>& files) {
    indexFiles_ = files;
    if (!table_ || files.empty() || state_ == HTableState::Indexing) return;
    if (!BrowseCheck()) return;
    table_->CloseIndexes();
    OpenIndexFiles();
    GoNow(hmove::kTop);
}

// --- Opening and closing --------------------------------------------------------------------

void HTable::SetActive(bool on) {
    if (loading_) {
        activeWhenLoaded_ = on;
        return;
    }
    if (on == Active()) return;
    if (on) {
        Fire(BeforeOpen);
        if (OpenSequence(false)) Fire(AfterOpen);
    } else {
        Fire(BeforeClose);
        CloseSequence();
        Fire(AfterClose);
    }
}

void HTable::Loaded() {
    loading_ = false;
    if (activeWhenLoaded_) SetActive(true);
}

bool HTable::OpenSequence(bool quiet) {
    ClosedCheck();
    if (dbfName_.empty()) return false;
    const std::string path = FullName();
    if (!TableFileExists(path)) {
        throw EZadarirError("Table does not exist on the path  " + dbfPath_ + dbfName_);
    }
    const HOpenMode mode{readOnly_ ? HFileAccess::Read : HFileAccess::ReadWrite,
                         exclusive_ ? HFileShare::Exclusive : HFileShare::DenyNone};
    auto table = std::make_unique<HDBFTable>();
    table->OnZadarirError = [this](int code, int subCode, const std::string& text) {
        if (OnZadarirError)
            OnZadarirError(code, subCode, text);
        else
            DefaultZadarirHandler(code, subCode, text);
    };
    table->OnStatus = [this](int a, int b, int c) {
        if (OnStatus) OnStatus(a, b, c);
    };
    if (onFilter_) {
        table->OnFilter = [this]() {
            bool tf = true;
            onFilter_(tf);
            return tf;
        };
    }
    // Without a handler the index layer need not make each record current while it builds.
    if (OnFormula) {
        table->OnFormula = [this](const std::string& who, const std::string& st, std::string& rsl,
                                  char& typ, bool& chg, bool& tf) {
            if (OnFormula) OnFormula(who, st, rsl, typ, chg, tf);
        };
    }
    bool opened;
    if (quiet) {
        HFileObject::SuppressErrors silent(*table);
        opened = table->Open(path, mode);
    } else {
        opened = table->Open(path, mode);
    }
    if (!opened) return false;

    readOnly_ = readOnly_ || table->ReadOnly();
    exclusive_ = !table->Shared();
    table_ = std::move(table);
    ForwardSettings();
    fields_.clear();
    for (int f = 1; f <= table_->FieldCount(); ++f) {
        const HFieldDescriptor& d = table_->Field(f);
        fields_.push_back({d.name, AnsiUpper(d.name), d.type, d.width, d.decimals});
    }
    SetState(HTableState::Browse);
    if (quiet) return true;

    if (!indexFiles_.empty()) OpenIndexFiles();
    table_->Go(hmove::kTop);
    table_->SetEndFlags(true, table_->Eof());
    NotifyLinks(HDBEvent::Layout, 0);
    return true;
}

std::string HTable::IndexPath(const std::string& entry) const {
    std::string name = entry;
    if (!HasExtension(name)) name += ".NDX";
    return dbfPath_ + name;
}

void HTable::OpenIndexFiles() {
    for (const std::string& entry : indexFiles_) {
        const std::string path = IndexPath(entry);
        if (!RegularFileExists(path)) {
            throw EZadarirError("Index does not exist on the path  " + path);
        }
        if (!table_->OpenIndex(path)) return;
    }
    table_->SetOrder(indexTag_);
}

void HTable::CloseSequence() {
    if (!table_) return;
    if (IsEditing(state_)) {
        if (table_->RecordChanged() && Host().AskYesNo(kSaveOnCloseQuestion, "Warning", true)) {
            Post();
        }
        if (IsEditing(state_)) Cancel();
    }
    ReleaseRecordLock();
    table_->Close();
    table_.reset();
    SetState(HTableState::Inactive);
    NotifyLinks(HDBEvent::Layout, 1);
}

void HTable::ProbeFields() {
    if (table_ || dbfName_.empty() || !TableFileExists(FullName())) return;
    // Reading the field list needs neither write access nor this program alone, and must not
    // change the settings the real open uses.
    const bool exclusive = exclusive_;
    const bool readOnly = readOnly_;
    const HTableState state = state_;
    quiet_ = true;
    exclusive_ = false;
    readOnly_ = true;
    try {
        if (OpenSequence(true)) CloseSequence();
    } catch (...) {
        // A file that cannot be read now simply leaves the field list as it was.
        table_.reset();
    }
    recordLocked_ = false;
    state_ = state;
    quiet_ = false;
    exclusive_ = exclusive;
    readOnly_ = readOnly;
}

// --- State and links ------------------------------------------------------------------------

void HTable::SetState(HTableState state) {
    if (state == state_) return;
    const HTableState previous = state_;
    state_ = state;
    NotifyLinks(HDBEvent::StateChanged, static_cast<int32_t>(previous));
}

void HTable::Moved() {
    SetState(HTableState::Moving);
    NotifyLinks(HDBEvent::RecordChanged, 0);
    SetState(HTableState::Browse);
}

void HTable::AttachLink(HCtrlLink* link) {
    if (!link) return;
    if (link->table_ && link->table_ != this) link->table_->DetachLink(link);
    link->table_ = this;
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) return;
    links_.push_back(link);
    link->resolved_ = false;
    link->Receive(HDBEvent::NewRecord, 0);
}

void HTable::DetachLink(HCtrlLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (link && link->table_ == this) {
        link->table_ = nullptr;
        link->resolved_ = false;
    }
}

void HTable::NotifyLinks(HDBEvent event, int32_t info) {
    std::exception_ptr failure;
    if (!quiet_) {
        if (notifying_ && !links_.empty()) failure = TellLinks(event, info);
        if (OnDataChange && static_cast<int>(event) < static_cast<int>(HDBEvent::UpdateData)) {
            OnDataChange(event, info);
        }
    }
    switch (event) {
        case HDBEvent::FieldChanged:
            if (table_) table_->SetRecordChanged(true);
            break;
        case HDBEvent::RecordChanged:
            if (table_) table_->SetRecordChanged(false);
            break;
        case HDBEvent::UpdateData:
            Fire(OnUpdateData);
            break;
        case HDBEvent::StateChanged:
            Fire(OnStateChange);
            break;
        default:
            break;
    }
    if (failure) std::rethrow_exception(failure);
}

std::exception_ptr HTable::TellLinks(HDBEvent event, int32_t info) {
    std::exception_ptr failure;
    // A link may detach itself (or others) while being told.
    const std::vector<HCtrlLink*> links = links_;
    for (HCtrlLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
        try {
            link->Receive(event, info);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    return failure;
}

// --- Navigation -----------------------------------------------------------------------------

bool HTable::GoNow(int target) {
    const bool bof = table_->Bof();
    const bool eof = table_->Eof();
    const int32_t before = table_->RecNo();
    const bool ok = table_->Go(target);
    if (target == hmove::kTop) {
        table_->SetEndFlags(true, table_->Eof());
    } else if (target == hmove::kBottom) {
        table_->SetEndFlags(table_->Bof(), true);
    } else if (target == hmove::kCurrent && ok && table_->RecNo() == before) {
        table_->SetEndFlags(bof, eof);
    }
    Moved();
    return ok;
}

bool HTable::First() { return Go(hmove::kTop); }

bool HTable::Last() { return Go(hmove::kBottom); }

bool HTable::Go(int target) {
    if (!ActiveCheck() || !BrowseCheck()) return false;
    return GoNow(target);
}

void HTable::Skip(int count) {
    if (!ActiveCheck() || !BrowseCheck()) return;
    if (count != 0) table_->Skip(count);
    Moved();
}

bool HTable::Find(const std::string& key) {
    if (!ActiveCheck() || !BrowseCheck()) return false;
    const bool found = table_->Find(key);
    if (!found && table_->Eof()) table_->BlankRecord();
    Moved();
    return found;
}

bool HTable::Bof() { return ActiveCheck() && table_->Bof(); }

bool HTable::Eof() { return ActiveCheck() && table_->Eof(); }

int32_t HTable::RecNo() {
    if (!ActiveCheck()) return 0;
    if (state_ == HTableState::Insert) return INT32_MAX;
    return table_->RecNo();
}

int32_t HTable::RecordCount() {
    if (!ActiveCheck()) return 0;
    return table_->RecordCount() + (state_ == HTableState::Insert ? 1 : 0);
}

int HTable::Percent() {
    if (!ActiveCheck()) return 0;
    if (state_ == HTableState::Insert) return 100;
    if (!table_->OrderName().empty()) return table_->OrderPercent();
    const int64_t count = table_->RecordCount();
    if (count == 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(table_->RecNo() * int64_t{100} / count, 0, 100));
}

void HTable::GoPercent(int percent) {
    if (!ActiveCheck() || !BrowseCheck()) return;
    if (!table_->OrderName().empty()) {
        if (table_->GoOrderPercent(percent)) Moved();
        return;
    }
    const int64_t p = std::clamp(percent, 0, 100);
    const int64_t target = std::max<int64_t>(1, p * table_->RecordCount() / 100);
    GoNow(static_cast<int>(target));
}

void HTable::Refresh() {
    if (!table_ || state_ == HTableState::Indexing || !BrowseCheck()) return;
    table_->SetReadAhead(table_->ReadAhead());  // drops the cached records
    const int32_t current = table_->RecNo();
    GoNow(current > 0 ? current : hmove::kTop);
    NotifyLinks(HDBEvent::Refresh, 0);
}

// --- Changing records -----------------------------------------------------------------------

void HTable::Append() {
    if (!ActiveCheck()) return;
    WriteCheck();
    if (IsEditing(state_)) return;
    ClipIndexLock indexLock(*table_, lockProtocol_);
    if (!indexLock.ok()) return;
    Fire(BeforeAppend);
    table_->BlankRecord();
    {
        // OnNewRecord sees the insert state (so it may store default values) but links hear
        // nothing until the record is started.
        const HTableState previous = state_;
        const bool notifying = notifying_;
        state_ = HTableState::Insert;
        notifying_ = false;
        struct Restore {
            HTable& table;
            HTableState state;
            bool notifying;
            ~Restore() {
                table.state_ = state;
                table.notifying_ = notifying;
            }
        } restore{*this, previous, notifying};
        Fire(OnNewRecord);
    }
    SetState(HTableState::Insert);
    NotifyLinks(HDBEvent::NewRecord, 0);
    table_->SetRecordChanged(false);
    Fire(AfterAppend);
}

void HTable::AppendCopy() {
    if (!ActiveCheck()) return;
    WriteCheck();
    if (IsEditing(state_)) return;
    Fire(BeforeAppend);
    // The copy is built in a blank buffer, which also gives it a live deletion flag. Memo
    // fields start without a memo: sharing the block of the original would let one record's
    // memo change the other's.
    std::vector<std::string> values;
    for (int f = 1; f <= table_->FieldCount(); ++f) values.push_back(table_->FieldGet(f));
    table_->BlankRecord();
    for (int f = 1; f <= table_->FieldCount(); ++f) {
        if (FieldTypeCode(f) == hfieldtype::kMemo) continue;
        table_->FieldPut(f, values[static_cast<size_t>(f - 1)]);
    }
    SetState(HTableState::Insert);
    Fire(OnNewRecord);
    NotifyLinks(HDBEvent::NewRecord, 0);
    table_->SetRecordChanged(false);
    Fire(AfterAppend);
}

bool HTable::Edit() {
    if (!ActiveCheck()) return false;
    WriteCheck();
    if (state_ == HTableState::Moving || IsEditing(state_)) return IsEditing(state_);
    if (table_->RecordCount() == 0) {
        Append();
        return IsEditing(state_);
    }
    Fire(BeforeEdit);
    const int32_t recNo = table_->RecNo() > 0 ? table_->RecNo() : 1;
    if (!table_->LockRecord(recNo)) return false;
    recordLocked_ = true;
    try {
        GoNow(hmove::kCurrent);  // start from the stored version
    } catch (...) {
        ReleaseRecordLock();
        throw;
    }
    SetState(HTableState::Edit);
    Fire(AfterEdit);
    return true;
}

void HTable::ReleaseRecordLock() {
    if (!recordLocked_ || !table_) return;
    recordLocked_ = false;
    table_->UnlockTable();
}

bool HTable::Post() {
    if (!ActiveCheck()) return false;
    if (!IsEditing(state_)) {
        ReleaseRecordLock();
        return false;
    }
    NotifyLinks(HDBEvent::UpdateData, 0);
    bool canPost = true;
    if (OnValidate && !quiet_) OnValidate(*this, canPost);
    if (!canPost) return false;
    Fire(BeforePost);
    if (!table_->RecordChanged()) {
        Cancel();
        return false;
    }
    const bool inserting = state_ == HTableState::Insert;
    bool written;
    {
        ClipIndexLock indexLock(*table_, lockProtocol_);
        if (!indexLock.ok()) return false;
        written = inserting ? table_->AppendRecord() : table_->ReplaceRecord(table_->RecNo());
    }
    // A failed write keeps the record in the buffer and the table in its editing state, so
    // that nothing typed is lost.
    if (!written) return false;
    if (inserting) NotifyLinks(HDBEvent::Inserted, 0);
    if (table_->LastWriteMovedRecord()) NotifyLinks(HDBEvent::OrderChanged, 0);
    SetState(HTableState::Browse);
    ReleaseRecordLock();
    Fire(AfterPost);
    return true;
}

void HTable::Cancel() {
    if (!ActiveCheck()) return;
    const HTableState previous = state_;
    if (IsEditing(previous)) state_ = HTableState::Browse;  // lets the re-read navigate
    Fire(BeforeCancel);
    ReleaseRecordLock();
    if (previous == HTableState::Insert) {
        GoNow(hmove::kBottom);
    } else if (previous == HTableState::Edit) {
        GoNow(hmove::kCurrent);
    }
    if (IsEditing(previous)) {
        state_ = previous;
        SetState(HTableState::Browse);
    }
    Fire(AfterCancel);
}

void HTable::Delete() {
    if (!ActiveCheck()) return;
    WriteCheck();
    // The buffer of an insert holds a record that was never written: there is nothing to
    // delete, and deleting "the current record" would overwrite the record browsed before
    // with it. Unsaved edits of the record being deleted are dropped.
    if (state_ == HTableState::Insert) {
        Cancel();
        return;
    }
    if (state_ == HTableState::Edit) Cancel();
    Fire(BeforeDelete);
    bool deleted;
    {
        ClipIndexLock indexLock(*table_, lockProtocol_);
        if (!indexLock.ok()) return;
        deleted = table_->DeleteRecord();
    }
    if (!deleted) return;
    Fire(AfterDelete);
    GoNow(hmove::kCurrent);
    NotifyLinks(HDBEvent::Deleted, 0);
}

bool HTable::Pack() {
    if (!ActiveCheck() || !BrowseCheck()) return false;
    const bool ok = table_->Pack();
    Moved();  // the table is now on its first record
    return ok;
}

// --- Fields ---------------------------------------------------------------------------------

// Field access by name goes by number when the field list knows the name (the lists are the
// same while open); an unknown name goes to the table object, which reports it.

void HTable::StringGet(std::string_view field, std::string& text) {
    RequireOpen();
    const int number = FieldNumber(field);
    text = number > 0 ? table_->FieldGet(number) : table_->FieldGet(field);
}

std::string HTable::StringGet(std::string_view field) {
    std::string text;
    StringGet(field, text);
    return text;
}

bool HTable::StringPut(std::string_view field, std::string_view text) {
    RequireOpen();
    const int number = FieldNumber(field);
    return number > 0 ? table_->FieldPut(number, text) : table_->FieldPut(field, text);
}

bool HTable::StringPutN(int field, std::string_view text) {
    if (!ActiveCheck()) return false;
    EditModeCheck();
    std::string value(text);
    if (transliterate_ && !value.empty()) AnsiToOem(value.data(), value.size());
    if (field < 1 || field > table_->FieldCount()) return table_->FieldPut(field, value);
    bool ok;
    switch (table_->Field(field).type) {
        case 'D':
            ok = table_->FieldPut(field, DateFieldText(value));
            break;
        case 'N':
        case 'F':
            if (Trim(value).empty()) {
                ok = table_->FieldPut(field, "");
            } else {
                ok = table_->NumberPut(field, DecimalValue(value));
            }
            break;
        default:
            ok = table_->FieldPut(field, value);
    }
    if (ok) NotifyLinks(HDBEvent::FieldChanged, field);
    return ok;
}

bool HTable::NumberPut(std::string_view field, double value) {
    if (!ActiveCheck()) return false;
    EditModeCheck();
    const int number = FieldNumber(field);
    if (!(number > 0 ? table_->NumberPut(number, value) : table_->NumberPut(field, value))) {
        return false;
    }
    NotifyLinks(HDBEvent::FieldChanged, number);
    return true;
}

bool HTable::IntegerPut(std::string_view field, int32_t value) {
    return NumberPut(field, static_cast<double>(value));
}

int32_t HTable::IntegerGet(std::string_view field) {
    RequireOpen();
    const int number = FieldNumber(field);
    const double value =
        std::round(number > 0 ? table_->NumberGet(number) : table_->NumberGet(field));
    if (!(value >= INT32_MIN)) return INT32_MIN;  // also NaN
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

int HTable::FieldNumber(std::string_view name) const {
    // Called for every field access by name: no allocation, and names given in upper case
    // (the usual spelling) match on the first comparison.
    const size_t end = name.find_last_not_of(' ');
    name = name.substr(0, end == std::string_view::npos ? 0 : end + 1);
    for (size_t i = 0; i < fields_.size(); ++i) {
        const std::string& upper = fields_[i].upper;
        if (upper.size() != name.size()) continue;
        if (name == upper) return static_cast<int>(i) + 1;
        size_t k = 0;
        for (; k < name.size(); ++k) {
            const auto c = static_cast<unsigned char>(name[k]);
            const unsigned char u =
                c < 0x80 ? (c >= 'a' && c <= 'z' ? c - 32 : c) : AnsiUpperChar(c);
            if (u != static_cast<unsigned char>(upper[k])) break;
        }
        if (k == name.size()) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string HTable::FieldName(int field) const {
    return field >= 1 && field <= FieldCount() ? fields_[static_cast<size_t>(field - 1)].name
                                               : std::string();
}

char HTable::FieldType(int field) const {
    return field >= 1 && field <= FieldCount() ? fields_[static_cast<size_t>(field - 1)].type
                                               : '\0';
}

int HTable::FieldTypeCode(int field) const {
    if (field < 1 || field > FieldCount()) return hfieldtype::kUnknown;
    const Field& f = fields_[static_cast<size_t>(field - 1)];
    switch (f.type) {
        case 'C':
            return hfieldtype::kString;
        case 'D':
            return hfieldtype::kDate;
        case 'L':
            return hfieldtype::kBoolean;
        case 'M':
            return hfieldtype::kMemo;
        case 'N':
            return f.decimals == 0 && f.width < 5 ? hfieldtype::kInteger : hfieldtype::kFloat;
        case 'F':
            return hfieldtype::kFloat;
        default:
            return hfieldtype::kUnknown;
    }
}

int HTable::FieldWidth(int field) const {
    return field >= 1 && field <= FieldCount() ? fields_[static_cast<size_t>(field - 1)].width : 0;
}

int HTable::FieldDecimals(int field) const {
    return field >= 1 && field <= FieldCount() ? fields_[static_cast<size_t>(field - 1)].decimals
                                               : 0;
}

// --- Indexes --------------------------------------------------------------------------------

bool HTable::IndexOpen(const std::string& names, const std::string& tag) {
    if (!ActiveCheck()) return false;
    if (!names.empty()) table_->SetReadAhead(false);
    table_->CloseIndexes();
    bool ok = true;
    for (const std::string& name : SplitIndexNames(names)) {
        if (!table_->OpenIndex(name)) {
            ok = false;
            break;
        }
    }
    if (ok) ok = table_->SetOrder(tag);
    NotifyLinks(HDBEvent::OrderChanged, 0);
    return ok;
}

bool HTable::IndexOn(const std::string& file, const std::string& tag, int option, int flag,
                     const std::string& forExpression, const std::string& keyExpression) {
    if (!ActiveCheck() || !BrowseCheck()) return false;
    SetState(HTableState::Indexing);
    bool ok;
    try {
        table_->SetReadAhead(false);
        ok = table_->AddTag(file, tag, keyExpression, forExpression, option, flag);
    } catch (...) {
        SetState(HTableState::Browse);
        throw;
    }
    SetState(HTableState::Browse);
    return ok;
}

void HTable::SetTagTo(const std::string& tag) {
    if (!ActiveCheck()) return;
    try {
        HFileObject::SuppressErrors silent(*table_);
        table_->SetOrder(tag);
    } catch (...) {
        // Selecting an order is best effort: the table stays usable in its previous order.
    }
    indexTag_ = tag;
    NotifyLinks(HDBEvent::OrderChanged, 0);
}

void HTable::SetRange(const std::string& low, const std::string& high) {
    if (!ActiveCheck() || !BrowseCheck()) return;
    table_->SetRange(low, high);
    NotifyLinks(HDBEvent::Layout, 0);
}
