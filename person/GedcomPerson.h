// TGedcomPerson: one individual of the open GEDCOM file with the facts the views show and, for
// the person in the centre of the main window, the relatives around it. Also the record access
// routines shared with the record browser: ExtractPointer, FindPointer, ReadRecordAt and
// ReadRecordByPointer.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "person/LookupTable.h"

// Thrown when the record at the offset the lookup table stores is not the record the table
// names: the GEDCOM file has changed since its lookup table was built. what() is the question
// the viewer asks: "FILE has changed since its lookup table was built. Rebuild it now?".
class EGedcomFileChanged : public std::runtime_error {
public:
    explicit EGedcomFileChanged(const std::string& gedcomFile);
};

// What a person object assembles around itself when it is loaded. Fixed at creation.
enum class TPersonKind : uint8_t {
    pkMain = 0,         // the person shown: own facts, notes, six ancestors, siblings, spouses
    pkParent = 1,       // FFather, FMother: own facts
    pkGrandparent = 2,  // the four grandparents: own facts
    pkRelative = 3,     // siblings and children: own facts
    pkSpouse = 4,       // one entry per "1 FAMS" family: own facts, marriage facts, FChildren
};

// A person is found through the lookup table's POINTER tag; its one record is read from the
// GEDCOM file (GedcomState().CurrentGedcomPath) at the byte offset the table stores. The whole
// GEDCOM file is never held in memory.
//
// Ownership: a pkMain person creates its six ancestor objects once, in the constructor, and
// reloads them on every load; they are never replaced or null. It owns the entries of
// FSpouses and FSiblings, and a pkSpouse entry owns the entries of FChildren; those entries
// are freed by the next Reset (every LoadByPointer starts with one), so callers must not keep
// pointers to them across loads. The lookup table is not owned and must outlive the person.
//
// The F fields are published for reading; only the model writes them. After a load, a person
// that is not known (blank pointer, or pointer not in the table) has FRecNo -1, FName
// "Unknown", empty facts and an empty raw record.
//
// Not thread-safe: used on the user-interface thread. A load moves the lookup table's cursor
// (it stays on the last record found); callers that need a position set it again.
class TGedcomPerson {
public:
    TGedcomPerson(TPersonKind kind, TLookupTable& table);
    ~TGedcomPerson();
    TGedcomPerson(const TGedcomPerson&) = delete;
    TGedcomPerson& operator=(const TGedcomPerson&) = delete;

    // Back to the unknown state: record number -1, name "Unknown", no pointer, offset -1, no
    // facts, empty raw record. A pkMain person also resets its six ancestors, frees its spouse
    // and sibling entries and clears its FAMS list and notes; a pkSpouse entry frees its
    // children.
    void Reset();

    // Loads the person whose pointer (without at-signs, in the table's Windows-1252 as every
    // pointer the model passes around) is `pointer` and, by kind, the relatives, each record
    // found by ReadRecordOf. With `mayBeCut` the pointer may be the table's 20 characters of
    // a longer one (the POINTER field, the master table's LASTUSED): a record whose pointer
    // begins with it will do. A blank or unknown pointer leaves the person unknown, without
    // any report. Throws EGedcomFileChanged when a record is not where the table says, and
    // std::runtime_error when the GEDCOM file cannot be opened or read; the person is then
    // partly loaded. REQUIRES: GedcomState().CurrentGedcomPath names the file that the lookup
    // table was built from.
    void LoadByPointer(std::string_view pointer, bool mayBeCut = false);

    // True when the person was found in the lookup table.
    bool Known() const { return FRecNo > 0; }
    // The name as every view displays it: FName blank-trimmed ("Surname, Given names").
    std::string Name() const;
    // The name as the lookup table stores it: FStoredName blank-trimmed (Windows-1252).
    std::string StoredName() const;
    // The pointer blank-trimmed (FPointer without its padding).
    std::string Pointer() const;

    size_t SpouseCount() const { return FSpouses.size(); }
    const TGedcomPerson& Spouse(size_t index) const { return *FSpouses.at(index); }
    size_t SiblingCount() const { return FSiblings.size(); }
    const TGedcomPerson& Sibling(size_t index) const { return *FSiblings.at(index); }
    size_t ChildCount() const { return FChildren.size(); }
    const TGedcomPerson& Child(size_t index) const { return *FChildren.at(index); }

    // --- Record access, shared with the record browser. ---

    // The text after the first "@" of `line` (at most 99 characters), cut before the next "@"
    // when there is one; with a single "@" the whole tail is kept. Empty when `line` holds no
    // "@". "1 FAMC @F12@" gives "F12".
    static std::string ExtractPointer(std::string_view line);

