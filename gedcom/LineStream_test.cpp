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

void ExpectSameLines(const std::vector<ReadLine>& got, const std::vector<ReferenceLine>& want,
                     const std::string& label) {
    ASSERT_EQ(got.size(), want.size()) << label;
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got[i].offset, want[i].offset) << label << " line " << i;
        ASSERT_EQ(got[i].text, want[i].text) << label << " line " << i;
    }
}

TEST_F(LineStreamTest, SampleFilesGiveTheirExactLinesAndOffsets) {
    std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    ASSERT_FALSE(files.empty()) << "no GEDCOM samples at " << LINEATUM_SAMPLES_DIR;
    for (const std::string& file : files) {
        ExpectSameLines(ReadAll(file), ExpectedLines(ReadFileBytes(file)), file);
    }
}

TEST_F(LineStreamTest, AUtf8MarkIsNotPartOfTheFirstLine) {
    const std::string bytes = "\xEF\xBB\xBF" "0 HEAD\r\n1 CHAR UTF-8\r\n0 TRLR";
    const std::string path = dir_.Write("bom.ged", bytes);
    ExpectSameLines(ReadAll(path), ExpectedLines(bytes), "marked");
    EXPECT_EQ(ReadAll(path)[0].text, "0 HEAD");
    EXPECT_EQ(TLineStream(path).Mark(), TLineStream::ByteOrderMark::Utf8);
    // Read again from the start, the first line still comes without its mark.
    EXPECT_EQ(ReadAll(path, 0)[0].text, "0 HEAD");
    EXPECT_EQ(ReadAll(dir_.Write("only.ged", "\xEF\xBB\xBF"))[0].text, "");
}

// The bytes of a UTF-16 file holding `units`, in either byte order, with its mark.
std::string Utf16Bytes(const std::u16string& units, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : units) {
        const char low = static_cast<char>(u & 0xFF);
        const char high = static_cast<char>(u >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST_F(LineStreamTest, Utf16FilesComeAsUtf8LinesAtTheirByteOffsets) {
    const std::u16string text =
        u"0 HEAD\r\n1 CHAR UNICODE\r\n0 @I1@ INDI\n1 NAME Anton\u00EDn /Dvo\u0159\u00E1k/\r"
        u"1 NOTE \u010A\u0D0A \U0001F600\r\n0 TRLR";
    for (bool little : {true, false}) {
        const std::string bytes = Utf16Bytes(text, little);
        const std::string path = dir_.Write("u16.ged", bytes);
        const std::vector<ReadLine> got = ReadAll(path);
        ExpectSameLines(got, ExpectedLines(bytes), little ? "little-endian" : "big-endian");
        ASSERT_EQ(got.size(), 6u);
        EXPECT_EQ(got[0].text, "0 HEAD");
        EXPECT_EQ(got[3].text, "1 NAME Antonín /Dvořák/");
        // U+010A and U+0D0A hold the bytes of LF and CR; only whole code units end a line.
        EXPECT_EQ(got[4].text, "1 NOTE \u010A\u0D0A \U0001F600");
        EXPECT_EQ(got[2].offset, 2 + 2 * 24);
        // A reader set at a stored offset reads the same record.
        const std::vector<ReadLine> record = ReadAll(path, got[2].offset);
        EXPECT_EQ(record[0].text, "0 @I1@ INDI");
        EXPECT_EQ(record[1].text, got[3].text);
    }
}

TEST_F(LineStreamTest, BrokenUtf16BecomesReplacementCharactersAndLosesNothingAfter) {
    std::u16string text = u"0 HEAD\r\n1 NOTE a";
    text += static_cast<char16_t>(0xD800);  // a high surrogate followed by a letter
    text += u"b";
    text += static_cast<char16_t>(0xDC00);  // a lone low surrogate
    text += u"\r\n0 TRLR\r\n";
    std::string bytes = Utf16Bytes(text, true) + "x";  // and a final odd byte
    const std::vector<ReadLine> got = ReadAll(dir_.Write("broken.ged", bytes));
    ExpectSameLines(got, ExpectedLines(bytes), "broken");
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[1].text, "1 NOTE a\uFFFDb\uFFFD");
    EXPECT_EQ(got[2].text, "0 TRLR");
    EXPECT_EQ(got[3].text, "\uFFFD");
}

TEST_F(LineStreamTest, Utf16AcrossManyChunksAgreesWithTheReference) {
    std::mt19937 random(20261209);
    for (bool little : {true, false}) {
        std::u16string text;
        const char16_t* terminators[] = {u"\r\n", u"\n", u"\r"};
        while (text.size() < 3 * TLineStream::kCapacity) {
            const size_t length = random() % 7 == 0 ? random() % 40000 : random() % 60;
            for (size_t i = 0; i < length; ++i) {
                text += static_cast<char16_t>(random() % 3 == 0 ? 0x100 + random() % 0x2000
                                                                : 'a' + random() % 26);
            }
            text += terminators[random() % 3];
        }
        const std::string bytes = Utf16Bytes(text, little);
        ExpectSameLines(ReadAll(dir_.Write("many.ged", bytes)), ExpectedLines(bytes),
                        little ? "little-endian" : "big-endian");
    }
}

// A file that begins with nothing but line breaks, across many chunks.
TEST_F(LineStreamTest, ManyLeadingEmptyLinesKeepTheirOffsets) {
    for (const char* terminator : {"\n", "\r\n", "\r"}) {
        std::string bytes;
        for (int i = 0; i < 100000; ++i) bytes += terminator;
        bytes += "0 HEAD";
        ExpectLinesOf(bytes, "empty lines");
    }
}

}  // namespace

