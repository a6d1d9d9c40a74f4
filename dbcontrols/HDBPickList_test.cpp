// The pick-list grid on real lookup tables: the record window and its positioning, the link
// notifications, keys and the scroll bar, painting (what is drawn, and how little is repainted),
// and what the grid costs and leaves behind in the table.
#include "dbcontrols/HDBPickList.h"

#include <climits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "table/HCreateTable.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

constexpr int kRowHeight = 18;

struct Row {
    std::string rtype;
    std::string name;
};

// "Name 0001" ... in the order of the NAME tag; stored in reverse so that the tag order is not
// the record order.
std::vector<Row> Names(int count) {
    std::vector<Row> rows;
    for (int i = count; i >= 1; --i) {
        char name[16];
        std::snprintf(name, sizeof name, "Name %04d", i);
        rows.push_back({"I", name});
    }
    return rows;
}

QString NameAt(int i) { return QStringLiteral("Name %1").arg(i, 4, 10, QLatin1Char('0')); }
std::string KeyOf(int i) { return "INAME " + std::to_string(10000 + i).substr(1); }

// A link that only counts what the table tells it.
class CountingLink : public HCtrlLink {
public:
    int count = 0;

protected:
    void Notify(HDBEvent, int32_t) override { ++count; }
};

// Remembers the regions the viewport paints.
class PaintLog : public QObject {
public:
    QRegion painted;
    int events = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++events;
        }
        return false;
    }
};

