// lineatum-tool surnames and surname: the Find Surname dialog's lists from the command line.
// Small files are checked line by line; real, synthetic and generated files against an
// independent oracle (testdata/surnames_oracle.py), which works the lists out from the table's
// rows as read by Python's dbfread, ordered under the general collation of doc/cdx_format.md,
// never through our index or the model.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "gedcom/Windows1252.h"
#include "testing/TempDir.h"
#include "tools/ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A GEDCOM file (Windows-1252, CR LF) of one individual I1, I2, ... per NAME value, given in
// UTF-8; an empty value gives an individual without a NAME line.
std::string NamesGedcom(const std::vector<std::string>& names) {
    std::string bytes = "0 HEAD\r\n1 CHAR ANSI\r\n";
    for (size_t i = 0; i < names.size(); ++i) {
        bytes += "0 @I" + std::to_string(i + 1) + "@ INDI\r\n";
        bytes += names[i].empty() ? "1 SEX M\r\n"
                                  : "1 NAME " + gedcom::Utf8ToWindows1252(names[i]) + "\r\n";
    }
    return bytes + "0 @F1@ FAM\r\n1 HUSB @I1@\r\n0 TRLR\r\n";
}

const std::vector<std::string> kNoLines;

class SurnamesTest : public ::testing::Test {
protected:
    // Builds the lookup table of the GEDCOM text `gedcom` with the tool; returns its path.
    std::string BuildText(const std::string& gedcom, const std::string& name = "LOOKUP.DBF") {
        return Build(dir_.Write(name + ".ged", gedcom), name);
    }
    std::string Build(const std::string& gedcomPath, const std::string& name = "LOOKUP.DBF") {
        return BuildWithTool(dir_, gedcomPath, name);
    }
    // The lines of lineatum-tool surnames TABLE LETTER, which must succeed silently.
    std::vector<std::string> Surnames(const std::string& table, const std::string& letter) {
        return Succeeding(Tool() + " surnames " + Quote(table) + " " + Quote(letter));
    }
    // The lines of lineatum-tool surname TABLE SURNAME (UTF-8), which must succeed silently.
    std::vector<std::string> Persons(const std::string& table, const std::string& surname) {
        return Succeeding(Tool() + " surname " + Quote(table) + " " + Quote(surname));
    }
    std::vector<std::string> Succeeding(const std::string& command) {
        const ToolRun run = Shell(dir_, command);
        EXPECT_EQ(run.exitCode, 0) << command << ": " << run.err;
        EXPECT_EQ(run.err, "") << command;
        return Lines(run.out);
    }

    TempDir dir_;
};

// --- Small files, line by line ------------------------------------------------------------------

// Accented and plain spellings share their primary weights, so their keys interleave:
// "MÜLLER, ANNA" < "MULLER, BEN" < "MÜLLER, CARL". An equal name without the accent sorts first.
const std::vector<std::string> kSpellings = {
    "Anna /Müller/", "Ben /Muller/",   "Carl /MÜLLER/", "Dora /müller/",  "Emil /MULLER/",
    "Anna /MULLER/", "Anna /Mueller/", "Max /Mahler/",  "Zoe /mcDonald/", "Ida /McDonald/",
};

TEST_F(SurnamesTest, InterleavedSpellingsAreListedOnceEachInTheOrderOfTheirFirstKey) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    EXPECT_EQ(Surnames(table, "M"),
              (std::vector<std::string>{"MAHLER", "MCDONALD", "MUELLER", "MULLER", "MÜLLER"}));
    EXPECT_EQ(Surnames(table, "m"), Surnames(table, "M"));
}

