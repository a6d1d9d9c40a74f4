#include "widgets/ToxSplit.h"

#include <ostream>

#include <QImage>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

// Readable rectangles and sizes in failure messages; found by argument-dependent lookup, so in the
// global namespace, with internal linkage.
static void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
static void PrintTo(const QSize& s, std::ostream* out) {
    *out << "QSize(" << s.width() << ", " << s.height() << ")";
}

namespace {

constexpr int kBar = 10;

// A shown split panel with a fixed bar width and a palette whose frame colours all differ, so
// that painted pixels tell which colour went where.
class ToxSplitTest : public ::testing::Test {
protected:
    void SetUp() override {
        split_.SetBarWidth(kBar);
        QPalette pal = split_.palette();
        pal.setColor(QPalette::Light, QColor(0xff, 0xff, 0xff));
        pal.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
        pal.setColor(QPalette::Shadow, QColor(0x00, 0x00, 0x00));
        pal.setColor(QPalette::Button, QColor(0xc0, 0xc0, 0xc0));
        split_.setPalette(pal);
    }

    // Sizes the split, places its bar and shows it.
    void Show(int width, int height, int barPosition) {
        split_.resize(width, height);
        split_.SetBarPosition(barPosition);
        split_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split_));
    }

    QRect Pane1() const { return split_.Pane1()->geometry(); }
    QRect Pane2() const { return split_.Pane2()->geometry(); }
    QWidget* Ghost() const { return split_.findChild<QWidget*>(QStringLiteral("ghostBar")); }

    // Points along a vertical bar's axis at mid-height.
    QPoint X(int x) const { return QPoint(x, split_.height() / 2); }

    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(&split_, button, {}, at);
    }
    void Drag(QPoint to) { QTest::mouseMove(&split_, to); }
    void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(&split_, button, {}, at);
    }

    ToxSplit split_;
};

TEST_F(ToxSplitTest, NewSplitLaysOutItsPanesAtFifty) {
    ToxSplit fresh;
    fresh.SetBarWidth(kBar);
    EXPECT_EQ(fresh.size(), QSize(185, 41));
    // Win95 look: 2 pixels inset, bar at 50 from the pane area's left edge.
    EXPECT_EQ(fresh.Pane1()->geometry(), QRect(2, 2, 50, 37));
    EXPECT_EQ(fresh.Pane2()->geometry(), QRect(62, 2, 185 - 2 - 62, 37));
    EXPECT_EQ(fresh.BarRect(), QRect(52, 0, kBar, 41));
}

TEST_F(ToxSplitTest, BarPositionIsClampedToAvailableLength) {
    split_.resize(200 + 2 * 2 + kBar, 60);  // available length 200
    QSignalSpy resized(&split_, &ToxSplit::OnResized);

    split_.SetBarPosition(-5);
    EXPECT_EQ(split_.BarPosition(), 0);
    EXPECT_EQ(Pane1(), QRect(2, 2, 0, 56));
    EXPECT_EQ(Pane2(), QRect(12, 2, 200, 56));

    split_.SetBarPosition(500);
    EXPECT_EQ(split_.BarPosition(), 200);
    EXPECT_EQ(Pane1(), QRect(2, 2, 200, 56));
    EXPECT_EQ(Pane2(), QRect(212, 2, 0, 56));

    split_.SetBarPosition(200);  // the same value still counts as setting it
    ASSERT_EQ(resized.count(), 3);
    EXPECT_EQ(resized[0][0].value<ToxCustomSplit*>(), &split_);
}

TEST_F(ToxSplitTest, PercentIsShareOfAvailableLength) {
    Show(200 + 2 * 2 + kBar, 60, 50);
    EXPECT_EQ(split_.Percent(), 25);

    split_.SetPercent(60);
    EXPECT_EQ(split_.BarPosition(), 120);
    split_.SetPercent(0);
    EXPECT_EQ(split_.BarPosition(), 0);

    // Shrinking keeps the stored position, which then reads as all of the length.
    split_.SetBarPosition(150);
    split_.resize(100 + 2 * 2 + kBar, 60);
    EXPECT_EQ(split_.BarPosition(), 150);
    EXPECT_EQ(split_.Percent(), 100);
    EXPECT_EQ(Pane1().width(), 100);
}

