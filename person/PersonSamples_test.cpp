// The person model on public GEDCOM samples. Every expectation below was written by reading the
// sample file itself.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "person/GedcomPerson.h"
#include "person/Narrative.h"
#include "person/PersonTestFile.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

std::string SamplePath(const std::string& name) {
    return std::string(LINEATUM_SAMPLES_DIR) + "/" + name;
}

#define REQUIRE_SAMPLE(name) \
    ASSERT_TRUE(std::filesystem::exists(SamplePath(name))) << name << " missing from the test data"

std::vector<std::string> NamesOf(const std::vector<std::unique_ptr<TGedcomPerson>>& people) {
    std::vector<std::string> names;
    for (const auto& person : people) names.push_back(person->Name());
    return names;
}

std::vector<std::string> PointersOf(const std::vector<std::unique_ptr<TGedcomPerson>>& people) {
    std::vector<std::string> pointers;
    for (const auto& person : people) pointers.push_back(person->Pointer());
    return pointers;
}

// --- royal92.ged: Ernest Louis of Hesse (I83), grandson of Queen Victoria ---

class Royal92Test : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_SAMPLE("royal92.ged");
        file_ = std::make_unique<TPersonTestFile>(SamplePath("royal92.ged"), nullptr);
        person_ = std::make_unique<TGedcomPerson>(TPersonKind::pkMain, file_->Table());
        person_->LoadByPointer("I83");
    }
    std::unique_ptr<TPersonTestFile> file_;
    std::unique_ptr<TGedcomPerson> person_;
};

TEST_F(Royal92Test, OwnRecordAndFacts) {
    const TGedcomPerson& p = *person_;
    // "1 NAME Ernest Louis of_Hesse//": the surname is empty.
    EXPECT_EQ(p.Name(), ", Ernest Louis of_Hesse");
    EXPECT_EQ(
        p.FOffset,
        static_cast<int64_t>(ReadFileBytes(SamplePath("royal92.ged")).find("\r\n0 @I83@ ")) + 2);
    EXPECT_EQ(p.FRawRecord,
              (Lines{"0 @I83@ INDI", "1 NAME Ernest Louis of_Hesse//", "1 TITL Grand Duke",
                     "1 SEX M", "1 BIRT", "2 DATE        1868", "1 DEAT", "2 DATE        1937",
                     "1 FAMS @F49@", "1 FAMS @F157@", "1 FAMC @F8@"}));
    EXPECT_EQ(p.FSex, "M");
    EXPECT_EQ(p.FBirthDate, "1868");
    EXPECT_EQ(p.FDeathDate, "1937");
    EXPECT_EQ(p.FFamcPointer, "F8");
    EXPECT_EQ(p.FFAMSpointerList, (Lines{"F49", "F157"}));
    EXPECT_TRUE(p.FNotes.empty());
}

TEST_F(Royal92Test, ParentsAndGrandparents) {
    const TGedcomPerson& p = *person_;
    EXPECT_EQ(p.FFather->Name(), ", Louis_IV of_Hesse");
    EXPECT_EQ(p.FMother->Name(), ", Alice Maud Mary");
    EXPECT_EQ(p.FMother->FBirthPlace, "Buckingham,Palace,London,England");
    EXPECT_EQ(p.FPaternalGrandfather->Name(), ", Charles of_Hesse");
    EXPECT_EQ(p.FPaternalGrandmother->Name(), ", Elizabeth of_Prussia");
    EXPECT_EQ(p.FMaternalGrandfather->Name(), ", Albert Augustus Charles");
    EXPECT_EQ(p.FMaternalGrandmother->Name(), "Hanover, Victoria");
    EXPECT_EQ(p.FMaternalGrandmother->FDeathDate, "22 JAN 1901");
    EXPECT_EQ(p.FMaternalGrandmother->FDeathPlace, "Osborne House,Isle of Wight,England");
}