TEST_F(SurnamesTest, PersonListOfAnInterleavedSpellingIsExact) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    const std::vector<std::string> mueller = {"I1\tMÜLLER, ANNA", "I3\tMÜLLER, CARL",
                                              "I4\tMÜLLER, DORA"};
    EXPECT_EQ(Persons(table, "MÜLLER"), mueller);
    EXPECT_EQ(Persons(table, "müller"), mueller);
    EXPECT_EQ(Persons(table, "  Müller  "), mueller);
    EXPECT_EQ(
        Persons(table, "muller"),
        (std::vector<std::string>{"I6\tMULLER, ANNA", "I2\tMULLER, BEN", "I5\tMULLER, EMIL"}));
    EXPECT_EQ(Persons(table, "Mueller"), std::vector<std::string>{"I7\tMUELLER, ANNA"});
}

TEST_F(SurnamesTest, MixedCaseSpellingsAreShownUpperCased) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    EXPECT_EQ(Persons(table, "McDonald"),
              (std::vector<std::string>{"I10\tMCDONALD, IDA", "I9\tMCDONALD, ZOE"}));
}

TEST_F(SurnamesTest, OnlyTheWholeSurnameFindsPersons) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    for (const char* surname : {"", "   ", "Mül", "MÜLLERS", "Müller,", "Müller, Anna",
                                "Mahler, Max", "Nobody", "ANNA", "M"}) {
        EXPECT_EQ(Persons(table, surname), kNoLines) << surname;
    }
}

// The first letter as the collation weighs it: É and the ligature Æ (A E), Þ (T H), Ÿ and Ý.
TEST_F(SurnamesTest, AccentedInitialsAreListedUnderTheirLetter) {
    const std::string table = BuildText(
        NamesGedcom({"Jean /Édouard/", "Eve /édouard/", "Tom /Eames/", "Ann /Ezra/", "Ole /Æbelø/",
                     "Sam /Adams/", "Tim /Aeschylus/", "Jon /Þórsson/", "Ray /Thomas/",
                     "Liz /Taylor/", "Jan /ÿpma/", "Amy /Young/", "Bo /Ýr/"}));
    EXPECT_EQ(Surnames(table, "E"), (std::vector<std::string>{"EAMES", "ÉDOUARD", "EZRA"}));
    EXPECT_EQ(Surnames(table, "A"), (std::vector<std::string>{"ADAMS", "ÆBELØ", "AESCHYLUS"}));
    EXPECT_EQ(Surnames(table, "T"), (std::vector<std::string>{"TAYLOR", "THOMAS", "ÞÓRSSON"}));
    EXPECT_EQ(Surnames(table, "Y"), (std::vector<std::string>{"YOUNG", "ŸPMA", "ÝR"}));
    EXPECT_EQ(Surnames(table, "O"), kNoLines);
    EXPECT_EQ(Persons(table, "édouard"),
              (std::vector<std::string>{"I2\tÉDOUARD, EVE", "I1\tÉDOUARD, JEAN"}));
    EXPECT_EQ(Persons(table, "þórsson"), std::vector<std::string>{"I8\tÞÓRSSON, JON"});
    EXPECT_EQ(Persons(table, "ÿpma"), std::vector<std::string>{"I11\tŸPMA, JAN"});
}

TEST_F(SurnamesTest, SurnamesAtTheEndOfALetterAreListed) {
    const std::string table = BuildText(NamesGedcom(
        {"Pat /Szymanski/", "Kim /Swift/", "Lou /Sullivan/", "Ida /Szabo/", "Al /Smith/",
         "Viv /Zwick/", "Ed /Zapata/", "Gus /Young/", "Una /Yzerman/", "Ty /Zywiec/"}));
    EXPECT_EQ(Surnames(table, "S"),
              (std::vector<std::string>{"SMITH", "SULLIVAN", "SWIFT", "SZABO", "SZYMANSKI"}));
    EXPECT_EQ(Surnames(table, "Z"), (std::vector<std::string>{"ZAPATA", "ZWICK", "ZYWIEC"}));
    EXPECT_EQ(Surnames(table, "Y"), (std::vector<std::string>{"YOUNG", "YZERMAN"}));
    EXPECT_EQ(Surnames(table, "T"), kNoLines);
    EXPECT_EQ(Persons(table, "szymanski"), std::vector<std::string>{"I1\tSZYMANSKI, PAT"});
    EXPECT_EQ(Persons(table, "ZYWIEC"), std::vector<std::string>{"I10\tZYWIEC, TY"});
}

