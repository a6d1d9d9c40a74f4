#include "table/HDBFTable.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>

#include "table/HTableIndexes.h"

HDBFTable::HDBFTable() : indexes_(std::make_unique<HTableIndexes>(*this)) {}

HDBFTable::~HDBFTable() {
    SuppressErrors quiet(*this);
    HDBFTable::Close();
}

void HDBFTable::Close() {
    indexes_->CloseAll();
    HDBFFile::Close();
    SetReadAhead(false);
}

void HDBFTable::ReportError(int code, int subCode, const std::string& text) {
    if (code != 0) ReleaseIndexLocks();
    HDBFFile::ReportError(code, subCode, text);
}

void HDBFTable::RecordEvent(int code, int info) {
    HDBFFile::RecordEvent(code, info);
    if (code != hevent::kAfterWrite) return;
    UpdateIndexKeys(RecNo(), info == 0);
    if (!HasControllingOrder()) {
        eof_ = info == 0 || RecNo() == RecordCount();
        bof_ = RecNo() == 1;
    } else {
        // The order continues from the record just written (see HTableIndexes::Move).
        bof_ = eof_ = false;
    }
}

// --- Navigation -------------------------------------------------------------------------

bool HDBFTable::Acceptable() {
    if (Deleted() && !UseDeleted()) return false;
    return !OnFilter || OnFilter();
}

// From the record just read, moves on until an acceptable record; false when it ran off the
// end in that direction.
bool HDBFTable::SearchAcceptable(bool forward) {
    while (!Acceptable()) {
        if (!ReadRecord(forward ? hmove::kNext : hmove::kPrevious)) return false;
    }
    return true;
}

// After a move ran off an end: on the nearest acceptable record with the end flag of the
// direction moved in, or on no record with both flags when the table has none acceptable.
void HDBFTable::SettleAfterRunningOff(bool found, bool forward) {
    if (found) {
        bof_ = !forward;
        eof_ = forward;
    } else {
        BlankRecord();
        bof_ = eof_ = true;
    }
}

bool HDBFTable::Go(int target) {
    bof_ = eof_ = false;
    const bool forward = target != hmove::kBottom && target != hmove::kPrevious;
    if (target < 0 && HasControllingOrder()) return GoInOrder(target);
    if (!ReadRecord(target)) {
        if (target == 0 || target > RecordCount()) BlankRecord();
        return false;
    }
    if (target > 0) return true;
    if (SearchAcceptable(forward)) return true;

    const bool endCode = target == hmove::kTop || target == hmove::kBottom;
    bool found = false;
    if (!endCode) {
        // Ran off an end: settle on the nearest acceptable record from that end.
        found = ReadRecord(forward ? hmove::kBottom : hmove::kTop) && SearchAcceptable(!forward);
    }
    SettleAfterRunningOff(found, forward);
    return false;
}

bool HDBFTable::GoInOrder(int target) {
    const bool forward = target != hmove::kBottom && target != hmove::kPrevious;
    const int onward = forward ? hmove::kNext : hmove::kPrevious;
    // From the entry the order gives, on to the first acceptable record.
    auto search = [this](uint32_t r, int step) {
        for (; r != 0; r = indexes_->Move(step)) {
            if (!ReadRecord(static_cast<int>(r))) return false;
            if (Acceptable()) return true;
        }
        return false;
    };
    if (search(indexes_->Move(target), onward)) return true;
    bool found = false;
    if (target != hmove::kTop && target != hmove::kBottom) {
        // Ran off an end: settle on the nearest acceptable record from that end.
        found = search(indexes_->Move(forward ? hmove::kBottom : hmove::kTop),
                       forward ? hmove::kPrevious : hmove::kNext);
    }
    SettleAfterRunningOff(found, forward);
    return false;
}

void HDBFTable::Skip(int count) {
    if (count == 0) {
        Go(hmove::kCurrent);
        return;
    }
    if (OnFilter || !UseDeleted() || HasControllingOrder()) {
        // With a controlling order each step moves in the order.
        const int step = count > 0 ? hmove::kNext : hmove::kPrevious;
        for (int i = count > 0 ? count : -count; i > 0; --i) {
            if (!Go(step) || Eof() || Bof()) {
                // Go leaves the flag of the end it reached; keep only that one.
                if (count > 0) bof_ = false;
                if (count < 0) eof_ = false;
                if (RecordCount() == 0) bof_ = eof_ = true;
                return;
            }
        }
        return;
    }
    bof_ = eof_ = false;
    int64_t target = static_cast<int64_t>(RecNo()) + count;
    if (target > RecordCount()) RefreshHeader();
    if (RecordCount() == 0) {
        bof_ = eof_ = true;
        return;
    }
    const bool hitEnd = target > RecordCount() || target < 1;
    target = std::clamp<int64_t>(target, 1, RecordCount());
    if (target != RecNo()) ReadRecord(static_cast<int>(target));
    if (hitEnd) {
        if (count > 0)
            eof_ = true;
        else
            bof_ = true;
    }
}

