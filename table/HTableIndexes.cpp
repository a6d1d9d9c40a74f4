// The index files of one table. Each attached file has its own file object and page store;
// tag objects are made when needed, except the controlling order's, which keeps its position
// between moves.
#include "table/HTableIndexes.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "table/CharServices.h"
#include "table/DbfDate.h"
#include "table/HDBFTable.h"

struct HTableIndexes::File {
    HFileObject object;
    std::unique_ptr<HCdxFileStore> store;
    std::unique_ptr<HCdxIndexFile> index;
    std::string fullName;   // upper-case full path
    std::string directory;  // where the file lies (case kept): the builds' run files go there
    int lockDepth = 0;
};

namespace {

std::string Strip(const std::string& name) {
    size_t b = 0, e = name.size();
    while (b < e && (name[b] == ' ' || name[b] == '"')) ++b;
    while (e > b && (name[e - 1] == ' ' || name[e - 1] == '"')) --e;
    return name.substr(b, e - b);
}

// The extension of the last path component, upper case with its dot; empty when none.
std::string Extension(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return AnsiUpper(name.substr(dot));
}

std::string BaseName(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base.resize(dot);
    return AnsiUpper(base);
}

bool Exists(const std::string& path, int64_t* size) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    *size = st.st_size;
    return true;
}

constexpr int64_t kLockOwner = 1;

// For the length of a build: records are read through the read-ahead cache, and the table is
// back on its record afterwards.
class BuildGuard {
public:
    explicit BuildGuard(HDBFTable& table)
        : table_(table), readAhead_(table.ReadAhead()), recNo_(table.RecNo()) {
        if (table_.OnFormula) table_.SetReadAhead(true);
    }
    ~BuildGuard() {
        if (!table_.OnFormula) return;
        table_.SetReadAhead(readAhead_);
        HFileObject::SuppressErrors quiet(table_);
        if (recNo_ > 0 && recNo_ <= table_.RecordCount()) table_.ReadRecord(recNo_);
    }
    BuildGuard(const BuildGuard&) = delete;
    BuildGuard& operator=(const BuildGuard&) = delete;

private:
    HDBFTable& table_;
    bool readAhead_;
    int32_t recNo_;
};

}  // namespace

HTableIndexes::HTableIndexes(HDBFTable& table) : table_(table), source_(table) {}

HTableIndexes::~HTableIndexes() {
    HFileObject::SuppressErrors quiet(table_);
    CloseAll();
}

void HTableIndexes::Report(const HStatus& status) {
    if (!status.ok()) table_.ReportError(status);
}

HTableIndexes::File* HTableIndexes::Find(const std::string& fullName) {
    for (auto& f : files_)
        if (f->fullName == fullName) return f.get();
    return nullptr;
}

bool HTableIndexes::StructuralIndex() const {
    const std::string base = BaseName(table_.FileName());
    for (const auto& f : files_)
        if (BaseName(f->fullName) == base) return true;
    return false;
}

HTableIndexes::File* HTableIndexes::OpenFile(const std::string& path, bool create) {
    const std::string fullName = ZadarirDisplayName(path);
    if (File* open = Find(fullName)) return open;
    if (files_.size() >= kMaxIndexFiles) {
        table_.ReportError(zcode::kFileNotFound, zsub::kNone, fullName);
        return nullptr;
    }
    auto file = std::make_unique<File>();
    file->fullName = fullName;
    file->object.OnZadarirError = [this](int code, int subCode, const std::string& text) {
        table_.ReportError(code, subCode, text);
    };
    file->object.SetLockProtocol(table_.LockProtocol());
    const std::string fullPath = ZadarirFullPath(path);
    file->directory = fullPath.substr(0, fullPath.find_last_of('/') + 1);
    const HOpenMode mode{table_.ReadOnly() ? HFileAccess::Read : HFileAccess::ReadWrite,
                         table_.Shared() ? HFileShare::DenyNone : HFileShare::Exclusive};
    int64_t size = 0;
    const bool exists = Exists(fullPath, &size);
    bool opened;
    {
        HFileObject::SuppressErrors quiet(file->object);
        file->object.ClearLastError();
        if (!exists && create && !table_.ReadOnly()) {
            opened = file->object.Create(fullPath);
            if (opened) {
                file->object.Close();
                opened = file->object.Open(fullPath, mode);
            }
        } else {
            opened = exists && file->object.Open(fullPath, mode);
        }
    }
    if (!opened) {
        const int code = file->object.LastError();
        table_.ReportError(code != 0 && exists ? code : zcode::kFileNotFound, zsub::kNone,
                           fullName);
        return nullptr;
    }
    file->store = std::make_unique<HCdxFileStore>(file->object);
    file->index = std::make_unique<HCdxIndexFile>(*file->store, fullName);
    HStatus st;
    if (file->store->FileSize() <= cdx::kPageSize) {
        if (file->object.ReadOnly()) {
            st = HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, fullName);
        } else {
            // Missing or too short to be an index: a new, empty one.
            const int keyLength = std::max<int>(10, static_cast<int>(BaseName(fullName).size()));
            st = file->store->Truncate(0);
            if (st.ok()) st = file->index->CreateEmpty(std::min(keyLength, cdx::kMaxKeyLength));
        }
    } else {
        st = file->index->Load();
        if (!st.ok() && st.code == cdx::kDamagedCode) st.text = fullName;
    }
    if (!st.ok()) {
        file->object.Close();
        Report(st);
        return nullptr;
    }
    files_.push_back(std::move(file));
    return files_.back().get();
}

