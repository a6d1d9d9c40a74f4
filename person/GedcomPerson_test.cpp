#include "person/GedcomPerson.h"

#include <string>
#include <vector>

#include "person/PersonTestFile.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// John Smith: parents, four grandparents, a sister and a brother, two marriages with a child
// each; the second family names the wife first and has two MARR events.
const std::string kFamilyFile = GedcomText({
    "0 HEAD",
    "1 CHAR ANSI",
    "0 @I1@ INDI",
    "1 NAME John /Smith/",
    "1 SEX M",
    "1 BIRT",
    "2 DATE 1 JAN 1900",
    "2 PLAC Leeds",
    "1 DEAT",
    "2 DATE 2 FEB 1970",
    "1 FAMC @F1@",
    "1 FAMS @F2@",
    "1 FAMS @F3@",
    "0 @I2@ INDI",
    "1 NAME Adam /Smith/",
    "1 SEX M",
    "1 FAMC @F4@",
    "1 FAMS @F1@",
    "0 @I3@ INDI",
    "1 NAME Eve /Jones/",
    "1 SEX F",
    "1 FAMC @F5@",
    "1 FAMS @F1@",
    "0 @I4@ INDI",
    "1 NAME Ann /Smith/",
    "1 SEX F",
    "1 BIRT",
    "2 PLAC York",
    "1 FAMC @F1@",
    "0 @I5@ INDI",
    "1 NAME Bob /Smith/",
    "1 FAMC @F1@",
    "0 @I6@ INDI",
    "1 NAME Mary /Brown/",
    "1 SEX F",
    "1 FAMS @F2@",
    "0 @I7@ INDI",
    "1 NAME Kate /Green/",
    "1 FAMS @F3@",
    "0 @I8@ INDI",
    "1 NAME Tom /Smith/",
    "1 FAMC @F2@",
    "0 @I9@ INDI",
    "1 NAME Sue /Smith/",
    "1 FAMC @F3@",
    "0 @I10@ INDI",
    "1 NAME Abel /Smith/",
    "0 @I11@ INDI",
    "1 NAME Ruth /Smith/",
    "0 @I12@ INDI",
    "1 NAME Carl /Jones/",
    "0 @I13@ INDI",
    "1 NAME Dora /Jones/",
    "0 @F1@ FAM",
    "1 HUSB @I2@",
    "1 WIFE @I3@",
    "1 CHIL @I4@",
    "1 CHIL @I1@",
    "1 CHIL @I5@",
    "0 @F2@ FAM",
    "1 HUSB @I1@",
    "1 WIFE @I6@",
    "1 MARR",
    "2 DATE 3 MAR 1925",
    "2 PLAC Hull",
    "1 CHIL @I8@",
    "0 @F3@ FAM",
    "1 WIFE @I7@",
    "1 HUSB @I1@",
    "1 MARR",
    "2 DATE 1950",
    "1 MARR",
    "2 DATE 1960",
    "2 PLAC Elsewhere",
    "1 CHIL @I9@",
    "0 @F4@ FAM",
    "1 HUSB @I10@",
    "1 WIFE @I11@",
    "0 @F5@ FAM",
    "1 HUSB @I12@",
    "1 WIFE @I13@",
    "0 TRLR",
});

void ExpectUnknown(const TGedcomPerson& person, const std::string& label) {
    EXPECT_EQ(person.FRecNo, -1) << label;
    EXPECT_EQ(person.FName, "Unknown") << label;
    EXPECT_TRUE(person.FRawRecord.empty()) << label;
    EXPECT_TRUE(person.FBirthDate.empty()) << label;
    EXPECT_TRUE(person.FSex.empty()) << label;
}

std::vector<std::string> NamesOf(const std::vector<std::unique_ptr<TGedcomPerson>>& people) {
    std::vector<std::string> names;
    for (const auto& person : people) names.push_back(person->Name());
    return names;
}

// --- ExtractPointer ---

