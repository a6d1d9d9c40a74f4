#include "app/WindowRoutines.h"

#include <stdlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>

#include "app/MainForm.h"
#include "app/TestFolders.h"
#include "widgets/MessageBox.h"

#include <gtest/gtest.h>

namespace {

QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

class ForceDirectoriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lineatum-dirs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = QString::fromLocal8Bit(pattern) + QLatin1Char('/');
    }
    void TearDown() override { QDir(root_).removeRecursively(); }

    QString root_;
};

TEST_F(ForceDirectoriesTest, CreatesNestedDirectories) {
    EXPECT_TRUE(ForceDirectories(root_ + "a/b/c"));
    EXPECT_TRUE(QFileInfo(root_ + "a/b/c").isDir());
}

TEST_F(ForceDirectoriesTest, IgnoresTrailingSlash) {
    EXPECT_TRUE(ForceDirectories(root_ + "Index/"));
    EXPECT_TRUE(QFileInfo(root_ + "Index").isDir());
    EXPECT_TRUE(ForceDirectories(root_ + "x/y//"));
    EXPECT_TRUE(QFileInfo(root_ + "x/y").isDir());
}

TEST_F(ForceDirectoriesTest, ExistingDirectoryIsLeftAlone) {
    ASSERT_TRUE(QDir().mkdir(root_ + "here"));
    QFile marker(root_ + "here/marker");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    EXPECT_TRUE(ForceDirectories(root_ + "here"));
    EXPECT_TRUE(QFileInfo::exists(root_ + "here/marker"));
}

TEST_F(ForceDirectoriesTest, FileInTheWayFails) {
    QFile blocker(root_ + "blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(ForceDirectories(root_ + "blocker/sub"));
    EXPECT_FALSE(QFileInfo::exists(root_ + "blocker/sub"));
}

TEST_F(ForceDirectoriesTest, RootAndEmptyPathNeedNothing) {
    EXPECT_TRUE(ForceDirectories(QStringLiteral("/")));
    EXPECT_TRUE(ForceDirectories(QString()));
}

TEST(ProgramDirectoryTest, IsTheBinaryDirectoryWithTrailingSlash) {
    const QString dir = ProgramDirectory();
    EXPECT_TRUE(dir.endsWith(QLatin1Char('/')));
    EXPECT_EQ(Canonical(dir), Canonical(QStringLiteral(LINEATUM_BIN_DIR)));
    EXPECT_EQ(HelpFilePath(), dir + "Quilbet.html");
}

// A program run from its build folder finds the page beside it; an installed one finds it in
// PREFIX/share/lineatum.
TEST(ProgramDirectoryTest, HelpPageBesideTheProgramOrWhereItWasInstalled) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.path() + "/bin/";
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(prefix.path() + "/share/lineatum"));
    // Neither there: the page is looked for beside the program, where the message points.
    EXPECT_EQ(HelpFilePathFor(bin), bin + "Quilbet.html");
    QFile installed(prefix.path() + "/share/lineatum/Quilbet.html");
    ASSERT_TRUE(installed.open(QIODevice::WriteOnly));
    installed.close();
    EXPECT_EQ(HelpFilePathFor(bin), prefix.path() + "/share/lineatum/Quilbet.html");
    QFile beside(bin + "Quilbet.html");
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(HelpFilePathFor(bin), bin + "Quilbet.html");
}

TEST(ProgramDirectoryTest, TheProgramsFilesLiveInTheUsersFolders) {
    const QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    const QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    ASSERT_FALSE(config.isEmpty());
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(SettingsFilePath(), config + "/lineatum/Quilbet.ini");
    EXPECT_EQ(DataDirectory(), data + "/lineatum/");
    EXPECT_EQ(LookupDirectory(), data + "/lineatum/Index/");
    // Another user's folders, as a second start with other settings would see them.
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/tmp/Some Other/Data");
    EXPECT_EQ(LookupDirectory(), QStringLiteral("/tmp/Some Other/Data/lineatum/Index/"));
    qputenv("XDG_DATA_HOME", saved);
}

TEST(ProgramDirectoryTest, AWindowMadeWithoutFoldersKeepsItsMasterTableInTheDataFolder) {
    TMainForm::SetFileFolders(QString(), QString());
    {
        TMainForm form;
        EXPECT_TRUE(QFileInfo::exists(DataDirectory() + "Quilbet.DBF"));
        EXPECT_TRUE(QFileInfo(LookupDirectory()).isDir());
        EXPECT_EQ(form.LookupFolder(), LookupDirectory());
    }
    UseTestRunFolders();
}

TEST(ProgramDirectoryTest, TrailingSlashAddedOnlyWhenMissing) {
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/opt/lineatum")), QStringLiteral("/opt/lineatum/"));
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/opt/lineatum/")),
              QStringLiteral("/opt/lineatum/"));
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/")), QStringLiteral("/"));
}

class CentreDialogTest : public ::testing::Test {
protected:
    void TearDown() override { SetMainWindow(nullptr); }

    static QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }
};

TEST_F(CentreDialogTest, MainFormIsRecognisedByClassNameAndCentredOnScreen) {
    TMainForm form;
    form.setGeometry(10, 10, 600, 450);
    QMainWindow other;
    other.setGeometry(300, 300, 100, 100);
    SetMainWindow(&other);
    CentreDialog(&form);
    EXPECT_EQ(form.pos(), QPoint(Screen().left() + (Screen().width() - 600) / 2,
                                 Screen().top() + (Screen().height() - 450) / 2));
}

TEST(AskYesNoTest, TrueOnlyForYes) {
    MessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(AskYesNo(QStringLiteral("Delete it?"), QStringLiteral("Question")));
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->icon, QMessageBox::Question);
    EXPECT_EQ(shown->title, QStringLiteral("Question"));
    EXPECT_EQ(shown->text, QStringLiteral("Delete it?"));
    EXPECT_EQ(shown->buttons, MessageBox::Buttons(QMessageBox::Yes | QMessageBox::No));

    MessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_FALSE(AskYesNo(QStringLiteral("Delete it?"), QStringLiteral("Question")));
    MessageBox::SetNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(AskYesNo(QStringLiteral("Delete it?"), QStringLiteral("Question")));
}

TEST(AskYesNoTest, PresetAnswerIsUsedOnce) {
    MessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(AskYesNo(QStringLiteral("a"), QStringLiteral("b")));
    // The next box would be shown for real; answer it so that nothing blocks.
    MessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_FALSE(AskYesNo(QStringLiteral("a"), QStringLiteral("b")));
}

}  // namespace
