// B-tree operations of one tag. Every page offset comes from the file and is checked before
// it is read; depth and the number of empty leaves crossed are bounded, so damaged files end
// in a status, never in a loop.
#include "table/CdxTag.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kSplitBytes = 250;

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The largest record number a leaf must hold: the record count, or a larger number already in
// the node (so that a caller's low count never makes a leaf unwritable).
uint32_t LargestRecord(const HCdxNode& node, uint32_t recordCount) {
    uint32_t largest = recordCount;
    for (const HCdxEntry& e : node.entries) largest = std::max(largest, e.record);
    return largest;
}

}  // namespace

HCdxTag::HCdxTag(HCdxPageStore& store, uint32_t headerOffset, const HKeyShape& shape,
                 bool descending, std::string fileName)
    : store_(store),
      headerOffset_(headerOffset),
      shape_(shape),
      pad_(ComparePad(shape.kind)),
      descending_(descending),
      fileName_(std::move(fileName)) {}

HStatus HCdxTag::Damaged() {
    HStatus st = HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, fileName_);
    if (status_.ok()) status_ = st;
    return st;
}

HStatus HCdxTag::Load(uint32_t offset, HCdxNode* node) {
    if (offset == 0 || offset == cdx::kNoSibling || offset % cdx::kPageSize != 0 ||
        static_cast<uint64_t>(offset) + cdx::kPageSize > store_.FileSize())
        return Damaged();
    HCdxPage page;
    HStatus st = store_.ReadPage(offset, &page);
    if (!st.ok()) return st;
    st = DecodeNode(page, shape_, fileName_, *node);
    if (!st.ok()) return Damaged();
    return HStatus::Ok();
}

HStatus HCdxTag::ReadRoot(uint32_t* root) {
    HCdxPage page;
    if (static_cast<uint64_t>(headerOffset_) + cdx::kPageSize > store_.FileSize()) return Damaged();
    HStatus st = store_.ReadPage(headerOffset_, &page);
    if (!st.ok()) return st;
    *root = Get32(&page[cdx::kRootOffsetPos]);
    if (*root == 0 || *root % cdx::kPageSize != 0 ||
        static_cast<uint64_t>(*root) + cdx::kPageSize > store_.FileSize())
        return Damaged();
    return HStatus::Ok();
}

bool HCdxTag::EntryLess(const HCdxEntry& e, std::string_view key, bool hasTarget,
                        uint32_t target) const {
    const int c = CompareKeys(e.key, key, pad_);
    if (c != 0) return c < 0;
    if (!hasTarget) return false;
    if (target == kAfterEqualKeys) return true;
    return e.record < target;
}

HStatus HCdxTag::Descend(std::string_view key, bool hasTarget, uint32_t target) {
    path_.clear();
    uint32_t offset = 0;
    HStatus st = ReadRoot(&offset);
    if (!st.ok()) return st;
    for (;;) {
        if (path_.size() >= static_cast<size_t>(cdx::kMaxLevels)) return Damaged();
        HCdxNode node;
        st = Load(offset, &node);
        if (!st.ok()) return st;
        const int n = static_cast<int>(node.entries.size());
        int i = 0;
        while (i < n && EntryLess(node.entries[i], key, hasTarget, target)) ++i;
        const bool leaf = node.IsLeaf();
        if (!leaf) {
            if (n == 0) return Damaged();
            if (i == n) i = n - 1;
        }
        const uint32_t child = leaf ? 0 : node.entries[i].child;
        path_.push_back(Step{offset, std::move(node), i});
        if (leaf) return HStatus::Ok();
        offset = child;
    }
}

int HCdxTag::Search(std::string_view key, bool hasTarget, uint32_t target, bool exact) {
    if (!Descend(key, hasTarget, target).ok()) {
        path_.clear();
        return 1;
    }
    const Step& leaf = path_.back();
    if (leaf.index >= static_cast<int>(leaf.node.entries.size()) && !Advance(true)) return 1;
    const HCdxEntry& e = Current();
    const int c = CompareKeys(e.key, key, pad_);
    if (c == 0 && (!hasTarget || e.record == target)) return 0;
    if (!exact && shape_.kind != HKeyKind::Numeric && e.key.size() >= key.size() &&
        std::string_view(e.key).substr(0, key.size()) == key)
        return 0;
    return -1;
}

