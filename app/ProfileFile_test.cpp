#include "app/ProfileFile.h"

#include <climits>
#include <iterator>
#include <linux/capability.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The superuser writes through any file permission. For as long as it lives, this guard takes
// that override from the calling thread (capabilities belong to a thread), so that a read-only
// file or folder stops the writes of this thread as it stops an ordinary user's.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        restore_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutPermissionOverride() {
        if (restore_) syscall(SYS_capset, &header_, saved_);
    }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool restore_ = false;
};

ino_t Inode(const QString& path) {
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_ino;
}

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path() + QLatin1Char('/');
        path_ = root_ + QStringLiteral("Quilbet.ini");
    }
    void TearDown() override { chmod(QFile::encodeName(root_).constData(), 0700); }

    void SetBytes(const QByteArray& bytes) { SetBytesOf(path_, bytes); }
    static void SetBytesOf(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray Bytes() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The names in the settings folder, to see that no temporary file is left behind.
    QStringList FolderEntries() const {
        return QDir(root_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
    QString root_;
    QString path_;
};

// --- Reading --------------------------------------------------------------------------------

TEST_F(ProfileFileTest, MissingFileReadsAsFallbacks) {
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", "none"), "none");
    EXPECT_EQ(settings.ReadInteger("TMainForm_Placement", "Left", -3), -3);
    EXPECT_TRUE(settings.ReadBool("TMainForm_Placement", "Maximized", true));
    EXPECT_TRUE(settings.ReadSection("MRU").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path_));
}

TEST_F(ProfileFileTest, MissingSectionOrKeyReadsAsFallback) {
    SetBytes("[MRU]\nF0=/a.ged\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F1", "none"), "none");
    EXPECT_EQ(settings.ReadString("Other", "F0", "none"), "none");
}

TEST_F(ProfileFileTest, IntegersFollowTheNumberRules) {
    struct Case {
        const char* value;
        int expected;  // with the fallback 777
    };
    const Case cases[] = {
        {"42", 42},
        {"0", 0},
        {"-17", -17},
        {"+5", 5},
        {"007", 7},
        {"0x1F", 31},
        {"0X1f", 31},
        {"0x0", 0},
        {"0x7FFFFFFF", INT_MAX},
        {"0xFFFFFFFF", -1},        // the 32 bits of the number
        {"0x00000000000010", 16},  // leading zeros do not count
        {"0x", 777},               // two characters: not hexadecimal, and not decimal either
        {"0X", 777},
        {"0xG", 777},
        {"0x1G", 777},
        {"0x100000000", 777},  // more than 32 bits
        {"-0x1F", 777},        // hexadecimal has no sign
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 777},
        {"-2147483649", 777},
        {"99999999999999999999", 777},
        {"12px", 777},
        {"1 2", 777},
        {"1.5", 777},
        {"abc", 777},
        {"-", 777},
        {"+", 777},
        {"", 777},
        {"  8  ", 8},  // blanks around a value are not part of it
    };
    QByteArray file("[Numbers]\n");
    for (size_t i = 0; i < std::size(cases); ++i) {
        file += "K" + QByteArray::number(static_cast<int>(i)) + "=" + cases[i].value + "\n";
    }
    SetBytes(file);
    TProfileFile settings(path_);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(settings.ReadInteger("Numbers", "K" + QString::number(i), 777), cases[i].expected)
            << "value \"" << cases[i].value << '"';
    }
}

TEST_F(ProfileFileTest, IntegersAreWrittenInDecimal) {
    TProfileFile settings(path_);
    settings.WriteInteger("S", "Negative", -25);
    settings.WriteInteger("S", "Large", 0x7FFFFFFF);
    settings.WriteInteger("S", "Smallest", INT_MIN);
    EXPECT_EQ(Bytes(), "[S]\nNegative=-25\nLarge=2147483647\nSmallest=-2147483648\n");
    EXPECT_EQ(settings.ReadInteger("S", "Smallest", 0), INT_MIN);
}

