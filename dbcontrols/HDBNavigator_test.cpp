// The navigator on real tables: FoxPro 2 lookup tables written by the engine into a temporary
// folder, some with the NAME tag of the lookup table.
#include "dbcontrols/HDBNavigator.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "dbcontrols/NavigatorGlyphs.h"
#include "table/EZadarirError.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"
#include "widgets/MessageBox.h"

#include <gtest/gtest.h>

namespace {

using B = HNavigateBtn;

struct Row {
    std::string rtype;
    std::string name;
};

// The buttons of the Select Person dialog.
constexpr HNavigateBtns kPickButtons =
    NavButtons({B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbFind});
constexpr B kMovement[] = {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm};
constexpr B kChanging[] = {B::nbInsert, B::nbCopy, B::nbEdit, B::nbDelete, B::nbPost, B::nbCancel};

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

class HDBNavigatorTest : public ::testing::Test {
protected:
    void TearDown() override { MessageBox::ClearLastShown(); }

    // Creates the lookup table `file` (FoxPro 2) with `rows` and opens `table` on it at its
    // first record; with `indexed`, in the order of the NAME tag (RTYPE-UPPER(NAME)).
    void Make(HTable& table, const std::vector<Row>& rows, bool indexed = false,
              const std::string& file = "T") {
        table.SetDBFPath(dir_.Path());
        table.SetDBFName(file);
        HCreateTable creator;
        creator.SetDBFTable(&table);
        creator.SetDBFType(HDBFTypes::FoxPro2);
        creator.SetAutoOverwrite(true);
        creator.SetCreateFields({"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0", "OFFSET;N;10;0"});
        ASSERT_TRUE(creator.Execute());
        table.SetActive(true);
        int n = 0;
        for (const Row& row : rows) {
            ++n;
            table.Append();
            table.StringPut("RTYPE", row.rtype);
            table.StringPut("POINTER", row.rtype + std::to_string(n));
            table.IntegerPut("OFFSET", n * 100);
            table.StringPut("NAME", row.name);
            ASSERT_TRUE(table.Post());
        }
        if (indexed) {
            const std::string cdx = dir_.File(file + ".CDX");
            ASSERT_TRUE(table.IndexOn(cdx, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
            ASSERT_TRUE(table.IndexOpen("\"" + cdx + "\"", "NAME"));
        }
        table.First();
    }
    // `count` records named "Name 1", "Name 2" ...
    void Make(HTable& table, int count, const std::string& file = "T") {
        std::vector<Row> rows;
        for (int i = 1; i <= count; ++i) rows.push_back({"I", "Name " + std::to_string(i)});
        Make(table, rows, false, file);
    }

    static std::string Name(HTable& table) { return Trimmed(table.StringGet("NAME")); }

    // Records a navigation reaches from the top.
    static int LiveRecords(HTable& table) {
        int count = 0;
        for (table.First(); !table.Eof(); table.Skip(1)) ++count;
        return count;
    }

    static bool On(const HDBNavigator& nav, B button) { return nav.Button(button)->isEnabled(); }
    static std::vector<bool> Enabled(const HDBNavigator& nav, std::initializer_list<B> buttons) {
        std::vector<bool> states;
        for (B b : buttons) states.push_back(On(nav, b));
        return states;
    }

    static void MouseClick(HDBNavigator& nav, B button) {
        QTest::mouseClick(nav.Button(button), Qt::LeftButton);
    }

    TempDir dir_;
};

// --- Layout ----------------------------------------------------------------------------------

TEST_F(HDBNavigatorTest, SelectPersonButtonsShareTheWidthAndHiddenOnesTakeNoSpace) {
    QWidget host;
    HDBNavigator nav(&host);
    EXPECT_EQ(nav.size(), QSize(241, 25));
    for (int i = 0; i < kNavButtonCount; ++i) {  // twelve buttons of 21 overlapping by one
        EXPECT_EQ(nav.Button(static_cast<B>(i))->geometry(), QRect(i * 20, 0, 21, 25)) << i;
    }
    nav.SetVisibleButtons(kPickButtons);
    host.show();
    EXPECT_EQ(nav.size(), QSize(241, 25));
    const B shown[] = {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbFind};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(nav.Button(shown[i])->geometry(), QRect(i * 48, 0, 49, 25)) << i;
        EXPECT_TRUE(nav.Button(shown[i])->isVisible());
    }
    for (B hidden :
         {B::nbInsert, B::nbCopy, B::nbEdit, B::nbDelete, B::nbPost, B::nbCancel, B::nbRefresh}) {
        EXPECT_FALSE(nav.Button(hidden)->isVisible());
        EXPECT_FALSE(nav.Button(hidden)->geometry().intersects(nav.rect()));
    }
}

TEST_F(HDBNavigatorTest, FreeNavigatorSnapsItsLengthAndKeepsTheMinimum) {
    QWidget host;
    HDBNavigator nav(&host);
    nav.SetVisibleButtons(kPickButtons);
    host.show();          // a hidden widget hears of its resizing only when shown
    nav.resize(250, 30);  // (249 / 5) = 49: snapped to 5 * 49 + 1
    EXPECT_EQ(nav.size(), QSize(246, 30));
    EXPECT_EQ(nav.Button(B::nbFind)->geometry(), QRect(196, 0, 50, 30));
    nav.resize(10, 10);  // raised to 5 * 19 + 1 by 20
    EXPECT_EQ(nav.size(), QSize(96, 20));
    EXPECT_EQ(nav.Button(B::nbFind)->geometry(), QRect(76, 0, 20, 20));

    QSignalSpy turned(&nav, &HDBNavigator::DirectionChanged);
    ASSERT_TRUE(nav.setProperty("Direction", QVariant::fromValue(HNavDirection::nbVert)));
    EXPECT_EQ(nav.Direction(), HNavDirection::nbVert);
    nav.SetDirection(HNavDirection::nbVert);
    EXPECT_EQ(turned.count(), 1);
    nav.resize(30, 250);
    EXPECT_EQ(nav.size(), QSize(30, 246));
    EXPECT_EQ(nav.Button(B::nbPrev)->geometry(), QRect(0, 49, 30, 50));
    EXPECT_EQ(nav.Button(B::nbFind)->geometry(), QRect(0, 196, 30, 50));
    nav.resize(10, 10);
    EXPECT_EQ(nav.size(), QSize(20, 96));
}

TEST_F(HDBNavigatorTest, NavigatorInALayoutSpreadsTheRemainderFromTheMiddle) {
    QWidget host;
    auto* layout = new QHBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* nav = new HDBNavigator;
    layout->addWidget(nav);
    nav->SetVisibleButtons(kPickButtons);
    host.resize(244, 25);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_EQ(nav->width(), 244);  // not snapped to 241
    const B shown[] = {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbFind};
    std::vector<int> widths;
    for (int i = 0; i < 5; ++i) {
        const QRect r = nav->Button(shown[i])->geometry();
        widths.push_back(r.width());
        if (i > 0) {
            EXPECT_EQ(r.left(), nav->Button(shown[i - 1])->geometry().right()) << i;
        }
    }
    EXPECT_EQ(nav->Button(B::nbFind)->geometry().right(), 243);
    EXPECT_EQ(widths, (std::vector<int>{49, 50, 50, 50, 49}));
}

// --- Enabling --------------------------------------------------------------------------------

TEST_F(HDBNavigatorTest, MovementButtonsFollowTheEndsOfTheTable) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.show();
    nav.SetDBFTable(&table);
    EXPECT_EQ(Enabled(nav, {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm}),
              (std::vector<bool>{false, false, true, true}));
    MouseClick(nav, B::nbNext);
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(Enabled(nav, {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm}),
              (std::vector<bool>{true, true, true, true}));
    MouseClick(nav, B::nbBttm);
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(Enabled(nav, {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm}),
              (std::vector<bool>{true, true, false, false}));
    MouseClick(nav, B::nbPrev);
    EXPECT_EQ(table.RecNo(), 2);
    MouseClick(nav, B::nbTop);
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_FALSE(On(nav, B::nbTop));
    EXPECT_FALSE(On(nav, B::nbPrev));