TEST_F(Royal92Test, SiblingsInChildOrderWithoutThePerson) {
    EXPECT_EQ(PointersOf(person_->FSiblings), (Lines{"I38", "I84", "I79", "I86", "I39", "I85"}));
    EXPECT_EQ(NamesOf(person_->FSiblings),
              (Lines{", Victoria Alberta of_Hesse", ", Elizabeth \"Ella\"", ", Irene of_Hesse",
                     ", Frederick", ", Alexandra Fedorovna \"Alix\"", ", Mary \"May\""}));
}

TEST_F(Royal92Test, TwoMarriagesWithTheirChildren) {
    const TGedcomPerson& p = *person_;
    ASSERT_EQ(p.SpouseCount(), 2u);
    EXPECT_EQ(p.Spouse(0).Name(), ", Victoria Melita of_Edinburgh");
    EXPECT_EQ(p.Spouse(0).FMarriageDate, "1894");
    EXPECT_EQ(p.Spouse(0).FMarriagePlace, "");
    EXPECT_TRUE(p.Spouse(0).FChildren.empty());
    EXPECT_EQ(p.Spouse(1).Name(), ", Eleonore of_Solms- Hohensolms-Lich");
    EXPECT_EQ(p.Spouse(1).FMarriageDate, "1905");
    EXPECT_EQ(NamesOf(p.Spouse(1).FChildren), (Lines{", George Donatus of_Hesse", ", Louis"}));
}

TEST_F(Royal92Test, Narrative) {
    Lines lines;
    BuildNarrative(*person_, lines);
    EXPECT_EQ(
        lines,
        (Lines{
            "Ernest Louis of_Hesse . Born 1868 . Died 1937 . He was the son of Louis_IV "
            "of_Hesse  and Alice Maud Mary . ",
            "",
            "He married Victoria Melita of_Edinburgh  1894. Born 1876 Malta. Died 1936 . ",
            "",
            "He married Eleonore of_Solms- Hohensolms-Lich  1905. Born 1871 . Died 1937 . "
            "Children of Ernest Louis of_Hesse  and Eleonore of_Solms- Hohensolms-Lich  are:",
            "",
            "1. George Donatus of_Hesse . Born 1906 . Died 1937 . ",
            "2. Louis . Born 1908 . Died 1968 . ",
            "",
            "",
            "Siblings of Ernest Louis of_Hesse ",
            "",
            "1. Victoria Alberta of_Hesse . Born 1863 . Died 1950 . ",
            "2. Elizabeth \"Ella\" . Born 1864 . Died 17 JUL 1918 Alapayevsk,Ural Mts.,,Russia. ",
            "3. Irene of_Hesse . Born 1866 . Died 1953 . ",
            "4. Frederick . Born 1870 . Died 1873 . ",
            "5. Alexandra Fedorovna \"Alix\" . Born 6 JUN 1872 Darmstadt,,,Germany. Died 16 JUL "
            "1918 Ekaterinburg,,,Russia. ",
            "6. Mary \"May\" . Born 1874 . Died 1878 Hesse-Darmstadt,Palace,,Germany. ",
        }));
}

TEST_F(Royal92Test, PersonWithoutParentsFamily) {
    // Eleonore (I460) has no FAMC line.
    person_->LoadByPointer("I460");
    EXPECT_EQ(person_->Name(), ", Eleonore of_Solms- Hohensolms-Lich");
    for (const TGedcomPerson* ancestor :
         {person_->FFather.get(), person_->FMother.get(), person_->FPaternalGrandfather.get(),
          person_->FPaternalGrandmother.get(), person_->FMaternalGrandfather.get(),
          person_->FMaternalGrandmother.get()}) {
        EXPECT_EQ(ancestor->FName, "Unknown");
        EXPECT_EQ(ancestor->FRecNo, -1);
    }
    ASSERT_EQ(person_->SpouseCount(), 1u);
    EXPECT_EQ(person_->Spouse(0).Name(), ", Ernest Louis of_Hesse");
    EXPECT_EQ(NamesOf(person_->Spouse(0).FChildren),
              (Lines{", George Donatus of_Hesse", ", Louis"}));
}

// --- kennedy.ged: Kathleen "Kick" Kennedy (I107) ---

