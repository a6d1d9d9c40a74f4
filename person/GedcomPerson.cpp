#include "person/GedcomPerson.h"

#include "gedcom/LookupName.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LineStream.h"
#include "gedcom/StoredText.h"
#include "gedcom/TextDecoding.h"
#include "gedcom/Windows1252.h"
#include "person/Notes.h"
#include "person/RecordLines.h"
#include "table/CharServices.h"

namespace {

constexpr char kUnknownName[] = "Unknown";
// How far past the first "@" a pointer may reach.
constexpr size_t kPointerReach = 99;
constexpr size_t kDateLength = 100;
constexpr size_t kPlaceLength = 150;

// The pointer a line names, as the table stores pointers.
std::string StoredPointer(std::string_view line) {
    return gedcom::ToStoredText(TGedcomPerson::ExtractPointer(line));
}

// The upper-case pointer of the first line tagged `tag`, or empty.
std::string FirstPointer(const std::vector<std::string>& lines, std::string_view tag) {
    for (const std::string& line : lines) {
        std::string key = person::LineKey(line);
        if (person::HasTag(key, tag)) return StoredPointer(key);
    }
    return std::string();
}

// The upper-case pointers of every line tagged `tag`, in order.
std::vector<std::string> AllPointers(const std::vector<std::string>& lines, std::string_view tag) {
    std::vector<std::string> pointers;
    for (const std::string& line : lines) {
        std::string key = person::LineKey(line);
        if (person::HasTag(key, tag)) pointers.push_back(StoredPointer(key));
    }
    return pointers;
}

// The name the record's last "1 NAME" line gives, as the file has it; empty when the record is
// not an individual's or has no NAME line.
std::string ShownName(const std::vector<std::string>& record) {
    if (record.empty() || !gedcom::IsIndividualRecord(gedcom::Trim(record.front()))) return {};
    std::string name;
    for (const std::string& line : record) {
        const std::string_view trimmed = gedcom::Trim(line);
        if (gedcom::StartsWith(trimmed, "1 NAME")) name = gedcom::ComposeShownName(trimmed);
    }
    return name;
}

// True when `line`, the first line of a record read at a stored offset, is the level-0 line
// of `pointer`: its pointer, in the table's form, is `pointer` (with `prefix`, begins with
// it), letter case ignored.
// The pointer of a record's level-0 line as the builder stored it: taken from the line in the
// table's form (a conversion may change the line's length before the pointer's end).
std::string OwnPointer(std::string_view line) {
    return gedcom::PointerOf(gedcom::Trim(gedcom::ToStoredText(line)));
}

bool CarriesPointer(std::string_view line, std::string_view pointer, bool prefix) {
    if (!person::HasLevel(line, '0')) return false;
    // Keys are blank-padded: trailing blanks of a pointer do not count.
    const std::string own = AnsiUpper(gedcom::TrimRight(OwnPointer(line)));
    const std::string wanted = AnsiUpper(gedcom::TrimRight(pointer));
    return prefix ? own.compare(0, wanted.size(), wanted) == 0 : own == wanted;
}

// Date and place of the first MARR event of a family record.
void ScanMarriage(const std::vector<std::string>& family, std::string& date, std::string& place) {
    bool inMarriage = false;
    for (const std::string& line : family) {
        std::string key = person::LineKey(line);
        if (!inMarriage) {
            inMarriage = person::HasTag(key, "1 MARR");
            continue;
        }
        if (person::HasLevel(line, '1') || person::HasLevel(line, '0')) break;
        if (person::HasTag(key, "2 DATE")) date = person::TagValue(line, kDateLength);
        if (person::HasTag(key, "2 PLAC")) place = person::TagValue(line, kPlaceLength);
    }
}

}  // namespace

