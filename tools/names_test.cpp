// lineatum-tool names: the Select Person search run from the command line. Small cases are
// checked line by line; real and synthetic files against an independent oracle
// (testdata/names_oracle.py), which orders the table's rows as read by Python's dbfread under
// the general collation of doc/cdx_format.md, never through our index.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gedcom/Windows1252.h"
#include "testing/TempDir.h"
#include "tools/ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

class NamesTest : public ::testing::Test {
protected:
    // Builds the lookup table of `gedcom` with the tool; returns the table's path.
    std::string Build(const std::string& gedcom, const std::string& name = "LOOKUP.DBF") {
        return BuildWithTool(dir_, gedcom, name);
    }
    // lineatum-tool names TABLE ARGUMENTS (already quoted).
    ToolRun Names(const std::string& table, const std::string& arguments) {
        return Shell(dir_, Tool() + " names " + Quote(table) + " " + arguments);
    }
    // lineatum-tool names TABLE --count N - with `input` on stdin.
    ToolRun NamesFromStdin(const std::string& table, int count, const std::string& input) {
        const std::string file = dir_.Write("prefixes.txt", input);
        return Shell(dir_, Tool() + " names " + Quote(table) + " --count " + std::to_string(count) +
                               " - <" + Quote(file));
    }

    TempDir dir_;
};

// --- Small cases, line by line -----------------------------------------------------------------

// Eight named individuals (two with the same name), and rows that have no name: an individual
// whose NAME has no value, one without NAME, a submitter with a NAME line, a family and a note.
// Windows-1252 text.
std::string SmallGedcom() {
    return "0 HEAD\r\n1 CHAR ANSI\r\n"
           "0 @I1@ INDI\r\n1 NAME John /Smith/\r\n"
           "0 @I2@ INDI\r\n1 NAME Ann /Smith/\r\n"
           "0 @I3@ INDI\r\n1 NAME Mary /Smythe/\r\n"
           "0 @I4@ INDI\r\n1 NAME J\xFCrgen /M\xFCller/\r\n"
           "0 @I5@ INDI\r\n1 NAME \xC9tienne /L\xE9v\xEAque/\r\n"
           "0 @I6@ INDI\r\n1 NAME\r\n"
           "0 @I7@ INDI\r\n1 SEX M\r\n"
           "0 @F1@ FAM\r\n1 HUSB @I1@\r\n"
           "0 @N1@ NOTE A note\r\n"
           "0 @P7@ SUBM\r\n1 NAME Zed /Adams/\r\n"
           "0 @I8@ INDI\r\n1 NAME John /Smith/\r\n"
           "0 @I9@ INDI\r\n1 NAME /Young/\r\n"
           "0 @I10@ INDI\r\n1 NAME Eve /Brown/\r\n"
           "0 TRLR\r\n";
}

// Every name of SmallGedcom in NAME order, as the tool prints them.
const std::vector<std::string> kAllNames = {
    "I10\tBrown, Eve",
    "I5\tL\xC3\xA9v\xC3\xAAque, \xC3\x89tienne",
    "I4\tM\xC3\xBCller, J\xC3\xBCrgen",
    "I2\tSmith, Ann",
    "I1\tSmith, John",
    "I8\tSmith, John",
    "I3\tSmythe, Mary",
    "I9\tYoung,",
};

// The names of kAllNames from `first` on, at most `count`, then "--".
std::vector<std::string> From(size_t first, size_t count = 10) {
    std::vector<std::string> lines;
    for (size_t i = first; i < kAllNames.size() && lines.size() < count; ++i) {
        lines.push_back(kAllNames[i]);
    }
    lines.push_back("--");
    return lines;
}

TEST_F(NamesTest, PrintsTheNameItLandsOnAndTheNamesAfterIt) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    ToolRun run = Names(table, "smi");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "I2\tSmith, Ann\nI1\tSmith, John\nI8\tSmith, John\nI3\tSmythe, Mary\nI9\tYoung,\n"
              "--\n");
    // Exact names, names between names, case and blanks around the text.
    EXPECT_EQ(Lines(Names(table, "'Smith, John'").out), From(4));
    EXPECT_EQ(Lines(Names(table, "'  sMITH, j  '").out), From(4));
    EXPECT_EQ(Lines(Names(table, "smithy").out), From(6));
    EXPECT_EQ(Lines(Names(table, "c").out), From(1));
    EXPECT_EQ(Lines(Names(table, "YOUNG").out), From(7));
}

