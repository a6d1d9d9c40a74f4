#include "gedcom/CharacterSet.h"

#include <string>

#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

class CharacterSetTest : public ::testing::Test {
protected:
    CharacterSet Detect(const std::string& bytes) {
        return DetectCharacterSet(dir_.Write("c.ged", bytes));
    }
    TempDir dir_;
};

TEST_F(CharacterSetTest, EachDeclaredSetGivesItsCode) {
    EXPECT_EQ(Detect("0 HEAD\r\n1 CHAR IBMPC\r\n0 TRLR\r\n"), CharacterSet::IbmPc);
    EXPECT_EQ(Detect("0 HEAD\r\n1 CHAR ANSI\r\n0 TRLR\r\n"), CharacterSet::Ansi);
    EXPECT_EQ(Detect("0 HEAD\r\n1 CHAR ANSEL\r\n0 TRLR\r\n"), CharacterSet::Ansel);
    EXPECT_EQ(Detect("0 HEAD\r\n1 CHAR MACINTOSH\r\n0 TRLR\r\n"), CharacterSet::Mac);
    EXPECT_EQ(Detect("0 HEAD\r\n1 CHAR UTF-8\r\n0 TRLR\r\n"), CharacterSet::Other);
    EXPECT_EQ(Detect("0 HEAD\r\n1 CHAR ASCII\r\n0 TRLR\r\n"), CharacterSet::Other);
}

TEST_F(CharacterSetTest, ValuesAreSearchedCaseInsensitivelyAsSubstrings) {
    EXPECT_EQ(Detect("0 HEAD\n1 char ibmpc\n"), CharacterSet::IbmPc);
    EXPECT_EQ(Detect("0 HEAD\n1 CHAR IBMPC-850\n"), CharacterSet::IbmPc);
    EXPECT_EQ(Detect("0 HEAD\n1 CHAR ANSI/ASCII\n"), CharacterSet::Ansi);
    EXPECT_EQ(Detect("0 HEAD\n   1 CHAR ANSEL   \n"), CharacterSet::Ansel);
}

TEST_F(CharacterSetTest, CharLineAfterOtherHeaderLinesIsFound) {
    EXPECT_EQ(Detect("0 HEAD\r\n1 SOUR PAF\r\n2 VERS 2.2\r\n1 CHAR IBMPC\r\n0 @I1@ INDI\r\n"),
              CharacterSet::IbmPc);
}

TEST_F(CharacterSetTest, CharLineInALaterRecordIsNotSeen) {
    EXPECT_EQ(Detect("0 HEAD\r\n1 SOUR PAF\r\n0 @I1@ INDI\r\n1 CHAR IBMPC\r\n"),
              CharacterSet::Other);
}

TEST_F(CharacterSetTest, OnlyTheFirstCharLineCounts) {
    EXPECT_EQ(Detect("0 HEAD\n1 CHAR UTF-8\n1 CHAR IBMPC\n"), CharacterSet::Other);
}

TEST_F(CharacterSetTest, FirstLineIsScannedEvenWhenItIsNotTheHeader) {
    EXPECT_EQ(Detect("1 CHAR IBMPC\n0 HEAD\n"), CharacterSet::IbmPc);
    EXPECT_EQ(Detect("0 @I1@ INDI\n1 CHAR MAC\n0 TRLR\n"), CharacterSet::Mac);
}

TEST_F(CharacterSetTest, EmptyLinesBeforeTheHeaderArePassedOver) {
    EXPECT_EQ(Detect("\r\n\n  \r0 HEAD\r\n1 CHAR ANSEL\r\n0 TRLR\r\n"), CharacterSet::Ansel);
    EXPECT_EQ(Detect(std::string(200000, '\n') + "0 HEAD\n1 CHAR IBMPC\n"), CharacterSet::IbmPc);
}

TEST_F(CharacterSetTest, NoCharLineOrEmptyFileGivesOther) {
    EXPECT_EQ(Detect("0 HEAD\r\n1 SOUR X\r\n0 TRLR\r\n"), CharacterSet::Other);
    EXPECT_EQ(Detect(""), CharacterSet::Other);
}

TEST_F(CharacterSetTest, SampleFilesDetectAsDeclared) {
    std::string folder = LINEATUM_SAMPLES_DIR;
    ASSERT_TRUE(std::filesystem::exists(folder + "/royal92.ged")) << "no samples";
    for (const char* name : {"royal92.ged", "TGC55C.ged", "TGC55CLF.ged", "TGC551.ged",
                             "TGC551LF.ged"}) {
        EXPECT_EQ(DetectCharacterSet(folder + "/" + name), CharacterSet::Ansel) << name;
    }
    for (const char* name : {"kennedy.ged", "bronte.ged", "555SAMPLE.GED", "allged.ged"}) {
        EXPECT_EQ(DetectCharacterSet(folder + "/" + name), CharacterSet::Other) << name;
    }
}

}  // namespace
}  // namespace gedcom