TEST_F(ProfileFileTest, BooleansAreIntegersNonZeroMeaningTrue) {
    SetBytes("[B]\nOne=1\nZero=0\nTwo=2\nMinus=-1\nHex=0x10\nWord=yes\nEmpty=\n");
    TProfileFile settings(path_);
    EXPECT_TRUE(settings.ReadBool("B", "One", false));
    EXPECT_FALSE(settings.ReadBool("B", "Zero", true));
    EXPECT_TRUE(settings.ReadBool("B", "Two", false));
    EXPECT_TRUE(settings.ReadBool("B", "Minus", false));
    EXPECT_TRUE(settings.ReadBool("B", "Hex", false));
    EXPECT_TRUE(settings.ReadBool("B", "Word", true));
    EXPECT_FALSE(settings.ReadBool("B", "Word", false));
    EXPECT_TRUE(settings.ReadBool("B", "Empty", true));
    EXPECT_FALSE(settings.ReadBool("B", "Empty", false));
}

TEST_F(ProfileFileTest, BooleansAreWrittenAsZeroOrOne) {
    TProfileFile settings(path_);
    settings.WriteBool("B", "Yes", true);
    settings.WriteBool("B", "No", false);
    EXPECT_EQ(Bytes(), "[B]\nYes=1\nNo=0\n");
}

TEST_F(ProfileFileTest, SectionsAndKeysIgnoreCase) {
    SetBytes("[tmainform_PLACEMENT]\nleft=12\n[mru]\nf0=/a.ged\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadInteger("TMainForm_Placement", "Left", 0), 12);
    EXPECT_EQ(settings.ReadString("MRU", "F0", ""), "/a.ged");

    // An existing line keeps its place and the key's spelling; no second section appears.
    settings.WriteString("MRU", "F0", "/b.ged");
    settings.WriteInteger("TMAINFORM_placement", "LEFT", 13);
    EXPECT_EQ(Bytes(), "[tmainform_PLACEMENT]\nleft=13\n[mru]\nf0=/b.ged\n");
}

TEST_F(ProfileFileTest, CaseIsFoldedOnlyForAsciiLetters) {
    SetBytes("[Élan]\nÄ=1\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadInteger("Élan", "Ä", 0), 1);
    EXPECT_EQ(settings.ReadInteger("éLAN", "Ä", 0), 0);
    EXPECT_EQ(settings.ReadInteger("Élan", "ä", 0), 0);
}

TEST_F(ProfileFileTest, ReadSectionKeepsFileOrderAndSpelling) {
    SetBytes(
        "[MRU]\nF3=/d.ged\nf1=/b.ged\n; a comment\nF0=/a.ged\nnot a key line\nF2=/c.ged\n"
        "[Other]\nF9=/z.ged\n");
    const QList<QPair<QString, QString>> expected = {
        {"F3", "/d.ged"}, {"f1", "/b.ged"}, {"F0", "/a.ged"}, {"F2", "/c.ged"}};
    EXPECT_EQ(TProfileFile(path_).ReadSection("mru"), expected);
}

TEST_F(ProfileFileTest, OnlyTheFirstEqualsSignSplits) {
    SetBytes("[MRU]\nF0=/home/ann/a=b==c.ged\nF1 = spaced = value \n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", ""), "/home/ann/a=b==c.ged");
    EXPECT_EQ(settings.ReadString("MRU", "F1", ""), "spaced = value");

    settings.WriteString("MRU", "F2", "/x=y.ged");
    EXPECT_EQ(settings.ReadString("MRU", "F2", ""), "/x=y.ged");
    EXPECT_TRUE(Bytes().endsWith("F2=/x=y.ged\n"));
}

TEST_F(ProfileFileTest, Utf8PathsWithAccentsRoundTrip) {
    const QString path = QStringLiteral("/home/zoë/Généalogie/famille Núñez – Ærø.ged");
    TProfileFile settings(path_);
    settings.WriteString("MRU", "F0", path);
    EXPECT_EQ(Bytes(), "[MRU]\nF0=" + path.toUtf8() + "\n");
    EXPECT_EQ(settings.ReadString("MRU", "F0", ""), path);
}

TEST_F(ProfileFileTest, FirstOfTwiceWrittenKeyCounts) {
    SetBytes("[S]\nK=first\nK=second\n[S]\nK=third\nL=under the second header\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("S", "K", ""), "first");
    EXPECT_EQ(settings.ReadString("S", "L", ""), "under the second header");
    EXPECT_EQ(settings.ReadSection("S").size(), 4);
}

// --- Lenient reading ------------------------------------------------------------------------

TEST_F(ProfileFileTest, CrLfLineEndsAreRead) {
    SetBytes("[MRU]\r\nF0=/a.ged\r\nF1=/b.ged\r\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", ""), "/a.ged");
    EXPECT_EQ(settings.ReadString("MRU", "F1", ""), "/b.ged");
}

TEST_F(ProfileFileTest, NewLinesTakeTheLineEndOfTheFile) {
    SetBytes("[MRU]\r\nF0=/a.ged\r\n");
    TProfileFile settings(path_);
    settings.WriteString("MRU", "F1", "/b.ged");
    settings.WriteInteger("P", "Left", 5);
    EXPECT_EQ(Bytes(), "[MRU]\r\nF0=/a.ged\r\nF1=/b.ged\r\n\r\n[P]\r\nLeft=5\r\n");
}

TEST_F(ProfileFileTest, ByteOrderMarkIsSkippedAndKept) {
    SetBytes("\xEF\xBB\xBF[MRU]\nF0=/a.ged\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", ""), "/a.ged");
    settings.WriteString("MRU", "F0", "/b.ged");
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[MRU]\nF0=/b.ged\n");
}