class HDBPickListTest : public testing::Test {
protected:
    // A lookup table with the NAME and POINTER tags, open in the NAME order.
    void Build(HTable& table, const std::string& name, const std::vector<Row>& rows) {
        table.SetDBFPath(dir_.Path());
        table.SetDBFName(name);
        HCreateTable creator;
        creator.SetDBFTable(&table);
        creator.SetDBFType(HDBFTypes::FoxPro2);
        creator.SetCreateFields({"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0", "OFFSET;N;10;0"});
        ASSERT_TRUE(creator.Execute());
        table.SetExclusive(true);
        table.Open();
        int n = 0;
        for (const Row& row : rows) {
            ++n;
            table.Append();
            table.StringPut("RTYPE", row.rtype);
            table.StringPut("NAME", row.name);
            table.StringPut("POINTER", row.rtype + std::to_string(n));
            table.IntegerPut("OFFSET", n * 100);
            ASSERT_TRUE(table.Post());
        }
        const std::string cdx = dir_.File(name + ".CDX");
        ASSERT_TRUE(table.IndexOn(cdx, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
        ASSERT_TRUE(table.IndexOn(cdx, "POINTER", 7, 1, "", "POINTER"));
        // Reopened shared, as the program uses its lookup tables.
        table.Close();
        table.SetExclusive(false);
        table.Open();
        ASSERT_TRUE(table.IndexOpen("\"" + cdx + "\"", "NAME"));
        table.First();
    }

    // The grid as the Select Person dialog sets it up: whole-row selection only, 18-pixel rows,
    // one column as wide as the grid; `fullRows` whole rows and a partly visible one.
    void ShowGrid(HTable& table, int fullRows, int partial = kRowHeight / 2) {
        grid_.SetPermissions(luRowSelect);
        grid_.SetDefaultRowHeight(kRowHeight);
        grid_.SetDefaultColWidth(106);
        grid_.resize(240, 100);
        grid_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
        const int frame = grid_.height() - grid_.viewport()->height();
        grid_.resize(240, frame + fullRows * kRowHeight + partial);
        QApplication::processEvents();
        grid_.SetPickDBFTable(&table);
        grid_.SetPickFieldList(
            {QStringLiteral("NAME;2;Last Name;0;0%%1").arg(grid_.viewport()->width())});
        QApplication::processEvents();
    }

    // The names in the window, first row first.
    std::vector<QString> Shown() const {
        std::vector<QString> names;
        for (size_t row = 0; row < grid_.RecordWindow().size(); ++row) {
            names.push_back(grid_.CellText(static_cast<int>(row), 1));
        }
        return names;
    }
    static std::vector<QString> Expected(int first, int last) {
        std::vector<QString> names;
        for (int i = first; i <= last; ++i) names.push_back(NameAt(i));
        return names;
    }
    QString CurrentName() {
        const std::string name = table_.StringGet("NAME");
        return QString::fromLatin1(name.c_str()).trimmed();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        EXPECT_TRUE(grid_.HandleKey(key, modifiers)) << key;
    }
    QColor PixelAt(int x, int y) { return grid_.viewport()->grab().toImage().pixelColor(x, y); }

    TempDir dir_;
    HTable table_;
    HDBPickList grid_;
};

// --- What the window shows ------------------------------------------------------------------

TEST_F(HDBPickListTest, ProgramSettingsShowOneFullWidthColumnWithoutTitlesOrLines) {
    Build(table_, "LOOK", Names(30));
    ShowGrid(table_, 5);
    std::vector<QRect> cells;
    grid_.OnDrawCellView = [&cells](const QRect& rect, int fieldNo, const QString&,
                                    HGridDrawState) {
        EXPECT_EQ(fieldNo, 2);
        cells.push_back(rect);
    };
    grid_.viewport()->repaint();
    EXPECT_EQ(grid_.RowCapacity(), 6);
    EXPECT_EQ(Shown(), Expected(1, 6));
    ASSERT_EQ(cells.size(), 6u);
    for (size_t row = 0; row < cells.size(); ++row) {
        // No title row and no line between rows: row n starts at n row heights.
        EXPECT_EQ(cells[row].top(), static_cast<int>(row) * kRowHeight);
        EXPECT_EQ(cells[row].left(), 0);
        EXPECT_EQ(cells[row].width(), grid_.viewport()->width());
    }
    const int right = grid_.viewport()->width() - 1;
    const QColor base = grid_.palette().color(QPalette::Base);
    EXPECT_EQ(PixelAt(right, 2 * kRowHeight + kRowHeight / 2), base);
    EXPECT_EQ(PixelAt(right - 5, 3 * kRowHeight - 1), base);

    // The designer's defaults: a title row and grid lines.
    grid_.SetPermissions(kAllLookupPermissions);
    cells.clear();
    grid_.viewport()->repaint();
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells[0].top(), kRowHeight + 1);
    EXPECT_EQ(grid_.RowCapacity(), 5);
    EXPECT_NE(PixelAt(right - 5, kRowHeight + 1 + kRowHeight), base);  // the line under row 0
}

TEST_F(HDBPickListTest, FewerRecordsThanRowsShowsThemAllAndLeavesTheRestBlank) {
    Build(table_, "LOOK", Names(3));
    ShowGrid(table_, 8);
    int painted = 0;
    grid_.OnDrawCellView = [&painted](const QRect&, int, const QString&, HGridDrawState) {
        ++painted;
    };
    grid_.viewport()->repaint();
    EXPECT_EQ(Shown(), Expected(1, 3));
    EXPECT_EQ(painted, 3);
    EXPECT_EQ(grid_.CurrentRow(), 0);
    EXPECT_TRUE(grid_.CellText(3, 1).isEmpty());
    EXPECT_EQ(PixelAt(20, 5 * kRowHeight + 5), grid_.palette().color(QPalette::Base));
    // Moving past the last record stays on it.
    Key(Qt::Key_PageDown);
    Key(Qt::Key_Down);
    EXPECT_EQ(CurrentName(), NameAt(3));
    EXPECT_EQ(grid_.CurrentRow(), 2);
    EXPECT_EQ(Shown(), Expected(1, 3));
}

TEST_F(HDBPickListTest, SeekOutsideTheWindowAfterAnUpwardMoveShowsItInTheFirstRow) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Up);
    EXPECT_EQ(CurrentName(), NameAt(99));
    table_.SetFindNear(true);
    table_.Find(KeyOf(40));
    EXPECT_EQ(grid_.CurrentRow(), 0);
    EXPECT_EQ(Shown(), Expected(40, 45));
    // Near the end the rows below would stay empty: the window shows more names above instead.
    table_.Find(KeyOf(98));
    EXPECT_EQ(Shown(), Expected(95, 100));
    EXPECT_EQ(grid_.CurrentRow(), 3);
}