TEST_F(NamesTest, EmptyTextStartsAtTheFirstNameAndRowsWithoutNameNeverShow) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    // I6, I7, P7, F1 and N1 have no name in the list.
    EXPECT_EQ(Lines(Names(table, "''").out), From(0));
    EXPECT_EQ(Lines(Names(table, "'   '").out), From(0));
    EXPECT_EQ(Lines(Names(table, "a").out), From(0));
}

TEST_F(NamesTest, CountLimitsTheRowsAndTheEndOfTheListCutsThemShort) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    EXPECT_EQ(Lines(Names(table, "--count 2 smi").out), From(3, 2));
    EXPECT_EQ(Lines(Names(table, "--count 1 ''").out), From(0, 1));
    EXPECT_EQ(Lines(Names(table, "--count 3 smythe").out), From(6, 3));  // two left
    EXPECT_EQ(Lines(Names(table, "--count 100 ''").out), From(0, 100));
}

TEST_F(NamesTest, NothingButTheSeparatorAfterTheLastName) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    for (const char* text : {"z", "zzzz", "Young, Z", "YOUNG,A"}) {
        const ToolRun run = Names(table, Quote(text));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "--\n") << text;
    }
}

TEST_F(NamesTest, SeveralPrefixesGiveOneBlockEach) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    EXPECT_EQ(Names(table, "--count 1 brown zzz smythe").out,
              "I10\tBrown, Eve\n--\n--\nI3\tSmythe, Mary\n--\n");
}

// The typed text is UTF-8 and converted to Windows-1252 before the search. Unaccented text
// finds accented names; an accent in the text weighs after every name that continues with
// more letters, as the general collation orders keys.
TEST_F(NamesTest, AccentedTextFollowsTheCollation) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    EXPECT_EQ(Lines(Names(table, "mul").out), From(2));
    EXPECT_EQ(Lines(Names(table, "leveque").out), From(1));
    EXPECT_EQ(Lines(Names(table, "'m\xC3\xBCller, j\xC3\xBCrgen'").out), From(2));
    EXPECT_EQ(Lines(Names(table, "le").out), From(1));
    EXPECT_EQ(Lines(Names(table, "'L\xC3\xA9'").out), From(2));
    EXPECT_EQ(Lines(Names(table, "'L\xC3\xA9v\xC3\xAAque'").out), From(2));
    // A text that sorts below every name (the euro sign weighs less than a blank): the first.
    EXPECT_EQ(Lines(Names(table, "'\xE2\x82\xAC'").out), From(0));
    // Characters Windows-1252 cannot hold and invalid UTF-8 are sought as '?'.
    EXPECT_EQ(Names(table, "'\xE4\xB8\x80'").out, Names(table, "'?'").out);
    EXPECT_EQ(Names(table, "'Sm\xFF'").out, Names(table, "'Sm?'").out);
}

TEST_F(NamesTest, ReadsOnePrefixALineFromStandardInput) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    const ToolRun run = NamesFromStdin(table, 2, "smi\r\n\nzzz\r\nM\xC3\xBCller\nyoung");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> want = From(3, 2);
    for (const auto& block : {From(0, 2), From(8), From(3, 2), From(7, 2)}) {
        want.insert(want.end(), block.begin(), block.end());
    }
    EXPECT_EQ(Lines(run.out), want);
    EXPECT_EQ(NamesFromStdin(table, 2, "").out, "");
    // "-" among other prefixes is a prefix like any other.
    EXPECT_EQ(Names(table, "--count 1 - zzz").out, "I10\tBrown, Eve\n--\n--\n");
}