TEST_F(ProfileFileTest, LinesWithoutEqualsSignAreIgnored) {
    SetBytes("[MRU]\nF0\n/lost/path.ged\nF1=/b.ged\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", "none"), "none");
    EXPECT_EQ(settings.ReadString("MRU", "F1", ""), "/b.ged");
}

TEST_F(ProfileFileTest, CommentsAreNotKeys) {
    SetBytes("[S]\n;K=semicolon\n#K=hash\n  ; K=indented\n=no key\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("S", "K", "none"), "none");
    EXPECT_EQ(settings.ReadString("S", ";K", "none"), "none");
    EXPECT_TRUE(settings.ReadSection("S").isEmpty());
}

TEST_F(ProfileFileTest, BrokenHeaderEndsTheSectionBeforeIt) {
    SetBytes("[Good]\nA=1\n[MRU\nF0=/a.ged\n[Later]\nB=2\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("Good", "A", ""), "1");
    EXPECT_EQ(settings.ReadString("Good", "F0", "none"), "none");
    EXPECT_EQ(settings.ReadString("MRU", "F0", "none"), "none");
    EXPECT_EQ(settings.ReadString("Later", "B", ""), "2");

    // Writing leaves the broken lines as they were.
    settings.WriteString("MRU", "F0", "/b.ged");
    EXPECT_EQ(Bytes(), "[Good]\nA=1\n[MRU\nF0=/a.ged\n[Later]\nB=2\n\n[MRU]\nF0=/b.ged\n");
}

TEST_F(ProfileFileTest, KeysBeforeAnyHeaderBelongToNoSection) {
    SetBytes("F0=/a.ged\n[MRU]\nF1=/b.ged\n");
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", "none"), "none");
    EXPECT_EQ(settings.ReadString("", "F0", "none"), "none");
}

TEST_F(ProfileFileTest, BinaryGarbageNeverStopsTheProgram) {
    QByteArray garbage;
    unsigned state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        garbage += static_cast<char>((state >> 16) & 0xFF);
    }
    garbage += QByteArray("\0[\0=]\r\xFF\xFE=\n[", 11);
    SetBytes(garbage);
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", "none"), "none");
    EXPECT_EQ(settings.ReadInteger("TMainForm_Placement", "Left", -1), -1);
    (void)settings.ReadSection("MRU");

    settings.WriteString("MRU", "F0", "/a.ged");
    EXPECT_EQ(settings.ReadString("MRU", "F0", ""), "/a.ged");
    EXPECT_TRUE(Bytes().startsWith(garbage));
}

TEST_F(ProfileFileTest, FolderInPlaceOfTheFileReadsAsEmpty) {
    ASSERT_TRUE(QDir().mkdir(path_));
    TProfileFile settings(path_);
    EXPECT_EQ(settings.ReadString("MRU", "F0", "none"), "none");
    EXPECT_THROW(settings.WriteString("MRU", "F0", "/a.ged"), std::runtime_error);
}

// --- Writing keeps what it does not change -------------------------------------------------

TEST_F(ProfileFileTest, OtherSectionsAndUnknownLinesKeptByteForByte) {
    const QByteArray before =
        "; Settings of Lineatum\n"
        "stray line before any section\n"
        "\n"
        "[Other Program]\n"
        "  Indented Key  =  odd spacing  \t\n"
        "Colour=0xFF00FF\n"
        "no equals sign here\n"
        "\n"
        "[MRU]\n"
        "F0=/home/ann/a.ged\n"
        "# comment inside\n"
        "Extra=kept\n"
        "\n"
        "[Tail]\n"
        "t=1";  // no line end at the end of the file
    SetBytes(before);
    TProfileFile settings(path_);
    settings.WriteString("MRU", "F0", "/home/ann/b.ged");
    settings.WriteString("MRU", "F1", "/home/ann/c.ged");
    settings.WriteString("Tail", "u", "2");
    EXPECT_EQ(Bytes(),
              "; Settings of Lineatum\n"
              "stray line before any section\n"
              "\n"
              "[Other Program]\n"
              "  Indented Key  =  odd spacing  \t\n"
              "Colour=0xFF00FF\n"
              "no equals sign here\n"
              "\n"
              "[MRU]\n"
              "F0=/home/ann/b.ged\n"
              "# comment inside\n"
              "Extra=kept\n"
              "F1=/home/ann/c.ged\n"
              "\n"
              "[Tail]\n"
              "t=1\n"
              "u=2\n");
}

TEST_F(ProfileFileTest, NewKeyGoesAfterTheSectionsLastKey) {
    SetBytes("[MRU]\nF0=/a.ged\n; trailing comment\n\n[Next]\nN=1\n");
    TProfileFile(path_).WriteString("MRU", "F1", "/b.ged");
    EXPECT_EQ(Bytes(), "[MRU]\nF0=/a.ged\nF1=/b.ged\n; trailing comment\n\n[Next]\nN=1\n");
}

TEST_F(ProfileFileTest, NewKeyInASectionWithoutKeysGoesBeforeItsTrailingBlankLines) {
    SetBytes("[MRU]\n; recent files\n\n[Next]\nN=1\n");
    TProfileFile(path_).WriteString("MRU", "F0", "/a.ged");
    EXPECT_EQ(Bytes(), "[MRU]\n; recent files\nF0=/a.ged\n\n[Next]\nN=1\n");
}

TEST_F(ProfileFileTest, NewSectionIsAppendedAfterABlankLine) {
    SetBytes("[A]\nK=1");
    TProfileFile settings(path_);
    settings.WriteString("B", "K", "2");
    EXPECT_EQ(Bytes(), "[A]\nK=1\n\n[B]\nK=2\n");
}

TEST_F(ProfileFileTest, MissingFolderIsCreated) {
    const QString nested = root_ + QStringLiteral("a/b/Quilbet.ini");
    TProfileFile(nested).WriteInteger("S", "K", 1);
    EXPECT_EQ(TProfileFile(nested).ReadInteger("S", "K", 0), 1);
}

TEST_F(ProfileFileTest, WriteThatChangesNothingLeavesTheFileAlone) {
    SetBytes("[S]\nK=1\n");
    QFile held(path_);  // keeps the inode from being reused by a replacement
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    const ino_t before = Inode(path_);
    TProfileFile settings(path_);
    settings.WriteInteger("S", "K", 1);
    settings.EraseSection("Missing");
    EXPECT_EQ(Inode(path_), before);
    settings.WriteInteger("S", "K", 2);
    EXPECT_NE(Inode(path_), before);  // replaced by rename, not rewritten in place
}

// --- Whole sections ------------------------------------------------------------------------

TEST_F(ProfileFileTest, WriteSectionReplacesTheSectionInOneWrite) {
    SetBytes(
        "[Before]\nB=1\n\n[MRU]\n; recent files\nF0=/old0.ged\nF1=/old1.ged\nF2=/old2.ged\n"
        "\n[After]\nA=1\n");
    QFile held(path_);  // keeps the inode from being reused by a replacement
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    const ino_t before = Inode(path_);
    TProfileFile settings(path_);
    settings.WriteSection("mru", {{"F0", "/new0.ged"}, {"F1", "/new1.ged"}});
    EXPECT_EQ(Bytes(),
              "[Before]\nB=1\n\n[MRU]\n; recent files\nF0=/new0.ged\nF1=/new1.ged\n"
              "\n[After]\nA=1\n");
    EXPECT_NE(Inode(path_), before);
    EXPECT_EQ(FolderEntries(), QStringList{"Quilbet.ini"});
}

TEST_F(ProfileFileTest, WriteSectionKeepsTheNewOrder) {
    SetBytes("[MRU]\nF0=/a.ged\nF1=/b.ged\n");
    TProfileFile settings(path_);
    settings.WriteSection("MRU", {{"F0", "/b.ged"}, {"F1", "/a.ged"}, {"F2", "/c.ged"}});
    EXPECT_EQ(Bytes(), "[MRU]\nF0=/b.ged\nF1=/a.ged\nF2=/c.ged\n");
}

TEST_F(ProfileFileTest, WriteSectionAddsAMissingSection) {
    SetBytes("[A]\nK=1\n");
    TProfileFile(path_).WriteSection("MRU", {{"F0", "/a.ged"}});
    EXPECT_EQ(Bytes(), "[A]\nK=1\n\n[MRU]\nF0=/a.ged\n");
}

TEST_F(ProfileFileTest, WriteSectionMergesASectionWrittenTwice) {
    SetBytes("[MRU]\nF0=/a.ged\n[Other]\nO=1\n[MRU]\nF1=/b.ged\n\n[Last]\nL=1\n");
    TProfileFile settings(path_);
    settings.WriteSection("MRU", {{"F0", "/c.ged"}});
    EXPECT_EQ(Bytes(), "[MRU]\nF0=/c.ged\n[Other]\nO=1\n\n[Last]\nL=1\n");
    EXPECT_EQ(settings.ReadString("MRU", "F1", "none"), "none");
}

TEST_F(ProfileFileTest, WriteSectionWithNoLinesRemovesIt) {
    SetBytes("[A]\nK=1\n\n[MRU]\nF0=/a.ged\n\n[B]\nK=2\n");
    TProfileFile(path_).WriteSection("MRU", {});
    EXPECT_EQ(Bytes(), "[A]\nK=1\n\n[B]\nK=2\n");
}

TEST_F(ProfileFileTest, EraseSectionRemovesEveryHeaderOfItWithItsLines) {
    SetBytes("[MRU]\nF0=/a.ged\n; comment\n[Keep]\nK=1\n[mru]\nF1=/b.ged\n\n[Tail]\nT=1\n");
    TProfileFile settings(path_);
    settings.EraseSection("MRU");
    EXPECT_EQ(Bytes(), "[Keep]\nK=1\n[Tail]\nT=1\n");
    EXPECT_TRUE(settings.ReadSection("MRU").isEmpty());
}

// --- Writes that fail ----------------------------------------------------------------------

TEST_F(ProfileFileTest, ReadOnlyFolderGivesUnableToWriteAndKeepsTheOldFile) {
    SetBytes("[S]\nK=old\n");
    ASSERT_EQ(chmod(QFile::encodeName(root_).constData(), 0500), 0);
    WithoutPermissionOverride ordinaryUser;
    ASSERT_FALSE(QFile(root_ + "probe").open(QIODevice::WriteOnly))
        << "this test needs a folder that cannot be written";

    TProfileFile settings(path_);
    try {
        settings.WriteString("S", "K", "new");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path_.toStdString());
    }
    EXPECT_EQ(Bytes(), "[S]\nK=old\n");
    EXPECT_EQ(FolderEntries(), QStringList{"Quilbet.ini"});
}