// Weights below the letters' (the apostrophe, µ, digits) and between or above them (Ð, Ø).
// Ž, whose weight is a control character's, is stored as Z and files under Z.
TEST_F(SurnamesTest, SurnamesNotBeginningWithALetterAreUnderTheOtherButton) {
    const std::string table = BuildText(
        NamesGedcom({"Hans /Ørsted/", "Gerard /'t Hooft/", "Ann /1st/", "Bob /42nd/", "Ivo /Ðuric/",
                     "Eva /µnoz/", "Ana /Žižek/", "Olga /Orsted/", "Kate //"}));
    EXPECT_EQ(Surnames(table, "#"), (std::vector<std::string>{"'T HOOFT", "µNOZ", "1ST", "42ND",
                                                              "ÐURIC", "ØRSTED"}));
    EXPECT_EQ(Surnames(table, "O"), std::vector<std::string>{"ORSTED"});
    EXPECT_EQ(Surnames(table, "Z"), std::vector<std::string>{"ZIZEK"});
    EXPECT_EQ(Surnames(table, "D"), kNoLines);
    EXPECT_EQ(Persons(table, "'t hooft"), std::vector<std::string>{"I2\t'T HOOFT, GERARD"});
    EXPECT_EQ(Persons(table, "ørsted"), std::vector<std::string>{"I1\tØRSTED, HANS"});
    EXPECT_EQ(Persons(table, "µNOZ"), std::vector<std::string>{"I6\tµNOZ, EVA"});
    EXPECT_EQ(Persons(table, "žižek"), std::vector<std::string>{"I7\tZIZEK, ANA"});
}

// A NAME without slashes gives no surname; one whose surname fills the 70 characters of the NAME
// field keeps no comma; "Kate //" has an empty surname; "/Brown/" has no given name.
TEST_F(SurnamesTest, NamesWithoutACommaOrWithoutASurnameGiveNoSurname) {
    const std::string longSurname = "Abcdefghij" + std::string("abcdefghij") + "abcdefghij" +
                                    "abcdefghij" + "abcdefghij" + "abcdefghij" + "abcdefghij" +
                                    "abcdefghij";
    const std::string table =
        BuildText(NamesGedcom({"John Smith", "Al /" + longSurname + "/", "Sam /Adams/", "Kate //",
                               "/Brown/", "Nobody", ""}));
    EXPECT_EQ(Surnames(table, "A"), std::vector<std::string>{"ADAMS"});
    EXPECT_EQ(Surnames(table, "B"), std::vector<std::string>{"BROWN"});
    EXPECT_EQ(Surnames(table, "J"), kNoLines);
    EXPECT_EQ(Surnames(table, "S"), kNoLines);
    EXPECT_EQ(Surnames(table, "N"), kNoLines);
    EXPECT_EQ(Surnames(table, "#"), kNoLines);
    EXPECT_EQ(Persons(table, "brown"), std::vector<std::string>{"I5\tBROWN,"});
    EXPECT_EQ(Persons(table, "John Smith"), kNoLines);
    EXPECT_EQ(Persons(table, "Smith"), kNoLines);
    EXPECT_EQ(Persons(table, longSurname), kNoLines);
    EXPECT_EQ(Persons(table, longSurname.substr(0, 70)), kNoLines);
}

// The sharp s has no upper case of its own in Windows-1252 and weighs below every letter.
TEST_F(SurnamesTest, SharpSStaysAndIsNotSS) {
    const std::string table =
        BuildText(NamesGedcom({"Hans /Weiß/", "Rob /weiß/", "Otto /Weiss/", "Paul /WEISS/"}));
    EXPECT_EQ(Surnames(table, "W"), (std::vector<std::string>{"WEIß", "WEISS"}));
    EXPECT_EQ(Persons(table, "weiß"),
              (std::vector<std::string>{"I1\tWEIß, HANS", "I2\tWEIß, ROB"}));
    EXPECT_EQ(Persons(table, "WEISS"),
              (std::vector<std::string>{"I3\tWEISS, OTTO", "I4\tWEISS, PAUL"}));
    EXPECT_EQ(Persons(table, "WEIẞ"), kNoLines);  // capital sharp s: '?' in Windows-1252
}

