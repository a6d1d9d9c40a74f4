// Bottom-up writer of a tag's nodes.
#include "table/IndexWriter.h"

#include <algorithm>

HStatus HCdxPageSink::WritePages(uint32_t offset, const uint8_t* pages, size_t count) {
    HCdxPage page;
    for (size_t i = 0; i < count; ++i) {
        std::copy(pages + i * cdx::kPageSize, pages + (i + 1) * cdx::kPageSize, page.begin());
        HStatus st = WritePage(offset + static_cast<uint32_t>(i * cdx::kPageSize), page);
        if (!st.ok()) return st;
    }
    return HStatus::Ok();
}

HIndexWriter::HIndexWriter(HCdxPageSink& sink, const HKeyShape& shape, uint32_t largestRecord,
                           HStatusReport report)
    : sink_(sink),
      shape_(shape),
      widths_(LeafWidths(shape.keyLength, largestRecord)),
      report_(std::move(report)),
      leaf_(shape, widths_),
      leafThreshold_(2 * (widths_.bytesPerEntry + shape.keyLength + 8)),
      maxInterior_(MaxInteriorKeys(shape.keyLength)) {}

HStatus HIndexWriter::StartLevel(uint32_t* index) {
    Level level;
    HStatus st = sink_.AllocatePage(&level.page);
    if (!st.ok()) return st;
    const bool leaf = levels_.empty();
    level.node.attributes = leaf ? cdx::kAttrLeaf : cdx::kAttrInterior;
    level.node.widths = widths_;
    levels_.push_back(std::move(level));
    *index = static_cast<uint32_t>(levels_.size() - 1);
    return HStatus::Ok();
}

HStatus HIndexWriter::Begin() {
    uint32_t index = 0;
    return StartLevel(&index);
}

HStatus HIndexWriter::WriteNode(size_t level, uint32_t right, bool root) {
    Level& l = levels_[level];
    if (level == 0) {
        return sink_.WritePage(
            l.page, leaf_.Finish(root ? cdx::kAttrLeafRoot : cdx::kAttrLeaf, l.node.left, right));
    }
    l.node.right = right;
    l.node.attributes = root ? cdx::kAttrInteriorRoot : cdx::kAttrInterior;
    HCdxPage page;
    if (!EncodeInterior(l.node, shape_, false, page))
        return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, "node overflow");
    return sink_.WritePage(l.page, page);
}

HCdxEntry HIndexWriter::UpEntry(size_t level) const {
    const uint32_t page = levels_[level].page;
    if (level == 0) return HCdxEntry{std::string(leaf_.LastKey()), leaf_.LastRecord(), page};
    const HCdxEntry& last = levels_[level].node.entries.back();
    return HCdxEntry{last.key, last.record, page};
}

HStatus HIndexWriter::Advance(size_t level) {
    uint32_t next = 0;
    HStatus st = sink_.AllocatePage(&next);
    if (!st.ok()) return st;
    st = WriteNode(level, next, false);
    if (!st.ok()) return st;
    Level& l = levels_[level];
    const HCdxEntry up = UpEntry(level);
    if (level == 0)
        leaf_.Reset();
    else
        l.node.entries.clear();
    l.node.left = l.page;
    l.node.right = cdx::kNoSibling;
    l.page = next;
    l.full = false;
    if (level + 1 == levels_.size()) {
        uint32_t index = 0;
        st = StartLevel(&index);
        if (!st.ok()) return st;
    }
    return AddInterior(level + 1, up);
}

HStatus HIndexWriter::AddInterior(size_t level, const HCdxEntry& entry) {
    if (levels_[level].full) {
        HStatus st = Advance(level);
        if (!st.ok()) return st;
    }
    Level& l = levels_[level];
    l.node.entries.push_back(entry);
    if (static_cast<int>(l.node.entries.size()) >= maxInterior_) l.full = true;
    return HStatus::Ok();
}

HStatus HIndexWriter::Add(std::string_view key, uint32_t record) {
    ++keysWritten_;
    if (report_) report_(2, static_cast<int>(keysWritten_), 0);
    if (levels_[0].full) {
        HStatus st = Advance(0);
        if (!st.ok()) return st;
    }
    if (!leaf_.Append(key, record))
        return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, "node overflow");
    if (leaf_.FreeBytes() < leafThreshold_) levels_[0].full = true;
    return HStatus::Ok();
}

HStatus HIndexWriter::Finish(uint32_t* root) {
    for (size_t level = 0; level < levels_.size(); ++level) {
        const bool top = level + 1 == levels_.size();
        HStatus st = WriteNode(level, cdx::kNoSibling, top);
        if (!st.ok()) return st;
        if (top) {
            *root = levels_[level].page;
            return HStatus::Ok();
        }
        st = AddInterior(level + 1, UpEntry(level));
        if (!st.ok()) return st;
    }
    return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, "no root");
}
