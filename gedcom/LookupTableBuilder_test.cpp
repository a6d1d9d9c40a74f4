#include "gedcom/LookupTableBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "gedcom/TextDecoding.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupFiles.h"
#include "table/EZadarirError.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

struct Row {
    std::string type;
    std::string name;
    std::string pointer;
    int64_t offset = 0;
    bool operator==(const Row& other) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "(" << row.type << ", '" << row.name << "', " << row.pointer << ", " << row.offset
               << ")";
}

std::string TrimBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Records every label text as "A:", "I:" or "S:" + text; `onStatus` runs after each status.
class RecordingProgress : public TLookupBuildProgress {
public:
    void SetActivity(std::string_view text) override { texts.push_back("A:" + std::string(text)); }
    void SetIndividuals(std::string_view text) override {
        texts.push_back("I:" + std::string(text));
    }
    void SetStatus(std::string_view text) override {
        texts.push_back("S:" + std::string(text));
        if (onStatus) onStatus();
    }
    void ProcessPendingEvents() override { ++pumps; }

    std::vector<std::string> texts;
    std::function<void()> onStatus;
    int pumps = 0;
};

class LookupTableBuilderTest : public ::testing::Test {
protected:
    void SetUp() override { GedcomState() = TGedcomState(); }
    void TearDown() override { GedcomState() = TGedcomState(); }

    TLookupBuildResult Build(const std::string& bytes) {
        const std::string gedcom = dir_.Write("tree.ged", bytes);
        return BuildLookupTable(gedcom, dir_.File("QBTEST.DBF"), creator_, table_, progress_);
    }

    // The rows of the table in record order, read through a table component of their own.
    std::vector<Row> ReadRows(const std::string& path) {
        HTable reader;
        reader.SetDBFPath(DirectoryPart(path));
        reader.SetDBFName(NamePart(path));
        reader.SetActive(true);
        std::vector<Row> rows;
        if (reader.RecordCount() == 0) return rows;
        for (reader.First(); !reader.Eof(); reader.Skip(1)) {
            rows.push_back({TrimBlanks(reader.StringGet("RTYPE")),
                            TrimBlanks(reader.StringGet("NAME")),
                            TrimBlanks(reader.StringGet("POINTER")), reader.IntegerGet("OFFSET")});
        }
        return rows;
    }

    TempDir dir_;
    HTable table_;
    HCreateTable creator_;
    RecordingProgress progress_;
};

// --- Name composition -------------------------------------------------------------------

TEST(ComposeLookupNameTest, FollowsTheSlashRules) {
    struct Case {
        const char* line;
        const char* name;
        bool named;
    } cases[] = {
        {"1 NAME John William /Smith/", "Smith, John William", true},
        {"1 NAME /Smith/", "Smith, ", true},
        // Without slashes there is no surname; the whole value is the given part.
        {"1 NAME John Smith", ", John Smith", true},
        {"1 NAME   Cher  ", ", Cher", true},
        {"1 NAME    ", ", ", false},
        {"1 NAME John /Smith/ Jr", "Smith, John", true},
        {"1 NAME /Smith/ John", "Smith, ", true},
        {"1 NAME John /Smith", "Smith, John", true},
        {"1 NAME  John  /  Smith  /", "Smith, John", true},
        {"1 NAME //", ", ", false},
        {"1 NAME", ", ", false},
        // Untrimmed parts decide the type: a blank surname still counts.
        {"1 NAME / /", ", ", true},
    };
    for (const Case& c : cases) {
        TLookupName result = ComposeLookupName(c.line);
        EXPECT_EQ(result.name, c.name) << c.line;
        EXPECT_EQ(result.named, c.named) << c.line;
    }
}

TEST(ComposeLookupNameTest, ReadsOnlyTheCharactersUpToThe105th) {
    std::string value = std::string(95, 'a') + " /Smithson/";
    TLookupName result = ComposeLookupName("1 NAME " + value);
    // Characters 7..105 of the line: the blank, 95 letters, " /S".
    EXPECT_EQ(result.name, "S, " + std::string(95, 'a'));
}