TEST(KennedyTest, KathleenWithFamilyAndInlineNotes) {
    REQUIRE_SAMPLE("kennedy.ged");
    TPersonTestFile file(SamplePath("kennedy.ged"), nullptr);
    TGedcomPerson p(TPersonKind::pkMain, file.Table());
    p.LoadByPointer("I107");
    EXPECT_EQ(p.Name(), "Kennedy, Kathleen \"Kick\"");
    EXPECT_EQ(p.FSex, "F");
    EXPECT_EQ(p.FBirthDate, "20 FEB 1920");
    EXPECT_EQ(p.FBirthPlace, "Brookline, , Norfolk County, MA, USA");
    EXPECT_EQ(p.FDeathDate, "13 MAY 1948");
    EXPECT_EQ(p.FDeathPlace, "Saint-Bauzile, , , Ardeche, France");
    EXPECT_EQ(p.FRawRecord.size(), 50u);
    EXPECT_EQ(p.FRawRecord.back(), "2 CONT killing all aboard.");

    EXPECT_EQ(p.FFather->Name(), "Kennedy, Joseph Patrick");
    EXPECT_EQ(p.FMother->Name(), "Fitzgerald, Rose Elizabeth");
    EXPECT_EQ(p.FPaternalGrandfather->Name(), "Kennedy, Patrick Joseph");
    EXPECT_EQ(p.FPaternalGrandmother->Name(), "Hickey, Mary Augusta");
    EXPECT_EQ(p.FMaternalGrandfather->Name(), "Fitzgerald, John Francis \"Honey Fitz\"");
    EXPECT_EQ(p.FMaternalGrandmother->Name(), "Hannon, Mary Josephine");

    EXPECT_EQ(NamesOf(p.FSiblings),
              (Lines{"Kennedy, Joseph Patrick", "KENNEDY, John Fitzgerald",
                     "Kennedy, Rosemary (Rose Marie)", "Kennedy, Eunice Mary", "Kennedy, Patricia",
                     "Kennedy, Robert Francis", "Kennedy, Jean Ann", "Kennedy, Edward Moore"}));
    EXPECT_EQ(p.Sibling(1).FDeathPlace, "Dallas, , Dallas County, TX, USA");

    ASSERT_EQ(p.SpouseCount(), 1u);
    EXPECT_EQ(p.Spouse(0).Name(), "Cavendish, William John Robert");
    EXPECT_EQ(p.Spouse(0).FMarriageDate, "6 MAY 1944");
    EXPECT_EQ(p.Spouse(0).FMarriagePlace, "London, , , , England");
    EXPECT_TRUE(p.Spouse(0).FChildren.empty());

    ASSERT_EQ(p.FNotes.size(), 14u);
    EXPECT_EQ(p.FNotes[0], "Kathleen Kennedy was considered the most lively and vivacious of the");
    EXPECT_EQ(p.FNotes[1],
              "Kennedy sisters.  Nicknamed \"Kick\" by her father, the name seemed to");
    EXPECT_EQ(p.FNotes[13], "killing all aboard.");

    Lines lines;
    BuildNarrative(p, lines);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0],
              "Kathleen \"Kick\" Kennedy. Born 20 FEB 1920 Brookline, , Norfolk County, MA, USA. "
              "Died 13 MAY 1948 Saint-Bauzile, , , Ardeche, France. She was the daughter of "
              "Joseph Patrick Kennedy and Rose Elizabeth Fitzgerald. ");
    EXPECT_EQ(lines[2],
              "She married William John Robert Cavendish 6 MAY 1944 in London, , , , England. "
              "Born 10 DEC 1917 . Died 10 SEP 1944 Heppen, , , , Belgium. ");
    EXPECT_EQ(lines[5], "Siblings of Kathleen \"Kick\" Kennedy");
    EXPECT_EQ(lines.size(), 15u);
}

// --- bronte.ged: Charlotte Bronte (I0005); UTF-8 bytes are used as they are ---