    HTable empty;
    Make(empty, 0, "EMPTY");
    nav.SetDBFTable(&empty);
    for (B b : kMovement) EXPECT_FALSE(On(nav, b)) << static_cast<int>(b);
    EXPECT_TRUE(On(nav, B::nbInsert));
    EXPECT_TRUE(On(nav, B::nbFind));
}

TEST_F(HDBNavigatorTest, RangeEndsDisableMovement) {
    HTable table;
    Make(table,
         {{"F", "Family"},
          {"I", "Smith, John"},
          {"N", "A note"},
          {"I", "Brown, Ann"},
          {"I", "Jones, Mary"},
          {"S", "Source"}},
         true);
    table.SetRange("I", "J");
    HDBNavigator nav;
    nav.SetVisibleButtons(kPickButtons);
    nav.SetDBFTable(&table);
    nav.Click(B::nbTop);
    EXPECT_EQ(Name(table), "Brown, Ann");
    EXPECT_EQ(Enabled(nav, {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm}),
              (std::vector<bool>{false, false, true, true}));
    nav.Click(B::nbBttm);
    EXPECT_EQ(Name(table), "Smith, John");
    EXPECT_EQ(Enabled(nav, {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm}),
              (std::vector<bool>{true, true, false, false}));
    nav.Click(B::nbNext);  // the next key ("N...") lies outside the range
    EXPECT_EQ(Name(table), "Smith, John");
    nav.Click(B::nbPrev);
    nav.Click(B::nbPrev);
    EXPECT_EQ(Name(table), "Brown, Ann");
    nav.Click(B::nbPrev);  // the family record before the range stays out of reach
    EXPECT_EQ(Name(table), "Brown, Ann");
    EXPECT_FALSE(On(nav, B::nbTop));
    EXPECT_FALSE(On(nav, B::nbPrev));
    EXPECT_TRUE(On(nav, B::nbNext));
}

TEST_F(HDBNavigatorTest, ReadOnlyTableDisablesChangesAndAFailedClickLeavesTheNavigatorUsable) {
    HTable table;
    Make(table, 3);
    table.SetActive(false);
    table.SetReadOnly(true);
    table.SetActive(true);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    for (B b : kChanging) EXPECT_FALSE(On(nav, b)) << static_cast<int>(b);
    EXPECT_TRUE(On(nav, B::nbNext));
    EXPECT_TRUE(On(nav, B::nbFind));
    EXPECT_TRUE(On(nav, B::nbRefresh));

    std::vector<B> clicked;
    nav.OnClick = [&](B b) { clicked.push_back(b); };
    // The table refuses: the error propagates after the steps that follow every click.
    EXPECT_THROW(nav.Click(B::nbEdit), EZadarirError);
    EXPECT_FALSE(On(nav, B::nbEdit));
    EXPECT_THROW(nav.Click(B::nbInsert), EZadarirError);
    EXPECT_EQ(clicked, (std::vector<B>{B::nbEdit, B::nbInsert}));
    EXPECT_EQ(table.State(), HTableState::Browse);
    nav.Click(B::nbBttm);  // the re-entry guard was cleared
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_FALSE(On(nav, B::nbNext));
}

TEST_F(HDBNavigatorTest, DisabledNavigatorDisablesEveryButtonUntilEnabledAgain) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    nav.setEnabled(false);
    for (int i = 0; i < kNavButtonCount; ++i) EXPECT_FALSE(On(nav, static_cast<B>(i))) << i;
    table.Last();
    nav.setEnabled(true);
    EXPECT_EQ(Enabled(nav, {B::nbTop, B::nbNext, B::nbEdit, B::nbPost, B::nbFind}),
              (std::vector<bool>{true, false, true, false, true}));
}