// --- Rows -------------------------------------------------------------------------------

TEST_F(LookupTableBuilderTest, FourLineFileGivesTwoRows) {
    TLookupBuildResult result =
        Build("0 @I1@ INDI\r\n1 NAME John /Smith/\r\n0 @F1@ FAM\r\n0 TRLR\r\n");
    EXPECT_FALSE(result.cancelled);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.tablePath, dir_.File("QBTEST.DBF"));
    EXPECT_EQ(result.indexPath, dir_.File("QBTEST.CDX"));
    EXPECT_TRUE(RegularFileExists(result.indexPath));
    EXPECT_FALSE(table_.Active());
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"I", "Smith, John", "I1", 0}, {"R", "", "F1", 34}}));
    EXPECT_EQ(result.rows, 2);
    EXPECT_EQ(result.individuals, 1);
    EXPECT_EQ(result.namedIndividuals, 1);
}

// An individual is a record tagged INDI, whatever its pointer looks like.
TEST_F(LookupTableBuilderTest, RecordsTaggedIndiAreIndividualsWhateverTheirPointer) {
    TLookupBuildResult result = Build(
        "0 HEAD\n1 NAME Header /Name/\n0 @P7@ INDI\n1 NAME Ann /Lee/\n0 @i2@ indi\n"
        "1 NAME Bo /Lee/\n0 @I3@ NOTE\n1 NAME Cy /Lee/\n0 @S1@ SOUR\n"
        "0 @PERSON1@   Indi  \n1 NAME Di /Lee/\n0 @I4@ INDIVIDUAL\n1 NAME Ed /Lee/\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"I", "Lee, Ann", "P7", 28},
                                                            {"I", "Lee, Bo", "i2", 57},
                                                            {"R", "", "I3", 85},
                                                            {"R", "", "S1", 113},
                                                            {"I", "Lee, Di", "PERSON1", 125},
                                                            {"R", "", "I4", 162}}));
    EXPECT_EQ(result.individuals, 3);
    EXPECT_EQ(result.namedIndividuals, 3);
}

TEST_F(LookupTableBuilderTest, TheLastNameLineOfARecordWins) {
    TLookupBuildResult result =
        Build("0 @I1@ INDI\n1 NAME First /One/\n2 GIVN x\n1 NAME Second /Two/\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"I", "Two, Second", "I1", 0}}));
}

TEST_F(LookupTableBuilderTest, IndividualsWithoutUsableNamesGetTypeR) {
    TLookupBuildResult result =
        Build("0 @I1@ INDI\n1 SEX M\n0 @I2@ INDI\n1 NAME\n0 @I3@ INDI\n1 NAME //\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"R", "", "I1", 0}, {"R", ",", "I2", 20}, {"R", ",", "I3", 39}}));
    EXPECT_EQ(result.individuals, 3);
    EXPECT_EQ(result.namedIndividuals, 0);
}

TEST_F(LookupTableBuilderTest, LeadingBlanksAreTrimmedButTwoBlanksAfterTheLevelHideARecord) {
    TLookupBuildResult result =
        Build("   0 @I1@ INDI\n  1 NAME Ann /Lee/\n0  @I2@ INDI\n1 NAME Bo /Kay/\n0 TRLR\n");
    // The second record's lines belong to the first.
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"I", "Kay, Bo", "I1", 0}}));
}

TEST_F(LookupTableBuilderTest, LongNamesAndPointersAreCutToTheFieldWidths) {
    const std::string surname(80, 'S');
    TLookupBuildResult result =
        Build("0 @I" + std::string(30, '9') + "@ INDI\n1 NAME A /" + surname + "/\n0 TRLR\n");
    std::vector<Row> rows = ReadRows(result.tablePath);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, std::string(70, 'S'));
    EXPECT_EQ(rows[0].pointer, "I" + std::string(19, '9'));
}