bool HTableIndexes::Open(const std::string& path) {
    const std::string name = Strip(path);
    if (Extension(name) != ".CDX") {
        table_.ReportError(zcode::kFileNotFound, zsub::kNone, name);
        return false;
    }
    return OpenFile(name, true) != nullptr;
}

void HTableIndexes::CloseAll() {
    ReleaseAll();
    order_ = Order{};
    for (auto& f : files_) f->object.Close();
    files_.clear();
}

// --- Tags --------------------------------------------------------------------------------

HCdxIndexFile::TableAccess HTableIndexes::Access(std::vector<char>* chunk, int32_t* chunkFirst,
                                                 int32_t* chunkCount) {
    HCdxIndexFile::TableAccess access;
    access.source = &source_;
    access.recordCount = static_cast<uint32_t>(std::max<int32_t>(0, table_.RecordCount()));
    access.report = [this](int a, int b, int c) {
        if (table_.OnStatus) table_.OnStatus(a, b, c);
    };
    if (table_.OnFormula) {
        // A formula handler may look at the table itself: each record becomes the current one
        // (read through the read-ahead cache, switched on by BuildGuard).
        access.readRecord = [this](uint32_t n) {
            source_.UseRecordBuffer();
            return table_.ReadRecord(static_cast<int>(n));
        };
        return access;
    }
    // Otherwise records are read straight from the file, many at a time.
    const size_t length = static_cast<size_t>(table_.RecordLength());
    const int32_t perChunk = static_cast<int32_t>(std::max<size_t>(1, (256 * 1024) / length));
    chunk->assign(static_cast<size_t>(perChunk) * length, ' ');
    *chunkFirst = 0;
    *chunkCount = 0;
    access.readRecord = [this, chunk, chunkFirst, chunkCount, perChunk, length](uint32_t n32) {
        const auto n = static_cast<int32_t>(n32);
        if (n < *chunkFirst || n >= *chunkFirst + *chunkCount) {
            const int32_t count = std::min(perChunk, table_.RecordCount() - n + 1);
            if (count <= 0) return false;
            HFileObject::SuppressErrors quiet(table_);
            const int64_t at =
                table_.HeaderLength() + static_cast<int64_t>(n - 1) * static_cast<int64_t>(length);
            table_.ReadAt(at, chunk->data(), static_cast<size_t>(count) * length);
            *chunkFirst = n;
            *chunkCount = static_cast<int32_t>(table_.BytesRead() / length);
            if (*chunkCount == 0) return false;
        }
        source_.UseRecord(chunk->data() + static_cast<size_t>(n - *chunkFirst) * length, n);
        return true;
    };
    return access;
}