// --- Changing records ------------------------------------------------------------------------

TEST_F(HDBNavigatorTest, EditDisablesEditUntilTheEditEnds) {
    HTable table;
    Make(table, 2);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    bool editOnDuringEdit = true;
    table.BeforeEdit = [&](HTable&) { editOnDuringEdit = On(nav, B::nbEdit); };

    nav.Click(B::nbEdit);
    EXPECT_FALSE(editOnDuringEdit);
    EXPECT_EQ(table.State(), HTableState::Edit);
    EXPECT_EQ(Enabled(nav, {B::nbInsert, B::nbCopy, B::nbEdit, B::nbDelete, B::nbPost, B::nbCancel,
                            B::nbFind, B::nbRefresh}),
              (std::vector<bool>{false, false, false, false, true, true, false, false}));
    table.StringPut("NAME", "Changed");
    nav.Click(B::nbPost);
    EXPECT_EQ(table.State(), HTableState::Browse);
    EXPECT_TRUE(On(nav, B::nbEdit));
    EXPECT_FALSE(On(nav, B::nbPost));

    nav.Click(B::nbEdit);
    EXPECT_FALSE(On(nav, B::nbEdit));
    table.StringPut("NAME", "Dropped");
    nav.Click(B::nbCancel);
    EXPECT_TRUE(On(nav, B::nbEdit));
    EXPECT_EQ(Name(table), "Changed");
    table.BeforeEdit = nullptr;
}