TEST_F(LookupTableBuilderTest, IbmPcNamesAreComposedFromConvertedText) {
    GedcomState().Decoding = TextDecoding::CodePage437;
    // 0x82 is e acute in the IBM PC code page, 0xE9 in Windows-1252.
    TLookupBuildResult result = Build("0 @I1@ INDI\n1 NAME Ren\x82 /L\x82vy/\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"I", "L\xe9vy, Ren\xe9", "I1", 0}}));
}

// Input that once cost time or memory out of proportion: leading line breaks, a line longer
// than the line stream keeps, a file without line breaks. Nothing after them is lost.
TEST_F(LookupTableBuilderTest, OddlyShapedInputBuildsTheRowsAfterIt) {
    const std::string breaks(200000, '\n');
    TLookupBuildResult result = Build(breaks + "0 HEAD\n0 @I1@ INDI\n1 NAME Ann /Lee/\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"I", "Lee, Ann", "I1", static_cast<int64_t>(breaks.size() + 7)}}));
    const std::string note = "0 @N1@ NOTE " + std::string(3 << 20, 'x') + "\r\n";
    result = Build("0 HEAD\r\n" + note + "0 @I2@ INDI\r\n1 NAME Bo /Day/\r\n0 TRLR\r\n");
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"R", "", "N1", 8},
                                {"I", "Day, Bo", "I2", static_cast<int64_t>(8 + note.size())}}));
    result = Build("0 @I3@ INDI 1 NAME Cy /Fox/ " + std::string(5 << 20, 'y'));
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"R", "", "I3", 0}}));
}

// --- Files that end without a trailer line --------------------------------------------------

TEST_F(LookupTableBuilderTest, LastRecordIsWrittenWhenTheFileEndsOnADeeperLine) {
    TLookupBuildResult result = Build("0 @I1@ INDI\n1 NAME Ann /Lee/\n1 BIRT\n2 DATE 1900");
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"I", "Lee, Ann", "I1", 0}}));
}

TEST_F(LookupTableBuilderTest, LastRecordTakesANameOnTheVeryLastLine) {
    TLookupBuildResult result = Build("0 @F1@ FAM\n0 @I1@ INDI\n1 NAME Ann /Lee/\n");
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"R", "", "F1", 0}, {"I", "Lee, Ann", "I1", 11}}));
}

TEST_F(LookupTableBuilderTest, ARecordOnTheLastLineIsWritten) {
    TLookupBuildResult result = Build("0 @F1@ FAM\n0 @N1@ NOTE text");
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"R", "", "F1", 0}, {"R", "", "N1", 11}}));
}

TEST_F(LookupTableBuilderTest, LinesAfterATrailerMakeNoRowWithoutAPointer) {
    TLookupBuildResult result =
        Build("0 @I1@ INDI\n0 TRLR\n1 NAME Stray /Line/\n0 @I2@ INDI\n1 NAME Ann /Lee/\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath),
              (std::vector<Row>{{"R", "", "I1", 0}, {"I", "Lee, Ann", "I2", 39}}));
}

TEST_F(LookupTableBuilderTest, EmptyFileGivesAnEmptyIndexedTable) {
    TLookupBuildResult result = Build("");
    EXPECT_TRUE(ReadRows(result.tablePath).empty());
    EXPECT_TRUE(RegularFileExists(result.indexPath));
    EXPECT_EQ(progress_.texts,
              (std::vector<std::string>{"A:Creating index files...", "S:100% done"}));
}

// --- Progress and cancel ------------------------------------------------------------------

std::string ManyIndividuals(int count) {
    std::string bytes = "0 HEAD\n1 CHAR ANSI\n2 VERS x\n";
    for (int i = 1; i <= count; ++i) {
        bytes += "0 @I" + std::to_string(i) + "@ INDI\n1 NAME Given /Sur" + std::to_string(i) +
                 "/\n2 SURN x\n\n";
    }
    return bytes + "0 TRLR\n";
}