// Pane rectangles of a 300 x 100 split with the bar at 40, in each style and orientation.
TEST_F(ToxSplitTest, PaneGeometryFollowsStyleInsetAndOrientation) {
    struct Case {
        ToxsStyle style;
        TBorderStyle border;
        int inset;
    };
    const Case cases[] = {
        {ToxsStyle::oxsAuto, TBorderStyle::bsSingle, 2},
        {ToxsStyle::oxsWin31, TBorderStyle::bsSingle, 0},
        {ToxsStyle::oxsWin95, TBorderStyle::bsSingle, 2},
        {ToxsStyle::oxsInset, TBorderStyle::bsSingle, 1},
        {ToxsStyle::oxsGroove, TBorderStyle::bsSingle, 0},
        {ToxsStyle::oxsWin95, TBorderStyle::bsNone, 0},
        {ToxsStyle::oxsInset, TBorderStyle::bsNone, 0},
    };
    split_.resize(300, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << static_cast<int>(c.style) << " border "
                                        << static_cast<int>(c.border));
        const int i = c.inset;
        split_.SetStyle(c.style);
        split_.SetBorderStyle(c.border);
        EXPECT_EQ(split_.Inset(), i);

        split_.SetOrientation(ToxsOrientation::oxsVert);
        split_.SetBarPosition(40);
        EXPECT_EQ(split_.AvailableLength(), 300 - 2 * i - kBar);
        EXPECT_EQ(Pane1(), QRect(i, i, 40, 100 - 2 * i));
        EXPECT_EQ(Pane2(), QRect(i + 40 + kBar, i, 300 - 2 * i - 40 - kBar, 100 - 2 * i));
        EXPECT_EQ(split_.BarRect(), QRect(i + 40, 0, kBar, 100));

        split_.SetOrientation(ToxsOrientation::oxsHorz);
        EXPECT_EQ(split_.AvailableLength(), 100 - 2 * i - kBar);
        EXPECT_EQ(Pane1(), QRect(i, i, 300 - 2 * i, 40));
        EXPECT_EQ(Pane2(), QRect(i, i + 40 + kBar, 300 - 2 * i, 100 - 2 * i - 40 - kBar));
        EXPECT_EQ(split_.BarRect(), QRect(0, i + 40, 300, kBar));

        // Only the Win31 look gives the panes borders of their own.
        const bool bordered = c.style == ToxsStyle::oxsWin31 && c.border == TBorderStyle::bsSingle;
        EXPECT_EQ(split_.Pane1()->frameWidth() > 0, bordered);
    }
}

TEST_F(ToxSplitTest, ChangingOrientationReappliesPosition) {
    split_.resize(300, 100);
    split_.SetBarPosition(200);
    QSignalSpy resized(&split_, &ToxSplit::OnResized);

    split_.SetOrientation(ToxsOrientation::oxsHorz);
    EXPECT_EQ(split_.BarPosition(), 100 - 4 - kBar);
    EXPECT_EQ(resized.count(), 1);
    split_.SetOrientation(ToxsOrientation::oxsHorz);
    EXPECT_EQ(resized.count(), 1);
}