bool HCdxTag::DescendEdge(bool first) {
    while (!path_.back().node.IsLeaf()) {
        if (path_.size() >= static_cast<size_t>(cdx::kMaxLevels)) {
            Damaged();
            return false;
        }
        const Step& top = path_.back();
        const uint32_t child = top.node.entries[top.index].child;
        HCdxNode node;
        if (!Load(child, &node).ok()) return false;
        const int n = static_cast<int>(node.entries.size());
        if (!node.IsLeaf() && n == 0) {
            Damaged();
            return false;
        }
        const int index = first ? 0 : n - 1;
        path_.push_back(Step{child, std::move(node), index});
    }
    return true;
}

bool HCdxTag::OnEntry() const {
    if (path_.empty()) return false;
    const Step& leaf = path_.back();
    return leaf.node.IsLeaf() && leaf.index >= 0 &&
           leaf.index < static_cast<int>(leaf.node.entries.size());
}

bool HCdxTag::Edge(bool first) {
    path_.clear();
    uint32_t root = 0;
    if (!ReadRoot(&root).ok()) return false;
    HCdxNode node;
    if (!Load(root, &node).ok()) return false;
    const int n = static_cast<int>(node.entries.size());
    if (!node.IsLeaf() && n == 0) {
        Damaged();
        path_.clear();
        return false;
    }
    path_.push_back(Step{root, std::move(node), first ? 0 : n - 1});
    if (!DescendEdge(first)) {
        path_.clear();
        return false;
    }
    if (OnEntry()) return true;
    // An empty leaf at the edge: move on to the nearest entry.
    if (Advance(first)) return true;
    path_.clear();
    return false;
}

bool HCdxTag::Advance(bool forward) {
    if (path_.empty()) return false;
    {
        Step& leaf = path_.back();
        const int n = static_cast<int>(leaf.node.entries.size());
        if (forward && leaf.index + 1 < n) {
            ++leaf.index;
            return true;
        }
        if (!forward && leaf.index > 0 && n > 0) {
            leaf.index = std::min(leaf.index, n) - 1;
            return true;
        }
    }
    // Where the path stood, to go back there when there is no other leaf. Only the places are
    // kept and the pages read again then (the end of a tag is met once per walk); a path with
    // changes not yet written is kept whole.
    const bool dirty =
        std::any_of(path_.begin(), path_.end(), [](const Step& step) { return step.dirty; });
    std::vector<Step> saved;
    std::vector<std::pair<uint32_t, int>> places;
    if (dirty) {
        saved = path_;
    } else {
        for (const Step& step : path_) places.emplace_back(step.offset, step.index);
    }
    const auto goBack = [&] {
        if (dirty) {
            path_ = std::move(saved);
        } else {
            ReturnTo(places);
        }
    };
    // Empty leaves may be crossed, but never more of them than the file has pages.
    uint64_t budget = store_.FileSize() / cdx::kPageSize + 2;
    for (;;) {
        // The leaf being left must name the next one as its sibling: a file whose sibling
        // pointers disagree with its tree (a cycle among them, say) is damaged.
        const uint32_t leftOffset = path_.back().offset;
        const uint32_t expected = forward ? path_.back().node.right : path_.back().node.left;
        path_.pop_back();
        while (!path_.empty()) {
            Step& top = path_.back();
            const int n = static_cast<int>(top.node.entries.size());
            if (forward && top.index + 1 < n) {
                ++top.index;
                break;
            }
            if (!forward && top.index > 0) {
                --top.index;
                break;
            }
            path_.pop_back();
        }
        if (path_.empty() || !DescendEdge(forward)) {
            goBack();
            return false;
        }
        Step& leaf = path_.back();
        const uint32_t back = forward ? leaf.node.left : leaf.node.right;
        if (expected != leaf.offset || back != leftOffset) {
            Damaged();
            goBack();
            return false;
        }
        const int n = static_cast<int>(leaf.node.entries.size());
        if (n > 0) {
            leaf.index = forward ? 0 : n - 1;
            return true;
        }
        if (--budget == 0) {
            Damaged();
            goBack();
            return false;
        }
    }
}