bool HTableIndexes::AddTag(const std::string& path, const std::string& tag,
                           const std::string& keyExpression, const std::string& forExpression,
                           int option, int unique) {
    std::string name = Strip(path);
    const std::string extension = Extension(name);
    if (extension.empty())
        name += ".CDX";
    else if (extension != ".CDX") {
        table_.ReportError(zcode::kFileNotFound, zsub::kNone, name);
        return false;
    }
    std::string tagName = AnsiUpper(tag);
    while (!tagName.empty() && tagName.back() == ' ') tagName.pop_back();
    if (tagName.empty() || tagName.size() >= 32) {
        table_.ReportError(kTagNameError, kTagNameSubCode, "Tag Field is Empty");
        return false;
    }
    File* file = OpenFile(name, true);
    if (file == nullptr) return false;
    if (!LockFile(*file)) return false;
    std::vector<char> chunk;
    int32_t chunkFirst = 0, chunkCount = 0;
    BuildGuard guard(table_);
    HCdxIndexFile::TableAccess access = Access(&chunk, &chunkFirst, &chunkCount);
    access.sorter.directory = file->directory;
    source_.UseRecordBuffer();
    source_.ResetErrors();
    source_.SetReportOnce(true);
    HStatus st =
        file->index->AddTag(tagName, keyExpression, forExpression, unique == 0, option, access);
    source_.SetReportOnce(false);
    source_.UseRecordBuffer();
    const bool alreadyReported = source_.ErrorsSeen() > 0;
    UnlockFile(*file);
    const bool rebound = Rebind();
    if (!st.ok()) {
        if (!(st.code == kKeyExpressionError && alreadyReported)) Report(st);
        return false;
    }
    return rebound;
}

bool HTableIndexes::DeleteTag(const std::string& tag) {
    for (auto& f : files_) {
        if (f->index->FindTag(tag) == nullptr) continue;
        if (!LockFile(*f)) return false;
        HStatus st = f->index->DeleteTag(tag);
        UnlockFile(*f);
        Rebind();
        Report(st);
        return st.ok();
    }
    return false;
}

bool HTableIndexes::ReindexAll() {
    bool ok = true;
    for (auto& f : files_) {
        if (!LockFile(*f)) return false;
        std::vector<char> chunk;
        int32_t chunkFirst = 0, chunkCount = 0;
        BuildGuard guard(table_);
        HCdxIndexFile::TableAccess access = Access(&chunk, &chunkFirst, &chunkCount);
        access.sorter.directory = f->directory;
        source_.UseRecordBuffer();
        source_.SetReportOnce(true);
        source_.ResetErrors();
        HStatus st = f->index->Reindex(access);
        source_.SetReportOnce(false);
        source_.UseRecordBuffer();
        UnlockFile(*f);
        if (!st.ok()) {
            if (!(st.code == kKeyExpressionError && source_.ErrorsSeen() > 0)) Report(st);
            ok = false;
            break;
        }
    }
    return Rebind() && ok;
}

// --- Order ---------------------------------------------------------------------------------

bool HTableIndexes::Rebind() {
    if (order_.file == nullptr) return true;
    const std::string name = order_.name;
    order_.tag.reset();
    order_.file = nullptr;
    return SetOrder(name);
}

bool HTableIndexes::SetOrder(const std::string& tag) {
    std::string name = AnsiUpper(Strip(tag));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty()) {
        order_ = Order{};
        return true;
    }
    for (auto& f : files_) {
        const HCdxIndexFile::TagInfo* info = f->index->FindTag(name);
        if (info == nullptr) continue;
        Order order;
        order.file = f.get();
        order.name = info->name;
        order.info = *info;
        order.shape = info->shape;
        // Numeric and date keys are told by the type of the key.
        HKeyValue value;
        source_.UseRecordBuffer();
        source_.SetQuiet(true);
        const bool evaluated =
            EvaluateExpression(&source_, &order.name, info->header.keyExpression, value);
        source_.SetQuiet(false);
        if (evaluated && value.type != 'C') {
            order.shape.kind = HKeyKind::Numeric;
            order.type = value.type;
        }
        order.tag = std::make_unique<HCdxTag>(*f->store, info->headerOffset, order.shape,
                                              info->header.descending, f->fullName);
        order_ = std::move(order);
        return true;
    }
    table_.ReportError(zcode::kFileNotFound, zsub::kNone, name);
    return false;
}

std::string HTableIndexes::IndexForm(const std::string& text) const {
    if (order_.type == 'D') {
        // Dates are sought as YYYYMMDD and stored as Julian day numbers.
        const int32_t julian = DbfDateTextToJulian(text);
        return NumericKeyForm(julian > 0 ? std::to_string(julian) : text);
    }
    return ToIndexForm(text, order_.shape);
}

