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
    const bool leaf = level == 0;
    l.node.right = right;
    l.node.attributes = leaf ? (root ? cdx::kAttrLeafRoot : cdx::kAttrLeaf)
                             : (root ? cdx::kAttrInteriorRoot : cdx::kAttrInterior);
    HCdxPage page;
    const bool encoded =
        leaf ? EncodeLeaf(l.node, shape_, page) : EncodeInterior(l.node, shape_, false, page);
    if (!encoded) return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, "node overflow");
    return sink_.WritePage(l.page, page);
}

HStatus HIndexWriter::Advance(size_t level) {
    uint32_t next = 0;
    HStatus st = sink_.AllocatePage(&next);
    if (!st.ok()) return st;
    st = WriteNode(level, next, false);
    if (!st.ok()) return st;
    Level& l = levels_[level];
    const HCdxEntry& last = l.node.entries.back();
    HCdxEntry up{last.key, last.record, l.page};
    if (level == 0) {
        for (HCdxEntry& entry : l.node.entries) spareKeys_.push_back(std::move(entry.key));
    }
    l.node.entries.clear();
    l.node.left = l.page;
    l.node.right = cdx::kNoSibling;
    l.page = next;
    l.full = false;
    l.freeBytes = cdx::kLeafKeyAreaSize;
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
    Level& leaf = levels_[0];
    HCdxEntry entry{{}, record, 0};
    if (!spareKeys_.empty()) {
        entry.key = std::move(spareKeys_.back());
        spareKeys_.pop_back();
    }
    entry.key.assign(key.substr(0, shape_.keyLength));
    static const std::string kNoKey;
    const std::string& previous = leaf.node.entries.empty() ? kNoKey : leaf.node.entries.back().key;
    leaf.freeBytes -= LeafEntryCost(previous, entry.key, shape_, widths_);
    leaf.node.entries.push_back(std::move(entry));
    if (leaf.freeBytes < leafThreshold_) leaf.full = true;
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
        const HCdxEntry& last = levels_[level].node.entries.back();
        st = AddInterior(level + 1, HCdxEntry{last.key, last.record, levels_[level].page});
        if (!st.ok()) return st;
    }
    return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, "no root");
}
