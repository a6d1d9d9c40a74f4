#include "app/WindowRoutines.h"

#include <stdlib.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include "app/MainForm.h"
#include "app/MessageBox.h"

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
    EXPECT_EQ(LookupDirectory(), dir + "Index/");
    EXPECT_EQ(SettingsFilePath(), dir + "Quilbet.ini");
}

TEST(ProgramDirectoryTest, TrailingSlashAddedOnlyWhenMissing) {
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/opt/lineatum")), QStringLiteral("/opt/lineatum/"));
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/opt/lineatum/")),
              QStringLiteral("/opt/lineatum/"));
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(CentredPositionTest, OverTheMainWindow) {
    const QRect main(100, 50, 600, 450);
    EXPECT_EQ(CentredPosition(false, QSize(300, 200), QRect(0, 0, 1024, 768), false, main),
              QPoint(100 + 150, 50 + 125));
}

TEST(CentredPositionTest, OddDifferencesAreTruncated) {
    const QRect main(0, 0, 601, 451);
    EXPECT_EQ(CentredPosition(false, QSize(300, 200), QRect(0, 0, 1024, 768), false, main),
              QPoint(150, 125));
}

TEST(CentredPositionTest, MaximisedMainWindowCentresOnScreen) {
    const QRect main(0, 0, 1024, 740);
    EXPECT_EQ(CentredPosition(false, QSize(300, 201), QRect(0, 0, 1024, 768), true, main),
              QPoint(362, 283));
}

TEST(CentredPositionTest, MainFormCentresOnScreenWhereverTheMainWindowIs) {
    const QRect main(500, 400, 200, 100);
    EXPECT_EQ(CentredPosition(true, QSize(600, 450), QRect(0, 0, 1024, 768), false, main),
              QPoint(212, 159));
}

TEST(CentredPositionTest, WindowLargerThanScreenTruncatesTowardZero) {
    // -1 / 2 is 0 and -3 / 2 is -1, not -1 and -2.
    EXPECT_EQ(CentredPosition(true, QSize(1025, 771), QRect(0, 0, 1024, 768), false, QRect()),
              QPoint(0, -1));
}

TEST(CentredPositionTest, SecondScreenKeepsItsOrigin) {
    EXPECT_EQ(CentredPosition(true, QSize(600, 400), QRect(1920, 0, 1280, 1024), false, QRect()),
              QPoint(1920 + 340, 312));
}

class CentreDialogTest : public ::testing::Test {
protected:
    void TearDown() override { SetMainWindow(nullptr); }

    static QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }
};

TEST_F(CentreDialogTest, DialogGoesOverTheMainWindow) {
    QMainWindow main;
    main.setGeometry(40, 30, 500, 400);
    SetMainWindow(&main);
    QDialog dialog;
    dialog.resize(200, 100);
    CentreDialog(&dialog);
    EXPECT_EQ(dialog.pos(),
              QPoint(main.frameGeometry().left() + (main.frameGeometry().width() - 200) / 2,
                     main.frameGeometry().top() + (main.frameGeometry().height() - 100) / 2));
}

TEST_F(CentreDialogTest, MaximisedMainWindowPutsDialogOnScreenCentre) {
    QMainWindow main;
    main.setGeometry(40, 30, 500, 400);
    main.setWindowState(Qt::WindowMaximized);
    SetMainWindow(&main);
    QDialog dialog;
    dialog.resize(200, 100);
    CentreDialog(&dialog);
    EXPECT_EQ(dialog.pos(), QPoint(Screen().left() + (Screen().width() - 200) / 2,
                                   Screen().top() + (Screen().height() - 100) / 2));
}

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

TEST_F(CentreDialogTest, MaximisableDialogHasTheWindowMenu) {
    QDialog dialog;
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMaximizeButtonHint);
    CentreDialog(&dialog);
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowSystemMenuHint));
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