bool HTableIndexes::RecordKey(bool saved, std::string* key) {
    if (saved)
        source_.UseSavedRecord();
    else
        source_.UseRecordBuffer();
    HKeyValue value;
    source_.SetQuiet(true);
    const bool ok =
        EvaluateExpression(&source_, &order_.name, order_.info.header.keyExpression, value);
    source_.SetQuiet(false);
    source_.UseRecordBuffer();
    if (!ok) return false;
    *key = ToIndexForm(value.text, order_.shape);
    return true;
}

uint32_t HTableIndexes::Move(int code) {
    if (!HasOrder()) return 0;
    HCdxTag& tag = *order_.tag;
    if (table_.Shared()) Report(order_.file->store->Refresh());
    const auto recNo = static_cast<uint32_t>(std::max(0, table_.RecNo()));
    uint32_t r = 0;
    switch (code) {
        case hmove::kTop:
            r = tag.GoTop();
            break;
        case hmove::kBottom:
            r = tag.GoBottom();
            break;
        case hmove::kCurrent:
            r = recNo != 0 ? recNo : tag.GoTop();
            break;
        case hmove::kNext:
        case hmove::kPrevious: {
            const bool next = code == hmove::kNext;
            std::string key;
            if (recNo == 0) {
                r = next ? tag.GoTop() : tag.GoBottom();
            } else if (tag.CurrentRecord() == recNo) {
                r = next ? tag.Next() : tag.Previous();
            } else if (RecordKey(true, &key)) {
                r = tag.StepFrom(key, recNo, next);
            }
            break;
        }
        default:
            break;
    }
    Report(tag.Status());
    return r;
}

bool HTableIndexes::OrderBof() const { return HasOrder() && order_.tag->Bof(); }
bool HTableIndexes::OrderEof() const { return HasOrder() && order_.tag->Eof(); }

int HTableIndexes::Seek(const std::string& key, bool exact, std::string* sought, uint32_t* record) {
    *record = 0;
    if (!HasOrder()) return 1;
    if (table_.Shared()) Report(order_.file->store->Refresh());
    *sought = IndexForm(key);
    HCdxTag& tag = *order_.tag;
    *record = tag.Seek(*sought, exact);
    const int result = tag.LastSeekResult();
    if (result == -1) *record = tag.CurrentRecord();
    Report(tag.Status());
    return result;
}

uint32_t HTableIndexes::SeekKeyForm(std::string_view key) {
    if (!HasOrder()) return 0;
    if (table_.Shared()) Report(order_.file->store->Refresh());
    HCdxTag& tag = *order_.tag;
    uint32_t r = tag.Seek(key, false);
    if (r == 0 && tag.LastSeekResult() == -1) r = tag.CurrentRecord();
    Report(tag.Status());
    return r;
}

uint32_t HTableIndexes::NextKeyForm() {
    if (!HasOrder()) return 0;
    HCdxTag& tag = *order_.tag;
    const uint32_t r = tag.Next();
    Report(tag.Status());
    return r;
}

std::string_view HTableIndexes::CurrentKeyForm() const {
    return HasOrder() ? order_.tag->CurrentKeyView() : std::string_view();
}

bool HTableIndexes::CurrentKeyMatches(const std::string& sought, bool exact) {
    if (!HasOrder()) return false;
    std::string key;
    if (!RecordKey(false, &key)) return false;
    if (CompareKeys(key, sought, ComparePad(order_.shape.kind)) == 0) return true;
    return !exact && order_.shape.kind != HKeyKind::Numeric && key.size() >= sought.size() &&
           key.compare(0, sought.size(), sought) == 0;
}

void HTableIndexes::SetRange(const std::string& low, const std::string& high) {
    if (!HasOrder()) return;
    if (low.empty() && high.empty()) {
        order_.tag->ClearRange();
        return;
    }
    order_.tag->SetRange(low.empty() ? std::string() : IndexForm(low),
                         high.empty() ? std::string() : IndexForm(high));
    Report(order_.tag->Status());
}

// --- Writes --------------------------------------------------------------------------------

bool HTableIndexes::LockFile(File& file) {
    if (file.lockDepth++ > 0) return true;
    if (file.object.Shared()) {
        const int code = file.object.LockRegion(file.object.SecondOffset(), 1, kLockOwner);
        if (code != 0) {
            file.lockDepth = 0;
            table_.ReportError(zcode::kLockViolation, zsub::kIndexLock, file.fullName);
            return false;
        }
        // Another program may have written since: take its pages and tags into account.
        HStatus st = file.store->Refresh();
        if (st.ok() && file.index->ChangedByAnotherUser()) {
            st = file.index->Load();
            if (order_.file == &file) Rebind();
        }
        Report(st);
    }
    return true;
}