TEST_F(ToxSplitTest, PaintsBarColourAndFramesOfEachStyle) {
    Show(185, 41, 50);
    split_.SetBarColor(Qt::magenta);
    const QColor light(0xff, 0xff, 0xff), dark(0x80, 0x80, 0x80), shadow(0, 0, 0),
        button(0xc0, 0xc0, 0xc0), bar(Qt::magenta);
    struct Probe {
        ToxsStyle style;
        QPoint at;
        QColor expected;
    };
    // Bar from 50 + inset to 60 + inset; pane 1 ends at 49 + inset, pane 2 starts at 60 + inset.
    const Probe probes[] = {
        // Win95: outer sunken frame, inner frame (Shadow / Button) inside it.
        {ToxsStyle::oxsWin95, QPoint(0, 0), dark},
        {ToxsStyle::oxsWin95, QPoint(1, 1), shadow},
        {ToxsStyle::oxsWin95, QPoint(53, 20), light},
        {ToxsStyle::oxsWin95, QPoint(52, 20), button},
        {ToxsStyle::oxsWin95, QPoint(56, 20), bar},
        {ToxsStyle::oxsWin95, QPoint(60, 20), dark},
        {ToxsStyle::oxsWin95, QPoint(61, 20), shadow},
        // Inset: one sunken frame.
        {ToxsStyle::oxsInset, QPoint(0, 0), dark},
        {ToxsStyle::oxsInset, QPoint(51, 20), light},
        {ToxsStyle::oxsInset, QPoint(55, 20), bar},
        {ToxsStyle::oxsInset, QPoint(60, 20), dark},
        // Win31: sunken frames just outside the panes, a Shadow line around the control.
        {ToxsStyle::oxsWin31, QPoint(50, 20), light},
        {ToxsStyle::oxsWin31, QPoint(59, 20), dark},
        {ToxsStyle::oxsWin31, QPoint(55, 20), bar},
        {ToxsStyle::oxsWin31, QPoint(55, 0), shadow},
        {ToxsStyle::oxsWin31, QPoint(55, 40), shadow},
        // Groove: frames around the panes moved by one and enlarged by half the bar.
        {ToxsStyle::oxsGroove, QPoint(52, 20), bar},
        {ToxsStyle::oxsGroove, QPoint(54, 20), dark},
        {ToxsStyle::oxsGroove, QPoint(55, 20), shadow},
        {ToxsStyle::oxsGroove, QPoint(56, 20), light},
        {ToxsStyle::oxsGroove, QPoint(57, 20), button},
        {ToxsStyle::oxsGroove, QPoint(58, 20), bar},
    };
    for (const Probe& p : probes) {
        split_.SetStyle(p.style);
        split_.SetBarPosition(50);
        const QImage image = split_.grab().toImage();
        EXPECT_EQ(image.pixelColor(p.at), p.expected)
            << "style " << static_cast<int>(p.style) << " at " << p.at.x() << "," << p.at.y();
    }

    // Win31 without the three-dimensional look keeps only the line around the control.
    split_.SetStyle(ToxsStyle::oxsWin31);
    split_.SetCtl3D(false);
    QImage image = split_.grab().toImage();
    EXPECT_EQ(image.pixelColor(50, 20), bar);
    EXPECT_EQ(image.pixelColor(55, 0), shadow);

    // Without borders only the bar colour is painted.
    split_.SetBorderStyle(TBorderStyle::bsNone);
    image = split_.grab().toImage();
    EXPECT_EQ(image.pixelColor(55, 0), bar);
    EXPECT_EQ(image.pixelColor(50, 20), bar);
}