TEST_F(SurnamesTest, LetterWithoutNamesGivesAnEmptyList) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    for (const char* letter : {"Q", "x", "A", "#"}) {
        EXPECT_EQ(Surnames(table, letter), kNoLines) << letter;
    }
    // A file without named individuals.
    const std::string empty = BuildText(NamesGedcom({"//", ""}), "EMPTY.DBF");
    for (char c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(Surnames(empty, std::string(1, c)), kNoLines);
    EXPECT_EQ(Surnames(empty, "#"), kNoLines);
    EXPECT_EQ(Persons(empty, "Nobody"), kNoLines);
}

// The key expression's UPPER would turn Š and Œ into E and I while their lower-case forms stay,
// splitting one surname over two letters; they are stored as S and OE, so each surname is
// listed once under the letter it is read with, and typed with its marks it is still found.
// (Tables that hold Š and Œ themselves are covered by the surname index's own tests.)
TEST_F(SurnamesTest, SurnamesWithCaronsAndLigaturesAreListedUnderTheirPlainLetter) {
    const std::string table = BuildText(
        NamesGedcom({"Jan /Šimek/", "Eva /šimek/", "Hans /Œhler/", "Anna /œhler/", "Ed /Eimek/"}));
    EXPECT_EQ(Surnames(table, "E"), std::vector<std::string>{"EIMEK"});
    EXPECT_EQ(Surnames(table, "S"), std::vector<std::string>{"SIMEK"});
    EXPECT_EQ(Surnames(table, "I"), kNoLines);
    EXPECT_EQ(Surnames(table, "O"), std::vector<std::string>{"OEHLER"});
    EXPECT_EQ(Persons(table, "šimek"),
              (std::vector<std::string>{"I2\tSIMEK, EVA", "I1\tSIMEK, JAN"}));
    EXPECT_EQ(Persons(table, "ŒHLER"),
              (std::vector<std::string>{"I4\tOEHLER, ANNA", "I3\tOEHLER, HANS"}));
}

// Upper-cased for the key, "‚" becomes "E" and "“" becomes "O"; "’" weighs as "'": the keys of
// two surnames are equal, and only the stored names tell them apart.
TEST_F(SurnamesTest, SurnamesWithEqualKeysAreToldApart) {
    const std::string table = BuildText(
        NamesGedcom({"Ann /Eric/", "Bob /‚ric/", "Cy /Eric/", "Al /‚ric/", "Gerard /'t Hooft/",
                     "Ann /’t Hooft/", "Jo /“brien/", "Lu /Obrien/"}));
    EXPECT_EQ(Surnames(table, "E"), (std::vector<std::string>{"‚RIC", "ERIC"}));
    EXPECT_EQ(Surnames(table, "#"), (std::vector<std::string>{"’T HOOFT", "'T HOOFT"}));
    EXPECT_EQ(Surnames(table, "O"), (std::vector<std::string>{"“BRIEN", "OBRIEN"}));
    EXPECT_EQ(Persons(table, "eric"), (std::vector<std::string>{"I1\tERIC, ANN", "I3\tERIC, CY"}));
    EXPECT_EQ(Persons(table, "‚ric"), (std::vector<std::string>{"I4\t‚RIC, AL", "I2\t‚RIC, BOB"}));
    EXPECT_EQ(Persons(table, "’t hooft"), std::vector<std::string>{"I6\t’T HOOFT, ANN"});
    EXPECT_EQ(Persons(table, "'t hooft"), std::vector<std::string>{"I5\t'T HOOFT, GERARD"});
    EXPECT_EQ(Persons(table, "obrien"), std::vector<std::string>{"I8\tOBRIEN, LU"});
    EXPECT_EQ(Persons(table, "“BRIEN"), std::vector<std::string>{"I7\t“BRIEN, JO"});
}