TEST(ExtractPointerTest, TakesTextBetweenAtSigns) {
    EXPECT_EQ(TGedcomPerson::ExtractPointer("1 FAMC @F12@"), "F12");
    EXPECT_EQ(TGedcomPerson::ExtractPointer("0 @I1@ INDI"), "I1");
}

TEST(ExtractPointerTest, NoAtSignGivesEmpty) {
    EXPECT_EQ(TGedcomPerson::ExtractPointer("1 NAME John /Smith/"), "");
}

TEST(ExtractPointerTest, SingleAtSignKeepsTail) {
    EXPECT_EQ(TGedcomPerson::ExtractPointer("1 FAMC @F12"), "F12");
}

TEST(ExtractPointerTest, ReachesAtMost99Characters) {
    std::string line = "1 NOTE @" + std::string(120, 'x');
    EXPECT_EQ(TGedcomPerson::ExtractPointer(line), std::string(99, 'x'));
}

// --- FindPointer: the lookup protocol over the table interface ---

// Records every call, answers finds from a fixed key.
class RecordingTable : public TLookupTable {
public:
    int32_t RecNo() const override { return recNo; }
    void GoTo(int32_t r) override {
        calls.push_back("GoTo " + std::to_string(r));
        recNo = r;
    }
    bool SelectTag(std::string_view tag) override {
        calls.push_back("Select " + std::string(tag));
        if (tag == "POINTER") return !pointerFails;
        return !nameFails;
    }
    bool FindKey(std::string_view key) override {
        calls.push_back("Find [" + std::string(key) + "]");
        if (key != knownKey) {
            recNo = 99;  // a failed find leaves the cursor anywhere
            return false;
        }
        recNo = 7;
        return true;
    }
    std::string FieldText(std::string_view) const override { return ""; }
    int64_t FieldInteger(std::string_view) const override { return 0; }
    bool Next() override { return false; }

    int32_t recNo = 3;
    std::string knownKey = "I12                 ";
    bool nameFails = false;
    bool pointerFails = false;
    std::vector<std::string> calls;
};

TEST(FindPointerTest, FoundStaysOnRecordAndReselectsName) {
    RecordingTable table;
    EXPECT_TRUE(TGedcomPerson::FindPointer(table, "I12"));
    EXPECT_EQ(table.recNo, 7);
    EXPECT_EQ(table.calls, (Lines{"Select POINTER", "Find [I12                 ]", "Select NAME"}));
}

TEST(FindPointerTest, NotFoundGoesBackToRememberedRecord) {
    RecordingTable table;
    EXPECT_FALSE(TGedcomPerson::FindPointer(table, "I13"));
    EXPECT_EQ(table.recNo, 3);
    EXPECT_EQ(table.calls,
              (Lines{"Select POINTER", "Find [I13                 ]", "GoTo 3", "Select NAME"}));
}