TEST_F(NamesTest, ProblemsGiveOneErrorLineAndFail) {
    const std::string table = Build(dir_.Write("small.ged", SmallGedcom()));
    const auto [noIndex, noNameTag] = UnsearchableCopies(dir_, table);
    const std::string names = Tool() + " names ";
    for (const std::string& command :
         {names, names + Quote(table), names + Quote(dir_.File("MISSING.DBF")) + " smi",
          names + Quote(noIndex) + " smi", names + Quote(noNameTag) + " smi",
          names + Quote(table) + " --count", names + Quote(table) + " --count smi",
          names + Quote(table) + " --count 0 smi", names + Quote(table) + " --count -3 smi",
          names + Quote(table) + " --count 3x smi", names + Quote(table) + " --count '' smi",
          names + Quote(table) + " --count 5"}) {
        const ToolRun run = Shell(dir_, command);
        EXPECT_NE(run.exitCode, 0) << command;
        EXPECT_EQ(run.out, "") << command;
        ASSERT_EQ(run.err.rfind("lineatum-tool: ", 0), 0u) << command << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << command << ": " << run.err;
    }
    EXPECT_NE(Names(noNameTag, "smi").err.find("NAME"), std::string::npos);
}

// A NAME key whose last weight is the sharp s (0x0C, no accent codes after it) is stored as it
// is: it must not come back from its leaf as an accent code (0xFC), which would take
// "Weiss, Ross" (with sharp s) for a key after "Weiss, Rob".
TEST_F(NamesTest, KeyEndingInSharpSIsSoughtAsStored) {
    const std::string table =
        Build(dir_.Write("sharp.ged",
                         "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r\n1 NAME Ro\xDF /Wei\xDF/\r\n"
                         "0 @I2@ INDI\r\n1 NAME Rob /Wei\xDF/\r\n0 TRLR\r\n"));
    EXPECT_EQ(Names(table, "--count 1 'wei\xC3\x9F, rob'").out, "I2\tWei\xC3\x9F, Rob\n--\n");
    EXPECT_EQ(Names(table, "'wei\xC3\x9F, ro\xC3\x9F'").out,
              "I1\tWei\xC3\x9F, Ro\xC3\x9F\nI2\tWei\xC3\x9F, Rob\n--\n");
}

// A tag build puts a key before the longer keys it begins, and seeks must agree, also where the
// longer key goes on with a weight below a blank's (sharp s 0x0C; control characters, the euro
// sign, Z caron 0x10): typing a whole name lands on it.
TEST_F(NamesTest, TypingAWholeNameLandsOnItWhenAnotherNameBeginsIt) {
    const std::string table =
        Build(dir_.Write("prefix.ged",
                         "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r\n1 NAME Ro /Wei\xDF/\r\n"
                         "0 @I2@ INDI\r\n1 NAME Ro\xDF\x61 /Wei\xDF/\r\n"
                         "0 @I3@ INDI\r\n1 NAME \x80 /Young/\r\n"
                         "0 @I4@ INDI\r\n1 NAME /Young/\r\n0 TRLR\r\n"));
    EXPECT_EQ(Names(table, "--count 1 'Wei\xC3\x9F, Ro'").out, "I1\tWei\xC3\x9F, Ro\n--\n");
    EXPECT_EQ(Names(table, "--count 1 'Wei\xC3\x9F, Ro\xC3\x9F\x61'").out,
              "I2\tWei\xC3\x9F, Ro\xC3\x9F\x61\n--\n");
    EXPECT_EQ(Names(table, "--count 1 'Young,'").out, "I4\tYoung,\n--\n");
    EXPECT_EQ(Names(table, "--count 1 'Young, \xE2\x82\xAC'").out, "I3\tYoung, \xE2\x82\xAC\n--\n");
}

// --- Against the oracle --------------------------------------------------------------------------

