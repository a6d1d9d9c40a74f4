// lineatum-tool build: the rows of every sample's lookup table against an independent oracle
// (testdata/lookup_oracle.py), which decodes the GEDCOM bytes by the file's own character set,
// works out each row's type, name, pointer and offset and reads the built table with Python's
// dbfread.
#include <string>
#include <utility>
#include <vector>

#include "testing/TempDir.h"
#include "tools/ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

// python3 lookup_oracle.py ARGUMENTS (already quoted).
ToolRun Oracle(const TempDir& dir, const std::string& arguments) {
    return Shell(dir, std::string(LINEATUM_PYTHON) + " " + Quote(LINEATUM_LOOKUP_ORACLE) + " " +
                          arguments);
}

// The oracle compared a table with its file: exit code 0 when they agree, 1 with the
// differences when they do not; anything else means it could not run.
void ExpectAgreement(const ToolRun& run) {
    ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 1)
        << "the oracle needs python3 and python3-dbfread (scripts/setup installs them): "
        << run.out << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

// The oracle's own conversions, checked against facts known by hand, before it judges the tool.
TEST(LookupOracleTest, OracleKnowsItsConversions) {
    TempDir dir;
    const ToolRun run = Oracle(dir, "--selftest");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "selftest: 0 failures\n") << run.err;
}

// The oracle reads the character-set samples as their text says.
TEST(LookupOracleTest, OracleReadsTheCharacterSetSamples) {
    TempDir dir;
    const std::string samples = LINEATUM_SAMPLES_DIR;
    struct Expected {
        const char* file;
        std::vector<std::string> rows;  // the first rows, as --rows prints them (UTF-8)
    };
    const Expected expected[] = {
        {"utf16le.ged",
         {"I\tI1\tDvor\xC3\xA1k, Anton\xC3\xADn\t292", "I\tI2\tCerm\xC3\xA1kov\xC3\xA1, Anna\t838"}},
        {"utf16be.ged",
         {"I\tI1\tDvor\xC3\xA1k, Anton\xC3\xADn\t276", "I\tI2\tCerm\xC3\xA1kov\xC3\xA1, Anna\t772"}},
        {"gedcom7.ged",
         {"I\tPERSON1\t, Cher\t89", "I\tP12\tAllman, Gregg\t138", "R\tPERSON3\t,\t193",
          "R\tPERSON4\t,\t237"}},
        {"ansel-names.ged",
         {"I\tI1\tDvor\xC3\xA1k, Anton\xC3\xADn\t145", "I\tI2\tBront\xC3\xAB, Charlotte\t348"}},
        {"macroman.ged",
         {"I\tI1\tMu\xC3\xB1oz, Jos\xC3\xA9\t138", "I\tI2\tKierkegaard, S\xC3\xB8ren\t263"}},
        {"utf8-stray.ged",
         {"I\tI1\tDvor\xC3\xA1k, Anton\xC3\xADn\t138", "I\tI2\tDescartes, Ren\xC3\xA9\t280",
          "I\tI3\tGr\xC2\x81n, Hans\t336"}},
        {"ibmpc.ged", {"I\tI1\tMu\xC3\xB1oz, Jos\xC3\xA9\t139"}},
    };
    for (const Expected& file : expected) {
        SCOPED_TRACE(file.file);
        const ToolRun run = Oracle(dir, "--rows " + Quote(samples + "/" + file.file));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_GT(lines.size(), file.rows.size());
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1,
                                           lines.begin() + 1 + static_cast<long>(file.rows.size())),
                  file.rows);
    }
}

TEST(LookupTest, EverySampleBuildsTheRowsTheOracleExpects) {
    const std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_GE(files.size(), 10u) << "GEDCOM samples missing from the test data";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        TempDir dir;
        const std::string table = BuildWithTool(dir, file);
        ExpectAgreement(Oracle(dir, Quote(file) + " " + Quote(table)));
    }
}

// `text` as UTF-16LE bytes after a byte-order mark.
std::string Utf16Le(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Small files that stress the reading rules: every line end, a NUL inside a line, byte-order
// marks, a header that names its character set late or not at all, and records whose kind
// and pointer are unusual.
TEST(LookupTest, EdgeCasesBuildTheRowsTheOracleExpects) {
    using namespace std::string_literals;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ends.ged",
         "0 HEAD\r1 CHAR ANSI\n0 @I1@ INDI\r\n1 NAME Ann /Lee/\r0 @i2@ indi\n1 NAME Bo\x00/X/\n"
         "1 NAME  Carl   /  Day /  \r\n0 TRLR\r\n1 NAME Lost /After/\n0 @N1@ NOTE x"s},
        {"bom8.ged",
         "\xEF\xBB\xBF"
         "0 HEAD\n1 CHAR ANSEL\n0 @I1@ INDI\n1 NAME Ren\xC3\xA9 /D\xC3\xA9j\xC3\xA0/\n0 TRLR\n"s},
        {"late-char.ged",
         "0 HEAD\n1 SOUR X\n1 CHAR MAC\n1 CHAR ANSEL\n0 @I1@ INDI\n1 NAME Jos\x8E /Mu\x96oz/\n"
         "0 @I2@ FAM\n1 NAME Not /Named/\n0 TRLR\n"s},
        {"char-after-head.ged",
         "0 HEAD\n1 SOUR X\n0 @I1@ INDI\n1 CHAR ANSEL\n1 NAME Ren\xE9 /Bront\xC3\xAB/\n0 TRLR\n"s},
        {"pointers.ged",
         "0 HEAD\n0 @ABCDEFGHIJKLMNOPQRSTUVWXYZ@ INDI\n1 NAME A /B/\n0 @P1@INDI\n1 NAME C /D/\n"
         "0 @X1@ INDIVIDUAL\n1 NAME G /H/\n0 @Y1@   Indi  \n1 NAME I /J/\n0 TRLR\n"s},
        // Conversion decides what a line is: "Ę" is stored as "E", and a combining acute after
        // "NAME" makes it "NAMÉ".
        {"heads.ged",
         "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAM\u0118 Ann /Lee/\n0 @I2@ INDI\n1 NAME Bo /Day/\n"
         "1 NAME\u0301 Cy /Fox/\n0 @\u0130\u0301X@ INDI\n1 NAME Di /Gay/\n0 TRLR\n"s},
        {"utf16-cr.ged",
         Utf16Le(u"0 HEAD\r0 @I1@ INDI\r1 NAME \u00E9 /\u040C\u0301/\r0 TRLR")},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string file = dir.Write(name, bytes);
        const std::string table = BuildWithTool(dir, file);
        ExpectAgreement(Oracle(dir, Quote(file) + " " + Quote(table)));
    }
}

}  // namespace