TEST_F(LookupTableBuilderTest, LabelsChangeEveryTwoHundredCountedLines) {
    const std::string bytes = ManyIndividuals(300);
    TLookupBuildResult result = Build(bytes);
    // Counted lines: "0 HEAD", "1 CHAR", then two per individual, then "0 TRLR": 603. The
    // 200th is line "1 NAME" of I99, the 400th "1 NAME" of I199, the 600th of I299.
    std::vector<std::string> want = {"A:Creating index files..."};
    for (int n : {99, 199, 299}) {
        const std::string name = "1 NAME Given /Sur" + std::to_string(n) + "/";
        const size_t offset = bytes.find(name + "\n");
        want.push_back("I:" + std::to_string(n) + " individuals found");
        want.push_back("S:" + std::to_string(offset * 100 / bytes.size()) + "% done");
    }
    want.push_back("S:100% done");
    EXPECT_EQ(progress_.texts, want);
    EXPECT_EQ(progress_.pumps, 4);
    EXPECT_EQ(result.rows, 300);
}

// The names of the files in the test folder.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(LookupTableBuilderTest, CancelStopsAtTheNextProgressPointAndKeepsThePreviousTable) {
    Build("0 @I1@ INDI\n1 NAME Ann /Lee/\n0 TRLR\n");
    const std::vector<std::string> before = FilesIn(dir_.Path());
    progress_.texts.clear();
    progress_.onStatus = [] { GedcomState().BuildCancelled = true; };
    GedcomState().BuildCancelled = true;  // a stale flag from an earlier build is cleared
    TLookupBuildResult result = Build(ManyIndividuals(300));
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(GedcomState().BuildCancelled);
    EXPECT_EQ(progress_.texts.back(), "S:31% done");
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"I", "Lee, Ann", "I1", 0}}));
    EXPECT_TRUE(LookupFilesBelongTogether(result.tablePath, result.indexPath));
    EXPECT_EQ(FilesIn(dir_.Path()), before) << "the build's own files are gone";
    EXPECT_FALSE(table_.Active());
}

// --- Index --------------------------------------------------------------------------------

TEST_F(LookupTableBuilderTest, PointerTagFindsEveryRecordAndNameTagPutsIndividualsFirst) {
    TLookupBuildResult result = Build(
        "0 @F1@ FAM\n0 @I1@ INDI\n1 NAME Zoe /Young/\n0 @I2@ INDI\n1 NAME al /brown/\n"
        "0 @S1@ SOUR\n0 @I3@ INDI\n1 NAME Cy /Adams/\n0 TRLR\n");
    HTable reader;
    reader.SetDBFPath(dir_.Path());
    reader.SetDBFName("QBTEST.DBF");
    reader.SetActive(true);
    ASSERT_TRUE(reader.IndexOpen("\"" + result.indexPath + "\"", "NAME"));
    std::vector<std::string> pointers;
    for (reader.First(); !reader.Eof(); reader.Skip(1)) {
        pointers.push_back(TrimBlanks(reader.StringGet("POINTER")));
    }
    EXPECT_EQ(pointers, (std::vector<std::string>{"I3", "I2", "I1", "F1", "S1"}));
    reader.SetTagTo("POINTER");
    for (const char* pointer : {"F1", "I1", "I2", "S1", "I3"}) {
        ASSERT_TRUE(reader.Find(pointer)) << pointer;
        EXPECT_EQ(TrimBlanks(reader.StringGet("POINTER")), pointer);
    }
    EXPECT_FALSE(reader.Find("I4"));
}

TEST_F(LookupTableBuilderTest, ALeftoverIndexFileIsReplaced) {
    dir_.Write("QBTEST.CDX", std::string(1024, 'x'));
    TLookupBuildResult result = Build("0 @I1@ INDI\n1 NAME Ann /Lee/\n0 TRLR\n");
    EXPECT_FALSE(result.failed);
    HTable reader;
    reader.SetDBFPath(dir_.Path());
    reader.SetDBFName("QBTEST.DBF");
    reader.SetActive(true);
    ASSERT_TRUE(reader.IndexOpen("\"" + result.indexPath + "\"", "POINTER"));
    EXPECT_TRUE(reader.Find("I1"));
}

TEST_F(LookupTableBuilderTest, RebuildOverwritesThePreviousTable) {
    Build("0 @I1@ INDI\n0 @I2@ INDI\n0 TRLR\n");
    TLookupBuildResult result = Build("0 @I9@ INDI\n0 TRLR\n");
    EXPECT_EQ(ReadRows(result.tablePath), (std::vector<Row>{{"R", "", "I9", 0}}));
}