TEST_F(HDBPickListTest, SeekOutsideTheWindowAfterADownwardMoveShowsItInTheLastWholeRow) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    Key(Qt::Key_Down);
    table_.SetFindNear(true);
    table_.Find(KeyOf(60));
    // The last whole row; the partly visible one below shows the next name.
    EXPECT_EQ(grid_.CurrentRow(), 4);
    EXPECT_EQ(Shown(), Expected(56, 61));
    // Seeking inside the window only moves the highlight.
    table_.Find(KeyOf(57));
    EXPECT_EQ(grid_.CurrentRow(), 1);
    EXPECT_EQ(Shown(), Expected(56, 61));
}

TEST_F(HDBPickListTest, PageDownOnTheLastPageStopsAtTheLastRecord) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    for (int i = 0; i < 30; ++i) Key(Qt::Key_PageDown);
    EXPECT_EQ(CurrentName(), NameAt(100));
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(grid_.CurrentRow(), 4);
    EXPECT_EQ(Shown(), Expected(96, 100));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(CurrentName(), NameAt(100));
    EXPECT_EQ(Shown(), Expected(96, 100));
    // A page up moves a page less one row.
    Key(Qt::Key_PageUp);
    EXPECT_EQ(CurrentName(), NameAt(96));
}

TEST_F(HDBPickListTest, ARangeLimitsTheRowsToTheRecordsInRange) {
    Build(table_, "LOOK",
          {{"F", "Family"}, {"I", "Ida"}, {"N", "Note"}, {"I", "Bob"}, {"I", "Cid"}, {"F", "Fam"}});
    ShowGrid(table_, 8);
    EXPECT_EQ(Shown().size(), 6u);
    table_.SetRange("I", "J");
    EXPECT_EQ(Shown(), std::vector<QString>({"Bob", "Cid", "Ida"}));
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    EXPECT_EQ(CurrentName(), QStringLiteral("Ida"));
    EXPECT_EQ(Shown(), std::vector<QString>({"Bob", "Cid", "Ida"}));

    table_.SetRange("K", "M");  // nothing in range
    EXPECT_TRUE(grid_.RecordWindow().empty());
    EXPECT_EQ(grid_.CurrentRow(), -1);
    Key(Qt::Key_Down);
    Key(Qt::Key_PageUp);
    grid_.viewport()->repaint();
    EXPECT_TRUE(grid_.RecordWindow().empty());

    table_.SetRange("", "");
    EXPECT_EQ(Shown().size(), 6u);
}

// --- Scroll bar -----------------------------------------------------------------------------

TEST_F(HDBPickListTest, DraggingTheThumbToTheTopShowsTheFirstRecordInTheFirstRow) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    QScrollBar* bar = grid_.verticalScrollBar();
    auto drag = [bar](int position) {
        bar->setSliderDown(true);
        bar->setSliderPosition(position);
        bar->setSliderDown(false);
    };
    table_.Find(KeyOf(50));
    EXPECT_EQ(bar->value(), 50);  // the order cannot tell a percentage
    drag(0);
    EXPECT_EQ(Shown(), Expected(1, 6));
    EXPECT_EQ(grid_.CurrentRow(), 0);
    EXPECT_EQ(bar->value(), 0);
    drag(100);
    EXPECT_EQ(CurrentName(), NameAt(100));
    EXPECT_EQ(bar->value(), 100);
    // Elsewhere the thumb pages towards where it was dropped.
    drag(20);
    EXPECT_EQ(CurrentName(), NameAt(96));
    EXPECT_EQ(bar->value(), 50);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(CurrentName(), NameAt(97));
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(CurrentName(), NameAt(1));
    EXPECT_EQ(bar->value(), 0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(CurrentName(), NameAt(5));
    // A click on the bar gives the grid the keyboard focus.
    grid_.clearFocus();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() * 3 / 4));
    EXPECT_TRUE(grid_.hasFocus());
}

// --- Keys and mouse -------------------------------------------------------------------------

