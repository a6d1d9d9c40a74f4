// Placing dialogs: the centred position and the registered main window.
#include "widgets/DialogPlacement.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

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

TEST_F(CentreDialogTest, MaximisableDialogHasTheWindowMenu) {
    QDialog dialog;
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMaximizeButtonHint);
    CentreDialog(&dialog);
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowSystemMenuHint));
}

TEST_F(CentreDialogTest, WithoutMainWindowDialogGoesToScreenCentre) {
    SetMainWindow(nullptr);
    QDialog dialog;
    dialog.resize(200, 100);
    CentreDialog(&dialog);
    EXPECT_EQ(dialog.pos(), QPoint(Screen().left() + (Screen().width() - 200) / 2,
                                   Screen().top() + (Screen().height() - 100) / 2));
}

TEST_F(CentreDialogTest, DeletedMainWindowIsForgotten) {
    auto* main = new QMainWindow;
    SetMainWindow(main);
    EXPECT_EQ(MainWindow(), main);
    delete main;
    EXPECT_EQ(MainWindow(), nullptr);
}

}  // namespace