void HCdxTag::ReturnTo(const std::vector<std::pair<uint32_t, int>>& places) {
    path_.clear();
    for (const auto& [offset, index] : places) {
        HCdxNode node;
        if (!Load(offset, &node).ok()) {
            path_.clear();
            return;
        }
        path_.push_back(Step{offset, std::move(node), index});
    }
}

uint32_t HCdxTag::InRange() {
    const HCdxEntry& e = Current();
    if (!high_.empty() && CompareKeys(e.key, high_, pad_) > 0) {
        eof_ = true;
        return 0;
    }
    if (!low_.empty() && CompareKeys(e.key, low_, pad_) < 0) {
        bof_ = true;
        return 0;
    }
    return e.record;
}

uint32_t HCdxTag::Top() {
    if (low_.empty()) {
        if (!Edge(true)) {
            bof_ = eof_ = true;
            return 0;
        }
    } else if (Search(low_, false, 0, false) == 1) {
        eof_ = true;
        return 0;
    }
    return InRange();
}

uint32_t HCdxTag::Bottom() {
    if (high_.empty()) {
        if (!Edge(false)) {
            bof_ = eof_ = true;
            return 0;
        }
        return InRange();
    }
    if (Search(high_, true, kAfterEqualKeys, true) == 1) {
        if (!Edge(false)) {
            bof_ = eof_ = true;
            return 0;
        }
    } else if (CompareKeys(Current().key, high_, pad_) > 0 && !Advance(false)) {
        bof_ = true;
        return 0;
    }
    return InRange();
}

uint32_t HCdxTag::GoTop() {
    bof_ = eof_ = false;
    uint32_t r = descending_ ? Bottom() : Top();
    if (descending_) std::swap(bof_, eof_);
    return r;
}

uint32_t HCdxTag::GoBottom() {
    bof_ = eof_ = false;
    uint32_t r = descending_ ? Top() : Bottom();
    if (descending_) std::swap(bof_, eof_);
    return r;
}

uint32_t HCdxTag::Next() {
    bof_ = eof_ = false;
    const bool forward = !descending_;
    uint32_t r = 0;
    if (!OnEntry() && path_.empty()) {
        (forward ? eof_ : bof_) = true;
    } else if (!Advance(forward)) {
        (forward ? eof_ : bof_) = true;
    } else {
        r = InRange();
    }
    if (descending_) std::swap(bof_, eof_);
    return r;
}

uint32_t HCdxTag::Previous() {
    bof_ = eof_ = false;
    const bool forward = descending_;
    uint32_t r = 0;
    if (path_.empty() || !Advance(forward)) {
        (forward ? eof_ : bof_) = true;
    } else {
        r = InRange();
    }
    if (descending_) std::swap(bof_, eof_);
    return r;
}

uint32_t HCdxTag::Seek(std::string_view key, bool exact) {
    bof_ = eof_ = false;
    // A key below the range is sought where the range starts: the nearest entry in range is
    // its first, and no entry in range can equal the key.
    const bool belowRange = !low_.empty() && CompareKeys(key, low_, pad_) < 0;
    lastSeek_ = Search(belowRange ? std::string_view(low_) : key, false, 0, exact);
    if (belowRange && lastSeek_ == 0) lastSeek_ = -1;
    if (lastSeek_ == 1) {
        eof_ = true;
        return 0;
    }
    const uint32_t r = InRange();
    if (r == 0) {
        // The entry found, or the next greater one, lies beyond the range: nothing in range is
        // at or after the key.
        bof_ = false;
        eof_ = true;
        lastSeek_ = 1;
        return 0;
    }
    return lastSeek_ == 0 ? r : 0;
}

