// Surnames over real lookup tables built from small GEDCOM files: the lists must be exact where
// the index interleaves spellings (MÜLLER and MULLER), at the ends of letters, for surnames
// whose keys lie under two letters (Š and š), and for spellings that weigh exactly alike.
#include "person/SurnameIndex.h"

#include <string>
#include <utility>
#include <vector>

#include "gedcom/LookupTableBuilder.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

using surnames::SurnameOf;
using surnames::TSurnameIndex;
using surnames::TSurnamePerson;

// A GEDCOM file (Windows-1252) of one individual per NAME value, pointers I1, I2, ...
std::string Gedcom(const std::vector<std::string>& names) {
    std::string bytes = "0 HEAD\r\n1 CHAR ANSI\r\n";
    int number = 0;
    for (const std::string& name : names) {
        bytes += "0 @I" + std::to_string(++number) + "@ INDI\r\n1 NAME " + name + "\r\n";
    }
    return bytes + "0 @F1@ FAM\r\n1 HUSB @I1@\r\n0 TRLR\r\n";
}

class SurnameIndexTest : public ::testing::Test {
protected:
    void Open(const std::vector<std::string>& names) {
        const std::string gedcom = dir_.Write("people.ged", Gedcom(names));
        {
            HTable building;
            HCreateTable creator;
            TSilentBuildProgress progress;
            gedcom::BuildLookupTable(gedcom, dir_.File("PEOPLE.DBF"), creator, building, progress);
        }
        table_.SetDBFPath(dir_.Path());
        table_.SetDBFName("PEOPLE.DBF");
        table_.SetActive(true);
        ASSERT_TRUE(table_.IndexOpen("\"" + dir_.File("PEOPLE.CDX") + "\"", "NAME"));
    }

