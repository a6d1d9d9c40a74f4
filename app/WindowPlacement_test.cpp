#include "app/WindowPlacement.h"

#include <climits>
#include <ostream>
#include <stdlib.h>

#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "app/ProfileFile.h"

#include <gtest/gtest.h>

// Found by GoogleTest through the argument's namespace, the global one.
static void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", "
         << rect.height() << ")";
}

namespace {

const QSize kDesigned(600, 450);
const QRect kScreen(0, 0, 1920, 1040);  // a full HD screen above a 40-pixel panel

QRect Placed(const QRect& saved) { return PlacedRectangle(saved, {kScreen}, kScreen, kDesigned); }

// Where the first start puts a 600 by 450 window on kScreen.
const QRect kFirstPlacement(660, 295, 600, 450);

// --- The section name ---------------------------------------------------------------------

TEST(WindowPlacementSectionTest, PlainDensityHasNoSuffix) {
    EXPECT_EQ(PlacementSection("TMainForm", 96), "TMainForm_Placement");
    EXPECT_EQ(PlacementSection("TMainForm", 72), "TMainForm_Placement");
}

TEST(WindowPlacementSectionTest, HigherDensityAppendsTheDpi) {
    EXPECT_EQ(PlacementSection("TMainForm", 97), "TMainForm_Placement97");
    EXPECT_EQ(PlacementSection("TMainForm", 120), "TMainForm_Placement120");
    EXPECT_EQ(PlacementSection("TMainForm", 144), "TMainForm_Placement144");
}

// --- Edges and rectangles ----------------------------------------------------------------

TEST(WindowPlacementEdgesTest, RightAndBottomAreExclusive) {
    EXPECT_EQ(RectFromEdges(10, 20, 610, 470), QRect(10, 20, 600, 450));
    EXPECT_EQ(RectFromEdges(-5, -6, 5, 6), QRect(-5, -6, 10, 12));
}

TEST(WindowPlacementEdgesTest, EdgesBeyondQtsCoordinatesGiveAnEmptyRectangle) {
    EXPECT_TRUE(RectFromEdges(INT_MIN, 0, INT_MAX, 100).isEmpty());
    EXPECT_TRUE(RectFromEdges(0, 0, 100, INT_MAX).isEmpty());
    EXPECT_TRUE(RectFromEdges(INT_MAX, 0, 0, 100).isEmpty());
}

// --- The rules of the saved rectangle --------------------------------------------------

TEST(WindowPlacementRulesTest, FirstStartIsCentredAtTheDesignedSize) {
    EXPECT_EQ(Placed(RectFromEdges(0, 0, 0, 0)), kFirstPlacement);
    EXPECT_EQ(Placed(QRect()), kFirstPlacement);
}

TEST(WindowPlacementRulesTest, BottomZeroMeansNothingSaved) {
    // Even where a screen above the primary one would hold it.
    const QRect above(0, -1080, 1920, 1080);
    EXPECT_EQ(
        PlacedRectangle(RectFromEdges(10, -300, 500, 0), {kScreen, above}, kScreen, kDesigned),
        kFirstPlacement);
    EXPECT_EQ(
        PlacedRectangle(RectFromEdges(10, -300, 500, -1), {kScreen, above}, kScreen, kDesigned),
        QRect(10, -300, 490, 299));
}

TEST(WindowPlacementRulesTest, RectangleOnTheScreenStaysWhereItWas) {
    EXPECT_EQ(Placed(RectFromEdges(100, 80, 900, 680)), QRect(100, 80, 800, 600));
    EXPECT_EQ(Placed(RectFromEdges(0, 0, 1920, 1040)), kScreen);
}

TEST(WindowPlacementRulesTest, WiderThanTheScreenMovesToLeftEdgeOneKeepingItsWidth) {
    EXPECT_EQ(Placed(RectFromEdges(100, 100, 2100, 600)), QRect(1, 100, 2000, 500));
}

TEST(WindowPlacementRulesTest, NegativeLeftEdgeMovesToOne) {
    EXPECT_EQ(Placed(RectFromEdges(-50, 100, 550, 500)), QRect(1, 100, 600, 400));
}

TEST(WindowPlacementRulesTest, RightEdgeBeyondTheScreenMovesLeftOntoIt) {
    EXPECT_EQ(Placed(RectFromEdges(1500, 100, 2100, 500)), QRect(1320, 100, 600, 400));
}

TEST(WindowPlacementRulesTest, TallerThanTheScreenMovesToTopEdgeOneKeepingItsHeight) {
    EXPECT_EQ(Placed(RectFromEdges(100, 100, 700, 1200)), QRect(100, 1, 600, 1100));
}

TEST(WindowPlacementRulesTest, NegativeTopEdgeMovesToOne) {
    EXPECT_EQ(Placed(RectFromEdges(100, -40, 700, 400)), QRect(100, 1, 600, 440));
}

TEST(WindowPlacementRulesTest, BottomEdgeBeyondTheScreenMovesUpOntoIt) {
    EXPECT_EQ(Placed(RectFromEdges(100, 800, 700, 1250)), QRect(100, 590, 600, 450));
}

TEST(WindowPlacementRulesTest, EdgesAreThoseOfTheAvailableArea) {
    const QRect belowTopPanel(0, 30, 1920, 1050);
    EXPECT_EQ(PlacedRectangle(RectFromEdges(100, 10, 700, 460), {belowTopPanel}, belowTopPanel,
                              kDesigned),
              QRect(100, 31, 600, 450));
    EXPECT_EQ(PlacedRectangle(RectFromEdges(0, 0, 0, 0), {belowTopPanel}, belowTopPanel, kDesigned),
              QRect(660, 330, 600, 450));
}

// The faults of a saved rectangle that cannot be a window give the first placement.

TEST(WindowPlacementRulesTest, SideOfZeroOrLessGivesTheFirstPlacement) {
    EXPECT_EQ(Placed(RectFromEdges(100, 100, 100, 500)), kFirstPlacement);  // width 0
    EXPECT_EQ(Placed(RectFromEdges(100, 100, 50, 500)), kFirstPlacement);   // width < 0
    EXPECT_EQ(Placed(RectFromEdges(100, 500, 700, 500)), kFirstPlacement);  // height 0
    EXPECT_EQ(Placed(RectFromEdges(100, 500, 700, 20)), kFirstPlacement);   // height < 0
}

TEST(WindowPlacementRulesTest, LargerThanTheScreenGivesTheFirstPlacement) {
    EXPECT_EQ(Placed(RectFromEdges(0, 0, 1921, 1041)), kFirstPlacement);
    EXPECT_EQ(Placed(RectFromEdges(-100, -100, 4000, 3000)), kFirstPlacement);
    // Larger one way only is the ordinary move.
    EXPECT_EQ(Placed(RectFromEdges(0, 0, 1921, 1040)), QRect(1, 0, 1921, 1040));
}

TEST(WindowPlacementRulesTest, RectangleOffEveryScreenGivesTheFirstPlacement) {
    EXPECT_EQ(Placed(RectFromEdges(5000, 100, 5600, 550)), kFirstPlacement);
    EXPECT_EQ(Placed(RectFromEdges(100, -900, 700, -450)), kFirstPlacement);
    // Where a minimised window of another desktop lies.
    EXPECT_EQ(Placed(RectFromEdges(-32000, -32000, -31840, -31972)), kFirstPlacement);
    // Edges are exclusive: a rectangle just right of the screen does not touch it.
    EXPECT_EQ(Placed(RectFromEdges(1920, 100, 2520, 550)), kFirstPlacement);
    // One pixel on it is enough to keep it.
    EXPECT_EQ(Placed(RectFromEdges(1919, 100, 2519, 550)), QRect(1320, 100, 600, 450));
}

TEST(WindowPlacementRulesTest, EdgesBeyondQtsCoordinatesGiveTheFirstPlacement) {
    EXPECT_EQ(Placed(RectFromEdges(INT_MIN, 0, INT_MAX, 500)), kFirstPlacement);
}

TEST(WindowPlacementRulesTest, FirstPlacementGoesOnThePrimaryScreen) {
    const QRect left(-1280, 0, 1280, 1024);
    EXPECT_EQ(PlacedRectangle(QRect(), {left, kScreen}, kScreen, kDesigned), kFirstPlacement);
}

TEST(WindowPlacementRulesTest, FirstPlacementOnASmallScreenStartsOnePixelIn) {
    const QRect small(0, 0, 500, 400);
    EXPECT_EQ(PlacedRectangle(QRect(), {small}, small, kDesigned), QRect(1, 1, 600, 450));
}

// With two screens side by side, the one holding the rectangle's centre is used.
const QRect kRightScreen(1920, 0, 1280, 1000);

TEST(WindowPlacementRulesTest, ScreenHoldingTheCentreIsUsed) {
    const QList<QRect> screens = {kScreen, kRightScreen};
    // Centre on the right screen, right edge beyond it: moved left onto the right screen only.
    EXPECT_EQ(PlacedRectangle(RectFromEdges(2800, 100, 3400, 500), screens, kScreen, kDesigned),
              QRect(2600, 100, 600, 400));
    // Bottom edge beyond the shorter right screen only: moved up onto it.
    EXPECT_EQ(PlacedRectangle(RectFromEdges(2000, 10, 2600, 1010), screens, kScreen, kDesigned),
              QRect(2000, 0, 600, 1000));
    // Spanning both, centre on the primary: moved onto the primary.
    EXPECT_EQ(PlacedRectangle(RectFromEdges(1500, 100, 2100, 500), {kScreen, kRightScreen}, kScreen,
                              kDesigned),
              QRect(1320, 100, 600, 400));
}

TEST(WindowPlacementRulesTest, LargerThanTheScreenHoldingItsCentreGivesTheFirstPlacement) {
    // Fits the primary screen, but its centre lies on the smaller right screen.
    EXPECT_EQ(PlacedRectangle(RectFromEdges(1900, 0, 3300, 1020), {kScreen, kRightScreen}, kScreen,
                              kDesigned),
              kFirstPlacement);
}

TEST(WindowPlacementRulesTest, CentreOnNoScreenUsesThePrimaryScreen) {
    // The right screen is shorter: this rectangle touches it, but its centre is below it.
    EXPECT_EQ(PlacedRectangle(RectFromEdges(2000, 900, 2600, 1200), {kScreen, kRightScreen},
                              kScreen, kDesigned),
              QRect(1320, 740, 600, 300));
}

// --- Reading and writing the section -------------------------------------------------

class WindowPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path() + QLatin1Char('/');
        path_ = root_ + QStringLiteral("Quilbet.ini");
        ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
        available_ = QGuiApplication::primaryScreen()->availableGeometry();
        section_ = PlacementSection(
            "QMainWindow", qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
    }