TEST_F(HDBPickListTest, KeysMoveTheTableInTagOrder) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    Key(Qt::Key_Right);  // row selection: Left and Right act as Up and Down
    Key(Qt::Key_Down);
    EXPECT_EQ(CurrentName(), NameAt(3));
    Key(Qt::Key_Left);
    EXPECT_EQ(CurrentName(), NameAt(2));
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(CurrentName(), NameAt(100));
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(CurrentName(), NameAt(1));
    EXPECT_FALSE(grid_.HandleKey(Qt::Key_Home, Qt::NoModifier));
    EXPECT_FALSE(grid_.HandleKey(Qt::Key_A, Qt::NoModifier));
    EXPECT_FALSE(grid_.HandleKey(Qt::Key_Escape, Qt::NoModifier));  // not editing: the dialog's

    grid_.SetPermissions(luTitles);
    EXPECT_FALSE(grid_.HandleKey(Qt::Key_Right, Qt::NoModifier));
    EXPECT_EQ(CurrentName(), NameAt(1));
}

TEST_F(HDBPickListTest, AClickMovesTheTableAndADoubleClickIsSignalled) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    QSignalSpy doubleClicks(&grid_, &HDBCustomGrid::DblClick);
    QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(20, 3 * kRowHeight + 4));
    EXPECT_EQ(CurrentName(), NameAt(4));
    EXPECT_EQ(grid_.CurrentRow(), 3);
    EXPECT_TRUE(grid_.hasFocus());
    // The partly visible row scrolls into view.
    QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(20, 5 * kRowHeight + 2));
    EXPECT_EQ(CurrentName(), NameAt(6));
    EXPECT_EQ(Shown(), Expected(2, 7));
    QTest::mouseDClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(20, 4));
    EXPECT_EQ(doubleClicks.count(), 1);
    QTest::mouseDClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(20, 5 * kRowHeight + 2));
    EXPECT_EQ(doubleClicks.count(), 2);
}

TEST_F(HDBPickListTest, WithoutRowSelectTheHorizontalKeysChooseTheColumn) {
    Build(table_, "LOOK", Names(10));
    ShowGrid(table_, 5);
    grid_.SetPermissions(luTitles);
    grid_.SetPickFieldList({"NAME;2;Name;0;0%100", "POINTER;3;Pointer;0;0%80"});
    int exits = 0;
    int enters = 0;
    grid_.OnColExit = [&exits] { ++exits; };
    grid_.OnColEnter = [&enters] { ++enters; };
    std::vector<int> selected;
    grid_.OnDrawCellView = [&selected](const QRect&, int fieldNo, const QString&,
                                       HGridDrawState state) {
        if (state.selected) selected.push_back(fieldNo);
    };
    grid_.setFocus();
    QTest::keyClick(&grid_, Qt::Key_Right);
    QTest::keyClick(&grid_, Qt::Key_Right);  // already the last column
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(CurrentName(), NameAt(1));
    grid_.viewport()->repaint();
    EXPECT_EQ(selected, std::vector<int>({3}));
    QTest::keyClick(&grid_, Qt::Key_Down);
    EXPECT_EQ(CurrentName(), NameAt(2));
}

TEST_F(HDBPickListTest, ColumnsResizeByDraggingTheirBorderInTheTitleRow) {
    Build(table_, "LOOK", Names(10));
    ShowGrid(table_, 5);
    grid_.SetPermissions(kAllLookupPermissions);
    grid_.SetPickFieldList({"NAME;2;Name;0;0%100", "POINTER;3;Pointer;0;0%80"});
    QWidget* port = grid_.viewport();
    auto drag = [port](int from, int to) {
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(from, 5));
        QTest::mouseMove(port, QPoint(to, 5));
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(to, 5));
    };
    drag(100, 130);
    EXPECT_EQ(grid_.Columns()[0].width, 130);
    EXPECT_EQ(grid_.PickFieldList()[0], QStringLiteral("NAME;2;Name;0;0%130"));
    EXPECT_EQ(CurrentName(), NameAt(1));
    grid_.SetPermissions(kAllLookupPermissions & ~luColResize);
    drag(131, 160);
    EXPECT_EQ(grid_.Columns()[0].width, 130);
}

