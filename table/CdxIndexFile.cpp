// The index file's directory is itself a tag, so it is read and changed through HCdxTag.
#include "table/CdxIndexFile.h"

#include <cstring>

#include "table/CharServices.h"
#include "table/KeyCollation.h"
#include "table/KeyProgram.h"

namespace {

std::string TagName(const std::string& name) {
    std::string upper = AnsiUpper(name);
    while (!upper.empty() && upper.back() == ' ') upper.pop_back();
    return upper;
}

}  // namespace

bool SortOrderDescending(int code) { return (code >= 1 && code <= 6) || code == 8; }
bool SortOrderGeneral(int code) { return code == 7 || code == 8; }

HKeyShape ShapeForResult(const HKeyValue& value, bool general) {
    if (value.type == 'C') {
        const int length = static_cast<int>(value.text.size());
        return {general ? 2 * length : length, general ? HKeyKind::General : HKeyKind::Machine};
    }
    return {8, HKeyKind::Numeric};
}

HCdxIndexFile::HCdxIndexFile(HCdxPageStore& store, std::string fileName)
    : store_(store), fileName_(std::move(fileName)) {}

HStatus HCdxIndexFile::Damaged() {
    return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, fileName_);
}

HStatus HCdxIndexFile::ReadHeader(uint32_t offset, HCdxTagHeader* header) {
    if (offset % cdx::kPageSize != 0 ||
        static_cast<uint64_t>(offset) + cdx::kTagHeaderSize > store_.FileSize())
        return Damaged();
    std::array<uint8_t, cdx::kTagHeaderSize> bytes;
    HCdxPage page;
    for (int half = 0; half < 2; ++half) {
        HStatus st = store_.ReadPage(offset + half * cdx::kPageSize, &page);
        if (!st.ok()) return st;
        std::memcpy(&bytes[half * cdx::kPageSize], page.data(), page.size());
    }
    return DecodeTagHeader(bytes.data(), store_.FileSize(), fileName_, *header);
}

HStatus HCdxIndexFile::WriteHeader(uint32_t offset, const HCdxTagHeader& header) {
    const auto bytes = EncodeTagHeader(header);
    HCdxPage page;
    for (int half = 0; half < 2; ++half) {
        std::memcpy(page.data(), &bytes[half * cdx::kPageSize], page.size());
        HStatus st = store_.WritePage(offset + half * cdx::kPageSize, page);
        if (!st.ok()) return st;
    }
    return HStatus::Ok();
}

std::string HCdxIndexFile::DirectoryKey(const std::string& name) const {
    return MachineKeyForm(TagName(name), directory_.keyLength);
}

HStatus HCdxIndexFile::WriteEmptyDirectory(int keyLength) {
    directory_ = HCdxTagHeader{};
    directory_.root = 2 * cdx::kPageSize;
    directory_.keyLength = static_cast<uint16_t>(keyLength);
    directory_.options = TagOptions(true, false, false);
    directory_.changeCounter = changeCounter_;
    HCdxNode leaf;
    leaf.widths = LeafWidths(keyLength, static_cast<uint32_t>(store_.FileSize()));
    HCdxPage bytes;
    if (!EncodeLeaf(leaf, {keyLength, HKeyKind::Machine}, bytes)) return Damaged();
    HStatus st = store_.WritePage(directory_.root, bytes);
    if (!st.ok()) return st;
    st = WriteHeader(0, directory_);
    if (!st.ok()) return st;
    tags_.clear();
    return HStatus::Ok();
}

HStatus HCdxIndexFile::CreateEmpty(int directoryKeyLength) {
    if (store_.FileSize() != 0) return Damaged();
    uint32_t page = 0;
    for (int i = 0; i < 3; ++i) {
        HStatus st = store_.AllocatePage(&page);
        if (!st.ok()) return st;
    }
    changeCounter_ = 0;
    return WriteEmptyDirectory(directoryKeyLength);
}

HStatus HCdxIndexFile::Reset() {
    const int keyLength = directory_.keyLength != 0 ? directory_.keyLength : 10;
    HStatus st = store_.Truncate(3 * cdx::kPageSize);
    if (!st.ok()) return st;
    return WriteEmptyDirectory(keyLength);
}

