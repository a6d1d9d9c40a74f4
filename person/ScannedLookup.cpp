#include "person/ScannedLookup.h"

#include <algorithm>

#include "gedcom/LookupName.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LineStream.h"
#include "gedcom/StoredText.h"
#include "table/CharServices.h"

namespace {
constexpr size_t kNameWidth = gedcom::kLookupNameWidth;
}  // namespace

TScannedLookup::TScannedLookup(const std::string& gedcomPath, gedcom::TextDecoding decoding) {
    TLineStream stream(gedcomPath);
    bool pending = false;
    bool individual = false;
    Row row;
    std::string stored;
    while (!stream.EndOfFile()) {
        int64_t offset = stream.LinePosition();
        std::string line(gedcom::Trim(gedcom::StoredLine(decoding, stream.ReadLine(), stored)));
        if (line.empty() || (line[0] != '0' && line[0] != '1')) continue;
        if (gedcom::StartsWith(line, "0 @") || gedcom::StartsWith(line, "0 TR")) {
            if (pending) rows_.push_back(row);
            pending = gedcom::StartsWith(line, "0 @");
            individual = pending && gedcom::IsIndividualRecord(line);
            row = Row{"R", "", gedcom::PointerOf(line), offset};
        }
        if (individual && gedcom::StartsWith(line, "1 NAME")) {
            const gedcom::TLookupName name = gedcom::ComposeLookupName(line);
            row.name = name.name.substr(0, kNameWidth);
            row.rtype = name.named ? "I" : "R";
        }
    }
    if (pending) rows_.push_back(row);
}

bool TScannedLookup::SelectTag(std::string_view tag) {
    if (tag == "NAME" && failNameTag_) return false;
    if (tag != "NAME" && tag != "POINTER") return false;
    tag_ = std::string(tag);
    return true;
}

// The key of row `i` in the selected tag, as FindKey compares it.
std::string TScannedLookup::KeyOf(size_t i) const {
    const Row& row = rows_[i];
    if (tag_ == "POINTER") return AnsiUpper(gedcom::PadToWidth(row.pointer, gedcom::kPointerKeyWidth));
    return row.rtype + AnsiUpper(gedcom::PadToWidth(row.name, kNameWidth));
}

bool TScannedLookup::Next() {
    // The tag's order: by key, equal keys by record number.
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](size_t a, size_t b) { return KeyOf(a) < KeyOf(b); });
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        if (static_cast<int32_t>(order[i] + 1) == recNo_) {
            recNo_ = static_cast<int32_t>(order[i + 1] + 1);
            return true;
        }
    }
    return false;
}

bool TScannedLookup::FindKey(std::string_view key) {
    ++findCount_;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        bool equal;
        if (tag_ == "POINTER") {
            equal = AnsiUpper(gedcom::PadToWidth(row.pointer, gedcom::kPointerKeyWidth)) ==
                    AnsiUpper(gedcom::PadToWidth(key, gedcom::kPointerKeyWidth));
        } else {
            equal = row.rtype + AnsiUpper(gedcom::PadToWidth(row.name, kNameWidth)) == key;
        }
        if (equal) {
            recNo_ = static_cast<int32_t>(i + 1);
            return true;
        }
    }
    return false;
}

const TScannedLookup::Row* TScannedLookup::Current() const {
    if (recNo_ < 1 || static_cast<size_t>(recNo_) > rows_.size()) return nullptr;
    return &rows_[static_cast<size_t>(recNo_) - 1];
}

std::string TScannedLookup::FieldText(std::string_view field) const {
    const Row* row = Current();
    if (field == "NAME") return gedcom::PadToWidth(row ? row->name : "", kNameWidth);
    if (field == "POINTER") {
        return gedcom::PadToWidth(row ? row->pointer : "", gedcom::kPointerKeyWidth);
    }
    if (field == "RTYPE") return row ? row->rtype : " ";
    return std::string();
}

int64_t TScannedLookup::FieldInteger(std::string_view field) const {
    const Row* row = Current();
    return field == "OFFSET" && row ? row->offset : 0;
}