    QByteArray Bytes() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A main window as the program makes it: designed at 600 by 450, then shown.
    static void Show(QMainWindow& window) {
        window.resize(kDesigned);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QTemporaryDir dir_;
    QString root_;
    QString path_;
    QRect available_;
    QString section_;
};

TEST_F(WindowPlacementTest, WritePlacementWritesTheFiveKeysWithExclusiveEdges) {
    TProfileFile settings(path_);
    WritePlacement(settings, "TMainForm_Placement", {QRect(10, 20, 600, 450), true});
    EXPECT_EQ(Bytes(),
              "[TMainForm_Placement]\nLeft=10\nTop=20\nRight=610\nBottom=470\n"
              "Maximized=1\n");
    WritePlacement(settings, "TMainForm_Placement", {QRect(-4, -3, 100, 50), false});
    EXPECT_EQ(Bytes(),
              "[TMainForm_Placement]\nLeft=-4\nTop=-3\nRight=96\nBottom=47\n"
              "Maximized=0\n");
}

TEST_F(WindowPlacementTest, ReadPlacementDefaults) {
    TProfileFile settings(path_);
    const TWindowPlacement none = ReadPlacement(settings, "TMainForm_Placement", false);
    EXPECT_EQ(none.normal, RectFromEdges(0, 0, 0, 0));
    EXPECT_FALSE(none.maximized);
    EXPECT_TRUE(ReadPlacement(settings, "TMainForm_Placement", true).maximized);
}

TEST_F(WindowPlacementTest, ReadPlacementTakesHexadecimalAndIgnoresGarbage) {
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[P]\nLeft=0x10\nTop=oops\nRight=0x110\nBottom=300\nMaximized=2\n");
    file.close();
    const TWindowPlacement placement = ReadPlacement(TProfileFile(path_), "P", false);
    EXPECT_EQ(placement.normal, QRect(16, 0, 256, 300));
    EXPECT_TRUE(placement.maximized);
}

// --- A window in the headless platform ---------------------------------------------

TEST_F(WindowPlacementTest, FirstStartOpensCentredAtTheDesignedSize) {
    QMainWindow window;
    Show(window);
    RestorePlacement(window, TProfileFile(path_));
    EXPECT_FALSE(window.isMaximized());
    EXPECT_EQ(window.geometry(), CentredRectangle(kDesigned, available_));
    EXPECT_EQ(window.geometry().size(), kDesigned);
    EXPECT_FALSE(QFile::exists(path_));  // restoring writes nothing
}

TEST_F(WindowPlacementTest, SaveThenRestoreGivesTheSameGeometry) {
    const QRect where(37, 41, 500, 300);
    {
        QMainWindow window;
        Show(window);
        window.setGeometry(where);
        TProfileFile settings(path_);
        SavePlacement(window, settings);
    }
    EXPECT_EQ(Bytes(), "[" + section_.toUtf8() +
                           "]\nLeft=37\nTop=41\nRight=537\nBottom=341\n"
                           "Maximized=0\n");
    QMainWindow window;
    Show(window);
    RestorePlacement(window, TProfileFile(path_));
    EXPECT_FALSE(window.isMaximized());
    EXPECT_EQ(window.geometry(), where);
}

TEST_F(WindowPlacementTest, ClosedMaximisedReopensMaximisedAndUnmaximisesToTheSavedRectangle) {
    const QRect normal(50, 60, 400, 300);
    {
        QMainWindow window;
        Show(window);
        window.setGeometry(normal);
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        QCoreApplication::processEvents();
        ASSERT_TRUE(window.isMaximized());
        TProfileFile settings(path_);
        SavePlacement(window, settings);
    }
    TProfileFile settings(path_);
    EXPECT_TRUE(settings.ReadBool(section_, "Maximized", false));
    EXPECT_EQ(ReadPlacement(settings, section_, false).normal, normal);

    QMainWindow window;
    Show(window);
    RestorePlacement(window, settings);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isMaximized());
    EXPECT_EQ(window.normalGeometry(), normal);
    window.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.geometry(), normal);
}