// Cuts UTF-8 `text` after `count` characters.
std::string FirstCharacters(const std::string& text, size_t count) {
    size_t i = 0;
    for (size_t seen = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) break;
    }
    return text.substr(0, i);
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Texts to type for a list of names (UTF-8): each `step`-th name whole, cut, lower-cased, with
// blanks around, followed by more letters; and fixed texts around the ends of the list, with
// accents, signs that sort below a blank, characters Windows-1252 cannot hold and invalid UTF-8.
std::vector<std::string> Prefixes(const std::vector<std::string>& names, size_t step) {
    std::vector<std::string> prefixes = {
        "",
        " ",
        "A",
        "a",
        "Z",
        "z",
        "ZZZZZZ",
        "~",
        "0",
        "9",
        ",",
        ", ",
        "'",
        "?",
        "@",
        "M\xC3\xBCller",
        "m\xC3\xBCller",
        "M\xC3\x9CLLER",
        "\xC3\x89",
        "\xC3\xA9",
        "\xC3\x96",
        "\xC3\xB6",
        "\xC3\x85str\xC3\xB6m",
        "Smith",
        "smith",
        "SMITH, JOHN",
        "O'",
        "de la",
        "van der",
        "St.",
        "Ho\xC3\x9F",
        "HOSS",
        "\xE2\x82\xAC",
        "\xC5\xBD",
        "\xC5\xBE",
        "\xC3\x9F",
        "\xC5\xA0",
        "\xC5\x92",
        "\xC3\x86",
        "\xC3\x9E",
        "!",
        "\xE4\xB8\x80",
        "\xF0\x9F\x98\x80",
        "\xFF",
        "Sm\xC3",
        "Sm\xC3ith",
        "\tSmith",
        "Smith\t",
        std::string(300, 'W'),
    };
    for (size_t i = 0; i < names.size(); i += step) {
        const std::string& name = names[i];
        prefixes.push_back(name);
        for (size_t n : {1, 2, 3, 5, 8}) prefixes.push_back(FirstCharacters(name, n));
        const size_t comma = name.find(',');
        if (comma != std::string::npos) {
            prefixes.push_back(name.substr(0, comma));
            prefixes.push_back(name.substr(0, comma + 1));
            prefixes.push_back(name.substr(0, comma) + "a");
        }
        prefixes.push_back(AsciiLower(name));
        prefixes.push_back("  " + FirstCharacters(name, 4) + "  ");
        prefixes.push_back(name + "zz");
        prefixes.push_back(name + "a");
    }
    return prefixes;
}

class NamesOracleTest : public NamesTest {
protected:
    // Every name of the table in NAME order as the tool lists it (UTF-8).
    std::vector<std::string> AllNames(const std::string& table) {
        const ToolRun run = Names(table, "--count 999999999 ''");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::vector<std::string> names;
        for (const std::string& line : Lines(run.out)) {
            const size_t tab = line.find('\t');
            if (tab != std::string::npos) names.push_back(line.substr(tab + 1));
        }
        return names;
    }

    // Runs `prefixes` through the tool and the oracle with `count` and compares the blocks.
    void ExpectAgreement(const std::string& table, const std::vector<std::string>& prefixes,
                         int count) {
        std::string input;
        for (const std::string& prefix : prefixes) input += prefix + "\n";
        const std::string file = dir_.Write("prefixes.txt", input);
        const ToolRun tool = Shell(dir_, Tool() + " names " + Quote(table) + " --count " +
                                             std::to_string(count) + " - <" + Quote(file));
        ASSERT_EQ(tool.exitCode, 0) << tool.err;
        const ToolRun oracle =
            Shell(dir_, std::string(LINEATUM_PYTHON) + " " + Quote(LINEATUM_NAMES_ORACLE) + " " +
                            Quote(table) + " " + std::to_string(count) + " <" + Quote(file));
        ASSERT_EQ(oracle.exitCode, 0)
            << "the oracle needs python3 and python3-dbfread (scripts/setup installs them): "
            << oracle.err;
        const std::vector<Block> got = Blocks(tool.out);
        const std::vector<Block> want = Blocks(oracle.out);
        ASSERT_EQ(want.size(), prefixes.size()) << oracle.err;
        ASSERT_EQ(got.size(), prefixes.size());
        int reported = 0;
        for (size_t i = 0; i < prefixes.size() && reported < 5; ++i) {
            if (got[i] == want[i]) continue;
            size_t first = 0;
            while (first < got[i].size() && first < want[i].size() &&
                   got[i][first] == want[i][first]) {
                ++first;
            }
            ADD_FAILURE() << table << ", prefix \"" << prefixes[i] << "\", from row " << first
                          << ":\n--- tool:\n"
                          << Excerpt(got[i], first) << "--- oracle:\n"
                          << Excerpt(want[i], first);
            ++reported;
        }
    }

    // The rows printed for one prefix.
    using Block = std::vector<std::string>;

    // The output split into one block per prefix (each ending before its "--").
    static std::vector<Block> Blocks(const std::string& out) {
        std::vector<Block> blocks(1);
        for (std::string& line : Lines(out)) {
            if (line == "--") {
                blocks.emplace_back();
            } else {
                blocks.back().push_back(std::move(line));
            }
        }
        blocks.pop_back();
        return blocks;
    }
};