HStatus HCdxIndexFile::Load() {
    tags_.clear();
    HStatus st = ReadHeader(0, &directory_);
    if (!st.ok()) return st.code == cdx::kDamagedCode ? Damaged() : st;
    changeCounter_ = directory_.changeCounter;
    HCdxTag directory(store_, 0, {directory_.keyLength, HKeyKind::Machine}, false, fileName_);
    for (uint32_t offset = directory.GoTop(); offset != 0; offset = directory.Next()) {
        TagInfo info;
        info.name = directory.CurrentKey();
        info.headerOffset = offset;
        st = ReadHeader(offset, &info.header);
        if (!st.ok()) {
            tags_.clear();
            return st.code == cdx::kDamagedCode ? Damaged() : st;
        }
        info.shape = {info.header.keyLength,
                      info.header.general ? HKeyKind::General : HKeyKind::Machine};
        tags_.push_back(std::move(info));
        if (tags_.size() > store_.FileSize() / cdx::kTagHeaderSize) return Damaged();
    }
    if (!directory.Status().ok()) {
        tags_.clear();
        return Damaged();
    }
    return HStatus::Ok();
}

const HCdxIndexFile::TagInfo* HCdxIndexFile::FindTag(const std::string& name) const {
    const std::string key = DirectoryKey(name);
    for (const TagInfo& info : tags_)
        if (info.name == key) return &info;
    return nullptr;
}

HStatus HCdxIndexFile::DeleteTag(const std::string& name, bool* found) {
    if (found) *found = false;
    const TagInfo* info = FindTag(name);
    if (info == nullptr) return HStatus::Ok();
    if (found) *found = true;
    if (tags_.size() == 1) return Reset();  // the last tag: back to an empty directory
    return RemoveEntry(*info);
}

HStatus HCdxIndexFile::RemoveEntry(const TagInfo& info) {
    HCdxTag directory(store_, 0, {directory_.keyLength, HKeyKind::Machine}, false, fileName_);
    bool deleted = false;
    HStatus st = directory.Delete(info.name, info.headerOffset,
                                  static_cast<uint32_t>(store_.FileSize()), &deleted);
    if (!st.ok()) return st;
    if (!deleted) return Damaged();
    return Load();
}

HStatus HCdxIndexFile::AddTag(const std::string& name, std::string keyExpression,
                              std::string forExpression, bool unique, int sortOrder,
                              const TableAccess& table) {
    NormalizeExpression(keyExpression);
    NormalizeExpression(forExpression);
    const std::string tagName = TagName(name);
    if (tagName.empty() || tagName.size() >= 32)
        return HStatus::Error(kTagNameError, kTagNameSubCode, name);

    const bool general = SortOrderGeneral(sortOrder);
    HKeyValue first;
    if (!EvaluateExpression(table.source, &tagName, keyExpression, first))
        return HStatus::Error(kKeyExpressionError, kKeyExpressionSubCode, keyExpression);
    const HKeyShape shape = ShapeForResult(first, general);
    if (shape.keyLength < 1 || shape.keyLength > cdx::kMaxKeyLength)
        return HStatus::Error(kKeyExpressionError, kKeyExpressionSubCode, keyExpression);

    // A tag of the same name loses its directory entry; its pages stay in the file.
    if (const TagInfo* old = FindTag(tagName)) {
        HStatus st = RemoveEntry(*old);
        if (!st.ok()) return st;
    }

    HCdxTagHeader header;
    header.keyLength = static_cast<uint16_t>(shape.keyLength);
    header.options = TagOptions(false, unique, !forExpression.empty());
    header.general = general;
    header.descending = SortOrderDescending(sortOrder);
    header.keyExpression = keyExpression;
    header.forExpression = forExpression;
    return CreateTag(tagName, std::move(header), shape, table);
}