TEST_F(ToxSplitTest, CursorOverBarIsSplitCursorUnlessLocked) {
    Show(185, 41, 50);  // vertical bar from 52 to 61
    Drag(X(55));
    EXPECT_EQ(split_.cursor().shape(), Qt::SplitHCursor);
    Drag(X(1));  // on the inset beside a pane, not on the bar
    EXPECT_EQ(split_.cursor().shape(), Qt::ArrowCursor);

    split_.SetOrientation(ToxsOrientation::oxsHorz);
    split_.resize(185, 141);
    split_.SetBarPosition(50);
    Drag(QPoint(90, 55));
    EXPECT_EQ(split_.cursor().shape(), Qt::SplitVCursor);

    split_.SetLocked(true);
    EXPECT_EQ(split_.cursor().shape(), Qt::ArrowCursor);
    Drag(QPoint(90, 5));
    Drag(QPoint(90, 55));
    EXPECT_EQ(split_.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ToxSplitTest, PressingLockedBarDoesNothing) {
    Show(185, 41, 50);
    split_.SetLocked(true);
    QSignalSpy resized(&split_, &ToxSplit::OnResized);

    Press(X(55));
    EXPECT_FALSE(split_.IsDragging());
    EXPECT_FALSE(Ghost()->isVisible());
    Drag(X(100));
    Release(X(100));
    EXPECT_EQ(split_.BarPosition(), 50);
    EXPECT_EQ(resized.count(), 0);
}

TEST_F(ToxSplitTest, OnlyLeftButtonDragsBar) {
    Show(185, 41, 50);
    QSignalSpy resized(&split_, &ToxSplit::OnResized);
    Press(X(55), Qt::RightButton);
    EXPECT_FALSE(split_.IsDragging());
    Drag(X(100));
    Release(X(100), Qt::RightButton);
    EXPECT_EQ(split_.BarPosition(), 50);
    EXPECT_EQ(resized.count(), 0);
}

TEST_F(ToxSplitTest, DragWithoutAutoUpdateMovesGhostThenPanesOnRelease) {
    Show(185, 41, 50);
    QSignalSpy resized(&split_, &ToxSplit::OnResized);
    const QRect pane1 = Pane1(), pane2 = Pane2();

    Press(X(55));  // 3 pixels into the bar, which starts at 52
    ASSERT_TRUE(split_.IsDragging());
    ASSERT_NE(Ghost(), nullptr);
    EXPECT_TRUE(Ghost()->isVisible());
    EXPECT_EQ(Ghost()->geometry(), QRect(52, 2, kBar, 37));

    Drag(X(95));
    Drag(X(105));
    EXPECT_EQ(Ghost()->geometry(), QRect(102, 2, kBar, 37));
    EXPECT_EQ(Pane1(), pane1);
    EXPECT_EQ(Pane2(), pane2);
    EXPECT_EQ(split_.BarPosition(), 50);
    EXPECT_EQ(resized.count(), 0);

    Release(X(105));
    EXPECT_FALSE(split_.IsDragging());
    EXPECT_FALSE(Ghost()->isVisible());
    EXPECT_EQ(split_.BarPosition(), 100);
    EXPECT_EQ(Pane1(), QRect(2, 2, 100, 37));
    EXPECT_EQ(Pane2(), QRect(112, 2, 71, 37));
    EXPECT_EQ(resized.count(), 1);
}

TEST_F(ToxSplitTest, DragWithAutoUpdateMovesPanesAtOnce) {
    Show(185, 141, 50);
    split_.SetOrientation(ToxsOrientation::oxsHorz);
    split_.SetAutoUpdate(true);
    QSignalSpy resized(&split_, &ToxSplit::OnResized);

    Press(QPoint(90, 60));  // 8 pixels into the bar, which starts at 52
    EXPECT_FALSE(Ghost()->isVisible());
    Drag(QPoint(90, 80));
    EXPECT_EQ(split_.BarPosition(), 70);
    EXPECT_EQ(Pane1(), QRect(2, 2, 181, 70));
    EXPECT_EQ(Pane2(), QRect(2, 82, 181, 57));
    EXPECT_EQ(resized.count(), 1);
    EXPECT_FALSE(Ghost()->isVisible());

    Drag(QPoint(90, 40));
    EXPECT_EQ(split_.BarPosition(), 30);
    Release(QPoint(90, 40));
    EXPECT_EQ(split_.BarPosition(), 30);
    EXPECT_EQ(resized.count(), 3);
}

TEST_F(ToxSplitTest, DragIsClampedAtBothEnds) {
    Show(185, 41, 50);  // available length 185 - 4 - 10 = 171
    Press(X(55));
    Drag(X(-100));
    EXPECT_EQ(Ghost()->geometry().left(), 2);
    Release(X(-100));
    EXPECT_EQ(split_.BarPosition(), 0);

    Press(X(5));
    Drag(X(400));
    EXPECT_EQ(Ghost()->geometry().left(), 185 - 2 - kBar);
    Release(X(400));
    EXPECT_EQ(split_.BarPosition(), 171);

    // Grabbed 9 pixels into the bar: one pixel short of the snap zone the bar stops where the
    // pointer puts it; within BarWidth + 1 pixels of the far edge it snaps to the end.
    split_.SetBarPosition(100);
    Press(X(102 + 9));
    Release(X(185 - kBar - 2));
    EXPECT_EQ(split_.BarPosition(), 185 - kBar - 2 - 9 - 2);
    Press(X(split_.BarPosition() + 2 + 9));
    Release(X(185 - kBar - 1));
    EXPECT_EQ(split_.BarPosition(), 171);
}

TEST_F(ToxSplitTest, SyncScrollCopiesScrollPositionsBetweenPanes) {
    split_.Pane1()->Content()->setMinimumSize(1000, 1000);
    split_.Pane2()->Content()->setMinimumSize(1000, 300);
    Show(400, 200, 180);
    QScrollBar* v1 = split_.Pane1()->verticalScrollBar();
    QScrollBar* v2 = split_.Pane2()->verticalScrollBar();
    QScrollBar* h1 = split_.Pane1()->horizontalScrollBar();
    QScrollBar* h2 = split_.Pane2()->horizontalScrollBar();
    ASSERT_GT(v2->maximum(), 50);
    ASSERT_LT(v2->maximum(), 500);

    v1->setValue(40);
    EXPECT_EQ(v2->value(), 0);

    split_.SetSyncScroll(true);
    v1->setValue(50);
    EXPECT_EQ(v2->value(), 50);
    h2->setValue(70);
    EXPECT_EQ(h1->value(), 70);
    // The other pane cannot go as far; the pane scrolled keeps its position.
    v1->setValue(500);
    EXPECT_EQ(v2->value(), v2->maximum());
    EXPECT_EQ(v1->value(), 500);
}

TEST_F(ToxSplitTest, AutoScrollDecidesWhetherPanesShowScrollBars) {
    split_.Pane1()->Content()->setMinimumSize(1000, 1000);
    Show(400, 200, 180);
    EXPECT_TRUE(split_.Pane1()->verticalScrollBar()->isVisible());
    split_.SetAutoScroll(false);
    EXPECT_FALSE(split_.AutoScroll());
    EXPECT_FALSE(split_.Pane1()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(split_.Pane2()->AutoScroll());
}

// The Find Surname dialog's main area: 517 x 295 with a vertical 10-pixel bar at 233, and in its
// right pane a horizontal 8-pixel bar at 131 between a list box and a text editor. Everything is
// set up before the window is shown, as a dialog does, and the panes are filled before the outer
// split is sized, so the inner split learns its size only from the outer one's layout.
TEST(ToxSplitNestedTest, FindSurnameArrangementGivesExpectedPanes) {
    QWidget dialog;
    dialog.resize(527, 389);
    auto* outer = new ToxSplit(&dialog);
    auto* surnames = new QListWidget;
    outer->Pane1()->SetChild(surnames);
    auto* inner = new ToxSplit;
    outer->Pane2()->SetChild(inner);

    outer->setGeometry(5, 37, 517, 295);
    outer->SetBarWidth(10);
    outer->SetBarPosition(233);
    inner->SetOrientation(ToxsOrientation::oxsHorz);
    inner->SetBarWidth(8);
    inner->SetBarPosition(131);
    auto* persons = new QListWidget;
    auto* preview = new QTextEdit;
    inner->Pane1()->SetChild(persons);
    inner->Pane2()->SetChild(preview);

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(outer->BarPosition(), 233);
    EXPECT_EQ(outer->Pane1()->geometry(), QRect(2, 2, 233, 291));
    EXPECT_EQ(outer->Pane2()->geometry(), QRect(245, 2, 270, 291));
    EXPECT_EQ(inner->size(), QSize(270, 291));
    EXPECT_EQ(inner->BarPosition(), 131);
    EXPECT_EQ(inner->Pane1()->geometry(), QRect(2, 2, 266, 131));
    EXPECT_EQ(inner->Pane2()->geometry(), QRect(2, 141, 266, 148));

    // Each child fills its pane.
    EXPECT_EQ(surnames->size(), QSize(233, 291));
    EXPECT_EQ(persons->size(), QSize(266, 131));
    EXPECT_EQ(preview->size(), QSize(266, 148));
    EXPECT_EQ(surnames->mapTo(&dialog, QPoint(0, 0)), QPoint(5 + 2, 37 + 2));
    EXPECT_EQ(preview->mapTo(&dialog, QPoint(0, 0)), QPoint(5 + 245 + 2, 37 + 2 + 141));

    // Dragging the outer bar 40 pixels left widens the inner split and its panes.
    QTest::mousePress(outer, Qt::LeftButton, {}, QPoint(240, 100));
    QTest::mouseMove(outer, QPoint(200, 100));
    QTest::mouseRelease(outer, Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_EQ(outer->BarPosition(), 193);
    EXPECT_EQ(inner->size(), QSize(310, 291));
    EXPECT_EQ(persons->size(), QSize(306, 131));
    EXPECT_EQ(inner->BarPosition(), 131);
}

}  // namespace