// --- Index operations -------------------------------------------------------------------

bool HDBFTable::OpenIndex(const std::string& path) {
    // Appends kept back would otherwise miss the keys of the index now attached.
    if (!IsOpen() || !FlushWriteBehind()) return false;
    return indexes_->Open(path);
}

void HDBFTable::CloseIndexes() { indexes_->CloseAll(); }

bool HDBFTable::SetOrder(const std::string& tag) {
    if (!IsOpen()) return tag.empty();
    return indexes_->SetOrder(tag);
}

std::string HDBFTable::OrderName() const { return indexes_->OrderName(); }

bool HDBFTable::AddTag(const std::string& path, const std::string& tag,
                       const std::string& keyExpression, const std::string& forExpression,
                       int option, int unique) {
    // The build reads the records quietly: a failing write-behind batch is reported here.
    if (!IsOpen() || !FlushWriteBehind()) return false;
    return indexes_->AddTag(path, tag, keyExpression, forExpression, option, unique);
}

bool HDBFTable::Reindex() { return IsOpen() && FlushWriteBehind() && indexes_->ReindexAll(); }

bool HDBFTable::HasStructuralIndex() const { return indexes_->StructuralIndex(); }

bool HDBFTable::HasControllingOrder() const { return indexes_->HasOrder(); }

bool HDBFTable::HasIndexFiles() const { return !indexes_->Empty(); }

void HDBFTable::UpdateIndexKeys(int recNo, bool appended) { indexes_->UpdateKeys(recNo, appended); }

bool HDBFTable::RebuildIndexes() { return indexes_->ReindexAll(); }

void HDBFTable::ReleaseIndexLocks() { indexes_->ReleaseAll(); }

bool HDBFTable::LockIndexes() { return indexes_->LockAll(); }

void HDBFTable::UnlockIndexes() { indexes_->UnlockAll(); }

bool HDBFTable::LastWriteMovedRecord() const { return indexes_->LastWriteMoved(); }

bool HDBFTable::Find(const std::string& key) {
    found_ = false;
    if (!IsOpen() || !FlushWriteBehind()) return false;
    if (RecordCount() == 0) RefreshHeader();
    if (RecordCount() == 0) return false;
    // Under ClipLock the index files stay locked for the whole find.
    struct IndexLocks {
        HDBFTable& table;
        bool held = false;
        ~IndexLocks() {
            if (held) table.UnlockIndexes();
        }
    } locks{*this};
    if (LockProtocol() == HLokProtocol::ClipLock) {
        if (!LockIndexes()) return false;
        locks.held = true;
    }
    auto toEnd = [this]() {
        Go(hmove::kBottom);
        eof_ = true;
    };
    if (!HasControllingOrder()) {
        toEnd();
        return false;
    }
    std::string sought;
    uint32_t record = 0;
    const int result = indexes_->Seek(key, exactFind_, &sought, &record);
    if (result != 0 || record == 0) {
        if (result == -1 && findNear_ && record != 0) {
            // Where the key would be: the next greater entry.
            ReadRecord(static_cast<int>(record));
            bof_ = eof_ = false;
        } else {
            toEnd();
        }
        return false;
    }
    if (!ReadRecord(static_cast<int>(record))) {
        toEnd();
        return false;
    }
    bof_ = eof_ = false;
    while (!Acceptable() && !Eof()) Skip(1);
    found_ = Acceptable() && indexes_->CurrentKeyMatches(sought, exactFind_);
    if (!found_ && !findNear_) toEnd();
    return found_;
}

void HDBFTable::SetRange(const std::string& low, const std::string& high) {
    if (!IsOpen() || !HasControllingOrder()) return;
    indexes_->SetRange(low, high);
    Go(hmove::kTop);
}

// --- Pack -------------------------------------------------------------------------------