HStatus HCdxIndexFile::CreateTag(const std::string& tagName, HCdxTagHeader header,
                                 const HKeyShape& shape, const TableAccess& table) {
    uint32_t headerOffset = 0, second = 0;
    HStatus st = store_.AllocatePage(&headerOffset);
    if (st.ok()) st = store_.AllocatePage(&second);
    if (!st.ok()) return st;
    HCdxPage zero{};
    st = store_.WritePage(headerOffset, zero);
    if (st.ok()) st = store_.WritePage(second, zero);
    if (!st.ok()) return st;

    HTagBuildParams params;
    params.shape = shape;
    params.unique = header.Unique();
    params.recordCount = table.recordCount;
    params.largestRecord = table.recordCount;
    params.sorter = table.sorter;
    const std::string& keyExpression = header.keyExpression;
    const std::string& forExpression = header.forExpression;
    // The key expression is parsed once for the whole build when it is of the simple kind.
    HKeyProgram program;
    if (table.source != nullptr) program.Compile(*table.source, keyExpression);
    // A key of one field as it stands is made straight from the record's bytes (unless a
    // formula handler wants to be asked first).
    int singleField = -1, singleWidth = 0;
    if (!program.SingleField(&singleField, &singleWidth)) singleField = -1;
    // One value of each for all records, so that their buffers are reused.
    HKeyValue condition, value;
    auto keyOf = [&](uint32_t record, std::string* key) {
        if (table.readRecord && !table.readRecord(record)) return false;
        if (!forExpression.empty()) {
            if (!EvaluateExpression(table.source, &tagName, forExpression, condition) ||
                condition.text != "T")
                return false;
        }
        if (singleField >= 0 && !table.source->Formula()) {
            const char* data = table.source->RecordData();
            const int offset = table.source->FieldOffset(singleField);
            if (data != nullptr && offset >= 0) {
                ToIndexForm(std::string_view(data + offset, static_cast<size_t>(singleWidth)),
                            shape, *key);
                return true;
            }
        }
        if (!program.Evaluate(table.source, &tagName, keyExpression, value)) return false;
        ToIndexForm(value.text, shape, *key);
        return true;
    };
    header.root = 0;
    header.changeCounter = 0;
    st = BuildTag(params, keyOf, store_, table.report, &header.root);
    if (!st.ok()) return st;
    st = WriteHeader(headerOffset, header);
    if (!st.ok()) return st;

    HCdxTag directory(store_, 0, {directory_.keyLength, HKeyKind::Machine}, false, fileName_);
    st = directory.Insert(DirectoryKey(tagName), headerOffset,
                          static_cast<uint32_t>(store_.FileSize()), false);
    if (!st.ok()) return st;
    return Load();
}

HStatus HCdxIndexFile::Reindex(const TableAccess& table) {
    const std::vector<TagInfo> tags = tags_;
    HStatus st = Reset();
    if (!st.ok()) return st;
    for (const TagInfo& info : tags) {
        HKeyShape shape = info.shape;
        HKeyValue value;  // numeric and date keys are told by the type of the key
        if (EvaluateExpression(table.source, &info.name, info.header.keyExpression, value) &&
            value.type != 'C')
            shape.kind = HKeyKind::Numeric;
        st = CreateTag(info.name, info.header, shape, table);
        if (!st.ok()) return st;
    }
    return HStatus::Ok();
}

HStatus HCdxIndexFile::BumpChangeCounter() {
    HCdxPage page;
    HStatus st = store_.ReadPage(0, &page);
    if (!st.ok()) return st;
    uint32_t counter = 0;
    for (int i = 0; i < 4; ++i)
        counter |= static_cast<uint32_t>(page[cdx::kChangeCounterPos + i]) << (8 * i);
    ++counter;
    for (int i = 0; i < 4; ++i)
        page[cdx::kChangeCounterPos + i] = static_cast<uint8_t>(counter >> (8 * i));
    st = store_.WritePage(0, page);
    if (!st.ok()) return st;
    changeCounter_ = counter;
    return HStatus::Ok();
}

bool HCdxIndexFile::ChangedByAnotherUser() {
    HCdxPage page;
    if (!store_.ReadPage(0, &page).ok()) return true;
    uint32_t counter = 0;
    for (int i = 0; i < 4; ++i)
        counter |= static_cast<uint32_t>(page[cdx::kChangeCounterPos + i]) << (8 * i);
    return counter != changeCounter_;
}