TEST_F(HDBPickListTest, F2AsksForEditAndEscapeCancelsIt) {
    Build(table_, "LOOK", Names(10));
    ShowGrid(table_, 5);
    Key(Qt::Key_F2);
    EXPECT_EQ(table_.State(), HTableState::Browse);  // without AutoEdit the link refuses
    table_.SetAutoEdit(true);
    Key(Qt::Key_F2);
    EXPECT_EQ(table_.State(), HTableState::Edit);
    Key(Qt::Key_Escape);
    EXPECT_EQ(table_.State(), HTableState::Browse);
}

// --- Notifications --------------------------------------------------------------------------

TEST_F(HDBPickListTest, ClosingAndReopeningTheTableEmptiesAndRefillsTheWindow) {
    Build(table_, "LOOK", Names(20));
    int newTables = 0;
    grid_.OnNewTable = [&newTables] { ++newTables; };
    ShowGrid(table_, 5);
    EXPECT_EQ(newTables, 1);
    Key(Qt::Key_Down);
    table_.Close();
    EXPECT_TRUE(grid_.RecordWindow().empty());
    EXPECT_EQ(grid_.CurrentRow(), -1);
    EXPECT_TRUE(grid_.CellText(0, 1).isEmpty());
    Key(Qt::Key_Down);
    grid_.viewport()->repaint();
    EXPECT_EQ(grid_.viewport()->grab().toImage().pixelColor(20, 4),
              grid_.palette().color(QPalette::Base));

    table_.Open();  // record order: stored in reverse
    EXPECT_EQ(newTables, 2);
    EXPECT_EQ(Shown(), std::vector<QString>({NameAt(20), NameAt(19), NameAt(18), NameAt(17),
                                             NameAt(16), NameAt(15)}));
    ASSERT_TRUE(table_.IndexOpen("\"" + dir_.File("LOOK.CDX") + "\"", "NAME"));
    table_.First();
    EXPECT_EQ(Shown(), Expected(1, 6));
    table_.SetRange("I", "J");  // the same table: no new table
    EXPECT_EQ(newTables, 2);
}

TEST_F(HDBPickListTest, ADestroyedTableUnbindsTheGrid) {
    auto other = std::make_unique<HTable>();
    Build(*other, "OTHER", Names(10));
    ShowGrid(*other, 5);
    EXPECT_EQ(Shown().size(), 6u);
    other.reset();
    EXPECT_EQ(grid_.PickDBFTable(), nullptr);
    EXPECT_TRUE(grid_.RecordWindow().empty());
    Key(Qt::Key_Down);
    grid_.MoveBy(3);
    grid_.viewport()->repaint();
    // Bound again to another table.
    Build(table_, "LOOK", Names(3));
    grid_.SetPickDBFTable(&table_);
    EXPECT_EQ(Shown(), Expected(1, 3));
}

TEST_F(HDBPickListTest, AChangedOrderKeepsTheCurrentRecordInItsRow) {
    Build(table_, "LOOK", Names(30));
    ShowGrid(table_, 5);
    grid_.SetPickFieldList({"NAME;2;Name;0;0%120", "POINTER;3;Pointer;0;0%80"});
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    const QString pointer = grid_.CellText(2, 2);
    table_.SetTagTo("POINTER");
    EXPECT_EQ(grid_.CurrentRow(), 2);
    EXPECT_EQ(grid_.CellText(2, 2), pointer);
    for (int row = 1; row < 6; ++row) {
        EXPECT_LT(grid_.CellText(row - 1, 2), grid_.CellText(row, 2)) << row;
    }
}

TEST_F(HDBPickListTest, AnInsertIsShownAfterTheLastRecordsAndFollowsItsFields) {
    Build(table_, "LOOK", Names(30));
    ShowGrid(table_, 5);
    table_.Append();
    ASSERT_EQ(grid_.RecordWindow().size(), 5u);
    EXPECT_EQ(grid_.RecordWindow()[4].recNo, INT32_MAX);
    EXPECT_EQ(grid_.CurrentRow(), 4);
    EXPECT_EQ(grid_.CellText(3, 1), NameAt(30));
    table_.StringPutN(1, "I");
    table_.StringPutN(2, "Aaron");
    EXPECT_EQ(grid_.CellText(4, 1), QStringLiteral("Aaron"));
    // Refilling leaves the new record's buffer as it was.
    grid_.SetPickFieldList({"NAME;2;Name;0;0%120"});
    EXPECT_EQ(CurrentName(), QStringLiteral("Aaron"));
    EXPECT_EQ(grid_.CellText(4, 1), QStringLiteral("Aaron"));
    ASSERT_TRUE(table_.Post());
    EXPECT_EQ(Shown().front(), QStringLiteral("Aaron"));
    EXPECT_EQ(grid_.CurrentRow(), 0);

    table_.Append();
    Key(Qt::Key_Escape);
    EXPECT_EQ(table_.State(), HTableState::Browse);
    EXPECT_EQ(CurrentName(), NameAt(30));
    EXPECT_EQ(Shown().back(), NameAt(30));
}