TEST_F(SurnamesTest, TableMayBeGivenWithoutItsExtension) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    EXPECT_EQ(Surnames(dir_.File("LOOKUP"), "M"), Surnames(table, "M"));
    EXPECT_EQ(Persons(dir_.File("LOOKUP"), "Muller"), Persons(table, "Muller"));
}

TEST_F(SurnamesTest, ProblemsGiveOneErrorLineAndFail) {
    const std::string table = BuildText(NamesGedcom(kSpellings));
    const auto [noIndex, noNameTag] = UnsearchableCopies(dir_, table);
    const std::string surnames = Tool() + " surnames ";
    const std::string surname = Tool() + " surname ";
    const std::string missing = Quote(dir_.File("MISSING.DBF"));
    std::vector<std::string> commands = {
        surnames,
        surnames + Quote(table),
        surnames + Quote(table) + " M M",
        surnames + missing + " M",
        surnames + Quote(noIndex) + " M",
        surnames + Quote(noNameTag) + " M",
        surname,
        surname + Quote(table),
        surname + Quote(table) + " Muller Muller",
        surname + missing + " Muller",
        surname + Quote(noIndex) + " Muller",
        surname + Quote(noNameTag) + " Muller",
    };
    for (const char* letter : {"", "MU", "1", "@", "[", "`", "{", "-", "?", " ", "É", "é", "\n"}) {
        commands.push_back(surnames + Quote(table) + " " + Quote(letter));
    }
    for (const std::string& command : commands) {
        const ToolRun run = Shell(dir_, command);
        EXPECT_NE(run.exitCode, 0) << command;
        EXPECT_EQ(run.out, "") << command;
        ASSERT_EQ(run.err.rfind("lineatum-tool: ", 0), 0u) << command << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << command << ": " << run.err;
    }
    EXPECT_NE(Shell(dir_, surnames + Quote(noNameTag) + " M").err.find("NAME"), std::string::npos);
    EXPECT_NE(Shell(dir_, surname + Quote(noIndex) + " M").err.find("NOINDEX.CDX"),
              std::string::npos);
}

// --- Against the oracle --------------------------------------------------------------------------

// The other case of a Windows-1252 letter that has two cases, else `c` itself.
unsigned char OtherCase(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return c ^ 0x20;
    if (c >= 0xC0 && c <= 0xFE && c != 0xD7 && c != 0xF7 && c != 0xDF) return c ^ 0x20;
    switch (c) {
        case 0x8A:
            return 0x9A;  // Š š
        case 0x9A:
            return 0x8A;
        case 0x8C:
            return 0x9C;  // Œ œ
        case 0x9C:
            return 0x8C;
        case 0x8E:
            return 0x9E;  // Ž ž
        case 0x9E:
            return 0x8E;
        case 0x9F:
            return 0xFF;  // Ÿ ÿ
        case 0xFF:
            return 0x9F;
        default:
            return c;
    }
}

// UTF-8 `text` with every letter that has two cases in Windows-1252 in its lower case.
std::string Lower(const std::string& text) {
    std::string bytes = gedcom::Utf8ToWindows1252(text);
    for (char& c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE) || u == 0x8A || u == 0x8C ||
            u == 0x8E || u == 0x9F) {
            c = static_cast<char>(OtherCase(u));
        }
    }
    return gedcom::Windows1252ToUtf8(bytes);
}

// One query of the tool and the oracle: "surnames" with a letter, "surname" with a surname.
struct Query {
    std::string command;
    std::string argument;
};

// The lines of one answer.
using Block = std::vector<std::string>;

// Every letter button, the first three also in lower case.
std::vector<Query> LetterQueries() {
    std::vector<Query> queries;
    for (char c = 'A'; c <= 'Z'; ++c) queries.push_back({"surnames", std::string(1, c)});
    queries.push_back({"surnames", "#"});
    for (const char* c : {"a", "b", "c"}) queries.push_back({"surnames", c});
    return queries;
}