TEST_F(HDBNavigatorTest, AppendAndCopyStartARecordThatSaveWrites) {
    HTable table;
    Make(table, 2);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    std::vector<std::pair<int, int32_t>> copies;
    nav.OnRecordCopy = [&](int event, int32_t info) {
        copies.emplace_back(event, info);
        return true;
    };

    nav.Click(B::nbInsert);
    EXPECT_EQ(table.State(), HTableState::Insert);
    EXPECT_EQ(Enabled(nav, {B::nbInsert, B::nbEdit, B::nbPost, B::nbCancel}),
              (std::vector<bool>{false, false, true, true}));
    nav.Click(B::nbCancel);
    EXPECT_EQ(table.State(), HTableState::Browse);
    EXPECT_TRUE(copies.empty());

    nav.Click(B::nbTop);
    nav.Click(B::nbCopy);
    EXPECT_EQ(copies, (std::vector<std::pair<int, int32_t>>{{10, 0}}));
    EXPECT_EQ(table.State(), HTableState::Insert);
    EXPECT_EQ(Name(table), "Name 1");
    table.StringPut("POINTER", "I99");
    nav.Click(B::nbPost);
    EXPECT_EQ(table.State(), HTableState::Browse);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_TRUE(On(nav, B::nbInsert));
}

TEST_F(HDBNavigatorTest, CancelledDeleteKeepsTheRecordButReadsThePositionAgain) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    {  // another user renames the first record
        HTable other;
        other.SetDBFPath(dir_.Path());
        other.SetDBFName("T");
        other.SetActive(true);
        ASSERT_TRUE(other.Edit());
        other.StringPut("NAME", "Renamed");
        ASSERT_TRUE(other.Post());
    }
    ASSERT_EQ(Name(table), "Name 1");
    MessageBox::SetNextAnswer(QMessageBox::Cancel);
    nav.Click(B::nbDelete);
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QStringLiteral("Delete record?"));
    EXPECT_EQ(shown->buttons, MessageBox::Buttons(QMessageBox::Ok | QMessageBox::Cancel));
    EXPECT_EQ(Name(table), "Renamed");
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(LiveRecords(table), 3);
}

TEST_F(HDBNavigatorTest, ConfirmedOrUnconfirmedDeleteRemovesTheRecord) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    nav.Click(B::nbDelete);
    EXPECT_EQ(LiveRecords(table), 2);

    MessageBox::ClearLastShown();
    nav.SetConfirmDelete(false);
    table.First();
    nav.Click(B::nbDelete);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
    EXPECT_EQ(LiveRecords(table), 1);
}

