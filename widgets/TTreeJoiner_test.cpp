#include "widgets/TTreeJoiner.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Pos = TCrossBarPosition;

// Renders a `w` x `h` connector drawing `figure` on white and spells each row: '#' for a pixel
// in the pen colour, '.' for an untouched one, '?' for anything else.
QStringList Rows(Pos figure, int w, int h, const QPen& pen = QPen()) {
    TTreeJoiner joiner;
    joiner.resize(w, h);
    joiner.SetCrossBarPosition(figure);
    joiner.SetPen(pen);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    joiner.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    QStringList rows;
    for (int y = 0; y < h; ++y) {
        QString row;
        for (int x = 0; x < w; ++x) {
            const QRgb pixel = image.pixel(x, y);
            row += pixel == pen.color().rgb()         ? QLatin1Char('#')
                   : pixel == QColor(Qt::white).rgb() ? QLatin1Char('.')
                                                      : QLatin1Char('?');
        }
        rows << row;
    }
    return rows;
}

// Counts the paint events it receives.
class CountingJoiner : public TTreeJoiner {
public:
    using TTreeJoiner::TTreeJoiner;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TTreeJoiner::paintEvent(event);
    }
};

TEST(TTreeJoinerTest, FiguresAreNumberedInOrder) {
    EXPECT_EQ(static_cast<int>(Pos::cbpCenter), 0);
    EXPECT_EQ(static_cast<int>(Pos::cbpThreeQuartr), 1);
    EXPECT_EQ(static_cast<int>(Pos::cbpRightSide), 2);
    EXPECT_EQ(static_cast<int>(Pos::cbpHalfRectUL), 3);
    EXPECT_EQ(static_cast<int>(Pos::cbpHalfRectLL), 4);
    EXPECT_EQ(TTreeJoiner().CrossBarPosition(), Pos::cbpCenter);
}

TEST(TTreeJoinerTest, CenterBarAtHalfWidthWithArmsOnFirstAndLastRow) {
    EXPECT_EQ(Rows(Pos::cbpCenter, 8, 5), QStringList({
                                              "....####",
                                              "....#...",
                                              "#####...",
                                              "....#...",
                                              "....####",
                                          }));
}

TEST(TTreeJoinerTest, CenterWithOddWidthAndEvenHeightTruncatesHalves) {
    EXPECT_EQ(Rows(Pos::cbpCenter, 7, 4), QStringList({
                                              "...####",
                                              "...#...",
                                              "####...",
                                              "...####",
                                          }));
}

TEST(TTreeJoinerTest, ThreeQuarterBarIsAQuarterTruncatedThenTripled) {
    // (10 / 4) * 3 = 6, not 10 * 3 / 4 = 7.
    EXPECT_EQ(Rows(Pos::cbpThreeQuartr, 10, 5), QStringList({
                                                    "......####",
                                                    "......#...",
                                                    "#######...",
                                                    "......#...",
                                                    "......####",
                                                }));
}

TEST(TTreeJoinerTest, RightSideStubCrossesToBarInLastColumn) {
    EXPECT_EQ(Rows(Pos::cbpRightSide, 6, 5), QStringList({
                                                 ".....#",
                                                 ".....#",
                                                 "######",
                                                 ".....#",
                                                 ".....#",
                                             }));
}

TEST(TTreeJoinerTest, HalfRectUpperLeftDrawsLeftAndTopSides) {
    EXPECT_EQ(Rows(Pos::cbpHalfRectUL, 5, 4), QStringList({
                                                  "#####",
                                                  "#....",
                                                  "#....",
                                                  "#....",
                                              }));
}

TEST(TTreeJoinerTest, HalfRectLowerLeftDrawsLeftAndBottomSides) {
    EXPECT_EQ(Rows(Pos::cbpHalfRectLL, 5, 4), QStringList({
                                                  "#....",
                                                  "#....",
                                                  "#....",
                                                  "#####",
                                              }));
}