TEST_F(HDBPickListTest, AnEmptyTableShowsNothingUntilARecordIsWritten) {
    Build(table_, "LOOK", {});
    ShowGrid(table_, 5);
    EXPECT_TRUE(grid_.RecordWindow().empty());
    Key(Qt::Key_PageDown);
    table_.Append();
    ASSERT_EQ(grid_.RecordWindow().size(), 1u);
    table_.StringPutN(1, "I");
    table_.StringPutN(2, "Eve");
    EXPECT_EQ(grid_.CellText(0, 1), QStringLiteral("Eve"));
    ASSERT_TRUE(table_.Post());
    ASSERT_EQ(grid_.RecordWindow().size(), 1u);
    EXPECT_EQ(grid_.RecordWindow()[0].recNo, 1);
    EXPECT_EQ(grid_.CurrentRow(), 0);
}

TEST_F(HDBPickListTest, CellTextIsConvertedFromOemWhenTheTableTransliterates) {
    Build(table_, "LOOK", {{"I", "M\x81ller"}});
    ShowGrid(table_, 3);
    EXPECT_EQ(grid_.CellText(0, 1), QString::fromUtf8("M\u00FCller"));
    table_.SetTransliterate(false);
    table_.Refresh();
    EXPECT_EQ(grid_.CellText(0, 1), QStringLiteral("M") + QChar(0x81) + QStringLiteral("ller"));
}

TEST_F(HDBPickListTest, WithoutAFieldListEveryFieldGetsAColumn) {
    Build(table_, "LOOK", Names(5));
    grid_.SetPickDBFTable(&table_);
    ASSERT_EQ(grid_.PickFieldList().size(), 4);
    EXPECT_TRUE(grid_.PickFieldList()[1].startsWith(QStringLiteral("NAME;2;NAME;0;0%")));
    EXPECT_EQ(grid_.Columns()[3].fieldNumber, 4);
    EXPECT_EQ(grid_.CellText(0, 2), NameAt(1));
    EXPECT_EQ(grid_.CellText(0, 1), QStringLiteral("I"));

    // Another table file brings its own columns; a list set by hand stays.
    HTable other;
    other.SetDBFPath(dir_.Path());
    other.SetDBFName("SMALL");
    HCreateTable creator;
    creator.SetDBFTable(&other);
    creator.SetCreateFields({"CODE;C;4;0"});
    ASSERT_TRUE(creator.Execute());
    other.Open();
    grid_.SetPickDBFTable(&other);
    EXPECT_EQ(grid_.PickFieldList().size(), 1);
    grid_.SetPickFieldList({"CODE;1;Code;0;0%40"});
    grid_.SetPickDBFTable(&table_);
    EXPECT_EQ(grid_.PickFieldList(), QStringList({"CODE;1;Code;0;0%40"}));
    EXPECT_EQ(grid_.Columns()[0].fieldNumber, 0);  // no such field here: an empty column
}

// --- Cost and side effects ------------------------------------------------------------------

TEST_F(HDBPickListTest, AKeystrokeFindReadsAboutOneWindowOfRecords) {
    Build(table_, "LOOK", Names(2000));
    ShowGrid(table_, 18);
    table_.SetFindNear(true);
    const int capacity = grid_.RowCapacity();
    ASSERT_EQ(capacity, 19);
    for (int target : {1500, 3, 1999, 700, 701, 702, 1234}) {
        const int64_t before = grid_.SnapshotsTaken();
        table_.Find(KeyOf(target));
        EXPECT_LE(grid_.SnapshotsTaken() - before, capacity + 1) << target;
        EXPECT_LE(static_cast<int>(grid_.RecordWindow().size()), capacity);
        EXPECT_EQ(grid_.CellText(grid_.CurrentRow(), 1), NameAt(target));
    }
    // Inside the window a find only moves the highlight.
    const int64_t before = grid_.SnapshotsTaken();
    table_.Find(KeyOf(1240));
    EXPECT_EQ(grid_.SnapshotsTaken(), before);
    EXPECT_EQ(grid_.CellText(grid_.CurrentRow(), 1), NameAt(1240));
}