TEST_F(ProfileFileTest, ReadOnlyFileGivesUnableToWriteAndStaysAsItWas) {
    SetBytes("[S]\nK=old\n");
    ASSERT_EQ(chmod(QFile::encodeName(path_).constData(), 0400), 0);
    WithoutPermissionOverride ordinaryUser;
    ASSERT_FALSE(QFile(path_).open(QIODevice::WriteOnly | QIODevice::Append))
        << "this test needs a file that cannot be written";

    TProfileFile settings(path_);
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            if (attempt == 0) settings.WriteString("S", "K", "new");
            if (attempt == 1) settings.WriteSection("S", {{"K", "new"}});
            if (attempt == 2) settings.EraseSection("S");
            FAIL() << "no error in attempt " << attempt;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path_.toStdString());
        }
    }
    EXPECT_EQ(Bytes(), "[S]\nK=old\n");
    EXPECT_EQ(FolderEntries(), QStringList{"Quilbet.ini"});
}

TEST_F(ProfileFileTest, FileInPlaceOfTheFolderGivesUnableToWrite) {
    SetBytesOf(root_ + "blocker", "not a folder");
    const QString path = root_ + QStringLiteral("blocker/Quilbet.ini");
    try {
        TProfileFile(path).WriteInteger("S", "K", 1);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path.toStdString());
    }
}