    // Positions `table` on the record whose POINTER key equals `pointer` (left-justified,
    // blank-padded and cut to 20 characters). Returns true when found; otherwise the table
    // goes back to the record it was on and the result is false. The tag NAME is selected
    // again in both cases (a failure to do so is ignored).
    static bool FindPointer(TLookupTable& table, std::string_view pointer);

    // Fills `lines` with the record that starts at byte `offset` of `gedcomFile`: its first
    // line and every following line up to, not including, the next line whose first
    // non-blank character is "0" (or the end of the file). Lines are decoded to UTF-8 by
    // GedcomState().Decoding, otherwise kept as read. A negative offset gives no
    // lines. Opens the file anew for every call; throws std::runtime_error when it cannot be
    // opened or read.
    static void ReadRecordAt(int64_t offset, const std::string& gedcomFile,
                             std::vector<std::string>& lines);

    // Reads into `lines` the record of `pointer` (the table's form, any length): among the rows
    // whose POINTER key is `pointer` (cut and padded to 20 characters, letter case ignored),
    // the first whose record's level-0 line carries the whole pointer, letter case ignored
    // (family lines upper-case the pointers they name); with `mayBeCut` and a pointer of
    // exactly 20 characters, one whose pointer begins with it. Checking costs no read: the
    // record is read anyway. Returns true and leaves the table on that row; returns false
    // with no lines, and the table back on its record, when no row's record carries it (no
    // row has the key, or the rows that have it are longer pointers' own). Either way
    // the NAME tag is selected again. Throws EGedcomFileChanged (the table back on its
    // record) when a row with the key has a record that is not even its own (whose pointer
    // does not begin with the row's POINTER): records have moved.
    static bool ReadRecordOf(TLookupTable& table, std::string_view pointer,
                             const std::string& gedcomFile, std::vector<std::string>& lines,
                             bool mayBeCut = false);

    // Clears `lines`, then ReadRecordOf. A blank or unknown pointer gives no lines.
    static void ReadRecordByPointer(TLookupTable& table, std::string_view pointer,
                                    const std::string& gedcomFile, std::vector<std::string>& lines);

    // --- Published fields. ---

    const TPersonKind FKind;
    int32_t FRecNo = -1;
    // The name the record's last "1 NAME" line gives by the table's name rule, as the file has
    // it (UTF-8, at most 70 characters); the stored name when the record has none. "Unknown"
    // when not found.
    std::string FName;
    std::string FStoredName;   // the table's NAME field as stored; "Unknown" when not found
    // The whole pointer as the record's level-0 line has it; the pointer asked for when not
    // found; empty after a reset.
    std::string FPointer;
    int64_t FOffset = -1;      // byte offset of the level-0 line in the GEDCOM file
    std::string FFamcPointer;  // first "1 FAMC" pointer, letters a to z upper-cased
    std::vector<std::string> FFAMSpointerList;  // pkMain: every "1 FAMS" pointer, in order
    std::vector<std::string> FNotes;            // pkMain: note lines, at most 250 characters
    std::vector<std::string> FRawRecord;        // the record's lines as read
    std::string FSex;                           // one upper-case character, or empty
    std::string FBirthDate;
    std::string FBirthPlace;
    std::string FDeathDate;
    std::string FDeathPlace;
    std::string FMarriageDate;   // pkSpouse: first MARR event of the family
    std::string FMarriagePlace;  // pkSpouse

    // pkMain only (null for the other kinds); pkParent and pkGrandparent respectively.
    std::unique_ptr<TGedcomPerson> FFather;
    std::unique_ptr<TGedcomPerson> FMother;
    std::unique_ptr<TGedcomPerson> FPaternalGrandfather;
    std::unique_ptr<TGedcomPerson> FPaternalGrandmother;
    std::unique_ptr<TGedcomPerson> FMaternalGrandfather;
    std::unique_ptr<TGedcomPerson> FMaternalGrandmother;

    std::vector<std::unique_ptr<TGedcomPerson>> FSpouses;   // pkMain: pkSpouse entries
    std::vector<std::unique_ptr<TGedcomPerson>> FSiblings;  // pkMain: pkRelative entries
    std::vector<std::unique_ptr<TGedcomPerson>> FChildren;  // pkSpouse: pkRelative entries

private:
    void ScanVitalFacts();
    void LoadParentsAndSiblings(const std::string& gedcomFile);
    void LoadGrandparents(const TGedcomPerson& parent, TGedcomPerson& grandfather,
                          TGedcomPerson& grandmother, const std::string& gedcomFile);
    void LoadNotes(const std::string& gedcomFile);
    void LoadSpouses(const std::string& gedcomFile);
    bool IsOwnPointer(std::string_view pointer) const;

    TLookupTable& table_;
};