void CheckCharlotte(TPersonTestFile& file) {
    TGedcomPerson p(TPersonKind::pkMain, file.Table());
    p.LoadByPointer("I0005");
    EXPECT_EQ(p.Name(), "Bront\xC3\xAB, Charlotte");
    EXPECT_EQ(p.FBirthDate, "21 APR 1816");
    EXPECT_EQ(p.FBirthPlace, "Thornton, Nr. Bradford");
    EXPECT_EQ(p.FDeathDate, "31 MAR 1855");
    EXPECT_EQ(p.FDeathPlace, "Howarth");
    EXPECT_EQ(p.FFather->Name(), "Bront\xC3\xAB, Patrick");
    EXPECT_EQ(p.FMother->Name(), "Branwell, Maria");
    EXPECT_EQ(p.FPaternalGrandfather->Name(), "Brunty, Hugh");
    EXPECT_EQ(p.FPaternalGrandmother->Name(), "McClory, Eleanor");
    EXPECT_EQ(p.FMaternalGrandfather->Name(), "Branwell, Thomas");
    EXPECT_EQ(p.FMaternalGrandmother->Name(), "Carne, Anne");
    EXPECT_EQ(NamesOf(p.FSiblings), (Lines{"Bront\xC3\xAB, Maria", "Bront\xC3\xAB, Elizabeth",
                                           "Bront\xC3\xAB, Patrick Branwell",
                                           "Bront\xC3\xAB, Emily Jane", "Bront\xC3\xAB, Anne"}));
    ASSERT_EQ(p.SpouseCount(), 1u);
    EXPECT_EQ(p.Spouse(0).Name(), "Nicholls, Arthur Bell");
    EXPECT_EQ(p.Spouse(0).FMarriageDate, "29 JUN 1854");
    EXPECT_TRUE(p.Spouse(0).FChildren.empty());
    EXPECT_TRUE(p.FNotes.empty());

    Lines lines;
    BuildNarrative(p, lines);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0],
              "Charlotte Bront\xC3\xAB. Born 21 APR 1816 Thornton, Nr. Bradford. Died 31 MAR 1855 "
              "Howarth. She was the daughter of Patrick Bront\xC3\xAB and Maria Branwell. ");
    EXPECT_EQ(lines[2], "She married Arthur Bell Nicholls 29 JUN 1854. ");
    EXPECT_EQ(lines[5], "Siblings of Charlotte Bront\xC3\xAB");
    EXPECT_EQ(lines[7],
              "1. Maria Bront\xC3\xAB. Born 23 APR 1814 Clough House, High Town. Died 6 "
              "MAY 1825 Howarth. ");
    EXPECT_EQ(lines[8], "2. Elizabeth Bront\xC3\xAB. Born 8 FEB 1815 . Died 15 JUN 1825 Howarth. ");
}

TEST(BronteTest, CharlotteWithFamily) {
    REQUIRE_SAMPLE("bronte.ged");
    TPersonTestFile file(SamplePath("bronte.ged"), nullptr);
    CheckCharlotte(file);
}

// The same file with every family identifier and every pointer in the family records written
// in lower case: the upper-cased pointers of FAMC, HUSB, WIFE and CHIL lines still find them.
TEST(BronteTest, LowerCaseIdentifiersAreFound) {
    REQUIRE_SAMPLE("bronte.ged");
    std::string bytes = ReadFileBytes(SamplePath("bronte.ged"));
    const std::pair<std::string, std::string> replacements[] = {{"@F00", "@f00"},
                                                                {"1 HUSB @I", "1 HUSB @i"},
                                                                {"1 WIFE @I", "1 WIFE @i"},
                                                                {"1 CHIL @I", "1 CHIL @i"}};
    for (const auto& [from, to] : replacements) {
        for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at)) {
            bytes.replace(at, to.size(), to);
        }
    }
    ASSERT_NE(bytes.find("0 @f001@ FAM\n1 HUSB @i0001@"), std::string::npos);
    TPersonTestFile file(bytes);
    CheckCharlotte(file);
}