namespace {

// A line longer than the limit is cut there; the rest of it is skipped and the lines after it
// keep their offsets, whatever terminator ends it and wherever it falls.
TEST(LineStreamLimitTest, LinesBeyondTheLimitAreCutAndTheRestSkipped) {
    TempDir dir;
    const size_t limit = TLineStream::kMaxLineLength;
    for (const char* terminator : {"\n", "\r\n", "\r"}) {
        for (size_t length : {limit - 1, limit, limit + 1, 3 * limit + 5}) {
            std::string bytes = "0 HEAD\n1 NOTE ";
            const size_t noteStart = 7;
            bytes += std::string(length - 7, 'n');
            bytes += terminator;
            const int64_t after = static_cast<int64_t>(bytes.size());
            bytes += "0 @I1@ INDI\n0 TRLR";
            const std::string path = dir.Write("long.ged", bytes);
            TLineStream reader(path);
            std::vector<std::pair<int64_t, size_t>> lines;  // offset, length
            std::string last;
            while (!reader.EndOfFile()) {
                const int64_t offset = reader.LinePosition();
                const std::string_view line = reader.ReadLine();
                lines.emplace_back(offset, line.size());
                last = std::string(line.substr(0, 20));
            }
            ASSERT_EQ(lines.size(), 4u) << length << " " << strlen(terminator);
            EXPECT_EQ(lines[1].first, static_cast<int64_t>(noteStart));
            EXPECT_EQ(lines[1].second, std::min(length, limit));
            EXPECT_EQ(lines[2].first, after);
            EXPECT_EQ(lines[3].second, 6u);
            EXPECT_EQ(last, "0 TRLR");
        }
    }
}

TEST(LineStreamLimitTest, AFileWithoutLineBreaksIsOneCutLine) {
    TempDir dir;
    const size_t limit = TLineStream::kMaxLineLength;
    for (const std::string& tail : {std::string(), std::string("\r\n"), std::string("\r")}) {
        TLineStream reader(dir.Write("flat.ged", std::string(5 * limit + 3, 'x') + tail));
        EXPECT_EQ(reader.ReadLine().size(), limit);
        EXPECT_TRUE(reader.EndOfFile()) << "no empty line after the cut one";
    }
    // UTF-16: the limit counts the file's bytes.
    std::string bytes = "\xFF\xFE";
    for (size_t i = 0; i < 3 * limit; ++i) bytes += i % 2 ? '\0' : 'u';
    bytes += std::string("\n\0" "A\0", 4);
    TLineStream reader(dir.Write("flat16.ged", bytes));
    EXPECT_EQ(reader.ReadLine().size(), limit / 2 - 1);  // the mark is not part of the line
    ASSERT_FALSE(reader.EndOfFile());
    EXPECT_EQ(reader.LinePosition(), static_cast<int64_t>(bytes.size() - 2));
    EXPECT_EQ(reader.ReadLine(), "A");
    EXPECT_TRUE(reader.EndOfFile());
}

}  // namespace