TEST(FindPointerTest, LongPointerIsCutTo20) {
    RecordingTable table;
    table.knownKey = "ABCDEFGHIJKLMNOPQRST";
    EXPECT_TRUE(TGedcomPerson::FindPointer(table, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
}

// Without the POINTER tag a find would search the NAME tag with a pointer key and could stop
// on an unrelated record.
TEST(FindPointerTest, MissingPointerTagFindsNothing) {
    RecordingTable table;
    table.pointerFails = true;
    EXPECT_FALSE(TGedcomPerson::FindPointer(table, "I12"));
    EXPECT_EQ(table.recNo, 3);
    EXPECT_EQ(table.calls, (Lines{"Select POINTER", "GoTo 3", "Select NAME"}));
}

TEST(FindPointerTest, FailingNameTagIsIgnored) {
    RecordingTable table;
    table.nameFails = true;
    EXPECT_TRUE(TGedcomPerson::FindPointer(table, "I12"));
    EXPECT_EQ(table.recNo, 7);
}

// --- ReadRecordAt / ReadRecordByPointer ---

TEST(ReadRecordTest, RecordEndsBeforeNextLevelZeroLine) {
    TPersonTestFile file(kFamilyFile);
    Lines lines{"left over"};
    TGedcomPerson::ReadRecordByPointer(file.Table(), "I4", file.Path(), lines);
    EXPECT_EQ(lines, (Lines{"0 @I4@ INDI", "1 NAME Ann /Smith/", "1 SEX F", "1 BIRT", "2 PLAC York",
                            "1 FAMC @F1@"}));
}

TEST(ReadRecordTest, LastRecordEndsBeforeTrailer) {
    TPersonTestFile file(kFamilyFile);
    Lines lines;
    TGedcomPerson::ReadRecordByPointer(file.Table(), "F5", file.Path(), lines);
    EXPECT_EQ(lines, (Lines{"0 @F5@ FAM", "1 HUSB @I12@", "1 WIFE @I13@"}));
}

TEST(ReadRecordTest, RecordAtEndOfFileWithoutTrailer) {
    TPersonTestFile file(GedcomText({"0 @I1@ INDI", "1 NAME A /B/", "0 @N1@ NOTE x", "1 CONT y"}));
    Lines lines;
    TGedcomPerson::ReadRecordByPointer(file.Table(), "N1", file.Path(), lines);
    EXPECT_EQ(lines, (Lines{"0 @N1@ NOTE x", "1 CONT y"}));
}

TEST(ReadRecordTest, LinesAreKeptUntrimmed) {
    TPersonTestFile file("0 @I1@ INDI  \r\n1 NAME  A /B/  \r\n0 TRLR\r\n");
    Lines lines;
    TGedcomPerson::ReadRecordAt(0, file.Path(), lines);
    EXPECT_EQ(lines, (Lines{"0 @I1@ INDI  ", "1 NAME  A /B/  "}));
}

TEST(ReadRecordTest, UnknownOrBlankPointerGivesNoLines) {
    TPersonTestFile file(kFamilyFile);
    Lines lines{"left over"};
    TGedcomPerson::ReadRecordByPointer(file.Table(), "F99", file.Path(), lines);
    EXPECT_TRUE(lines.empty());
    lines.push_back("left over");
    TGedcomPerson::ReadRecordByPointer(file.Table(), "  ", file.Path(), lines);
    EXPECT_TRUE(lines.empty());
}

TEST(ReadRecordTest, LinesAreDecodedByTheFilesCharacterSet) {
    // 0x82 is e-acute in code page 437, 0x8E in Mac OS Roman; ANSEL puts the acute (0xE2)
    // before its letter.
    const struct {
        const char* charset;
        const char* name;
    } cases[] = {{"IBMPC", "Ren\x82"}, {"MACINTOSH", "Ren\x8E"}, {"ANSEL", "Ren\xE2" "e"},
                 {"UTF-8", "Ren\xC3\xA9"}, {"ANSI", "Ren\xE9"}, {"UTF-8", "Ren\xE9"}};
    for (const auto& c : cases) {
        const std::string head = std::string("1 CHAR ") + c.charset;
        TPersonTestFile file(GedcomText({"0 HEAD", head.c_str(), "0 @I1@ INDI",
                                         (std::string("1 NAME ") + c.name + " /Roy/").c_str(),
                                         "0 TRLR"}));
        Lines lines;
        TGedcomPerson::ReadRecordByPointer(file.Table(), "I1", file.Path(), lines);
        ASSERT_EQ(lines.size(), 2u) << c.charset;
        EXPECT_EQ(lines[1], "1 NAME René /Roy/") << c.charset << " " << c.name;
    }
}

TEST(ReadRecordTest, MissingFileThrows) {
    Lines lines;
    EXPECT_THROW(TGedcomPerson::ReadRecordAt(0, "/nonexistent/lineatum.ged", lines),
                 std::runtime_error);
}

// --- LoadByPointer: the central person and the relatives ---

class GedcomPersonTest : public ::testing::Test {
protected:
    TPersonTestFile file_{kFamilyFile};
    TGedcomPerson person_{TPersonKind::pkMain, file_.Table()};
};

TEST_F(GedcomPersonTest, LoadsOwnFacts) {
    person_.LoadByPointer("I1");
    EXPECT_EQ(person_.FRecNo, 1);
    EXPECT_EQ(person_.Name(), "Smith, John");
    EXPECT_EQ(person_.FPointer, "I1");
    EXPECT_EQ(person_.FOffset, static_cast<int64_t>(kFamilyFile.find("0 @I1@")));
    EXPECT_EQ(person_.FFamcPointer, "F1");
    EXPECT_EQ(person_.FSex, "M");
    EXPECT_EQ(person_.FBirthDate, "1 JAN 1900");
    EXPECT_EQ(person_.FBirthPlace, "Leeds");
    EXPECT_EQ(person_.FDeathDate, "2 FEB 1970");
    EXPECT_EQ(person_.FDeathPlace, "");
    EXPECT_EQ(person_.FRawRecord.size(), 11u);
    EXPECT_EQ(person_.FFAMSpointerList, (Lines{"F2", "F3"}));
}

TEST_F(GedcomPersonTest, LoadsParentsAndGrandparents) {
    person_.LoadByPointer("I1");
    EXPECT_EQ(person_.FFather->Name(), "Smith, Adam");
    EXPECT_EQ(person_.FMother->Name(), "Jones, Eve");
    EXPECT_EQ(person_.FFather->FKind, TPersonKind::pkParent);
    EXPECT_EQ(person_.FPaternalGrandfather->Name(), "Smith, Abel");
    EXPECT_EQ(person_.FPaternalGrandmother->Name(), "Smith, Ruth");
    EXPECT_EQ(person_.FMaternalGrandfather->Name(), "Jones, Carl");
    EXPECT_EQ(person_.FMaternalGrandmother->Name(), "Jones, Dora");
    EXPECT_EQ(person_.FMaternalGrandmother->FKind, TPersonKind::pkGrandparent);
    // Relatives other than the central person carry only their own facts.
    EXPECT_TRUE(person_.FFather->FSpouses.empty());
    EXPECT_TRUE(person_.FFather->FSiblings.empty());
}

TEST_F(GedcomPersonTest, SiblingsLeaveOutThePersonInChildOrder) {
    person_.LoadByPointer("I1");
    EXPECT_EQ(NamesOf(person_.FSiblings), (Lines{"Smith, Ann", "Smith, Bob"}));
    EXPECT_EQ(person_.Sibling(0).FBirthPlace, "York");
    EXPECT_EQ(person_.Sibling(0).FKind, TPersonKind::pkRelative);
}

TEST_F(GedcomPersonTest, TwoMarriagesInFamsOrderWithTheirChildren) {
    person_.LoadByPointer("I1");
    ASSERT_EQ(person_.SpouseCount(), 2u);
    const TGedcomPerson& first = person_.Spouse(0);
    EXPECT_EQ(first.FKind, TPersonKind::pkSpouse);
    EXPECT_EQ(first.Name(), "Brown, Mary");
    EXPECT_EQ(first.FSex, "F");
    EXPECT_EQ(first.FMarriageDate, "3 MAR 1925");
    EXPECT_EQ(first.FMarriagePlace, "Hull");
    EXPECT_EQ(NamesOf(first.FChildren), (Lines{"Smith, Tom"}));
    // The wife is named before the husband; only the first MARR event counts.
    const TGedcomPerson& second = person_.Spouse(1);
    EXPECT_EQ(second.Name(), "Green, Kate");
    EXPECT_EQ(second.FMarriageDate, "1950");
    EXPECT_EQ(second.FMarriagePlace, "");
    EXPECT_EQ(NamesOf(second.FChildren), (Lines{"Smith, Sue"}));
}

TEST(GedcomPersonEdgeTest, SpouseFamilyListsThePersonAmongChildren) {
    // In a spouse's family no one is left out: Tom's own family lists Tom.
    TPersonTestFile file(GedcomText({"0 @I1@ INDI", "1 NAME A /X/", "1 FAMS @F1@", "0 @F1@ FAM",
                                     "1 HUSB @I1@", "1 CHIL @I1@", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("I1");
    ASSERT_EQ(person.SpouseCount(), 1u);
    EXPECT_EQ(NamesOf(person.Spouse(0).FChildren), (Lines{"X, A"}));
}

TEST_F(GedcomPersonTest, NoFamcGivesSixUnknownAncestors) {
    person_.LoadByPointer("I6");
    EXPECT_EQ(person_.Name(), "Brown, Mary");
    ExpectUnknown(*person_.FFather, "father");
    ExpectUnknown(*person_.FMother, "mother");
    ExpectUnknown(*person_.FPaternalGrandfather, "paternal grandfather");
    ExpectUnknown(*person_.FPaternalGrandmother, "paternal grandmother");
    ExpectUnknown(*person_.FMaternalGrandfather, "maternal grandfather");
    ExpectUnknown(*person_.FMaternalGrandmother, "maternal grandmother");
    EXPECT_TRUE(person_.FSiblings.empty());
}

TEST_F(GedcomPersonTest, BlankOrUnknownPointerGivesUnknownPerson) {
    person_.LoadByPointer("I1");
    person_.LoadByPointer("   ");
    ExpectUnknown(person_, "blank");
    EXPECT_EQ(person_.FPointer, "");
    EXPECT_TRUE(person_.FSpouses.empty());
    ExpectUnknown(*person_.FFather, "father after blank");

    person_.LoadByPointer("I99");
    ExpectUnknown(person_, "unknown");
    EXPECT_EQ(person_.FPointer, "I99");
    EXPECT_EQ(person_.FOffset, -1);
}

TEST_F(GedcomPersonTest, ReloadKeepsAncestorObjectsAndReplacesLists) {
    person_.LoadByPointer("I1");
    const TGedcomPerson* father = person_.FFather.get();
    person_.LoadByPointer("I8");
    EXPECT_EQ(person_.FFather.get(), father);
    EXPECT_EQ(person_.FFather->Name(), "Smith, John");
    EXPECT_EQ(person_.FMother->Name(), "Brown, Mary");
    EXPECT_EQ(person_.FPaternalGrandfather->Name(), "Smith, Adam");
    ExpectUnknown(*person_.FMaternalGrandfather, "Mary has no parents");
    EXPECT_TRUE(person_.FSpouses.empty());
    EXPECT_TRUE(person_.FSiblings.empty());  // Tom is the only child of F2
    EXPECT_TRUE(person_.FFAMSpointerList.empty());
}

TEST_F(GedcomPersonTest, NonMainKindLoadsOnlyOwnFacts) {
    TGedcomPerson relative(TPersonKind::pkRelative, file_.Table());
    relative.LoadByPointer("I1");
    EXPECT_EQ(relative.Name(), "Smith, John");
    EXPECT_EQ(relative.FFamcPointer, "F1");
    EXPECT_EQ(relative.FFather, nullptr);
    EXPECT_TRUE(relative.FSpouses.empty());
    EXPECT_TRUE(relative.FFAMSpointerList.empty());
}

TEST_F(GedcomPersonTest, LoadLeavesTableOnNameTag) {
    person_.LoadByPointer("I1");
    EXPECT_EQ(file_.Table().SelectedTag(), "NAME");
}

TEST_F(GedcomPersonTest, FailingNameTagDoesNotStopALoad) {
    file_.Table().FailNameTag(true);
    person_.LoadByPointer("I1");
    EXPECT_EQ(person_.SpouseCount(), 2u);
    EXPECT_EQ(person_.FMaternalGrandmother->Name(), "Jones, Dora");
}

TEST(GedcomPersonEdgeTest, FamilyWithOnlyAHusband) {
    TPersonTestFile file(GedcomText({
        "0 @I1@ INDI",
        "1 NAME Kid /Doe/",
        "1 FAMC @F1@",
        "0 @I2@ INDI",
        "1 NAME Dad /Doe/",
        "1 FAMC @F2@",
        "0 @I3@ INDI",
        "1 NAME Grandpa /Doe/",
        "0 @F1@ FAM",
        "1 HUSB @I2@",
        "1 CHIL @I1@",
        "0 @F2@ FAM",
        "1 HUSB @I3@",
        "1 CHIL @I2@",
        "0 TRLR",
    }));
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("I1");
    EXPECT_EQ(person.FFather->Name(), "Doe, Dad");
    ExpectUnknown(*person.FMother, "mother");
    EXPECT_EQ(person.FPaternalGrandfather->Name(), "Doe, Grandpa");
    ExpectUnknown(*person.FPaternalGrandmother, "paternal grandmother");
    ExpectUnknown(*person.FMaternalGrandfather, "maternal grandfather");
    ExpectUnknown(*person.FMaternalGrandmother, "maternal grandmother");
    EXPECT_TRUE(person.FSiblings.empty());
}

TEST(GedcomPersonEdgeTest, FamsFamilyWithoutOtherPartner) {
    TPersonTestFile file(GedcomText({
        "0 @I1@ INDI",
        "1 NAME Mum /Roe/",
        "1 FAMS @F1@",
        "0 @I2@ INDI",
        "1 NAME Kid /Roe/",
        "0 @F1@ FAM",
        "1 WIFE @I1@",
        "1 CHIL @I2@",
        "1 MARR",
        "2 PLAC Bath",
        "0 TRLR",
    }));
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("I1");
    ASSERT_EQ(person.SpouseCount(), 1u);
    const TGedcomPerson& spouse = person.Spouse(0);
    EXPECT_EQ(spouse.FName, "Unknown");
    EXPECT_EQ(spouse.FRecNo, -1);
    EXPECT_EQ(spouse.FPointer, "");
    EXPECT_EQ(spouse.FMarriagePlace, "Bath");
    EXPECT_EQ(NamesOf(spouse.FChildren), (Lines{"Roe, Kid"}));
}

TEST(GedcomPersonEdgeTest, UnknownFamsFamilyGivesUnknownSpouseWithoutChildren) {
    TPersonTestFile file(GedcomText({"0 @I1@ INDI", "1 NAME A /B/", "1 FAMS @F9@", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("I1");
    ASSERT_EQ(person.SpouseCount(), 1u);
    EXPECT_EQ(person.Spouse(0).FName, "Unknown");
    EXPECT_TRUE(person.Spouse(0).FChildren.empty());
}

// Identifiers written in mixed and lower case; family lines are upper-cased before the lookup.
// clang-format off
const std::string kMixedCaseFile = GedcomText({
    "0 @Ia@ INDI", "1 NAME Ann /Case/", "1 FAMC @fam1@", "1 FAMS @fam2@",
    "0 @Ib@ INDI", "1 NAME Bill /Case/", "1 FAMS @fam1@",
    "0 @Ic@ INDI", "1 NAME Cy /Case/", "1 FAMC @fam1@",
    "0 @Id@ INDI", "1 NAME Don /Dee/", "1 FAMS @fam2@",
    "0 @fam1@ FAM", "1 HUSB @Ib@", "1 CHIL @Ia@", "1 CHIL @Ic@",
    "0 @fam2@ FAM", "1 HUSB @Id@", "1 WIFE @Ia@",
    "0 TRLR",
});
// clang-format on

TEST(GedcomPersonEdgeTest, UpperCasedPointersFindLowerCaseIdentifiers) {
    TPersonTestFile file(kMixedCaseFile);
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("IA");
    EXPECT_EQ(person.Name(), "Case, Ann");
    EXPECT_EQ(person.FFamcPointer, "FAM1");
    EXPECT_EQ(person.FFather->Name(), "Case, Bill");
    EXPECT_EQ(NamesOf(person.FSiblings), (Lines{"Case, Cy"}));
    ASSERT_EQ(person.SpouseCount(), 1u);
    EXPECT_EQ(person.Spouse(0).Name(), "Dee, Don");
}

// Bug: a person loaded with the identifier as the file spells it ("Ia", as the POINTER field
// holds it) was listed as its own sibling, because the upper-cased CHIL pointer "IA" was
// compared with case.
TEST(GedcomPersonEdgeTest, PersonLoadedInFileCaseIsNotItsOwnSibling) {
    TPersonTestFile file(kMixedCaseFile);
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("Ia");
    EXPECT_EQ(NamesOf(person.FSiblings), (Lines{"Case, Cy"}));
}

// Bug: the same person, when its family line spells the pointer in another case, was taken
// for its own spouse.
TEST(GedcomPersonEdgeTest, PersonIsNotItsOwnSpouseWhateverTheCase) {
    TPersonTestFile file(GedcomText({
        "0 @Ia@ INDI",
        "1 NAME Ann /Case/",
        "1 FAMS @F1@",
        "0 @Ib@ INDI",
        "1 NAME Bob /Case/",
        "0 @F1@ FAM",
        "1 WIFE @IA@",
        "1 HUSB @Ib@",
        "0 TRLR",
    }));
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer("Ia");
    ASSERT_EQ(person.SpouseCount(), 1u);
    EXPECT_EQ(person.Spouse(0).Name(), "Case, Bob");
}

// --- Vital facts ---

TEST(VitalFactsTest, LastBirthBlockWins) {
    TPersonTestFile file(GedcomText({"0 @I1@ INDI", "1 BIRT", "2 DATE 1900", "2 PLAC Old", "1 BIRT",
                                     "2 DATE 1901", "1 DEAT", "2 PLAC Rome", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    person.LoadByPointer("I1");
    EXPECT_EQ(person.FBirthDate, "1901");
    EXPECT_EQ(person.FBirthPlace, "Old");
    EXPECT_EQ(person.FDeathDate, "");
    EXPECT_EQ(person.FDeathPlace, "Rome");
}

TEST(VitalFactsTest, OtherEventsAndDeeperLinesAreIgnored) {
    TPersonTestFile file(
        GedcomText({"0 @I1@ INDI", "1 CHAN", "2 DATE 8 FEB 2021", "1 BIRT", "2 SOUR @S1@",
                    "3 DATE 1800", "2 DATE  5 MAY 1850 ", "1 BURI", "2 DATE 1900", "2 PLAC Grave",
                    "1 DEAT Y", "2 DATE 1899", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    person.LoadByPointer("I1");
    EXPECT_EQ(person.FBirthDate, "5 MAY 1850");
    EXPECT_EQ(person.FBirthPlace, "");
    EXPECT_EQ(person.FDeathDate, "1899");
    EXPECT_EQ(person.FDeathPlace, "");
}

TEST(VitalFactsTest, SexIsUpperCasedAndMayBeEmpty) {
    TPersonTestFile file(
        GedcomText({"0 @I1@ INDI", "1 SEX f", "0 @I2@ INDI", "1 SEX", "0 @I3@ INDI", "1 SEX   ",
                    "0 @I4@ INDI", "1 SEX U", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    person.LoadByPointer("I1");
    EXPECT_EQ(person.FSex, "F");
    person.LoadByPointer("I2");
    EXPECT_EQ(person.FSex, "");
    person.LoadByPointer("I3");
    EXPECT_EQ(person.FSex, "");
    person.LoadByPointer("I4");
    EXPECT_EQ(person.FSex, "U");
}

TEST(VitalFactsTest, LongDateAndPlaceAreCut) {
    std::string date = "2 DATE " + std::string(120, 'd');
    std::string place = "2 PLAC " + std::string(200, 'p');
    TPersonTestFile file(
        GedcomText({"0 @I1@ INDI", "1 BIRT", date.c_str(), place.c_str(), "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    person.LoadByPointer("I1");
    // The value starts with the blank after the tag, which trimming removes.
    EXPECT_EQ(person.FBirthDate, std::string(99, 'd'));
    EXPECT_EQ(person.FBirthPlace, std::string(149, 'p'));
}

// Bug: values were taken from the 7th character of the untrimmed line, so indented lines
// (which the table builder accepts) gave garbled dates, and an indented level-0 line did not
// end the record before it.
TEST(VitalFactsTest, IndentedLinesGiveTheirValues) {
    TPersonTestFile file(GedcomText({"0 @I1@ INDI", "  1 SEX M", "  1 BIRT", "    2 DATE 1900",
                                     "  1 FAMC @F1@", "  0 @F1@ FAM", "  1 CHIL @I2@", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    person.LoadByPointer("I1");
    EXPECT_EQ(person.FSex, "M");
    EXPECT_EQ(person.FBirthDate, "1900");
    EXPECT_EQ(person.FRawRecord.size(), 5u);
}

// Pointers longer than the table's 20 characters that share their first 20 have equal keys;
// each still finds its own record, and the table's 20 characters find the first of them.
TEST(GedcomPersonEdgeTest, LongPointersThatShareTheirFirstTwentyCharactersFindTheirOwnRecords) {
    const std::string stem = "PERSON_WITH_A_LONG_POINTER_";
    TPersonTestFile file(GedcomText({"0 HEAD", ("0 @" + stem + "1@ INDI").c_str(), "1 NAME Ann /Lee/",
                                     ("0 @" + stem + "2@ INDI").c_str(), "1 NAME Bo /Day/",
                                     ("0 @" + stem + "22@ INDI").c_str(), "1 NAME Cy /Fox/",
                                     "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    for (const auto& [suffix, name] : {std::pair{"2", "Day, Bo"}, {"1", "Lee, Ann"}, {"22", "Fox, Cy"}}) {
        person.LoadByPointer(stem + suffix);
        EXPECT_EQ(person.Name(), name) << suffix;
        EXPECT_EQ(person.FPointer, stem + suffix);
    }
    // Letter case is ignored, as the POINTER tag ignores it.
    person.LoadByPointer("person_with_a_long_pointer_2");
    EXPECT_EQ(person.Name(), "Day, Bo");
    // The master table keeps 20 characters: they find the first record that begins with them.
    person.LoadByPointer(stem.substr(0, 20), true);
    EXPECT_EQ(person.Name(), "Lee, Ann");
    EXPECT_EQ(person.FPointer, stem + "1");
    // Without `mayBeCut`, 20 characters are a pointer of their own, which no record has.
    person.LoadByPointer(stem.substr(0, 20));
    EXPECT_FALSE(person.Known());
}

}  // namespace

namespace {

// A person is shown with the name the file writes, composed by the table's name rule from the
// record's last NAME line; the table keeps its Windows-1252 form for searches. Pointers that
// are not ASCII reach their records through that form too.
TEST(ShownNameTest, TheFilesOwnNameBesideTheStoredOne) {
    const std::string longGiven = std::string(60, 'x') + "ďěčřžýáíé";  // 69 letters
    TPersonTestFile file(GedcomText(
        {"0 HEAD", "1 CHAR UTF-8", "0 @I1@ INDI", "1 NAME Antonín /Dvořák/", "1 FAMS @Fé@",
         "0 @I2@ INDI", "1 NAME First /Name/", "1 NAME Cher", "1 FAMS @Fé@",
         "0 @I3@ INDI", ("1 NAME " + longGiven + " /Ž/").c_str(), "0 @Fé@ FAM", "1 HUSB @I1@",
         "1 WIFE @I2@", "1 CHIL @I3@", "0 TRLR"}));
    TGedcomPerson p(TPersonKind::pkMain, file.Table());
    p.LoadByPointer("I1");
    EXPECT_EQ(p.Name(), "Dvořák, Antonín");
    EXPECT_EQ(p.StoredName(), "Dvor\xE1k, Anton\xEDn");
    ASSERT_EQ(p.SpouseCount(), 1u);
    EXPECT_EQ(p.Spouse(0).Name(), ", Cher");  // the last NAME line, without slashes
    ASSERT_EQ(p.Spouse(0).ChildCount(), 1u);
    // Cut to 70 characters, not bytes: "Ž, " and 67 of the given names' letters.
    EXPECT_EQ(p.Spouse(0).Child(0).Name(), "Ž, " + std::string(60, 'x') + "ďěčřžýá");
    EXPECT_EQ(p.Spouse(0).Child(0).StoredName(), "Z, " + std::string(60, 'x') + "decrz\xFD\xE1");
}

}  // namespace