TGedcomPerson::TGedcomPerson(TPersonKind kind, TLookupTable& table) : FKind(kind), table_(table) {
    if (FKind == TPersonKind::pkMain) {
        FFather = std::make_unique<TGedcomPerson>(TPersonKind::pkParent, table_);
        FMother = std::make_unique<TGedcomPerson>(TPersonKind::pkParent, table_);
        FPaternalGrandfather = std::make_unique<TGedcomPerson>(TPersonKind::pkGrandparent, table_);
        FPaternalGrandmother = std::make_unique<TGedcomPerson>(TPersonKind::pkGrandparent, table_);
        FMaternalGrandfather = std::make_unique<TGedcomPerson>(TPersonKind::pkGrandparent, table_);
        FMaternalGrandmother = std::make_unique<TGedcomPerson>(TPersonKind::pkGrandparent, table_);
    }
    Reset();
}

TGedcomPerson::~TGedcomPerson() = default;

void TGedcomPerson::Reset() {
    FRecNo = -1;
    FName = kUnknownName;
    FStoredName = kUnknownName;
    FPointer.clear();
    FOffset = -1;
    FFamcPointer.clear();
    FSex.clear();
    FBirthDate.clear();
    FBirthPlace.clear();
    FDeathDate.clear();
    FDeathPlace.clear();
    FMarriageDate.clear();
    FMarriagePlace.clear();
    if (FKind == TPersonKind::pkMain) {
        FFather->Reset();
        FMother->Reset();
        FPaternalGrandfather->Reset();
        FPaternalGrandmother->Reset();
        FMaternalGrandfather->Reset();
        FMaternalGrandmother->Reset();
        FFAMSpointerList.clear();
        FSpouses.clear();
        FSiblings.clear();
        FNotes.clear();
    }
    FRawRecord.clear();
    FChildren.clear();
}

std::string TGedcomPerson::Name() const { return std::string(gedcom::Trim(FName)); }

std::string TGedcomPerson::StoredName() const { return std::string(gedcom::Trim(FStoredName)); }

std::string TGedcomPerson::Pointer() const { return std::string(gedcom::Trim(FPointer)); }

void TGedcomPerson::LoadByPointer(std::string_view pointer, bool mayBeCut) {
    Reset();
    if (gedcom::IsBlank(pointer)) return;
    // Every record of one load comes from the same file.
    const std::string gedcomFile = GedcomState().CurrentGedcomPath;
    FPointer = gedcom::Trim(pointer);
    if (!ReadRecordOf(table_, pointer, gedcomFile, FRawRecord, mayBeCut)) return;

    FPointer = gedcom::TrimRight(OwnPointer(FRawRecord.front()));
    FRecNo = table_.RecNo();
    FStoredName = table_.FieldText("NAME");
    FOffset = table_.FieldInteger("OFFSET");
    FName = ShownName(FRawRecord);
    if (FName.empty()) FName = gedcom::Windows1252ToUtf8(FStoredName);
    FFamcPointer = FirstPointer(FRawRecord, "1 FAMC");
    ScanVitalFacts();
    if (FKind != TPersonKind::pkMain) return;

    LoadParentsAndSiblings(gedcomFile);
    LoadGrandparents(*FMother, *FMaternalGrandfather, *FMaternalGrandmother, gedcomFile);
    LoadGrandparents(*FFather, *FPaternalGrandfather, *FPaternalGrandmother, gedcomFile);
    LoadNotes(gedcomFile);
    FFAMSpointerList = AllPointers(FRawRecord, "1 FAMS");
    LoadSpouses(gedcomFile);
}

void TGedcomPerson::ScanVitalFacts() {
    bool inBirth = false;
    bool inDeath = false;
    for (const std::string& line : FRawRecord) {
        std::string key = person::LineKey(line);
        if ((inBirth || inDeath) && (person::HasLevel(line, '1') || person::HasLevel(line, '0'))) {
            inBirth = false;
            inDeath = false;
        }
        if (person::HasTag(key, "2 DATE")) {
            if (inBirth) FBirthDate = person::TagValue(line, kDateLength);
            if (inDeath) FDeathDate = person::TagValue(line, kDateLength);
        } else if (person::HasTag(key, "2 PLAC")) {
            if (inBirth) FBirthPlace = person::TagValue(line, kPlaceLength);
            if (inDeath) FDeathPlace = person::TagValue(line, kPlaceLength);
        } else if (person::HasTag(key, "1 BIRT")) {
            inBirth = true;
        } else if (person::HasTag(key, "1 DEAT")) {
            inDeath = true;
        } else if (person::HasTag(key, "1 SEX ")) {
            // The key is trimmed, so a character follows the blank; a second blank means no
            // value ("1 SEX  " is trimmed away, "1 SEX  M" is not a sex).
            char sex = key[6];
            if (sex == ' ') {
                FSex.clear();
            } else {
                FSex.assign(1, sex);
            }
        }
    }
}