TEST_F(ProfileFileTest, LineBreaksCannotBeStored) {
    SetBytes("[S]\nK=1\n");
    TProfileFile settings(path_);
    EXPECT_THROW(settings.WriteString("S", "K", "two\nlines"), std::invalid_argument);
    EXPECT_THROW(settings.WriteString("S", "K", "cr\rhere"), std::invalid_argument);
    EXPECT_THROW(settings.WriteString("S\n[X]", "K", "1"), std::invalid_argument);
    EXPECT_THROW(settings.WriteString("S]", "K", "1"), std::invalid_argument);
    EXPECT_THROW(settings.WriteString("S", "K=", "1"), std::invalid_argument);
    EXPECT_THROW(settings.WriteString("S", "", "1"), std::invalid_argument);
    EXPECT_THROW(settings.WriteString("S", ";K", "1"), std::invalid_argument);
    EXPECT_THROW(settings.WriteSection("S", {{"F0", "ok"}, {"F1", "bad\n"}}),
                 std::invalid_argument);
    EXPECT_EQ(Bytes(), "[S]\nK=1\n");
}

// --- Other programs read what we write ----------------------------------------------------

// Python's configparser, an independent reader of the format, reads the file back: sections,
// keys and values, in order. Interpolation off and keys kept as written, since values are
// plain text and keys keep their case.
TEST_F(ProfileFileTest, PythonConfigParserReadsWhatWeWrite) {
    const QString python = QStringLiteral("/usr/bin/python3");
    ASSERT_TRUE(QFileInfo(python).isExecutable()) << "scripts/setup installs python3";

    const QList<QPair<QString, QString>> placement = {
        {"Left", "-8"}, {"Top", "31"}, {"Right", "1200"}, {"Bottom", "900"}, {"Maximized", "1"}};
    const QList<QPair<QString, QString>> recent = {
        {"F0", QStringLiteral("/home/zoë/Généalogie/famille Núñez.ged")},
        {"F1", QStringLiteral("/srv/data/a=b; c:d #e %(f)s.ged")},
        {"F2", QStringLiteral("/tmp/plain.ged")},
    };
    TProfileFile settings(path_);
    settings.WriteSection("TMainForm_Placement", placement);
    settings.WriteSection("MRU", recent);
    settings.WriteInteger("TMainForm_Placement120", "Left", 3);

    QProcess process;
    process.start(python, {"-c",
                           "import configparser, json, sys\n"
                           "parser = configparser.ConfigParser(interpolation=None)\n"
                           "parser.optionxform = str\n"
                           "with open(sys.argv[1], encoding='utf-8') as f:\n"
                           "    parser.read_file(f)\n"
                           "print(json.dumps([[s, [[k, v] for k, v in parser.items(s)]]\n"
                           "                  for s in parser.sections()]))\n",
                           path_});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    const auto toJson = [](const QList<QPair<QString, QString>>& lines) {
        QJsonArray array;
        for (const auto& [key, value] : lines) array.append(QJsonArray{key, value});
        return array;
    };
    const QJsonArray expected{
        QJsonArray{"TMainForm_Placement", toJson(placement)},
        QJsonArray{"MRU", toJson(recent)},
        QJsonArray{"TMainForm_Placement120", toJson({{"Left", "3"}})},
    };
    EXPECT_EQ(QJsonDocument::fromJson(process.readAllStandardOutput()).array(), expected);
}

}  // namespace
