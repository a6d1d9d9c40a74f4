#include "gedcom/LineStream.h"

#include <random>
#include <string>
#include <vector>

#include "testing/ReferenceLines.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct ReadLine {
    int64_t offset;
    std::string text;
};

// Every line the stream hands out, with the position it reported before reading it.
std::vector<ReadLine> ReadAll(const std::string& path, int64_t start = 0) {
    TLineStream reader(path);
    if (start != 0) reader.SetPosition(start);
    std::vector<ReadLine> lines;
    while (!reader.EndOfFile()) {
        int64_t offset = reader.LinePosition();
        lines.push_back({offset, std::string(reader.ReadLine())});
        if (lines.size() > 10'000'000) break;  // a reader that never ends fails, not hangs
    }
    return lines;
}

class LineStreamTest : public ::testing::Test {
protected:
    // Checks that the stream gives exactly the reference lines of `bytes`.
    void ExpectLinesOf(const std::string& bytes, const std::string& label) {
        std::string path = dir_.Write("lines.ged", bytes);
        std::vector<ReadLine> got = ReadAll(path);
        std::vector<ReferenceLine> want = ReferenceLines(bytes);
        ASSERT_EQ(got.size(), want.size()) << label;
        for (size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(got[i].offset, want[i].offset) << label << ", line " << i;
            ASSERT_EQ(got[i].text, want[i].text) << label << ", line " << i;
        }
    }

    TempDir dir_;
};

TEST_F(LineStreamTest, AllThreeTerminatorsGiveTheSameLines) {
    std::vector<std::string> texts = {"0 HEAD", "1 CHAR ANSEL", "", "0 @I1@ INDI", "0 TRLR"};
    for (const char* terminator : {"\r\n", "\n", "\r"}) {
        std::string bytes;
        for (const auto& text : texts) bytes += text + terminator;
        std::vector<ReadLine> got = ReadAll(dir_.Write("t.ged", bytes));
        ASSERT_EQ(got.size(), texts.size()) << "terminator length " << strlen(terminator);
        int64_t offset = 0;
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(got[i].text, texts[i]);
            EXPECT_EQ(got[i].offset, offset);
            offset += static_cast<int64_t>(texts[i].size() + strlen(terminator));
        }
    }
}

TEST_F(LineStreamTest, MixedTerminatorsInOneFile) {
    ExpectLinesOf("a\r\nb\nc\rd\n\re\r\r\nf", "mixed");
}

TEST_F(LineStreamTest, EmptyFileGivesOneEmptyLine) {
    std::vector<ReadLine> got = ReadAll(dir_.Write("empty.ged", ""));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].text, "");
    EXPECT_EQ(got[0].offset, 0);
}

TEST_F(LineStreamTest, LastLineWithoutTerminatorIsReturnedThenEndOfFile) {
    TLineStream reader(dir_.Write("t.ged", "0 HEAD\r\n0 TRLR"));
    EXPECT_EQ(reader.ReadLine(), "0 HEAD");
    EXPECT_FALSE(reader.EndOfFile());
    EXPECT_EQ(reader.ReadLine(), "0 TRLR");
    EXPECT_TRUE(reader.EndOfFile());
}

TEST_F(LineStreamTest, FinalCrLfReportsEndOfFileWithTheLastLine) {
    TLineStream reader(dir_.Write("t.ged", "0 HEAD\r\n0 TRLR\r\n"));
    reader.ReadLine();
    EXPECT_EQ(reader.ReadLine(), "0 TRLR");
    EXPECT_TRUE(reader.EndOfFile());
}

TEST_F(LineStreamTest, OnlyCrAndLfEndALine) {
    ExpectLinesOf("1 NOTE a\tb\x1A c\x0C\r\n\x1A", "control bytes");
}

TEST_F(LineStreamTest, NulInsideALineCutsWhatCallersSee) {
    std::string bytes("1 NAME Ann\0hidden\r\n0 TRLR", 25);
    std::vector<ReadLine> got = ReadAll(dir_.Write("nul.ged", bytes));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].text, "1 NAME Ann");
    EXPECT_EQ(got[1].text, "0 TRLR");
    EXPECT_EQ(got[1].offset, 19);
}