bool TGedcomPerson::IsOwnPointer(std::string_view pointer) const {
    // Pointers in family lines are upper-cased, while the person may have been loaded with the
    // identifier as the file spells it; the POINTER tag does not tell the two apart either.
    return AnsiUpper(gedcom::Trim(pointer)) == AnsiUpper(gedcom::Trim(FPointer));
}

void TGedcomPerson::LoadParentsAndSiblings(const std::string& gedcomFile) {
    std::vector<std::string> family;
    ReadRecordByPointer(table_, FFamcPointer, gedcomFile, family);
    std::string father = FirstPointer(family, "1 HUSB");
    std::string mother = FirstPointer(family, "1 WIFE");
    if (!father.empty()) FFather->LoadByPointer(father);
    if (!mother.empty()) FMother->LoadByPointer(mother);
    for (const std::string& child : AllPointers(family, "1 CHIL")) {
        if (IsOwnPointer(child)) continue;
        auto sibling = std::make_unique<TGedcomPerson>(TPersonKind::pkRelative, table_);
        sibling->LoadByPointer(child);
        FSiblings.push_back(std::move(sibling));
    }
}

void TGedcomPerson::LoadGrandparents(const TGedcomPerson& parent, TGedcomPerson& grandfather,
                                     TGedcomPerson& grandmother, const std::string& gedcomFile) {
    if (parent.FFamcPointer.empty()) return;
    std::vector<std::string> family;
    ReadRecordByPointer(table_, parent.FFamcPointer, gedcomFile, family);
    std::string husband = FirstPointer(family, "1 HUSB");
    std::string wife = FirstPointer(family, "1 WIFE");
    if (!husband.empty()) grandfather.LoadByPointer(husband);
    if (!wife.empty()) grandmother.LoadByPointer(wife);
}

void TGedcomPerson::LoadNotes(const std::string& gedcomFile) {
    person::TNoteSource source = person::FindNoteSource(FRawRecord);
    if (!source.hasNotes) return;
    if (source.notePointer.empty()) {
        person::CollectNoteLines(FRawRecord, FNotes);
        return;
    }
    std::vector<std::string> noteRecord;
    ReadRecordByPointer(table_, source.notePointer, gedcomFile, noteRecord);
    person::CollectNoteLines(noteRecord, FNotes);
}

void TGedcomPerson::LoadSpouses(const std::string& gedcomFile) {
    for (const std::string& familyPointer : FFAMSpointerList) {
        auto entry = std::make_unique<TGedcomPerson>(TPersonKind::pkSpouse, table_);
        std::vector<std::string> family;
        ReadRecordByPointer(table_, familyPointer, gedcomFile, family);

        // The partner keeps the case of the file; the table finds it either way.
        std::string partner;
        for (const std::string& line : family) {
            std::string key = person::LineKey(line);
            if (!person::HasTag(key, "1 HUSB") && !person::HasTag(key, "1 WIFE")) continue;
            std::string candidate = StoredPointer(gedcom::Trim(line));
            if (!IsOwnPointer(candidate)) {
                partner = candidate;
                break;
            }
        }
        entry->LoadByPointer(partner);
        ScanMarriage(family, entry->FMarriageDate, entry->FMarriagePlace);
        for (const std::string& child : AllPointers(family, "1 CHIL")) {
            auto relative = std::make_unique<TGedcomPerson>(TPersonKind::pkRelative, table_);
            relative->LoadByPointer(child);
            entry->FChildren.push_back(std::move(relative));
        }
        FSpouses.push_back(std::move(entry));
    }
}