class SurnamesOracleTest : public SurnamesTest {
protected:
    // Every surname of the table with its number of persons, the most common first, as the
    // oracle counts them.
    std::vector<std::pair<int, std::string>> SurnameCounts(const std::string& table) {
        std::vector<std::pair<int, std::string>> counts;
        const std::vector<Block> blocks = OracleAnswers(table, {{"counts", ""}});
        if (blocks.size() != 1) return counts;
        for (const std::string& line : blocks[0]) {
            const size_t tab = line.find('\t');
            counts.emplace_back(std::stoi(line.substr(0, tab)), line.substr(tab + 1));
        }
        return counts;
    }

    // Queries for the person lists of `wanted` surnames of `counts`: the most common ones,
    // then evenly spread ones; each as the oracle gives it, lower-cased with blanks around,
    // cut short and made longer; and a few that no one has.
    static std::vector<Query> SurnameQueries(const std::vector<std::pair<int, std::string>>& counts,
                                             size_t wanted) {
        std::vector<std::string> chosen;
        const size_t common = std::min(counts.size(), wanted / 4);
        for (size_t i = 0; i < common; ++i) chosen.push_back(counts[i].second);
        const size_t rest = counts.size() - common;
        const size_t spread = std::min(rest, wanted - common);
        for (size_t k = 0; k < spread; ++k) {
            chosen.push_back(counts[common + k * rest / spread].second);
        }
        std::vector<Query> queries;
        for (size_t i = 0; i < chosen.size(); ++i) {
            const std::string& surname = chosen[i];
            queries.push_back({"surname", surname});
            if (i % 3 == 0) queries.push_back({"surname", "  " + Lower(surname) + " "});
            if (i % 7 == 0) queries.push_back({"surname", surname.substr(0, surname.size() / 2)});
            if (i % 11 == 0) queries.push_back({"surname", surname + "E"});
        }
        for (const char* nobody : {"", "ZZZZZZZZ", "Smith, John", "?"}) {
            queries.push_back({"surname", nobody});
        }
        return queries;
    }

    // The oracle's answers to `queries` on `table`; a failing oracle fails the test.
    std::vector<Block> OracleAnswers(const std::string& table, const std::vector<Query>& queries) {
        std::string input;
        for (const Query& query : queries) input += query.command + " " + query.argument + "\n";
        const std::string file = dir_.Write("queries.txt", input);
        const ToolRun oracle =
            Shell(dir_, std::string(LINEATUM_PYTHON) + " " + Quote(LINEATUM_SURNAMES_ORACLE) + " " +
                            Quote(table) + " <" + Quote(file));
        EXPECT_EQ(oracle.exitCode, 0)
            << "the oracle needs python3 and python3-dbfread (scripts/setup installs them): "
            << oracle.err;
        std::vector<Block> blocks = Split(oracle.out, "\xFF");
        EXPECT_EQ(blocks.size(), queries.size()) << oracle.err;
        return blocks;
    }

    // The tool's answers, one process per query, each of which must succeed silently.
    std::vector<Block> ToolAnswers(const std::string& table, const std::vector<Query>& queries) {
        std::string script;
        for (const Query& query : queries) {
            script += Quote(Tool()) + " " + query.command + " " + Quote(table) + " " +
                      Quote(query.argument) + "; printf '\\377 %d\\n' $?\n";
        }
        const ToolRun run = Shell(dir_, "sh " + Quote(dir_.Write("queries.sh", script)));
        EXPECT_EQ(run.err, "");
        std::vector<Block> blocks = Split(run.out, "\xFF 0");
        EXPECT_EQ(blocks.size(), queries.size()) << "a query failed: " << run.err;
        return blocks;
    }

    // `out` cut into blocks, each ending before a line `end`.
    static std::vector<Block> Split(const std::string& out, const std::string& end) {
        std::vector<Block> blocks(1);
        for (std::string& line : Lines(out)) {
            if (line == end) {
                blocks.emplace_back();
            } else {
                blocks.back().push_back(std::move(line));
            }
        }
        blocks.pop_back();
        return blocks;
    }

