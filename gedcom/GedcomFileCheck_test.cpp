#include "gedcom/GedcomFileCheck.h"

#include <stdexcept>
#include <string>

#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

// Every public sample and every hand-made character-set sample is a GEDCOM file.
TEST(GedcomFileCheckTest, EverySampleIsGedcom) {
    const std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_GE(files.size(), 16u);
    for (const std::string& file : files) EXPECT_EQ(WhyNotGedcom(file), "") << file;
}

// The header may follow a byte-order mark, empty lines and blanks, in any of the line stream's
// encodings and line ends.
TEST(GedcomFileCheckTest, HeaderAfterMarkEmptyLinesAndBlanks) {
    TempDir dir;
    const auto check = [&dir](const std::string& bytes) {
        return WhyNotGedcom(dir.Write("x.ged", bytes));
    };
    EXPECT_EQ(check("0 HEAD\n1 CHAR UTF-8\n0 TRLR\n"), "");
    EXPECT_EQ(check("0 HEAD"), "");
    EXPECT_EQ(check("0 HEAD extra words\r0 TRLR\r"), "");
    EXPECT_EQ(check("\xEF\xBB\xBF\r\n\r\n  \t 0 HEAD\r\n"), "");
    EXPECT_EQ(check(std::string(200000, '\n') + "0 HEAD\n"), "");
    // UTF-16 little-endian with its mark: "\n 0 HEAD\n".
    EXPECT_EQ(check(std::string("\xFF\xFE\n\0 \0" "0\0 \0H\0E\0A\0D\0\n\0", 20)), "");
    // The same, big-endian.
    EXPECT_EQ(check(std::string("\xFE\xFF\0\n\0 \0" "0\0 \0H\0E\0A\0D\0\n", 20)), "");
}

// The kinds of file users give by mistake: a web page saved as ".ged", a text file, an empty
// file, a binary; and near misses of the header.
TEST(GedcomFileCheckTest, OtherFilesAreRefusedWithTheReason) {
    TempDir dir;
    const auto check = [&dir](const std::string& bytes) {
        return WhyNotGedcom(dir.Write("x.ged", bytes));
    };
    EXPECT_EQ(check("<!DOCTYPE html>\n<html><body>0 HEAD</body></html>\n"),
              "its first line is \"<!DOCTYPE html>\", not \"0 HEAD\"");
    EXPECT_EQ(check("Family notes, written by hand over many winters, one per line\n0 HEAD\n"),
              "its first line is \"Family notes, written by hand over many ...\", not \"0 HEAD\"");
    EXPECT_EQ(check(""), "it is empty");
    EXPECT_EQ(check("\n\r\n   \n\t\n"), "it is empty");
    EXPECT_EQ(check("\xEF\xBB\xBF"), "it is empty");
    EXPECT_EQ(check(std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10)),
              "it is not a text file (it holds NUL bytes)");
    EXPECT_EQ(check("\x89PNG\r\n\x1A\n"), "its first line is not \"0 HEAD\"");
    EXPECT_EQ(check("0 HEADER\n"), "its first line is \"0 HEADER\", not \"0 HEAD\"");
    EXPECT_EQ(check("1 HEAD\n"), "its first line is \"1 HEAD\", not \"0 HEAD\"");
    EXPECT_EQ(check("0 head\n"), "its first line is \"0 head\", not \"0 HEAD\"");
    EXPECT_EQ(check("0 @I1@ INDI\n0 HEAD\n"), "its first line is \"0 @I1@ INDI\", not \"0 HEAD\"");
    // UTF-16 without a mark is not read as text.
    EXPECT_EQ(check(std::string("0\0 \0H\0E\0A\0D\0\n\0", 14)),
              "it is not a text file (it holds NUL bytes)");
}

TEST(GedcomFileCheckTest, UnreadableFileThrowsNamingIt) {
    TempDir dir;
    try {
        WhyNotGedcom(dir.File("Missing Family.ged"));
        FAIL() << "no error for a missing file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(dir.File("Missing Family.ged")), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace gedcom