TEST(BronteTest, SpouseWithoutParentsFamily) {
    REQUIRE_SAMPLE("bronte.ged");
    TPersonTestFile file(SamplePath("bronte.ged"), nullptr);
    TGedcomPerson p(TPersonKind::pkMain, file.Table());
    p.LoadByPointer("I0009");
    EXPECT_EQ(p.Name(), "Nicholls, Arthur Bell");
    EXPECT_EQ(p.FFather->FName, "Unknown");
    EXPECT_EQ(p.FMother->FName, "Unknown");
    EXPECT_EQ(p.FPaternalGrandfather->FRecNo, -1);
    EXPECT_EQ(p.FMaternalGrandmother->FRecNo, -1);
    ASSERT_EQ(p.SpouseCount(), 1u);
    EXPECT_EQ(p.Spouse(0).Name(), "Bront\xC3\xAB, Charlotte");
    Lines lines;
    BuildNarrative(p, lines);
    EXPECT_EQ(lines, (Lines{"Arthur Bell Nicholls. ", "",
                            "He married Charlotte Bront\xC3\xAB 29 JUN 1854. Born 21 APR 1816 "
                            "Thornton, Nr. Bradford. Died 31 MAR 1855 Howarth. ",
                            "", "", ""}));  // after the marriage, before and after the siblings
}

// --- TGC55C.ged: the GEDCOM 5.5 torture test (CR line ends) ---

// Joseph Tag Torture (PERSON1), whose pointers do not begin with I. His record's last NAME
// line names him William John Smith.
void CheckJosephTagTorture(const std::string& sample) {
    TPersonTestFile file(SamplePath(sample), nullptr);
    TGedcomPerson p(TPersonKind::pkMain, file.Table());
    p.LoadByPointer("PERSON1");
    EXPECT_GT(p.FRecNo, 0);
    EXPECT_EQ(p.Name(), "Smith, William John");
    EXPECT_EQ(p.FSex, "M");
    EXPECT_EQ(p.FBirthDate, "31 DEC 1965");
    EXPECT_EQ(p.FBirthPlace, "Salt Lake City, UT, USA");
    EXPECT_EQ(p.FDeathDate, "ABT 15 JAN 2001");
    EXPECT_EQ(p.FDeathPlace, "New York, New York, USA");
    EXPECT_EQ(p.FFamcPointer, "PARENTS");

    // The PARENTS family has a husband only.
    EXPECT_GT(p.FFather->FRecNo, 0);
    EXPECT_EQ(p.FFather->Pointer(), "PERSON5");
    EXPECT_EQ(p.FFather->FBirthDate, "ABT 1930");
    EXPECT_EQ(p.FFather->FDeathDate, "INT 1995 (from estimated age)");
    EXPECT_EQ(p.FMother->FName, "Unknown");
    EXPECT_EQ(p.FPaternalGrandfather->Name(), "ANSEL, Charlie Accented");
    EXPECT_EQ(p.FPaternalGrandmother->Name(), "ANSEL, Lucy Special");
    EXPECT_EQ(p.FMaternalGrandfather->FRecNo, -1);
    EXPECT_EQ(p.FMaternalGrandmother->FRecNo, -1);
    EXPECT_TRUE(p.FSiblings.empty());

    ASSERT_EQ(p.SpouseCount(), 2u);
    EXPECT_EQ(p.Spouse(0).Pointer(), "PERSON2");
    EXPECT_EQ(p.Spouse(0).FBirthDate, "BEF 1970");
    EXPECT_EQ(p.Spouse(0).FMarriageDate, "31 DEC 1997");
    EXPECT_EQ(p.Spouse(0).FMarriagePlace, "The place");
    EXPECT_EQ(PointersOf(p.Spouse(0).FChildren), (Lines{"PERSON3", "PERSON4"}));
    EXPECT_EQ(p.Spouse(0).Child(0).FBirthPlace, "Las Vegas, Nevada USA");
    EXPECT_EQ(p.Spouse(1).Pointer(), "PERSON8");
    EXPECT_EQ(p.Spouse(1).FMarriageDate, "");
    EXPECT_EQ(PointersOf(p.Spouse(1).FChildren), (Lines{"PERSON7"}));

    // The first note refers to the note record N4; the inline notes are not shown.
    ASSERT_EQ(p.FNotes.size(), 72u);
    EXPECT_EQ(p.FNotes[0], "Comments on \"Joseph Tag Torture\" INDIVIDUAL Record.");
    EXPECT_EQ(p.FNotes[1], "");
    EXPECT_EQ(p.FNotes[2],
              "This record contains all possible types of data that can be stored in an "
              "INDIVIDUAL (INDI)");
    EXPECT_EQ(p.FNotes[27], "a. The baptism record has all possible tags for event detail.");
    EXPECT_EQ(p.FNotes[71],
              "number, record ID, record file number, ancestral file number, and the changed "
              "date.");
}