    // Runs `queries` through the tool and the oracle and compares the answers.
    void ExpectAgreement(const std::string& table, const std::vector<Query>& queries) {
        const std::vector<Block> want = OracleAnswers(table, queries);
        const std::vector<Block> got = ToolAnswers(table, queries);
        ASSERT_EQ(want.size(), queries.size());
        ASSERT_EQ(got.size(), queries.size());
        int reported = 0;
        for (size_t i = 0; i < queries.size() && reported < 5; ++i) {
            if (got[i] == want[i]) continue;
            size_t first = 0;
            while (first < got[i].size() && first < want[i].size() &&
                   got[i][first] == want[i][first]) {
                ++first;
            }
            ADD_FAILURE() << table << ", " << queries[i].command << " \"" << queries[i].argument
                          << "\": " << got[i].size() << " lines from the tool, " << want[i].size()
                          << " from the oracle, first difference at line " << first
                          << ":\n--- tool:\n"
                          << Excerpt(got[i], first) << "--- oracle:\n"
                          << Excerpt(want[i], first);
            ++reported;
        }
    }

    // All letters and `wanted` surnames (see SurnameQueries) of `table`.
    void ExpectAgreementOnLettersAndSurnames(const std::string& table, size_t wanted) {
        const std::vector<std::pair<int, std::string>> counts = SurnameCounts(table);
        std::vector<Query> queries = LetterQueries();
        const std::vector<Query> surnames = SurnameQueries(counts, wanted);
        queries.insert(queries.end(), surnames.begin(), surnames.end());
        ExpectAgreement(table, queries);
    }
};

TEST_F(SurnamesOracleTest, SampleFilesAgreeWithTheOracle) {
    const std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_GE(files.size(), 4u) << "GEDCOM samples missing from the test data";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        ExpectAgreementOnLettersAndSurnames(Build(file), 250);
    }
}

// The small files above, as a check of the oracle against the lists written out by hand.
TEST_F(SurnamesOracleTest, HandWrittenFilesAgreeWithTheOracle) {
    const std::vector<std::vector<std::string>> files = {
        kSpellings,
        {"Jean /Édouard/", "Eve /édouard/",   "Ole /Æbelø/",   "Jon /Þórsson/",     "Jan /ÿpma/",
         "Bo /Ýr/",        "Pat /Szymanski/", "Kim /Swift/",   "Lou /Sullivan/",    "Ida /Szabo/",
         "Viv /Zwick/",    "Gus /Young/",     "Hans /Ørsted/", "Gerard /'t Hooft/", "Ann /1st/",
         "Ivo /Ðuric/",    "Eva /µnoz/",      "Ana /Žižek/",   "Kate //",           "John Smith",
         "/Brown/",        "Hans /Weiß/",     "Otto /Weiss/",  "Jan /Šimek/",       "Eva /šimek/",
         "Hans /Œhler/",   "Anna /œhler/",    "Ed /Eimek/",    "Ann /Eric/",        "Bob /‚ric/",
         "Ann /’t Hooft/", "Jo /“brien/",     "Lu /Obrien/"},
    };
    for (const std::vector<std::string>& names : files) {
        ExpectAgreementOnLettersAndSurnames(BuildText(NamesGedcom(names)), 1000);
    }
}

// A synthetic file from make_gedcom: fifty surnames (Ø and accented ones among them) shared by
// many persons each.
TEST_F(SurnamesOracleTest, SyntheticFileAgreesWithTheOracle) {
    const std::string gedcom = dir_.File("synthetic.ged");
    const ToolRun made =
        Shell(dir_, std::string(LINEATUM_BIN_DIR) + "/make_gedcom 30000 " + Quote(gedcom) + " 5");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string table = Build(gedcom);
    const std::vector<std::pair<int, std::string>> counts = SurnameCounts(table);
    ASSERT_GE(counts.size(), 40u);
    ASSERT_GT(counts[0].first, 100);
    ExpectAgreementOnLettersAndSurnames(table, 120);
}