TEST_F(HDBPickListTest, FillingTheWindowLeavesTheTableAndOtherLinksAlone) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    CountingLink other;
    other.SetTable(&table_);
    other.count = 0;
    table_.SetFindNear(true);
    table_.Find(KeyOf(50));
    EXPECT_EQ(other.count, 3);  // moving, record changed, browse: nothing from the grid
    EXPECT_EQ(CurrentName(), NameAt(50));
    EXPECT_FALSE(table_.Bof());
    EXPECT_FALSE(table_.Eof());

    // The end flags are what the navigator's buttons go by.
    table_.First();
    EXPECT_TRUE(table_.Bof());
    EXPECT_EQ(CurrentName(), NameAt(1));
    table_.Last();
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(CurrentName(), NameAt(100));

    // Past the last name the table stands at the end with a blank buffer; so it stays.
    table_.Find("IZZZ");
    EXPECT_TRUE(table_.Eof());
    EXPECT_TRUE(CurrentName().isEmpty());
    EXPECT_EQ(grid_.CellText(grid_.CurrentRow(), 1), NameAt(100));
    Key(Qt::Key_Up);
    EXPECT_EQ(CurrentName(), NameAt(99));
    other.SetTable(nullptr);
}

TEST_F(HDBPickListTest, OnlyTheRowsThatChangeAreRepainted) {
    Build(table_, "LOOK", Names(100));
    ShowGrid(table_, 5);
    PaintLog log;
    grid_.viewport()->installEventFilter(&log);
    const int width = grid_.viewport()->width();
    auto paintedAfter = [&](auto&& action) {
        QApplication::processEvents();
        log.painted = QRegion();
        action();
        QApplication::processEvents();
        return log.painted;
    };

    // The highlight moves from row 0 to row 1: those two rows.
    QRegion painted = paintedAfter([&] { Key(Qt::Key_Down); });
    EXPECT_EQ(painted, QRegion(0, 0, width, 2 * kRowHeight));

    // Down into the partly visible row scrolls by one row: the new row and the two highlights.
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    ASSERT_EQ(grid_.CurrentRow(), 4);
    painted = paintedAfter([&] { Key(Qt::Key_Down); });
    EXPECT_EQ(Shown(), Expected(2, 7));
    EXPECT_EQ(grid_.CurrentRow(), 4);
    EXPECT_FALSE(painted.intersects(QRect(0, 0, width, 3 * kRowHeight)));
    EXPECT_TRUE(painted.contains(QRect(0, 3 * kRowHeight, width, 2 * kRowHeight)));

    // Up from the first row brings the record above in at the top.
    for (int i = 0; i < 4; ++i) Key(Qt::Key_Up);
    ASSERT_EQ(grid_.CurrentRow(), 0);
    painted = paintedAfter([&] { Key(Qt::Key_Up); });
    EXPECT_EQ(Shown(), Expected(1, 6));
    EXPECT_FALSE(painted.intersects(QRect(0, 2 * kRowHeight, width, 3 * kRowHeight)));

    // What the partial repaints left on screen is what a full paint draws.
    const QImage onScreen =
        grid_.screen()
            ->grabWindow(grid_.winId())
            .toImage()
            .copy(QRect(grid_.viewport()->mapTo(&grid_, QPoint()), grid_.viewport()->size()))
            .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(onScreen, grid_.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32));

    // A find far away refills the window: everything may be repainted.
    painted = paintedAfter([&] { table_.Find(KeyOf(80)); });
    EXPECT_TRUE(painted.contains(QRect(0, 0, width, 5 * kRowHeight)));
    grid_.viewport()->removeEventFilter(&log);
}

}  // namespace