TEST(TTreeJoinerTest, HeightOneDrawsBottomSideOnRowZero) {
    EXPECT_EQ(Rows(Pos::cbpHalfRectLL, 4, 1), QStringList({"####"}));
    EXPECT_EQ(Rows(Pos::cbpHalfRectUL, 4, 1), QStringList({"####"}));
    EXPECT_EQ(Rows(Pos::cbpCenter, 4, 1), QStringList({"####"}));
    EXPECT_EQ(Rows(Pos::cbpThreeQuartr, 4, 1), QStringList({"####"}));
    EXPECT_EQ(Rows(Pos::cbpRightSide, 4, 1), QStringList({"####"}));
}

TEST(TTreeJoinerTest, WidthOneKeepsEveryFigureInsideTheControl) {
    EXPECT_EQ(Rows(Pos::cbpCenter, 1, 3), QStringList({"#", "#", "#"}));
    EXPECT_EQ(Rows(Pos::cbpRightSide, 1, 3), QStringList({"#", "#", "#"}));
    EXPECT_EQ(Rows(Pos::cbpHalfRectUL, 1, 3), QStringList({"#", "#", "#"}));
    EXPECT_EQ(Rows(Pos::cbpHalfRectLL, 1, 3), QStringList({"#", "#", "#"}));
}

TEST(TTreeJoinerTest, OnlyThePenColourIsUsed) {
    QPen wide(QColor(200, 10, 30), 5, Qt::DashLine);
    EXPECT_EQ(Rows(Pos::cbpHalfRectLL, 5, 3, wide), QStringList({
                                                        "#....",
                                                        "#....",
                                                        "#####",
                                                    }));
}

TEST(TTreeJoinerTest, DefaultPenIsBlack) {
    EXPECT_EQ(TTreeJoiner().Pen().color(), QColor(Qt::black));
}

TEST(TTreeJoinerTest, SettingCurrentValuesNeitherRepaintsNorSignals) {
    QWidget host;
    host.resize(60, 40);
    auto* joiner = new CountingJoiner(&host);
    joiner->setGeometry(5, 5, 40, 20);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QTest::qWait(20);
    QSignalSpy positionSpy(joiner, &TTreeJoiner::CrossBarPositionChanged);
    QSignalSpy penSpy(joiner, &TTreeJoiner::PenChanged);
    QSignalSpy brushSpy(joiner, &TTreeJoiner::BrushChanged);
    const int before = joiner->paints;

    joiner->SetCrossBarPosition(Pos::cbpCenter);
    joiner->SetPen(QPen());
    joiner->SetBrush(QBrush());
    QTest::qWait(50);
    EXPECT_EQ(joiner->paints, before);
    EXPECT_EQ(positionSpy.count(), 0);
    EXPECT_EQ(penSpy.count(), 0);
    EXPECT_EQ(brushSpy.count(), 0);

    joiner->SetCrossBarPosition(Pos::cbpHalfRectUL);
    EXPECT_TRUE(QTest::qWaitFor([&] { return joiner->paints > before; }, 2000));
    ASSERT_EQ(positionSpy.count(), 1);
    EXPECT_EQ(positionSpy[0][0].value<TCrossBarPosition>(), Pos::cbpHalfRectUL);

    int now = joiner->paints;
    joiner->SetPen(QPen(Qt::red));
    EXPECT_TRUE(QTest::qWaitFor([&] { return joiner->paints > now; }, 2000));
    EXPECT_EQ(penSpy.count(), 1);

    now = joiner->paints;
    joiner->SetBrush(QBrush(Qt::green));
    EXPECT_TRUE(QTest::qWaitFor([&] { return joiner->paints > now; }, 2000));
    EXPECT_EQ(brushSpy.count(), 1);
}

TEST(TTreeJoinerTest, ConnectorTakesNoMouseInput) {
    EXPECT_TRUE(TTreeJoiner().testAttribute(Qt::WA_TransparentForMouseEvents));
}

}  // namespace