bool HDBFTable::Pack() {
    if (!IsOpen() || !FlushWriteBehind()) return false;
    if (ReadOnly() || TryLockWholeFile() != 0) {
        ReportError(zcode::kAccessDenied, zsub::kPack, FileName());
        return false;
    }
    HTableLockGuard wholeFile(*this);
    wholeFile.Adopt();
    // The copy pass moves records in file order and leaves the keys alone: the tags are
    // rebuilt at the end.
    struct SuspendKeys {
        HTableIndexes& indexes;
        ~SuspendKeys() { indexes.SetSuspended(false); }
    } suspendKeys{*indexes_};
    indexes_->SetSuspended(true);
    const bool wasReadAhead = readAhead_;
    struct RestoreReadAhead {
        HDBFTable& table;
        bool on;
        ~RestoreReadAhead() { table.SetReadAhead(on); }
    } restoreReadAhead{*this, wasReadAhead};
    SetReadAhead(true);
    const int32_t count = RecordCount();
    Status(-1, 11, count);
    int32_t live = 0;
    bool ok = true;
    for (int32_t j = 1; j <= count && ok; ++j) {
        ok = ReadRecord(j);
        if (ok && !Deleted()) {
            ++live;
            if (live != j) ok = ReplaceRecord(live);
        }
        // Memo blocks of deleted records go back to the memo file once memo files exist.
        Status(11, j, 0);
    }
    if (ok && live < count) {
        const int64_t end = RecordPosition(live + 1);
        const char eofByte = dbf::kEndOfFile;
        ok = WriteAt(end, &eofByte, 1) && TruncateAt(end + 1);
        SetTableCount(live);
        SetKnownTail(end + 1, std::string(1, dbf::kEndOfFile));
        InvalidateReadAhead();
    }
    MarkHeaderDirty();
    Status(0, 0, 0);
    indexes_->SetSuspended(false);
    if (ok && live < count) ok = RebuildIndexes();
    if (!wholeFile.Release()) ok = false;  // writes the header
    SetReadAhead(wasReadAhead);
    Go(hmove::kTop);
    return ok;
}

// --- Read-ahead cache -------------------------------------------------------------------

void HDBFTable::SetReadAhead(bool on) {
    readAhead_ = on;
    if (!on) {
        cache_.clear();
        cache_.shrink_to_fit();
    }
    cacheFirst_ = cacheCount_ = 0;
}

void HDBFTable::SetWriteBehind(bool on) {
    writeBehind_ = on;
    if (!on && IsOpen()) FlushWriteBehind();
}

void HDBFTable::InvalidateReadAhead() { cacheFirst_ = cacheCount_ = 0; }

bool HDBFTable::ReadRecordBytes(int n, char* out) {
    const size_t length = static_cast<size_t>(RecordLength());
    if (!readAhead_) return HDBFFile::ReadRecordBytes(n, out);
    if (n >= cacheFirst_ && n < cacheFirst_ + cacheCount_) {
        std::memcpy(out, cache_.data() + static_cast<size_t>(n - cacheFirst_) * length, length);
        return true;
    }
    if (cache_.empty()) {
        size_t bytes = kMaxReadAheadBytes;
        long pages = ::sysconf(_SC_AVPHYS_PAGES);
        long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0) {
            const double avail = static_cast<double>(pages) * static_cast<double>(pageSize) - 16384;
            if (avail < static_cast<double>(bytes))
                bytes = avail > 0 ? static_cast<size_t>(avail) : 0;
        }
        cache_.resize(std::max<size_t>(1, bytes / length) * length);
    }
    const int capacity = static_cast<int>(cache_.size() / length);
    // Reading backwards fills the cache so that it ends at n.
    int first = n;
    if (n + 1 == cacheFirst_) first = std::max(1, n - capacity + 1);
    const int count = std::min(capacity, RecordCount() - first + 1);
    if (count <= 1) return HDBFFile::ReadRecordBytes(n, out);
    cacheFirst_ = cacheCount_ = 0;
    {
        SuppressErrors quiet(*this);
        ReadAt(RecordPosition(first), cache_.data(), static_cast<size_t>(count) * length);
    }
    const int got = static_cast<int>(BytesRead() / length);
    if (n - first >= got) return HDBFFile::ReadRecordBytes(n, out);  // reports the failure
    cacheFirst_ = first;
    cacheCount_ = got;
    std::memcpy(out, cache_.data() + static_cast<size_t>(n - first) * length, length);
    return true;
}

void HDBFTable::RecordBytesWritten(int n, const char* bytes) {
    if (n >= cacheFirst_ && n < cacheFirst_ + cacheCount_) {
        const size_t length = static_cast<size_t>(RecordLength());
        std::memcpy(cache_.data() + static_cast<size_t>(n - cacheFirst_) * length, bytes, length);
    }
}