TEST(TortureTest, JosephTagTortureCrLineEnds) {
    REQUIRE_SAMPLE("TGC55C.ged");
    CheckJosephTagTorture("TGC55C.ged");
}

TEST(TortureTest, JosephTagTortureCrLfLineEnds) {
    REQUIRE_SAMPLE("TGC55CLF.ged");
    CheckJosephTagTorture("TGC55CLF.ged");
}

TEST(TortureTest, CharlieAccentedHasOnlyAMother) {
    REQUIRE_SAMPLE("TGC55C.ged");
    TPersonTestFile file(SamplePath("TGC55C.ged"), nullptr);
    TGedcomPerson p(TPersonKind::pkMain, file.Table());
    p.LoadByPointer("I14");
    EXPECT_EQ(p.Name(), "ANSEL, Charlie Accented");
    EXPECT_EQ(p.FBirthDate, "15 JUN 1900");
    EXPECT_EQ(p.FDeathDate, "5 JUL 1974");
    // F7 has a wife and no husband.
    EXPECT_EQ(p.FFather->FName, "Unknown");
    EXPECT_EQ(p.FMother->Name(), "Filelinks, Nonstandard Multimedia");
    EXPECT_EQ(p.FMother->FDeathDate, "");  // "1 DEAT Y" without a date
    EXPECT_EQ(p.FPaternalGrandfather->FRecNo, -1);
    EXPECT_EQ(p.FPaternalGrandmother->FRecNo, -1);
    EXPECT_EQ(p.FMaternalGrandfather->Name(), "Filelinks, Standard GEDCOM");
    EXPECT_EQ(p.FMaternalGrandmother->Name(), "Matriarch, Torture GEDCOM");
    EXPECT_TRUE(p.FSiblings.empty());  // F7 lists only Charlie

    ASSERT_EQ(p.SpouseCount(), 1u);
    EXPECT_EQ(p.Spouse(0).Name(), "ANSEL, Lucy Special");
    EXPECT_EQ(PointersOf(p.Spouse(0).FChildren), (Lines{"PERSON5"}));

    ASSERT_EQ(p.FNotes.size(), 184u);
    EXPECT_EQ(p.FNotes[0], "Comments on \"Charlie Accented ANSEL\" INDIVIDUAL Record.");
    EXPECT_EQ(p.FNotes[2],
              "To represent accented characters, the ANSEL character set uses two-byte codes. "
              "The");
    // ANSEL's 0xFE (combining comma above) before each letter comes after it in Unicode.
    std::string accented;
    for (char c = 'n'; c <= 'z'; ++c) {
        accented += c;
        accented += "\u0313";
    }
    EXPECT_EQ(p.FNotes[183], accented);

    Lines lines;
    BuildNarrative(p, lines);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "Charlie Accented ANSEL. Born 15 JUN 1900 . Died 5 JUL 1974 . He was the son of "
              "Nonstandard Multimedia Filelinks. ");
    EXPECT_EQ(lines[2],
              "He married Lucy Special ANSEL. Born 12 AUG 1905 . Died 31 DEC 1990 . Children of "
              "Charlie Accented ANSEL and Lucy Special ANSEL are:");
    EXPECT_EQ(lines[4],
              "1. William Joseph Torture. Born ABT 1930 . Died INT 1995 (from estimated age) . ");
}

}  // namespace