TEST_F(NamesOracleTest, SampleFilesAgreeWithTheOracle) {
    const std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_GE(files.size(), 4u) << "GEDCOM samples missing from the test data";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string table = Build(file);
        const std::vector<std::string> names = AllNames(table);
        const std::vector<std::string> prefixes = Prefixes(names, names.size() / 400 + 1);
        ExpectAgreement(table, prefixes, 10);
        ExpectAgreement(table, {""}, 999999999);  // the whole list
        const size_t few = std::min<size_t>(prefixes.size(), 200);
        ExpectAgreement(table, {prefixes.begin(), prefixes.begin() + static_cast<long>(few)}, 1);
    }
}

// A GEDCOM file of `count` individuals whose names are drawn from the bytes a NAME line can
// hold (all but NUL, CR, LF and "/"), mostly letters and accented letters; many share a
// surname, and some surnames begin with another.
std::string RandomNamesGedcom(int count, uint64_t seed) {
    uint64_t state = seed;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    auto byte = [&next]() -> char {
        for (;;) {
            const uint32_t kind = next() % 10;
            char c;
            if (kind < 5)
                c = static_cast<char>((next() % 2 ? 'A' : 'a') + next() % 26);
            else if (kind < 8)
                c = static_cast<char>(0x80 + next() % 128);
            else
                c = static_cast<char>(1 + next() % 127);
            if (c != '\r' && c != '\n' && c != '/') return c;
        }
    };
    auto word = [&](uint32_t longest) {
        std::string w;
        for (uint32_t n = 1 + next() % longest; n > 0; --n) w += byte();
        return w;
    };
    std::vector<std::string> surnames;
    for (int i = 0; i < 300; ++i) surnames.push_back(word(8));
    std::string bytes = "0 HEAD\r\n1 CHAR ANSI\r\n";
    for (int i = 1; i <= count; ++i) {
        std::string surname = next() % 3 ? surnames[next() % surnames.size()] : word(10);
        if (next() % 8 == 0) surname += word(3);
        std::string given = next() % 10 ? word(6) : "";
        if (next() % 3 == 0) given += " " + word(6);
        bytes +=
            "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME " + given + " /" + surname + "/\r\n";
        if (i % 7 == 0) bytes += "0 @F" + std::to_string(i) + "@ FAM\r\n1 HUSB @I1@\r\n";
    }
    return bytes + "0 TRLR\r\n";
}

// Random Windows-1252 texts of one to four bytes, as UTF-8.
std::vector<std::string> RandomPrefixes(int count, uint64_t seed) {
    uint64_t state = seed;
    std::vector<std::string> prefixes;
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (int n = 0; n < 1 + i % 4; ++n) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            const auto c = static_cast<unsigned char>(state >> 56);
            if (c != 0 && c != '\r' && c != '\n') text += static_cast<char>(c);
        }
        prefixes.push_back(gedcom::Windows1252ToUtf8(text));
    }
    return prefixes;
}

TEST_F(NamesOracleTest, NamesOfEveryByteAgreeWithTheOracle) {
    const std::string table = Build(dir_.Write("random.ged", RandomNamesGedcom(20000, 11)));
    const std::vector<std::string> names = AllNames(table);
    ASSERT_GT(names.size(), 18000u);
    std::vector<std::string> prefixes = Prefixes(names, 20);
    const std::vector<std::string> random = RandomPrefixes(3000, 5);
    prefixes.insert(prefixes.end(), random.begin(), random.end());
    ExpectAgreement(table, prefixes, 10);
    ExpectAgreement(table, {""}, 999999999);  // the whole list
}

// A synthetic file of 300,000 individuals with accented names, many of them alike.
TEST_F(NamesOracleTest, LargeSyntheticFileAgreesWithTheOracle) {
    const std::string gedcom = dir_.File("synthetic.ged");
    const ToolRun made =
        Shell(dir_, std::string(LINEATUM_BIN_DIR) + "/make_gedcom 300000 " + Quote(gedcom) + " 3");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string table = Build(gedcom);
    const std::vector<std::string> names = AllNames(table);
    ASSERT_EQ(names.size(), 300000u);
    ExpectAgreement(table, Prefixes(names, 150), 10);
}

}  // namespace