// --- Failures -----------------------------------------------------------------------------

TEST_F(LookupTableBuilderTest, MissingGedcomFileThrowsAndKeepsThePreviousTable) {
    // An earlier, complete build at the same path.
    Build("0 @I1@ INDI\n0 TRLR\n");
    const std::vector<std::string> before = FilesIn(dir_.Path());
    EXPECT_THROW(BuildLookupTable(dir_.File("gone.ged"), dir_.File("QBTEST.DBF"), creator_, table_,
                                  progress_),
                 std::runtime_error);
    EXPECT_EQ(ReadRows(dir_.File("QBTEST.DBF")), (std::vector<Row>{{"R", "", "I1", 0}}));
    EXPECT_EQ(FilesIn(dir_.Path()), before);
    EXPECT_FALSE(table_.Active());
}

TEST_F(LookupTableBuilderTest, EngineErrorThroughTheHandlerGivesFailedAndNoFiles) {
    std::vector<std::string> errors;
    table_.OnZadarirError = [&errors](int code, int subCode, const std::string& text) {
        errors.push_back(ZadarirMessage(code, subCode, text));
    };
    const std::string gedcom = dir_.Write("tree.ged", "0 @I1@ INDI\n0 TRLR\n");
    TLookupBuildResult result =
        BuildLookupTable(gedcom, dir_.File("missing/QBTEST.DBF"), creator_, table_, progress_);
    EXPECT_TRUE(result.failed);
    EXPECT_FALSE(errors.empty());
    EXPECT_FALSE(RegularFileExists(result.tablePath));
    EXPECT_FALSE(RegularFileExists(result.indexPath));
}

TEST_F(LookupTableBuilderTest, EngineErrorWithoutAHandlerIsThrown) {
    const std::string gedcom = dir_.Write("tree.ged", "0 @I1@ INDI\n0 TRLR\n");
    EXPECT_THROW(
        BuildLookupTable(gedcom, dir_.File("missing/QBTEST.DBF"), creator_, table_, progress_),
        EZadarirError);
}

// --- Every sample, read back by independent readers -------------------------------------------
// (What each row must hold is checked against an independent decoder by the tool tests.)

// Runs a shell command and returns its standard output; `ok` tells whether it exited with 0.
std::string RunCommand(const std::string& command, bool* ok) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        *ok = false;
        return output;
    }
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    *ok = ::pclose(pipe) == 0;
    return output;
}

bool HaveDbfread() {
    return std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") == 0;
}

bool HavePerlIndexReader() { return std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0; }

// The rows as Python's dbfread reads them (a black box), bytes kept through Latin-1.
std::vector<Row> DbfreadRows(const TempDir& dir, const std::string& table) {
    const std::string script = dir.Write("rows.py",
                                         "import sys, dbfread\n"
                                         "for r in dbfread.DBF(sys.argv[1], encoding='latin-1'):\n"
                                         "    sys.stdout.buffer.write(('%s\\t%s\\t%s\\t%d\\n' % (\n"
                                         "        r['RTYPE'], r['NAME'], r['POINTER'],\n"
                                         "        r['OFFSET'])).encode('latin-1'))\n");
    bool ok = false;
    const std::string out =
        RunCommand("/usr/bin/python3 '" + script + "' '" + table + "' 2>&1", &ok);
    EXPECT_TRUE(ok) << out;
    std::vector<Row> rows;
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = out.substr(start, end - start);
        const size_t t1 = line.find('\t');
        const size_t t2 = line.find('\t', t1 + 1);
        const size_t t3 = line.find('\t', t2 + 1);
        rows.push_back({line.substr(0, t1), line.substr(t1 + 1, t2 - t1 - 1),
                        line.substr(t2 + 1, t3 - t2 - 1), std::atoll(line.c_str() + t3 + 1)});
    }
    return rows;
}