std::string TGedcomPerson::ExtractPointer(std::string_view line) {
    size_t first = line.find('@');
    if (first == std::string_view::npos) return std::string();
    std::string_view tail = line.substr(first + 1, kPointerReach);
    return std::string(tail.substr(0, tail.find('@')));
}

bool TGedcomPerson::FindPointer(TLookupTable& table, std::string_view pointer) {
    int32_t remembered = table.RecNo();
    // Finding a pointer key in another tag would position the table on an unrelated record.
    bool found = table.SelectTag("POINTER") &&
                 table.FindKey(gedcom::PadToWidth(pointer, gedcom::kPointerKeyWidth));
    if (!found) table.GoTo(remembered);
    table.SelectTag("NAME");  // a failure here only affects later name searches
    return found;
}

void TGedcomPerson::ReadRecordAt(int64_t offset, const std::string& gedcomFile,
                                 std::vector<std::string>& lines) {
    lines.clear();
    if (offset < 0) return;
    const gedcom::TextDecoding decoding = GedcomState().Decoding;
    TLineStream stream(gedcomFile);
    stream.SetPosition(offset);
    std::string scratch;
    while (!stream.EndOfFile()) {
        std::string line(gedcom::DecodeLine(decoding, stream.ReadLine(), scratch));
        // A level-0 line ends the record, also when it is indented: the table builder
        // recognises indented level-0 lines as records of their own.
        if (!lines.empty() && person::HasLevel(line, '0')) break;
        lines.push_back(std::move(line));
    }
}

bool TGedcomPerson::ReadRecordOf(TLookupTable& table, std::string_view pointer,
                                 const std::string& gedcomFile, std::vector<std::string>& lines,
                                 bool mayBeCut) {
    lines.clear();
    if (gedcom::IsBlank(pointer)) return false;
    const std::string key = AnsiUpper(gedcom::PadToWidth(pointer, gedcom::kPointerKeyWidth));
    const bool prefix = mayBeCut && gedcom::TrimRight(pointer).size() == gedcom::kPointerKeyWidth;
    const int32_t remembered = table.RecNo();
    bool candidate = table.SelectTag("POINTER") && table.FindKey(key);
    bool found = false;
    bool changed = false;
    try {
        while (candidate) {
            ReadRecordAt(table.FieldInteger("OFFSET"), gedcomFile, lines);
            if (!lines.empty() && CarriesPointer(lines.front(), pointer, prefix)) {
                found = true;
                break;
            }
            // A record that is not even its own row's (whose 20 characters the row keeps) was
            // moved: the file has changed. One that is its row's has a longer pointer that
            // begins like the one asked for.
            const std::string own = std::string(gedcom::TrimRight(table.FieldText("POINTER")));
            if (lines.empty() || !CarriesPointer(lines.front(), own, own.size() >= gedcom::kPointerKeyWidth)) {
                changed = true;
                break;
            }
            lines.clear();
            candidate = table.Next() &&
                        AnsiUpper(gedcom::PadToWidth(table.FieldText("POINTER"),
                                                     gedcom::kPointerKeyWidth)) == key;
        }
    } catch (...) {
        table.GoTo(remembered);
        table.SelectTag("NAME");
        throw;
    }
    if (!found) {
        lines.clear();
        table.GoTo(remembered);
    }
    table.SelectTag("NAME");  // a failure here only affects later name searches
    if (changed) throw EGedcomFileChanged(gedcomFile);
    return found;
}

void TGedcomPerson::ReadRecordByPointer(TLookupTable& table, std::string_view pointer,
                                        const std::string& gedcomFile,
                                        std::vector<std::string>& lines) {
    ReadRecordOf(table, pointer, gedcomFile, lines);
}

EGedcomFileChanged::EGedcomFileChanged(const std::string& gedcomFile)
    : std::runtime_error(gedcom::NamePart(gedcomFile) +
                         " has changed since its lookup table was built. Rebuild it now?") {}