TEST_F(HDBNavigatorTest, RecordDeleteHandlerDecidesWithoutAMessage) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.SetDBFTable(&table);
    int asked = 0;
    bool answer = false;
    nav.OnRecordDelete = [&](bool& delRec) {
        ++asked;
        EXPECT_TRUE(delRec);
        delRec = answer;
    };
    nav.Click(B::nbDelete);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
    EXPECT_EQ(LiveRecords(table), 3);

    answer = true;
    table.First();
    nav.Click(B::nbDelete);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
    EXPECT_EQ(LiveRecords(table), 2);
}

// --- Find, clicks and errors -----------------------------------------------------------------

TEST_F(HDBNavigatorTest, FindAsksTheHandlerThenOnClickFollowsAndClicksDoNotNest) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.SetVisibleButtons(kPickButtons);
    nav.SetDBFTable(&table);
    std::vector<std::string> log;
    nav.OnRecordFind = [&](int event, int32_t info) {
        log.push_back("find " + std::to_string(event) + "," + std::to_string(info));
        nav.Click(B::nbBttm);  // ignored: a click is being handled
        return true;
    };
    nav.OnClick = [&](B b) {
        log.push_back("click " + std::to_string(static_cast<int>(b)));
        nav.Click(B::nbNext);  // still ignored
    };
    nav.Click(B::nbFind);
    EXPECT_EQ(log, (std::vector<std::string>{"find 10,1", "click 10"}));
    EXPECT_EQ(table.RecNo(), 1);
    nav.Click(B::nbNext);  // allowed again
    EXPECT_EQ(table.RecNo(), 2);
}

TEST_F(HDBNavigatorTest, ErrorOfAMouseClickGoesToTheCommandRunner) {
    HTable table;
    Make(table, 3);
    HDBNavigator nav;
    nav.show();
    nav.SetDBFTable(&table);
    nav.OnRecordFind = [](int, int32_t) -> bool { throw std::runtime_error("No find dialog"); };
    int clicks = 0;
    nav.OnClick = [&](B) { ++clicks; };

    MessageBox::SetNextAnswer(QMessageBox::Ok);
    MouseClick(nav, B::nbFind);  // the default runner shows the message
    auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->icon, QMessageBox::Critical);
    EXPECT_EQ(shown->text, QStringLiteral("No find dialog"));
    EXPECT_EQ(clicks, 1);

    std::string caught;
    nav.SetCommandRunner([&](const std::function<void()>& command) {
        try {
            command();
        } catch (const std::exception& e) {
            caught = e.what();
        }
    });
    MouseClick(nav, B::nbFind);
    EXPECT_EQ(caught, "No find dialog");
    EXPECT_EQ(clicks, 2);
}

TEST_F(HDBNavigatorTest, TableClosedReplacedOrDestroyedLeavesTheNavigatorSafe) {
    auto first = std::make_unique<HTable>();
    Make(*first, 3);
    HTable second;
    Make(second, 2, "SECOND");
    second.Last();
    HDBNavigator nav;
    int clicks = 0;
    nav.OnClick = [&](B) { ++clicks; };
    nav.SetDBFTable(first.get());

    first->SetActive(false);
    for (int i = 0; i < kNavButtonCount; ++i) EXPECT_FALSE(On(nav, static_cast<B>(i))) << i;
    nav.Click(B::nbNext);  // nothing without an active table
    EXPECT_EQ(clicks, 0);
    first->SetActive(true);
    EXPECT_TRUE(On(nav, B::nbNext));

    nav.SetDBFTable(&second);
    EXPECT_EQ(nav.DBFTable(), &second);
    EXPECT_FALSE(On(nav, B::nbNext));
    first->Last();  // the old table no longer reaches the navigator
    first->First();
    EXPECT_FALSE(On(nav, B::nbNext));
    EXPECT_TRUE(On(nav, B::nbTop));

    nav.SetDBFTable(first.get());
    first.reset();
    EXPECT_EQ(nav.DBFTable(), nullptr);
    for (int i = 0; i < kNavButtonCount; ++i) EXPECT_FALSE(On(nav, static_cast<B>(i))) << i;
    nav.Click(B::nbTop);
    EXPECT_EQ(clicks, 0);

    // A handler that destroys the table in the middle of a click.
    auto third = std::make_unique<HTable>();
    Make(*third, 2, "THIRD");
    nav.SetDBFTable(third.get());
    nav.OnRecordDelete = [&](bool&) { third.reset(); };
    nav.Click(B::nbDelete);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(nav.DBFTable(), nullptr);

    // A navigator destroyed before its table.
    {
        HDBNavigator shortLived;
        shortLived.SetDBFTable(&second);
    }
    second.First();
    second.SetActive(false);
}