// Record numbers in the order of `tag` as Perl's XBase::Index reads the index (a black box).
std::vector<int> PerlOrder(const TempDir& dir, const std::string& index, const std::string& tag) {
    const std::string script =
        dir.Write("order.pl",
                  "use XBase::Index;\n"
                  "my $i = XBase::Index->new($ARGV[0], 'tag' => $ARGV[1], 'type' => 'char')\n"
                  "  or die XBase::Index->errstr;\n"
                  "$i->prepare_select;\n"
                  "while (my ($k, $v) = $i->fetch) { print \"$v\\n\"; }\n");
    bool ok = false;
    const std::string out = RunCommand("perl '" + script + "' '" + index + "' " + tag, &ok);
    EXPECT_TRUE(ok) << out;
    std::vector<int> order;
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        order.push_back(std::atoi(out.c_str() + start));
    }
    return order;
}

// Record numbers in the order of `tag` as the engine walks it.
std::vector<int> EngineOrder(const TLookupBuildResult& result, const std::string& tag) {
    HTable reader;
    reader.SetDBFPath(DirectoryPart(result.tablePath));
    reader.SetDBFName(NamePart(result.tablePath));
    reader.SetActive(true);
    std::vector<int> order;
    if (!reader.IndexOpen("\"" + result.indexPath + "\"", tag) || reader.RecordCount() == 0) {
        return order;
    }
    for (reader.First(); !reader.Eof(); reader.Skip(1)) order.push_back(reader.RecNo());
    return order;
}

TEST_F(LookupTableBuilderTest, EverySampleFindsEachOfItsPointers) {
    const std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_FALSE(files.empty()) << "no GEDCOM samples";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        GedcomState().Decoding = ChooseTextDecoding(file);
        TLookupBuildResult result =
            BuildLookupTable(file, dir_.File("SAMPLE.DBF"), creator_, table_, progress_);
        ASSERT_FALSE(result.failed);
        const std::vector<Row> want = ReadRows(result.tablePath);
        EXPECT_EQ(result.rows, static_cast<int64_t>(want.size()));
        EXPECT_GT(want.size(), 0u);

        HTable reader;
        reader.SetDBFPath(dir_.Path());
        reader.SetDBFName("SAMPLE.DBF");
        reader.SetActive(true);
        ASSERT_TRUE(reader.IndexOpen("\"" + result.indexPath + "\"", "POINTER"));
        for (const Row& row : want) {
            ASSERT_TRUE(reader.Find(row.pointer)) << row.pointer;
            EXPECT_EQ(TrimBlanks(reader.StringGet("POINTER")), row.pointer);
        }
    }
}

TEST_F(LookupTableBuilderTest, IndependentReadersAgreeOnEverySample) {
    const std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_FALSE(files.empty()) << "no GEDCOM samples";
    const bool dbfread = HaveDbfread();
    const bool perl = HavePerlIndexReader();
    if (!dbfread && !perl) GTEST_SKIP() << "neither python3-dbfread nor perl XBase::Index";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        GedcomState().Decoding = ChooseTextDecoding(file);
        TLookupBuildResult result =
            BuildLookupTable(file, dir_.File("SAMPLE.DBF"), creator_, table_, progress_);
        const std::vector<Row> want = ReadRows(result.tablePath);
        if (dbfread) {
            EXPECT_EQ(DbfreadRows(dir_, result.tablePath), want);
        }
        if (!perl) continue;
        for (const char* tag : {"NAME", "POINTER"}) {
            const std::vector<int> order = PerlOrder(dir_, result.indexPath, tag);
            EXPECT_EQ(order, EngineOrder(result, tag)) << tag;
            EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), want.size()) << tag;
        }
        // Tag NAME: every "I" row comes before every "R" row.
        const std::vector<int> byName = PerlOrder(dir_, result.indexPath, "NAME");
        bool seenR = false;
        for (int record : byName) {
            ASSERT_GE(record, 1);
            ASSERT_LE(record, static_cast<int>(want.size()));
            const bool isR = want[static_cast<size_t>(record - 1)].type == "R";
            EXPECT_FALSE(seenR && !isR) << "record " << record;
            seenR = seenR || isR;
        }
    }
}

}  // namespace
}  // namespace gedcom