uint32_t HCdxTag::StepFrom(std::string_view key, uint32_t record, bool next) {
    bof_ = eof_ = false;
    const bool forward = next != descending_;  // direction in storage order
    key = key.substr(0, static_cast<size_t>(shape_.keyLength));
    const int found = Search(key, true, record, true);
    bool ok;
    if (found == 0) {
        ok = Advance(forward);
    } else if (found == -1) {
        ok = forward || Advance(false);  // already on the next greater entry
    } else {
        ok = !forward && !path_.empty() && Advance(false);  // past the end: the last entry
    }
    uint32_t r = 0;
    if (!ok) {
        (forward ? eof_ : bof_) = true;
    } else {
        r = InRange();
    }
    if (descending_) std::swap(bof_, eof_);
    return r;
}

bool HCdxTag::GoToKey(std::string_view key, uint32_t record) {
    bof_ = eof_ = false;
    return Search(key, true, record, true) == 0;
}

uint32_t HCdxTag::SetRange(std::string low, std::string high) {
    low_ = std::move(low);
    high_ = std::move(high);
    return GoTop();
}

void HCdxTag::ClearRange() {
    low_.clear();
    high_.clear();
}

std::string HCdxTag::CurrentKey() const { return OnEntry() ? Current().key : std::string(); }
uint32_t HCdxTag::CurrentRecord() const { return OnEntry() ? Current().record : 0; }
std::string_view HCdxTag::CurrentKeyView() const {
    return OnEntry() ? std::string_view(Current().key) : std::string_view();
}

// --- Updates ---------------------------------------------------------------------------------

void HCdxTag::FixUpKeys(size_t level) {
    for (size_t l = level; l > 0; --l) {
        const HCdxNode& child = path_[l].node;
        if (child.entries.empty()) return;
        Step& parent = path_[l - 1];
        HCdxEntry& entry = parent.node.entries[parent.index];
        entry.key = child.entries.back().key;
        entry.record = child.entries.back().record;
        parent.dirty = true;
        if (parent.index + 1 != static_cast<int>(parent.node.entries.size())) return;
    }
}

HStatus HCdxTag::PatchRight(uint32_t nodeOffset, uint32_t right) {
    HCdxNode check;
    HStatus st = Load(nodeOffset, &check);  // validates the page before it is written
    if (!st.ok()) return st;
    HCdxPage page;
    st = store_.ReadPage(nodeOffset, &page);
    if (!st.ok()) return st;
    Put32(&page[cdx::kRightPos], right);
    return store_.WritePage(nodeOffset, page);
}

HStatus HCdxTag::WriteRootOffset(uint32_t root) {
    HCdxPage page;
    HStatus st = store_.ReadPage(headerOffset_, &page);
    if (!st.ok()) return st;
    Put32(&page[cdx::kRootOffsetPos], root);
    return store_.WritePage(headerOffset_, page);
}

HStatus HCdxTag::SplitOff(size_t* level, uint32_t largestRecord) {
    Step& s = path_[*level];
    const bool leaf = s.node.IsLeaf();
    const size_t count = s.node.entries.size();
    size_t move = 0;
    if (leaf) {
        const HCdxLeafWidths widths =
            LeafWidths(shape_.keyLength, LargestRecord(s.node, largestRecord));
        int total = 0;
        std::string previous;
        while (move + 1 < count) {
            const int cost = LeafEntryCost(previous, s.node.entries[move].key, shape_, widths);
            if (total + cost >= kSplitBytes) break;
            total += cost;
            previous = s.node.entries[move].key;
            ++move;
        }
        if (move == 0) move = 1;
    } else {
        move = count - count / 2;
    }
    HCdxNode left;
    left.attributes = leaf ? cdx::kAttrLeaf : cdx::kAttrInterior;
    left.left = s.node.left;
    left.right = s.offset;
    left.widths = LeafWidths(shape_.keyLength, LargestRecord(s.node, largestRecord));
    left.entries.assign(s.node.entries.begin(), s.node.entries.begin() + move);
    uint32_t page = 0;
    HStatus st = store_.AllocatePage(&page);
    if (!st.ok()) return st;
    if (s.node.left != cdx::kNoSibling) {
        st = PatchRight(s.node.left, page);
        if (!st.ok()) return st;
    }
    HCdxPage bytes;
    const bool encoded =
        leaf ? EncodeLeaf(left, shape_, bytes) : EncodeInterior(left, shape_, true, bytes);
    if (!encoded) return Damaged();
    st = store_.WritePage(page, bytes);
    if (!st.ok()) return st;

    s.node.entries.erase(s.node.entries.begin(), s.node.entries.begin() + move);
    s.node.left = page;
    s.index = std::max(0, s.index - static_cast<int>(move));
    s.node.attributes = leaf ? cdx::kAttrLeaf : cdx::kAttrInterior;
    const HCdxEntry up{left.entries.back().key, left.entries.back().record, page};
    if (*level == 0) {
        // A new root above the split node.
        uint32_t rootPage = 0;
        st = store_.AllocatePage(&rootPage);
        if (!st.ok()) return st;
        HCdxNode root;
        root.attributes = cdx::kAttrInteriorRoot;
        root.entries = {
            up, HCdxEntry{s.node.entries.back().key, s.node.entries.back().record, s.offset}};
        path_.insert(path_.begin(), Step{rootPage, std::move(root), 1, true});
        ++*level;
        return WriteRootOffset(rootPage);
    }
    Step& parent = path_[*level - 1];
    parent.node.entries.insert(parent.node.entries.begin() + parent.index, up);
    ++parent.index;
    parent.dirty = true;
    return HStatus::Ok();
}