// --- Mouse and keyboard ----------------------------------------------------------------------

TEST_F(HDBNavigatorTest, PriorAndNextRepeatWhileHeldDown) {
    HTable table;
    Make(table, 60);
    HDBNavigator nav;
    nav.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&nav));
    nav.SetDBFTable(&table);
    int clicks = 0;
    nav.OnClick = [&](B) { ++clicks; };

    MouseClick(nav, B::nbNext);  // a short click moves once
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(table.RecNo(), 2);

    clicks = 0;
    QElapsedTimer held;
    held.start();
    QTest::mousePress(nav.Button(B::nbNext), Qt::LeftButton);
    QTest::qWait(1000);
    QTest::mouseRelease(nav.Button(B::nbNext), Qt::LeftButton);
    const qint64 ms = held.elapsed();
    // One click on release, one repeat at 400 ms and then one each 100 ms at most.
    EXPECT_GE(clicks, 3);
    EXPECT_LE(clicks, 2 + (ms - 400) / 100);
    EXPECT_EQ(table.RecNo(), 2 + clicks);

    clicks = 0;
    QTest::mousePress(nav.Button(B::nbBttm), Qt::LeftButton);
    QTest::qWait(600);
    QTest::mouseRelease(nav.Button(B::nbBttm), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);  // Last does not repeat
}

TEST_F(HDBNavigatorTest, KeysMoveTheFocusAmongVisibleButtonsAndSpaceClicks) {
    HTable table;
    Make(table, 3);
    QWidget window;
    HDBNavigator* nav = new HDBNavigator(&window);
    nav->SetVisibleButtons(kPickButtons);
    nav->SetDBFTable(&table);
    int finds = 0;
    nav->OnRecordFind = [&](int, int32_t) { return ++finds > 0; };
    int clicks = 0;
    nav->OnClick = [&](B) { ++clicks; };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    nav->setFocus();
    ASSERT_TRUE(nav->hasFocus());

    HNavButton* top = nav->Button(B::nbTop);
    EXPECT_EQ(nav->FocusedButton(), B::nbTop);
    EXPECT_TRUE(top->FocusShown());
    EXPECT_EQ(top->FocusRect(), top->rect().adjusted(3, 3, -3, -3));
    top->setDown(true);
    EXPECT_EQ(top->FocusRect(), top->rect().adjusted(4, 4, -2, -2));
    top->setDown(false);

    QTest::keyClick(nav, Qt::Key_Left);  // nothing before the first
    EXPECT_EQ(nav->FocusedButton(), B::nbTop);
    QTest::keyClick(nav, Qt::Key_Space);  // First is disabled at the first record
    EXPECT_EQ(clicks, 0);
    QTest::keyClick(nav, Qt::Key_Right);
    QTest::keyClick(nav, Qt::Key_Right);
    EXPECT_EQ(nav->FocusedButton(), B::nbNext);
    EXPECT_FALSE(top->FocusShown());
    EXPECT_TRUE(nav->Button(B::nbNext)->FocusShown());
    QTest::keyClick(nav, Qt::Key_Space);
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(nav, Qt::Key_Right);
    QTest::keyClick(nav, Qt::Key_Right);  // over the seven hidden buttons
    EXPECT_EQ(nav->FocusedButton(), B::nbFind);
    QTest::keyClick(nav, Qt::Key_Right);
    EXPECT_EQ(nav->FocusedButton(), B::nbFind);
    QTest::keyClick(nav, Qt::Key_Space);
    EXPECT_EQ(finds, 1);

    // A press with the mouse moves the focus to the button pressed.
    QTest::mouseClick(nav->Button(B::nbPrev), Qt::LeftButton);
    EXPECT_EQ(nav->FocusedButton(), B::nbPrev);
    EXPECT_EQ(table.RecNo(), 1);

    nav->clearFocus();
    EXPECT_FALSE(nav->Button(B::nbPrev)->FocusShown());
}