void HTableIndexes::UnlockFile(File& file) {
    if (file.lockDepth == 0 || --file.lockDepth > 0) return;
    if (file.object.RegionLocked()) file.object.Unlock();
}

bool HTableIndexes::LockAll() {
    for (size_t i = 0; i < files_.size(); ++i) {
        if (!LockFile(*files_[i])) {
            while (i-- > 0) UnlockFile(*files_[i]);
            return false;
        }
    }
    return true;
}

void HTableIndexes::UnlockAll() {
    for (auto& f : files_) UnlockFile(*f);
}

void HTableIndexes::ReleaseAll() {
    for (auto& f : files_) {
        if (f->lockDepth == 0) continue;
        f->lockDepth = 0;
        if (f->object.RegionLocked()) f->object.Unlock();
    }
}

bool HTableIndexes::UpdateFile(File& file, int recNo, bool appended) {
    HStatus st = file.index->BumpChangeCounter();
    if (!st.ok()) {
        Report(st);
        return false;
    }
    const auto record = static_cast<uint32_t>(recNo);
    const auto largest = static_cast<uint32_t>(std::max(table_.RecordCount(), recNo));
    const std::vector<HCdxIndexFile::TagInfo> tags = file.index->Tags();
    for (const HCdxIndexFile::TagInfo& info : tags) {
        const std::string& name = info.name;
        const bool hasFor = !info.header.forExpression.empty();
        source_.UseRecordBuffer();
        bool forOk = true;
        if (hasFor) {
            HKeyValue condition;
            forOk = EvaluateExpression(&source_, &name, info.header.forExpression, condition) &&
                    condition.text == "T";
        }
        HKeyValue value;
        if (!EvaluateExpression(&source_, &name, info.header.keyExpression, value)) continue;
        HKeyShape shape = info.shape;
        if (value.type != 'C') shape.kind = HKeyKind::Numeric;
        const std::string newKey = ToIndexForm(value.text, shape);

        const bool isOrder = order_.file == &file && order_.name == name;
        std::unique_ptr<HCdxTag> temporary;
        HCdxTag* tag = isOrder ? order_.tag.get() : nullptr;
        if (tag == nullptr) {
            temporary = std::make_unique<HCdxTag>(*file.store, info.headerOffset, shape,
                                                  info.header.descending, file.fullName);
            tag = temporary.get();
        }
        const bool unique = info.header.Unique();
        if (appended) {
            if (forOk) st = tag->Insert(newKey, record, largest, unique);
        } else if (value.changed || hasFor) {
            source_.UseSavedRecord();
            HKeyValue oldValue;
            const bool oldOk =
                EvaluateExpression(&source_, &name, info.header.keyExpression, oldValue);
            source_.UseRecordBuffer();
            const std::string oldKey = oldOk ? ToIndexForm(oldValue.text, shape) : std::string();
            const bool wasThere = oldOk && tag->GoToKey(oldKey, record);
            if (oldKey != newKey || !forOk) {
                if (wasThere) st = tag->Delete(oldKey, record, largest);
                if (st.ok() && forOk) st = tag->Insert(newKey, record, largest, unique);
                if (isOrder) lastWriteMoved_ = true;
            } else if (!wasThere) {
                st = tag->Insert(newKey, record, largest, unique);
                if (isOrder) lastWriteMoved_ = true;
            }
            tag->ForgetPosition();
        }
        if (st.ok() && !tag->Status().ok()) st = tag->Status();
        if (!st.ok()) {
            Report(st);
            return false;
        }
    }
    return true;
}

void HTableIndexes::UpdateKeys(int recNo, bool appended) {
    lastWriteMoved_ = false;
    if (suspended_ || recNo < 1) return;
    for (auto& f : files_) {
        // A file opened read-only fails at its first write and reports it: a table written
        // behind its index's back would leave the index wrong without a word.
        if (!LockFile(*f)) return;
        const bool ok = UpdateFile(*f, recNo, appended);
        UnlockFile(*f);
        if (!ok) return;
    }
    if (order_.tag) order_.tag->ForgetPosition();
}