HStatus HCdxTag::WriteUp(size_t level, uint32_t largestRecord) {
    for (size_t l = level + 1; l-- > 0;) {
        if (!path_[l].dirty) continue;
        for (int guard = 0;; ++guard) {
            if (guard > cdx::kLeafKeyAreaSize) return Damaged();
            Step& s = path_[l];
            HCdxPage page;
            bool fits;
            if (s.node.IsLeaf()) {
                s.node.widths = LeafWidths(shape_.keyLength, LargestRecord(s.node, largestRecord));
                fits = EncodeLeaf(s.node, shape_, page);
            } else {
                fits = EncodeInterior(s.node, shape_, true, page);
            }
            if (fits) {
                HStatus st = store_.WritePage(s.offset, page);
                if (!st.ok()) return st;
                s.dirty = false;
                break;
            }
            // SplitOff keeps l on this node, also when it puts a new root in front; the new
            // root is then written when the loop reaches level 0.
            HStatus st = SplitOff(&l, largestRecord);
            if (!st.ok()) return st;
        }
    }
    return HStatus::Ok();
}

HStatus HCdxTag::Insert(std::string_view key, uint32_t record, uint32_t largestRecord, bool unique,
                        bool* inserted) {
    if (inserted) *inserted = false;
    bof_ = eof_ = false;
    key = key.substr(0, static_cast<size_t>(shape_.keyLength));
    if (unique && Search(key, false, 0, true) == 0) {
        path_.clear();
        return status_;
    }
    HStatus st = Descend(key, true, record);
    if (!st.ok()) {
        path_.clear();
        return st;
    }
    Step& leaf = path_.back();
    leaf.node.entries.insert(leaf.node.entries.begin() + leaf.index,
                             HCdxEntry{std::string(key), record, 0});
    leaf.dirty = true;
    const size_t leafLevel = path_.size() - 1;
    if (leaf.index + 1 == static_cast<int>(leaf.node.entries.size())) FixUpKeys(leafLevel);
    st = WriteUp(leafLevel, largestRecord);
    path_.clear();
    if (st.ok() && inserted) *inserted = true;
    return st;
}

HStatus HCdxTag::Delete(std::string_view key, uint32_t record, uint32_t largestRecord,
                        bool* found) {
    if (found) *found = false;
    bof_ = eof_ = false;
    key = key.substr(0, static_cast<size_t>(shape_.keyLength));
    if (Search(key, true, record, true) != 0 || !OnEntry() || Current().record != record) {
        path_.clear();
        return status_;
    }
    Step& leaf = path_.back();
    const int index = leaf.index;
    leaf.node.entries.erase(leaf.node.entries.begin() + index);
    leaf.dirty = true;
    const size_t leafLevel = path_.size() - 1;
    if (index == static_cast<int>(leaf.node.entries.size())) FixUpKeys(leafLevel);
    HStatus st = WriteUp(leafLevel, largestRecord);
    path_.clear();
    if (st.ok() && found) *found = true;
    return st;
}