// --- Hints and glyphs ------------------------------------------------------------------------

TEST_F(HDBNavigatorTest, HintsShowAsTooltipsAndCustomEntriesReplaceDefaults) {
    HDBNavigator nav;
    EXPECT_EQ(nav.Button(B::nbCopy)->toolTip(), QStringLiteral(" Copy record"));
    EXPECT_EQ(nav.Button(B::nbRefresh)->toolTip(), QStringLiteral("Refresh data"));
    QSignalSpy changed(&nav, &HDBNavigator::HintsChanged);
    QStringList hints{QString(), QStringLiteral("Back one")};
    for (int i = 2; i < 13; ++i) hints << QString();
    hints[11] = QStringLiteral("Reload");
    hints[12] = QStringLiteral("Beyond the twelfth");
    nav.SetHints(hints);
    nav.SetHints(hints);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(nav.Button(B::nbTop)->toolTip(), QStringLiteral("First record"));
    EXPECT_EQ(nav.Button(B::nbPrev)->toolTip(), QStringLiteral("Back one"));
    EXPECT_EQ(nav.Button(B::nbRefresh)->toolTip(), QStringLiteral("Reload"));
    nav.SetHints({});
    EXPECT_EQ(nav.Button(B::nbPrev)->toolTip(), QStringLiteral("Prior record"));
}

double Luminance(QColor c) {
    auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double Contrast(QColor a, QColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(HDBNavigatorTest, GlyphsHoldANormalAndAGreyedHalfThatReadOnLightAndDarkFaces) {
    ASSERT_EQ(NavigatorGlyphNames().size(), 12);
    std::set<QByteArray> pictures;
    HDBNavigator nav;
    for (int i = 0; i < 12; ++i) {
        const QString name = NavigatorGlyphNames()[i];
        const QImage pair =
            NavigatorGlyph(name.toLower()).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(pair.size(), QSize(32, 16)) << name.toStdString();
        EXPECT_EQ(
            nav.Button(static_cast<B>(i))->Glyph().toImage().convertToFormat(QImage::Format_ARGB32),
            pair);
        int opaque = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QColor normal = pair.pixelColor(x, y);
                const QColor greyed = pair.pixelColor(x + 16, y);
                EXPECT_EQ(normal.alpha(), greyed.alpha()) << name.toStdString();
                if (greyed.alpha() > 0) {
                    EXPECT_TRUE(greyed.red() == greyed.green() && greyed.green() == greyed.blue());
                }
                if (normal.alpha() == 255) {
                    ++opaque;
                    EXPECT_GE(Contrast(normal, QColor(0xf0, 0xf0, 0xf0)), 3.0);
                    EXPECT_GE(Contrast(normal, QColor(0x30, 0x30, 0x30)), 3.0);
                    EXPECT_NE(normal.red(), normal.blue());  // coloured, not grey
                }
            }
        }
        EXPECT_GE(opaque, 10) << name.toStdString();
        pictures.insert(QByteArray(reinterpret_cast<const char*>(pair.constBits()),
                                   static_cast<int>(pair.sizeInBytes())));
    }
    EXPECT_EQ(pictures.size(), 12u);
    EXPECT_TRUE(NavigatorGlyph(u"HCN_NOTHING").isNull());
}

}  // namespace
