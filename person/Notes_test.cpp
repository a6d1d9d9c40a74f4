#include "person/Notes.h"

#include <string>
#include <vector>

#include "person/GedcomPerson.h"
#include "person/PersonTestFile.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

Lines NotesOf(const std::string& gedcom, const char* pointer) {
    TPersonTestFile file(gedcom);
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer(pointer);
    return person.FNotes;
}

TEST(NotesTest, InlineNoteWithContinuationsGivesOneLineEach) {
    Lines notes = NotesOf(GedcomText({"0 @I1@ INDI", "1 NOTE First line ", "2 CONT second",
                                      "2 CONC  third part", "2 CONT", "1 SEX M", "0 TRLR"}),
                          "I1");
    EXPECT_EQ(notes, (Lines{"First line", "second", "third part", ""}));
}

TEST(NotesTest, NoteLineWithoutTextGivesOneEmptyLine) {
    EXPECT_EQ(NotesOf(GedcomText({"0 @I1@ INDI", "1 NOTE", "0 TRLR"}), "I1"), (Lines{""}));
}

TEST(NotesTest, NoNoteLineGivesNoNotes) {
    EXPECT_TRUE(
        NotesOf(GedcomText({"0 @I1@ INDI", "1 SEX M", "2 CONT stray", "0 TRLR"}), "I1").empty());
}

TEST(NotesTest, EveryInlineNoteAndContinuationOfTheRecordCounts) {
    Lines notes =
        NotesOf(GedcomText({"0 @I1@ INDI", "1 ADDR Main St", "2 CONT Springfield", "1 NOTE one",
                            "1 NOTE two", "2 CONT two b", "3 CONT deep", "0 TRLR"}),
                "I1");
    // Continuations are collected wherever they are; level 3 is not.
    EXPECT_EQ(notes, (Lines{"Springfield", "one", "two", "two b"}));
}

TEST(NotesTest, NoteRecordReplacesInlineNotes) {
    Lines notes = NotesOf(GedcomText({"0 @I1@ INDI", "1 NOTE @n1@", "1 NOTE inline text",
                                      "0 @N1@ NOTE Heading text", "1 CONC more", "1 CONT",
                                      "1 CONT last", "1 CHAN", "2 DATE 1 JAN 2000", "0 TRLR"}),
                          "I1");
    EXPECT_EQ(notes, (Lines{"Heading text", "more", "", "last"}));
}

TEST(NotesTest, NoteRecordWithoutHeadingText) {
    Lines notes = NotesOf(
        GedcomText({"0 @I1@ INDI", "1 NOTE @N1@", "0 @N1@ NOTE", "1 CONC Only", "0 TRLR"}), "I1");
    EXPECT_EQ(notes, (Lines{"Only"}));
}

TEST(NotesTest, HeadingKeepsItsCase) {
    Lines lines{"0 @N7@ note Mixed Case text"};
    Lines notes;
    person::CollectNoteLines(lines, notes);
    EXPECT_EQ(notes, (Lines{"Mixed Case text"}));
}

TEST(NotesTest, UnknownNoteRecordGivesNoNotes) {
    EXPECT_TRUE(NotesOf(GedcomText({"0 @I1@ INDI", "1 NOTE @N9@", "0 TRLR"}), "I1").empty());
}

TEST(NotesTest, OnlyTheFirstNoteDecides) {
    // An inline first note: a later pointer is not followed and shows as its text.
    Lines notes = NotesOf(
        GedcomText({"0 @I1@ INDI", "1 NOTE text", "1 NOTE @N1@", "0 @N1@ NOTE record", "0 TRLR"}),
        "I1");
    EXPECT_EQ(notes, (Lines{"text", "@N1@"}));
}

TEST(NotesTest, LongLinesAreCutTo250) {
    std::string note = "1 NOTE " + std::string(300, 'n');
    Lines notes = NotesOf(GedcomText({"0 @I1@ INDI", note.c_str(), "0 TRLR"}), "I1");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], std::string(249, 'n'));
}

// Bug: an inline note whose text held "@N" anywhere (an e-mail address such as
// "smith@newmail.com") was taken for a note-record pointer, and the whole note vanished.
TEST(NotesTest, AtSignInsideInlineTextIsNoPointer) {
    Lines notes = NotesOf(
        GedcomText({"0 @I1@ INDI", "1 NOTE Write to smith@newmail.com", "2 CONT soon", "0 TRLR"}),
        "I1");
    EXPECT_EQ(notes, (Lines{"Write to smith@newmail.com", "soon"}));
}

// Bug: the text of a note record was taken after the first "NOTE" of its line, which may lie
// inside the pointer itself.
TEST(NotesTest, NoteWordInsidePointerIsNotTheTag) {
    Lines lines{"0 @NOTE1@ NOTE The text"};
    Lines notes;
    person::CollectNoteLines(lines, notes);
    EXPECT_EQ(notes, (Lines{"The text"}));
}

TEST(NoteSourceTest, FirstNoteLineDecides) {
    person::TNoteSource none = person::FindNoteSource({"0 @I1@ INDI", "1 SEX M"});
    EXPECT_FALSE(none.hasNotes);
    person::TNoteSource record = person::FindNoteSource({"0 @I1@ INDI", " 1 note  @n12@ "});
    EXPECT_TRUE(record.hasNotes);
    EXPECT_EQ(record.notePointer, "N12");
    person::TNoteSource inlineNote = person::FindNoteSource({"1 NOTE Hi", "1 NOTE @N1@"});
    EXPECT_TRUE(inlineNote.hasNotes);
    EXPECT_EQ(inlineNote.notePointer, "");
}

}  // namespace