// Surnames in every mixture of cases, accented and plain spellings of them, spellings whose
// keys are equal ("‚" weighs as "E" once upper-cased, "’" as "'"), surnames that begin others,
// and random bytes; blanks and commas inside the slashes, empty and overlong surnames, names
// without slashes, names too long for their whole key.
std::string CaseVariantsGedcom(int count, uint64_t seed) {
    uint64_t state = seed;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    auto randomByte = [&next]() -> char {
        for (;;) {
            const auto c = static_cast<char>(1 + next() % 255);
            if (c != '\r' && c != '\n' && c != '/') return c;
        }
    };
    auto randomWord = [&](uint32_t longest) {
        std::string word;
        for (uint32_t n = 1 + next() % longest; n > 0; --n) word += randomByte();
        return word;
    };
    std::vector<std::string> surnames;
    for (const char* surname :
         {"Müller",   "Muller",     "Mueller",      "Mull",        "Müllerová", "Ångström",
          "Angstrom", "Éclair",     "Eclair",       "Eclairs",     "Weiß",      "Weiss",
          "Weis",     "Ÿpma",       "Ypma",         "Ýr",          "Øster",     "Oster",
          "Ðuric",    "Duric",      "Sullivan",     "Swift",       "Szabo",     "Szymanski",
          "Zwick",    "Zz",         "Young",        "Æbelø",       "Aebelo",    "Þór",
          "Thor",     "Smith",      "Smyth",        "Smith-Jones", "Žižek",     "Zizek",
          "O'Brien",  "'t Hooft",   "1st",          "µnoz",        "Nuñez",     "Nunez",
          "Çelik",    "Celik",      "Šimek",        "Simek",       "Œhler",     "Oehler",
          "Ōno",      "de la Cruz", "van der Berg", "St. John",    "Eric",      "‚ric",
          "Obrien",   "“brien",     "Adams",        "\u00A0dams",  "Ulm",       "–lm",
          "’t Hooft"}) {
        surnames.push_back(gedcom::Utf8ToWindows1252(surname));
    }
    for (int i = 0; i < 60; ++i) surnames.push_back(randomWord(8));
    const char* const givens[] = {"Anna", "Ben", "carl", "DORA", "Émile", "Zoë", "Åsa", "Øyvind"};

    std::string bytes = "0 HEAD\r\n1 CHAR ANSI\r\n";
    for (int i = 1; i <= count; ++i) {
        std::string surname = surnames[next() % surnames.size()];
        if (next() % 2) {
            for (char& c : surname) {
                if (next() % 2) c = static_cast<char>(OtherCase(static_cast<unsigned char>(c)));
            }
        }
        if (next() % 10 == 0) surname += randomWord(3);
        if (next() % 20 == 0) surname = " " + surname + "  ";
        if (next() % 200 == 0) surname = std::string(75, 'L');
        if (next() % 100 == 0) surname = "";
        std::string given = next() % 10 ? gedcom::Utf8ToWindows1252(givens[next() % 8]) : "";
        if (next() % 8 == 0) given = randomWord(6);
        if (next() % 12 == 0) given += " " + randomWord(60);  // keys cut at the key length
        if (next() % 3 == 0) given += " " + randomWord(5);
        bytes += "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME ";
        bytes += next() % 100 ? given + " /" + surname + "/" : given + " " + surname;
        bytes += "\r\n";
        if (i % 9 == 0) bytes += "0 @F" + std::to_string(i) + "@ FAM\r\n1 HUSB @I1@\r\n";
    }
    return bytes + "0 TRLR\r\n";
}

TEST_F(SurnamesOracleTest, CaseVariantsAndRandomSurnamesAgreeWithTheOracle) {
    const std::string table = BuildText(CaseVariantsGedcom(6000, 17));
    const std::vector<std::pair<int, std::string>> counts = SurnameCounts(table);
    ASSERT_GT(counts.size(), 100u);
    ExpectAgreementOnLettersAndSurnames(table, 300);
}

}  // namespace
