#include "person/SurnameIndex.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomStrings.h"
#include "person/SurnameKeys.h"
#include "table/CharServices.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "table/HTableIndexes.h"
#include "table/KeyCollation.h"

namespace surnames {

namespace {

constexpr size_t kMostSpellings = 64;

// The spellings one upper-cased surname may be stored in that put different weights into the
// keys: upper and lower case weigh alike but for S caron and the oe ligature (the key's
// upper-casing turns "Š" into "E" and leaves "š" a letter S).
std::vector<std::string> StoredSpellings(std::string_view surname) {
    std::vector<std::string> spellings{std::string()};
    const TSurnameWeights& weights = SurnameWeights();
    for (char t : surname) {
        std::vector<char> choices;
        for (int x = 1; x < 256; ++x) {
            const auto c = static_cast<unsigned char>(x);
            if (AnsiUpperChar(c) != static_cast<unsigned char>(t)) continue;
            const bool weighsAsAnother = std::any_of(choices.begin(), choices.end(), [&](char o) {
                const TByteWeights& a = weights.Of(c);
                const TByteWeights& b = weights.Of(static_cast<unsigned char>(o));
                return a.primaries == b.primaries && a.secondaries == b.secondaries;
            });
            if (!weighsAsAnother) choices.push_back(static_cast<char>(c));
        }
        if (choices.empty()) choices.push_back(t);
        std::vector<std::string> longer;
        for (const std::string& head : spellings) {
            for (char c : choices) {
                if (longer.size() < kMostSpellings) longer.push_back(head + c);
            }
        }
        spellings.swap(longer);
    }
    return spellings;
}

// The accent codes that "I" and `spelling` open a NAME key with.
std::string Signature(std::string_view spelling) {
    const TSurnameWeights& weights = SurnameWeights();
    return weights.Of('I').secondaries + weights.Secondaries(spelling);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// SurnameOf(name) == surname, without making the surname.
bool SurnameEquals(std::string_view name, std::string_view surname) {
    const size_t comma = name.find(',');
    if (comma == std::string_view::npos) return surname.empty();
    const std::string_view stored = gedcom::Trim(name.substr(0, comma));
    if (stored.size() != surname.size()) return false;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (AnsiUpperChar(static_cast<unsigned char>(stored[i])) !=
            static_cast<unsigned char>(surname[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string SurnameOf(std::string_view name) {
    const size_t comma = name.find(',');
    if (comma == std::string_view::npos) return {};
    return AnsiUpper(gedcom::Trim(name.substr(0, comma)));
}

char InitialOf(std::string_view spelling) {
    const TSurnameWeights& weights = SurnameWeights();
    const std::string primaries = weights.Primaries(spelling);
    return primaries.empty() ? kOtherInitials
                             : weights.LetterOfWeight(static_cast<uint8_t>(primaries.front()));
}

std::vector<char> InitialsOf(std::string_view surname) {
    std::vector<char> initials;
    for (const std::string& spelling : StoredSpellings(AnsiUpper(gedcom::Trim(surname)))) {
        const char initial = InitialOf(spelling);
        if (std::find(initials.begin(), initials.end(), initial) == initials.end()) {
            initials.push_back(initial);
        }
    }
    return initials;
}

// One lookup: walks the NAME tag's keys, reads the records the keys cannot decide, and puts
// the table back where it was.
class TSurnameIndex::Walk {
public:
    explicit Walk(TSurnameIndex& owner)
        : owner_(owner),
          object_(SelectNameOrder(owner.table_)),
          indexes_(object_.Indexes()),
          keyLength_(static_cast<size_t>(indexes_.OrderShape().keyLength)),
          nameField_(owner.table_.FieldNumber("NAME")),
          pointerField_(owner.table_.FieldNumber("POINTER")),
          recNo_(object_.RecNo()),
          bof_(object_.Bof()),
          eof_(object_.Eof()) {}
    ~Walk() {
        try {
            if (recNo_ > 0) object_.Go(recNo_);
            object_.SetEndFlags(bof_, eof_);
        } catch (...) {
            // The lookup's own result or error matters more than the position.
        }
    }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    // The first entry whose key is not less than `key`, or 0.
    uint32_t Seek(std::string_view key) { return Count(indexes_.SeekKeyForm(key)); }
    uint32_t Next() { return Count(indexes_.NextKeyForm()); }
    std::string_view Key() const { return indexes_.CurrentKeyForm(); }
    // A key as long as the tag's keys may have lost accent codes at its end.
    bool Cut(std::string_view key) const { return key.size() >= keyLength_; }

    // The stored NAME of record `record`, read now; valid until the next read.
    std::string_view NameOf(uint32_t record) {
        ++owner_.recordsRead_;
        object_.Go(static_cast<int>(record));
        return Field(nameField_);
    }
    // The stored POINTER of the record read last.
    std::string_view PointerOfLast() const { return Field(pointerField_); }

private:
    std::string_view Field(int number) const {
        const HFieldDescriptor& field = object_.Field(number);
        return std::string_view(object_.RecordBuffer())
            .substr(static_cast<size_t>(field.offset), static_cast<size_t>(field.width));
    }
    static HDBFTable& SelectNameOrder(HTable& table) {
        if (table.Table() == nullptr) throw std::runtime_error("Table not active");
        if (gedcom::AsciiUpper(table.Table()->OrderName()) != "NAME") table.SetTagTo("NAME");
        return *table.Table();
    }
    uint32_t Count(uint32_t record) {
        if (record != 0) ++owner_.keysVisited_;
        return record;
    }

    TSurnameIndex& owner_;
    HDBFTable& object_;
    HTableIndexes& indexes_;
    size_t keyLength_;
    int nameField_;
    int pointerField_;
    int32_t recNo_;
    bool bof_;
    bool eof_;
};

TSurnameIndex::TSurnameIndex(HTable& table) : table_(table) {}

TSurnameIndex::~TSurnameIndex() = default;

namespace {

// The surnames of one letter in the order they are met, each once.
class TSurnameList {
public:
    void Add(std::string_view name) { AddSurname(SurnameOf(name)); }
    void AddSurname(const std::string& surname) {
        if (!surname.empty() && listed_.insert(surname).second) list_.push_back(surname);
    }
    std::vector<std::string> Take() { return std::move(list_); }

private:
    std::unordered_set<std::string> listed_;
    std::vector<std::string> list_;
};

// The spellings met in a run of keys that share the surname's weights: a key whose accent codes
// match a spelling read before needs no record, unless the census says spellings that weigh
// exactly alike may be mixed in this run.
class TSpellings {
public:
    explicit TSpellings(const TNameCensus& census) : census_(census) {}

    // Starts a new run when `weights` (the key's weights up to the comma) differ from the last.
    void Enter(std::string_view weights) {
        if (weights == weights_) return;
        weights_.assign(weights);
        mixed_ = census_.Mixed(weights_);
        known_.clear();
    }
    // -1: no spelling met yet has these codes; 0: one has, its key decides; 1: only the record
    // can tell.
    int Lookup(std::string_view secondaries) const {
        for (const std::string& signature : known_) {
            if (SignatureMatches(secondaries, signature)) return mixed_ ? 1 : 0;
        }
        return -1;
    }
    // True when no spelling with a mixing byte shares this run's weights.
    bool Plain() const { return !mixed_; }
    // `signature`: the accent codes of "I" and the spelling.
    void Remember(std::string signature) { known_.push_back(std::move(signature)); }

private:
    const TNameCensus& census_;
    std::string weights_;
    bool mixed_ = false;
    std::vector<std::string> known_;
};

}  // namespace

std::vector<std::string> TSurnameIndex::ListSurnames(char letter) {
    letter = static_cast<char>(gedcom::AsciiUpper(std::string(1, letter))[0]);
    const bool other = letter == kOtherInitials;
    if (!other && (letter < 'A' || letter > 'Z')) return {};
    const TSurnameWeights& weights = SurnameWeights();
    const char individual = static_cast<char>(weights.IndividualWeight());
    const std::shared_ptr<const TNameCensus> census = NameCensus(table_);
    Walk walk(*this);
    TSurnameList list;
    TSpellings spellings(*census);
    const std::string iCodes = weights.Of('I').secondaries;
    std::string spelled;
    std::string codes;

    std::string start(1, individual);
    if (!other) start += static_cast<char>(weights.LetterWeight(letter));
    uint32_t record = walk.Seek(start);
    while (record != 0) {
        const std::string_view key = walk.Key();
        if (!StartsWith(key, start)) break;
        if (key.size() > 1 && other &&
            weights.LetterOfWeight(static_cast<uint8_t>(key[1])) != kOtherInitials) {
            // A letter's own keys are passed over in one seek.
            record = walk.Seek(std::string{individual, static_cast<char>(key[1] + 1)});
            continue;
        }
        const TNameKey parts = ParseNameKey(key);
        if (parts.comma != std::string_view::npos && parts.comma > 1) {
            const bool cut = walk.Cut(key);
            spellings.Enter(parts.primaries.substr(0, parts.comma + 1));
            const int known = cut ? 1 : spellings.Lookup(parts.secondaries);
            if (known < 0 && spellings.Plain() &&
                weights.SpellOut(
                    parts.primaries.substr(1, parts.comma - 1),
                    parts.secondaries.substr(std::min(parts.secondaries.size(), iCodes.size())),
                    &spelled, &codes)) {
                // The key alone names the surname: no record needed.
                list.AddSurname(spelled);
                spellings.Remember(iCodes + codes);
            } else if (known != 0) {
                const std::string secondaries(parts.secondaries);
                const std::string_view name = walk.NameOf(record);
                list.Add(name);
                const std::string_view spelling = std::string_view(name).substr(0, name.find(','));
                // A record that no longer matches its key teaches nothing about other keys.
                std::string signature = Signature(spelling);
                if (known < 0 && SignatureMatches(secondaries, signature)) {
                    spellings.Remember(std::move(signature));
                }
            }
        }
        record = walk.Next();
    }
    return list.Take();
}

std::vector<TSurnamePerson> TSurnameIndex::ListPersonsOfSurname(std::string_view surname) {
    const std::string wanted = AnsiUpper(gedcom::Trim(surname));
    if (wanted.empty()) return {};
    const TSurnameWeights& weights = SurnameWeights();
    Walk walk(*this);

    struct Found {
        std::string key;
        uint32_t record;
        TSurnamePerson person;
    };
    std::vector<Found> found;
    int blocks = 0;
    // Every person of the surname lies in the run of keys that begin with the weights of one
    // of its spellings, the comma's weight after them (blanks may stand before the comma).
    const auto collect = [&](const std::string& prefix, const std::string& signature) {
        bool any = false;
        for (uint32_t r = walk.Seek(prefix); r != 0; r = walk.Next()) {
            const std::string_view key = walk.Key();
            if (!StartsWith(key, prefix)) break;
            if (!walk.Cut(key) && !SignatureMatches(ParseNameKey(key).secondaries, signature)) {
                continue;
            }
            const std::string_view name = walk.NameOf(r);
            if (!SurnameEquals(name, wanted)) continue;
            any = true;
            found.push_back(
                {std::string(walk.Key()),
                 r,
                 {AnsiUpper(gedcom::Trim(name)), std::string(gedcom::Trim(walk.PointerOfLast()))}});
        }
        if (any) ++blocks;
    };
    const std::string comma(1, static_cast<char>(weights.CommaWeight()));
    const std::string blank(1, static_cast<char>(weights.BlankWeight()));
    for (const std::string& spelling : StoredSpellings(wanted)) {
        const std::string signature = Signature(spelling);
        std::string prefix(1, static_cast<char>(weights.IndividualWeight()));
        prefix += weights.Primaries(spelling);
        while (true) {
            collect(prefix + comma, signature);
            prefix += blank;
            if (walk.Seek(prefix) == 0 || !StartsWith(walk.Key(), prefix)) break;
        }
    }
    if (blocks > 1) {
        std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
            const int c = CompareKeys(a.key, b.key, ComparePad(HKeyKind::General));
            return c != 0 ? c < 0 : a.record < b.record;
        });
    }
    std::vector<TSurnamePerson> persons;
    persons.reserve(found.size());
    for (Found& f : found) persons.push_back(std::move(f.person));
    return persons;
}

std::string TSurnameIndex::PointerOfPersonOfSurname(std::string_view surname, int n) {
    if (n < 0) return {};
    std::vector<TSurnamePerson> persons = ListPersonsOfSurname(surname);
    return static_cast<size_t>(n) < persons.size() ? persons[static_cast<size_t>(n)].pointer
                                                   : std::string();
}

}  // namespace surnames