TEST_F(WindowPlacementTest, SavedRectangleOffTheScreenReopensCentred) {
    TProfileFile settings(path_);
    WritePlacement(settings, section_, {QRect(available_.right() + 500, 10, 640, 480), false});
    QMainWindow window;
    Show(window);
    RestorePlacement(window, settings);
    EXPECT_EQ(window.geometry(), CentredRectangle(kDesigned, available_));
}

TEST_F(WindowPlacementTest, SavedRectangleWiderThanTheScreenKeepsItsWidthFromLeftEdgeOne) {
    TProfileFile settings(path_);
    const int wide = available_.width() + 100;
    WritePlacement(settings, section_,
                   {QRect(available_.left() + 50, available_.top() + 20, wide, 300), false});
    QMainWindow window;
    Show(window);
    RestorePlacement(window, settings);
    EXPECT_EQ(window.geometry(), QRect(available_.left() + 1, available_.top() + 20, wide, 300));
}

TEST_F(WindowPlacementTest, DesignedSizeCanBeGiven) {
    QMainWindow window;
    Show(window);
    window.resize(300, 200);
    RestorePlacement(window, TProfileFile(path_), kDesigned);
    EXPECT_EQ(window.geometry(), CentredRectangle(kDesigned, available_));
}

TEST_F(WindowPlacementTest, UnreadableSettingsFileGivesTheFirstPlacement) {
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xFF\xFE[\0\0\x01=\n=\r\n[", 12).repeated(50));
    file.close();
    QMainWindow window;
    Show(window);
    RestorePlacement(window, TProfileFile(path_));
    EXPECT_EQ(window.geometry(), CentredRectangle(kDesigned, available_));
}

TEST_F(WindowPlacementTest, SectionCarriesTheScreensDpiAboveNinetySix) {
    QMainWindow window;
    Show(window);
    TProfileFile settings(path_);
    SavePlacement(window, settings);
    const int dpi = qRound(window.screen()->logicalDotsPerInchY());
    EXPECT_EQ(settings.ReadSection(PlacementSection("QMainWindow", dpi)).size(), 5);
    if (dpi <= 96) {
        EXPECT_EQ(settings.ReadSection("QMainWindow_Placement").size(), 5);
    }
}

}  // namespace