TEST_F(LineStreamTest, ReaderPositionedAtARecordStartsWithItsLevelZeroLine) {
    std::string bytes = "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n0 TRLR\r\n";
    int64_t offset = static_cast<int64_t>(bytes.find("0 @I1@"));
    std::vector<ReadLine> got = ReadAll(dir_.Write("t.ged", bytes), offset);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].text, "0 @I1@ INDI");
    EXPECT_EQ(got[0].offset, offset);
    EXPECT_EQ(got[1].offset, offset + 13);
}

TEST_F(LineStreamTest, MissingFileIsAnErrorAndIsNotCreated) {
    std::string path = dir_.File("absent.ged");
    EXPECT_THROW(TLineStream reader(path), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Lines placed so that chunk boundaries fall inside a line, right after a terminator, between
// the CR and the LF of a pair, and right after a lone CR.
TEST_F(LineStreamTest, ChunkBoundariesKeepExactOffsets) {
    const size_t cap = TLineStream::kCapacity;
    for (size_t firstLength : {cap - 3, cap - 2, cap - 1, cap, cap + 1}) {
        for (const char* terminator : {"\r\n", "\n", "\r"}) {
            std::string bytes(firstLength, 'x');
            bytes += terminator;
            for (int i = 0; i < 5000; ++i) bytes += "1 NOTE line " + std::to_string(i) + terminator;
            ExpectLinesOf(bytes, "first line " + std::to_string(firstLength));
        }
    }
}

TEST_F(LineStreamTest, CrLfPairStraddlingTheChunkEndIsOneTerminator) {
    const size_t cap = TLineStream::kCapacity;
    std::string bytes = "0 HEAD\r\n";
    bytes += std::string(cap - 1 - bytes.size(), 'y');  // the CR is the chunk's last byte
    bytes += "\r\n0 TRLR\r\n";
    ASSERT_EQ(bytes[cap - 1], '\r');
    ExpectLinesOf(bytes, "straddling pair");
    EXPECT_EQ(ReadAll(dir_.Write("s.ged", bytes)).size(), 3u);
}

TEST_F(LineStreamTest, RandomFilesAgreeWithTheReferenceAcrossManyChunks) {
    std::mt19937 random(20261208);
    const char* terminators[] = {"\r\n", "\n", "\r", "\n\r"};
    for (int round = 0; round < 6; ++round) {
        std::string bytes;
        while (bytes.size() < 5 * TLineStream::kCapacity) {
            size_t length = random() % 5 == 0 ? random() % 3000 : random() % 90;
            bytes += std::string(length, static_cast<char>('a' + random() % 26));
            bytes += terminators[round % 2 == 0 ? random() % 4 : round % 4];
        }
        if (round % 3 == 0) bytes += "tail without terminator";
        ExpectLinesOf(bytes, "round " + std::to_string(round));
    }
}

TEST_F(LineStreamTest, LinesLongerThanTheBufferComeWhole) {
    const size_t cap = TLineStream::kCapacity;
    std::string longLine = "1 NOTE " + std::string(3 * cap + 17, 'n');
    for (const char* terminator : {"\r\n", "\n", "\r"}) {
        std::string bytes = "0 @N1@ NOTE" + std::string(terminator) + longLine + terminator +
                            std::string(cap - 2, 'z') + terminator + "0 TRLR" + terminator;
        ExpectLinesOf(bytes, "long line");
    }
}

TEST_F(LineStreamTest, SampleFilesGiveTheirExactLinesAndOffsets) {
    std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_FALSE(files.empty()) << "no GEDCOM samples at " << LINEATUM_SAMPLES_DIR;
    for (const std::string& file : files) {
        std::string bytes = ReadFileBytes(file);
        std::vector<ReadLine> got = ReadAll(file);
        std::vector<ReferenceLine> want = ReferenceLines(bytes);
        ASSERT_EQ(got.size(), want.size()) << file;
        for (size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(got[i].offset, want[i].offset) << file << " line " << i;
            ASSERT_EQ(got[i].text, want[i].text) << file << " line " << i;
        }
    }
}

}  // namespace