    // Tables built before Š, š, Ž, ž, Œ and œ were stored without their marks hold them as
    // they are: gives record `recNo` such a stored name, and the index its key.
    void StoreAsAnEarlierBuildDid(const std::vector<std::pair<int32_t, std::string>>& names) {
        table_.SetActive(false);
        table_.SetActive(true);
        for (const auto& [recNo, name] : names) {
            table_.Go(recNo);
            ASSERT_TRUE(table_.Edit());
            table_.StringPut("NAME", name);
            ASSERT_TRUE(table_.Post());
        }
        const std::string index = dir_.File("PEOPLE.CDX");
        ASSERT_TRUE(table_.IndexOn(index, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
        ASSERT_TRUE(table_.IndexOn(index, "POINTER", 7, 1, "", "POINTER"));
        ASSERT_TRUE(table_.IndexOpen("\"" + index + "\"", "NAME"));
    }

    std::vector<std::string> Names(const std::string& surname) {
        std::vector<std::string> names;
        for (const TSurnamePerson& p : index_.ListPersonsOfSurname(surname)) {
            names.push_back(p.name + " " + p.pointer);
        }
        return names;
    }

    TempDir dir_;
    HTable table_;
    TSurnameIndex index_{table_};
};

using Strings = std::vector<std::string>;

TEST(SurnameOfTest, TextBeforeTheFirstCommaTrimmedAndUpperCased) {
    EXPECT_EQ(SurnameOf("M\xFCller, Hans"), "M\xDCLLER");
    EXPECT_EQ(SurnameOf(" \x9Aimek ,Eva"), "\x8AIMEK");
    EXPECT_EQ(SurnameOf("\xFFvon, A"), "\x9FVON");
    EXPECT_EQ(SurnameOf("Stra\xDF\x65, Otto"), "STRA\xDF\x45");  // the sharp s stays
    EXPECT_EQ(SurnameOf("Smith, Jr., John"), "SMITH");
    EXPECT_EQ(SurnameOf("No comma"), "");
    EXPECT_EQ(SurnameOf(", Given"), "");
}

TEST(InitialOfTest, TheLetterAsTheCollationWeighsIt) {
    EXPECT_EQ(surnames::InitialOf("\xC9LUARD"), 'E');
    EXPECT_EQ(surnames::InitialOf("\xC6SOP"), 'A');    // Æ as A E
    EXPECT_EQ(surnames::InitialOf("\xDE\xD3R"), 'T');  // Þ as T H
    EXPECT_EQ(surnames::InitialOf("\xD8STER"), '#');   // Ø has a weight of its own
    EXPECT_EQ(surnames::InitialOf("3RD"), '#');
    EXPECT_EQ(surnames::InitialOf("'T HOOFT"), '#');
    EXPECT_EQ(surnames::InitialOf(""), '#');
}

TEST_F(SurnameIndexTest, AccentedAndPlainSpellingsThatInterleaveAreListedOnceEach) {
    Open({"Anna /M\xFCller/", "Ben /Muller/", "Carl /M\xDCLLER/", "Dora /m\xFCller/",
          "Emil /Mueller/", "Fritz /Mull/", "Gus /Muller/"});
    // MUELLER < MULL, < MULLER... in the index; MÜLLER's first key (ANNA) comes before
    // MULLER's (BEN).
    EXPECT_EQ(index_.ListSurnames('m'), (Strings{"MUELLER", "MULL", "M\xDCLLER", "MULLER"}));
    EXPECT_EQ(Names("M\xDCLLER"),
              (Strings{"M\xDCLLER, ANNA I1", "M\xDCLLER, CARL I3", "M\xDCLLER, DORA I4"}));
    EXPECT_EQ(Names("m\xFCller"), Names("M\xDCLLER"));
    EXPECT_EQ(Names("MULLER"), (Strings{"MULLER, BEN I2", "MULLER, GUS I7"}));
    EXPECT_EQ(index_.PointerOfPersonOfSurname("M\xDCLLER", 1), "I3");
    EXPECT_EQ(index_.PointerOfPersonOfSurname("M\xDCLLER", 3), "");
    EXPECT_EQ(index_.PointerOfPersonOfSurname("MULLER", 0), "I2");
}

TEST_F(SurnameIndexTest, EveryLetterKeepsItsLastSurnamesAndOtherInitialsGoUnderTheHash) {
    Open({"A /Smith/", "B /Sullivan/", "C /Swift/", "D /Szabo/", "E /Szymanski/", "F /\xC9luard/",
          "G /Evans/", "H /\xD8ster/", "I /3rd/", "J /'t Hooft/", "K /\xDE\xF3rsson/", "L /Zwick/",
          "John //", "No Slashes", "M /Young/"});
    EXPECT_EQ(index_.ListSurnames('S'),
              (Strings{"SMITH", "SULLIVAN", "SWIFT", "SZABO", "SZYMANSKI"}));
    EXPECT_EQ(index_.ListSurnames('E'), (Strings{"\xC9LUARD", "EVANS"}));
    EXPECT_EQ(index_.ListSurnames('T'), (Strings{"\xDE\xD3RSSON"}));
    EXPECT_EQ(index_.ListSurnames('Z'), (Strings{"ZWICK"}));
    EXPECT_EQ(index_.ListSurnames('#'), (Strings{"'T HOOFT", "3RD", "\xD8STER"}));
    EXPECT_TRUE(index_.ListSurnames('Q').empty());
    EXPECT_TRUE(index_.ListSurnames('!').empty());
    EXPECT_EQ(Names("\xD8STER"), (Strings{"\xD8STER, H I8"}));
}

TEST_F(SurnameIndexTest, OneSurnameStoredWithSCaronAndSmallSCaronIsFoundUnderBothLetters) {
    // The key's upper-casing turns "Š" into "E" but leaves "š" an S: one surname, two places.
    Open({"Jan /Qimek/", "Eva /Qimek/", "Ed /Eimek/", "Sam /Simek/"});
    StoreAsAnEarlierBuildDid({{1, "\x8Aimek, Jan"}, {2, "\x9Aimek, Eva"}});
    const Strings e = index_.ListSurnames('E');
    const Strings s = index_.ListSurnames('S');
    EXPECT_EQ(e, (Strings{"EIMEK", "\x8AIMEK"}));
    EXPECT_EQ(s, (Strings{"\x8AIMEK", "SIMEK"}));  // EVA before SAM
    EXPECT_EQ(Names("\x9Aimek"), (Strings{"\x8AIMEK, JAN I1", "\x8AIMEK, EVA I2"}));
    EXPECT_EQ(Names("EIMEK"), (Strings{"EIMEK, ED I3"}));
    EXPECT_EQ(surnames::InitialOf("\x8Aimek"), 'E');
    EXPECT_EQ(surnames::InitialOf("\x9Aimek"), 'S');
    EXPECT_EQ(surnames::InitialsOf("\x9Aimek"), (std::vector<char>{'E', 'S'}));
    EXPECT_EQ(surnames::InitialsOf("smith"), (std::vector<char>{'S'}));
}

TEST_F(SurnameIndexTest, SpellingsThatWeighExactlyAlikeStayApart) {
    // The apostrophe and the right single quote weigh alike; so do "E" and the low quote, which
    // the key's upper-casing turns into an E.
    Open({"Ann /O'Brien/",
          "Bob /O\x92"
          "Brien/",
          "Cid /O'Brien/",
          "Dan /O\x92"
          "Brien/",
          "Eve /Smeth/", "Fay /Sm\x82th/"});
    EXPECT_EQ(index_.ListSurnames('O'), (Strings{"O'BRIEN",
                                                 "O\x92"
                                                 "BRIEN"}));
    EXPECT_EQ(Names("O'Brien"), (Strings{"O'BRIEN, ANN I1", "O'BRIEN, CID I3"}));
    EXPECT_EQ(Names("O\x92"
                    "BRIEN"),
              (Strings{"O\x92"
                       "BRIEN, BOB I2",
                       "O\x92"
                       "BRIEN, DAN I4"}));
    EXPECT_EQ(index_.ListSurnames('S'), (Strings{"SMETH", "SM\x82TH"}));
}

TEST_F(SurnameIndexTest, ALetterSpelledOutAsTwoStaysApartFromTheTwoLetters) {
    // "Æ" weighs exactly as "AE", "Þ" and "!" as "TH".
    Open(
        {"Anna /S\xE6"
         "berg/",
         "Bo /Saeberg/", "Carl /Saeberg/", "Dag /\xDEor/", "Eli /Thor/", "Fay /Smith/"});
    EXPECT_EQ(index_.ListSurnames('S'), (Strings{"S\xC6"
                                                 "BERG",
                                                 "SAEBERG", "SMITH"}));
    EXPECT_EQ(index_.ListSurnames('T'), (Strings{"\xDEOR", "THOR"}));
    EXPECT_EQ(Names("saeberg"), (Strings{"SAEBERG, BO I2", "SAEBERG, CARL I3"}));
}

TEST_F(SurnameIndexTest, ABlankBeforeTheCommaIsStillTheSurname) {
    Open({"Ann /Smith/", "Tom /Smith , Jr/", "Val /Smithers/"});
    EXPECT_EQ(index_.ListSurnames('S'), (Strings{"SMITH", "SMITHERS"}));
    // "SMITH , JR, TOM" weighs a blank where "SMITH, ANN" has its comma: it comes first.
    EXPECT_EQ(Names("smith"), (Strings{"SMITH , JR, TOM I2", "SMITH, ANN I1"}));
}

TEST_F(SurnameIndexTest, RecordsAreReadOnlyWhereTheKeysCannotDecideAndThePositionStays) {
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) names.push_back("Given" + std::to_string(i) + " /Smith/");
    for (int i = 0; i < 100; ++i) names.push_back("Given" + std::to_string(i) + " /Sch\xF6n/");
    for (int i = 0; i < 100; ++i) names.push_back("Given" + std::to_string(i) + " /Schon/");
    Open(names);
    table_.Go(250);
    table_.Skip(1);
    const int32_t recNo = table_.RecNo();
    const bool eof = table_.Eof();

    // Equal weights up to the accents: SCHON's plain O comes first.
    EXPECT_EQ(index_.ListSurnames('S'), (Strings{"SCHON", "SCH\xD6N", "SMITH"}));
    EXPECT_GE(index_.KeysVisited(), 500);  // and perhaps the first key after the letter
    EXPECT_LE(index_.KeysVisited(), 501);
    EXPECT_EQ(index_.RecordsRead(), 0);  // the keys spell every surname out
    EXPECT_EQ(index_.ListPersonsOfSurname("SCHON").size(), 100u);
    EXPECT_EQ(index_.RecordsRead(), 100);  // SCHÖN's keys need no record
    EXPECT_EQ(table_.RecNo(), recNo);
    EXPECT_EQ(table_.Eof(), eof);
    table_.Skip(1);
    EXPECT_FALSE(table_.Eof());
}

}  // namespace
