// The main window showing people of a GEDCOM file: LoadIndividual and the navigation by
// ancestor labels, tree nodes and siblings, over a scanned lookup table.
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/FileDialog.h"
#include "app/MainForm.h"
#include "person/GedcomPerson.h"
#include "person/PersonTestFile.h"
#include "person/ShowGedRec.h"
#include "widgets/MessageBox.h"
#include "widgets/TJLabel.h"

#include <gtest/gtest.h>

namespace {

// John Smith (I1) has both parents, all four grandparents, two siblings, two marriages whose
// FAMS lines run against the file order, and an inline note. The others cover the edges.
const std::string kFamilyFile = GedcomText({
    "0 HEAD",
    "1 CHAR ANSI",
    "0 @I1@ INDI",
    "1 NAME John /Smith/",
    "1 SEX M",
    "1 BIRT",
    "2 DATE 1 JAN 1900",
    "2 PLAC Leeds",
    "1 FAMC @F1@",
    "1 FAMS @F3@",
    "1 FAMS @F2@",
    "1 NOTE A carpenter.",
    "2 CONT Moved to York.",
    "0 @I2@ INDI",
    "1 NAME William /Smith/",
    "1 SEX M",
    "1 FAMC @F10@",
    "1 FAMS @F1@",
    "0 @I3@ INDI",
    "1 NAME Mary /Brown/",
    "1 SEX F",
    "1 FAMC @F11@",
    "1 FAMS @F1@",
    "0 @F11@ FAM",
    "1 HUSB @I22@",
    "1 WIFE @I23@",
    "1 CHIL @I3@",
    "0 @I22@ INDI",
    "1 NAME George /Brown/",
    "1 FAMS @F11@",
    "0 @I23@ INDI",
    "1 NAME Ellen /White/",
    "1 FAMS @F11@",
    "0 @I4@ INDI",
    "1 NAME Robert /Smith/",
    "1 FAMC @F1@",
    "0 @I5@ INDI",
    "1 NAME Sarah /Smith/",
    "1 SEX F",
    "1 FAMC @F1@",
    "0 @F1@ FAM",
    "1 HUSB @I2@",
    "1 WIFE @I3@",
    "1 CHIL @I4@",
    "1 CHIL @I1@",
    "1 CHIL @I5@",
    "0 @I20@ INDI",
    "1 NAME Thomas /Smith/",
    "1 FAMS @F10@",
    "0 @I21@ INDI",
    "1 NAME Ann /Clark/",
    "1 FAMS @F10@",
    "0 @F10@ FAM",
    "1 HUSB @I20@",
    "1 WIFE @I21@",
    "1 CHIL @I2@",
    "0 @F2@ FAM",
    "1 HUSB @I1@",
    "1 WIFE @I6@",
    "1 MARR",
    "2 DATE 1925",
    "1 CHIL @I7@",
    "1 CHIL @I8@",
    "0 @I6@ INDI",
    "1 NAME Alice /Jones/",
    "1 SEX F",
    "1 FAMS @F2@",
    "0 @I7@ INDI",
    "1 NAME Peter /Smith/",
    "1 FAMC @F2@",
    "0 @I8@ INDI",
    "1 NAME Jane /Smith/",
    "1 FAMC @F2@",
    "0 @F3@ FAM",
    "1 HUSB @I1@",
    "1 WIFE @I9@",
    "1 CHIL @I10@",
    "0 @I9@ INDI",
    "1 NAME Eve /Taylor/",
    "1 FAMS @F3@",
    "0 @I10@ INDI",
    "1 NAME Paul /Smith/",
    "1 FAMC @F3@",
    "0 @I30@ INDI",
    "1 NAME Lone /Walker/",
    "0 @I31@ INDI",
    "1 NAME Only /Child/",
    "1 FAMC @F5@",
    "0 @F5@ FAM",
    "1 HUSB @I99@",
    "1 CHIL @I31@",
    "0 @I32@ INDI",
    "1 NAME Single /Parent/",
    "1 FAMS @F4@",
    "0 @F4@ FAM",
    "1 HUSB @I32@",
    "1 CHIL @I33@",
    "0 @I33@ INDI",
    "1 NAME Kid /Parent/",
    "1 FAMC @F4@",
    "0 TRLR",
});

const std::vector<std::string> kJohnRecord = {"0 @I1@ INDI",
                                              "1 NAME John /Smith/",
                                              "1 SEX M",
                                              "1 BIRT",
                                              "2 DATE 1 JAN 1900",
                                              "2 PLAC Leeds",
                                              "1 FAMC @F1@",
                                              "1 FAMS @F3@",
                                              "1 FAMS @F2@",
                                              "1 NOTE A carpenter.",
                                              "2 CONT Moved to York."};

// Forwards to a scanned table and, once armed, fails the Nth find from then on, as a table
// whose file went bad in the middle of a load would.
class FailingLookup : public TLookupTable {
public:
    explicit FailingLookup(TLookupTable& inner) : inner_(inner) {}
    void FailFindNumber(int n) { failAt_ = n; }

    int32_t RecNo() const override { return inner_.RecNo(); }
    void GoTo(int32_t recNo) override { inner_.GoTo(recNo); }
    bool SelectTag(std::string_view tag) override { return inner_.SelectTag(tag); }
    bool FindKey(std::string_view key) override {
        if (failAt_ > 0 && --failAt_ == 0) throw std::runtime_error("Read error in the table.");
        return inner_.FindKey(key);
    }
    std::string FieldText(std::string_view field) const override { return inner_.FieldText(field); }
    int64_t FieldInteger(std::string_view field) const override {
        return inner_.FieldInteger(field);
    }
    bool Next() override { return inner_.Next(); }

private:
    TLookupTable& inner_;
    int failAt_ = 0;
};

// Records what the last-used store was given, and the cursor at that moment; can fail it.
class PersonMainForm : public TMainForm {
public:
    std::vector<std::string> stored;
    bool failStore = false;
    bool waitCursorWhileLoading = false;

protected:
    void StoreLastUsed(const std::string& pointer) override {
        const QCursor* cursor = QApplication::overrideCursor();
        waitCursorWhileLoading = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        stored.push_back(pointer);
        if (failStore) throw std::runtime_error("master index is read-only");
    }
};

// Waits for the record browser to come up modally, notes what it shows and closes it.
class BrowserWatch {
public:
    BrowserWatch() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* browser = qobject_cast<TShowGedRec*>(QApplication::activeModalWidget());
            if (browser == nullptr) return;
            timer_.stop();
            opened = true;
            pointer = browser->CurrentPointer();
            title = browser->windowTitle();
            const auto* list = browser->findChild<QListWidget*>(QStringLiteral("RecordLines"));
            for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
            browser->reject();
        });
        timer_.start(10);
    }

    bool opened = false;
    std::string pointer;
    QString title;
    QStringList lines;

private:
    QTimer timer_;
};

class MainFormPersonTest : public ::testing::Test {
protected:
    // The first activation would ask for a file when the window is shown; it is done here, with
    // the open dialog cancelled.
    void SetUp() override {
        FileDialog::SetNextFileName(QString());
        form_.FormActivate();
        ASSERT_FALSE(form_.FirstActivation());
        form_.SetLookupTable(&file_.Table());
        MessageBox::ClearLastShown();
    }

    template <typename T>
    T* Find(const char* name) {
        T* child = form_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QString Label(const char* name) { return Find<TJLabel>(name)->text(); }
    QString MainName() { return Label("MainNameButton"); }
    QTabWidget* Tabs() { return Find<QTabWidget>("Tabs"); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("SpousesTree"); }
    QListWidget* Siblings() { return Find<QListWidget>("SiblingsList"); }
    QListWidget* Raw() { return Find<QListWidget>("RawGedcomData"); }

    static QStringList Texts(const QListWidget* list) {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
        return texts;
    }
    static QStringList Texts(const std::vector<std::string>& lines) {
        QStringList texts;
        for (const std::string& line : lines) texts << QString::fromStdString(line);
        return texts;
    }

    void ShowWindow() {
        form_.resize(800, 600);
        form_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    }

    // Lets the deferred mouse-down handlers of the relatives' views run.
    static void Settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    // The middle of the text of a tree node, in viewport coordinates.
    QPoint NodeTextPoint(QTreeWidgetItem* node) {
        const QRect row = Tree()->visualItemRect(node);
        const int textLeft = row.left() + Tree()->iconSize().width() + 8;
        return QPoint(textLeft + Tree()->fontMetrics().horizontalAdvance(node->text(0)) / 2,
                      row.center().y());
    }

    void ClickNode(QTreeWidgetItem* node, const QPoint& pos) {
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, pos);
        Settle();
    }

    TPersonTestFile file_{kFamilyFile};
    PersonMainForm form_;
};

TEST_F(MainFormPersonTest, LoadIndividualFillsEveryView) {
    form_.LoadIndividual("I1");
    EXPECT_EQ(MainName(), QStringLiteral("Smith, John"));
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral("Smith, William"));
    EXPECT_EQ(Label("MotherNameButton"), QStringLiteral("Brown, Mary"));
    EXPECT_EQ(Label("PaternalGrandfatherNameButton"), QStringLiteral("Smith, Thomas"));
    EXPECT_EQ(Label("PaternalGrandmotherNameButton"), QStringLiteral("Clark, Ann"));
    EXPECT_EQ(Label("MaternalGrandfatherNameButton"), QStringLiteral("Brown, George"));
    EXPECT_EQ(Label("MaternalGrandmotherNameButton"), QStringLiteral("White, Ellen"));

    EXPECT_EQ(Texts(Siblings()), QStringList({"Smith, Robert", "Smith, Sarah"}));
    EXPECT_EQ(Texts(Raw()), Texts(kJohnRecord));
    EXPECT_EQ(Find<QPlainTextEdit>("IndividualNotes")->toPlainText(),
              QStringLiteral("A carpenter.\nMoved to York."));
    EXPECT_TRUE(Tabs()->isTabVisible(3));
    EXPECT_TRUE(Find<QPlainTextEdit>("DetailsMemo")
                    ->toPlainText()
                    .startsWith(QStringLiteral("John Smith. Born 1 JAN 1900 Leeds. He was the "
                                               "son of William Smith and Mary Brown. \n\nHe "
                                               "married Eve Taylor. ")));
    EXPECT_FALSE(Tabs()->isHidden());
    EXPECT_FALSE(Find<QWidget>("TreePanel")->isHidden());
    EXPECT_EQ(form_.CurrentPerson().Pointer(), "I1");
}

TEST_F(MainFormPersonTest, LoadStoresTheTwentyCharacterPointerUnderTheWaitCursor) {
    form_.LoadIndividual("I1");
    EXPECT_EQ(form_.stored, std::vector<std::string>({"I1                  "}));
    EXPECT_TRUE(form_.waitCursorWhileLoading);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormPersonTest, FailingToStoreTheLastUsedPersonIsIgnored) {
    form_.failStore = true;
    form_.LoadIndividual("I1");
    EXPECT_EQ(MainName(), QStringLiteral("Smith, John"));
    EXPECT_EQ(Tree()->topLevelItemCount(), 2);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST_F(MainFormPersonTest, BlankPointerDoesNothing) {
    form_.LoadIndividual("   ");
    form_.LoadIndividual("");
    EXPECT_TRUE(form_.stored.empty());
    EXPECT_TRUE(Tabs()->isHidden());
    EXPECT_TRUE(MainName().isEmpty());
}

TEST_F(MainFormPersonTest, PointerNotInTheTableShowsUnknown) {
    form_.LoadIndividual("I1");
    form_.LoadIndividual("I404");
    EXPECT_EQ(MainName(), QStringLiteral("Unknown"));
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral("Unknown"));
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(Raw()->count(), 0);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST_F(MainFormPersonTest, LoadKeepsTheActivePage) {
    Tabs()->setCurrentIndex(2);
    form_.LoadIndividual("I1");
    EXPECT_EQ(Tabs()->currentIndex(), 2);
    form_.LoadIndividual("I5");
    EXPECT_EQ(Tabs()->currentIndex(), 2);
}

TEST_F(MainFormPersonTest, TwoMarriagesGiveTwoNodesInFamsOrder) {
    form_.LoadIndividual("I1");
    QTreeWidget* tree = Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Taylor, Eve"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("Jones, Alice"));
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Smith, Paul"));
    ASSERT_EQ(tree->topLevelItem(1)->childCount(), 2);
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("Smith, Peter"));
    EXPECT_EQ(tree->topLevelItem(1)->child(1)->text(0), QStringLiteral("Smith, Jane"));
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
}

TEST_F(MainFormPersonTest, NoSpouseGivesEmptyTreeAndNoSiblingsEmptyList) {
    form_.LoadIndividual("I1");
    form_.LoadIndividual("I30");
    EXPECT_EQ(MainName(), QStringLiteral("Walker, Lone"));
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(Siblings()->count(), 0);
    for (const char* name : {"FatherNameButton", "MotherNameButton",
                             "PaternalGrandfatherNameButton", "PaternalGrandmotherNameButton",
                             "MaternalGrandfatherNameButton", "MaternalGrandmotherNameButton"}) {
        EXPECT_EQ(Label(name), QStringLiteral("Unknown")) << name;
    }
}

TEST_F(MainFormPersonTest, OnlyChildOfItsFamilyHasEmptySiblingList) {
    form_.LoadIndividual("I31");
    EXPECT_EQ(MainName(), QStringLiteral("Child, Only"));
    EXPECT_EQ(Siblings()->count(), 0);
}

TEST_F(MainFormPersonTest, NotesTabHiddenWithoutNotesAndBackWithThem) {
    form_.LoadIndividual("I30");
    EXPECT_FALSE(Tabs()->isTabVisible(3));
    form_.LoadIndividual("I1");
    EXPECT_TRUE(Tabs()->isTabVisible(3));
    form_.LoadIndividual("I4");
    EXPECT_FALSE(Tabs()->isTabVisible(3));
}

TEST_F(MainFormPersonTest, ClickingTheFatherLabelShowsTheFather) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QTest::mouseClick(Find<TJLabel>("FatherNameButton"), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(MainName(), QStringLiteral("Smith, William"));
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral("Smith, Thomas"));
    EXPECT_EQ(Label("MotherNameButton"), QStringLiteral("Clark, Ann"));
    EXPECT_EQ(Texts(Siblings()), QStringList());
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), QStringLiteral("Brown, Mary"));
    EXPECT_EQ(form_.stored.back(), "I2                  ");
}

TEST_F(MainFormPersonTest, EveryOtherAncestorLabelShowsThatAncestor) {
    const struct {
        const char* label;
        QString shown;
    } cases[] = {
        {"MotherNameButton", QStringLiteral("Brown, Mary")},
        {"PaternalGrandfatherNameButton", QStringLiteral("Smith, Thomas")},
        {"PaternalGrandmotherNameButton", QStringLiteral("Clark, Ann")},
        {"MaternalGrandfatherNameButton", QStringLiteral("Brown, George")},
        {"MaternalGrandmotherNameButton", QStringLiteral("White, Ellen")},
    };
    ShowWindow();
    for (const auto& each : cases) {
        form_.LoadIndividual("I1");
        QTest::mouseClick(Find<TJLabel>(each.label), Qt::LeftButton, {}, QPoint(5, 8));
        EXPECT_EQ(MainName(), each.shown) << each.label;
    }
}

TEST_F(MainFormPersonTest, UnknownAncestorWithEmptyPointerDoesNothing) {
    // Peter's mother Alice has no parents' family.
    form_.LoadIndividual("I7");
    ASSERT_EQ(Label("MaternalGrandfatherNameButton"), QStringLiteral("Unknown"));
    ShowWindow();
    const size_t stores = form_.stored.size();
    QTest::mouseClick(Find<TJLabel>("MaternalGrandfatherNameButton"), Qt::LeftButton, {},
                      QPoint(5, 8));
    form_.MaternalGrandmotherNameButtonClick();
    EXPECT_EQ(form_.stored.size(), stores);
    EXPECT_EQ(MainName(), QStringLiteral("Smith, Peter"));
}

TEST_F(MainFormPersonTest, AncestorPointerNotInTheTableShowsUnknown) {
    // Only's family names a husband I99 that has no record.
    form_.LoadIndividual("I31");
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral("Unknown"));
    form_.FatherNameButtonClick();
    EXPECT_EQ(form_.stored.back(), "I99                 ");
    EXPECT_EQ(MainName(), QStringLiteral("Unknown"));
}

TEST_F(MainFormPersonTest, TheCentralLabelHasNoClickAction) {
    form_.LoadIndividual("I1");
    ShowWindow();
    const size_t stores = form_.stored.size();
    QTest::mouseClick(Find<TJLabel>("MainNameButton"), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(form_.stored.size(), stores);
}

TEST_F(MainFormPersonTest, PressOnAChildNodeLabelShowsTheChild) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QTreeWidgetItem* jane = Tree()->topLevelItem(1)->child(1);
    ClickNode(jane, NodeTextPoint(jane));
    EXPECT_EQ(MainName(), QStringLiteral("Smith, Jane"));
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral("Smith, John"));
    EXPECT_EQ(Label("MotherNameButton"), QStringLiteral("Jones, Alice"));
    EXPECT_EQ(Texts(Siblings()), QStringList({"Smith, Peter"}));
}

TEST_F(MainFormPersonTest, PressOnASpouseNodeLabelShowsTheSpouse) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QTreeWidgetItem* eve = Tree()->topLevelItem(0);
    ClickNode(eve, NodeTextPoint(eve));
    EXPECT_EQ(MainName(), QStringLiteral("Taylor, Eve"));
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), QStringLiteral("Smith, John"));
}

TEST_F(MainFormPersonTest, AnyMouseButtonOnANodeLabelNavigates) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QTreeWidgetItem* paul = Tree()->topLevelItem(0)->child(0);
    QTest::mouseClick(Tree()->viewport(), Qt::RightButton, {}, NodeTextPoint(paul));
    Settle();
    EXPECT_EQ(MainName(), QStringLiteral("Smith, Paul"));
}

TEST_F(MainFormPersonTest, PressBesideTheNodeLabelDoesNothing) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QTreeWidgetItem* peter = Tree()->topLevelItem(1)->child(0);
    const QRect row = Tree()->visualItemRect(peter);
    const QRect last = Tree()->visualItemRect(Tree()->topLevelItem(1)->child(1));
    const QPoint beside[] = {
        // on the node's image
        QPoint(row.left() + Tree()->iconSize().width() / 2, row.center().y()),
        // on the empty part of its row, far right of the text
        QPoint(row.right() - 3, row.center().y()),
        // below the last node
        QPoint(last.left() + 40, last.bottom() + 30),
    };
    for (const QPoint& pos : beside) {
        ClickNode(peter, pos);
        ASSERT_EQ(MainName(), QStringLiteral("Smith, John")) << pos.x() << "," << pos.y();
        ASSERT_EQ(form_.stored.size(), 1u);
    }
}

TEST_F(MainFormPersonTest, TreePressWithoutSelectedNodeDoesNothing) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QTreeWidgetItem* peter = Tree()->topLevelItem(1)->child(0);
    Tree()->clearSelection();
    form_.SpousesTreeMouseDown(Qt::LeftButton, NodeTextPoint(peter));
    EXPECT_EQ(MainName(), QStringLiteral("Smith, John"));
    peter->setSelected(true);
    form_.SpousesTreeMouseDown(Qt::LeftButton, NodeTextPoint(peter));
    EXPECT_EQ(MainName(), QStringLiteral("Smith, Peter"));
}

TEST_F(MainFormPersonTest, UnknownSpouseNodeDoesNothingButItsChildrenNavigate) {
    form_.LoadIndividual("I32");
    ShowWindow();
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* unknown = Tree()->topLevelItem(0);
    EXPECT_EQ(unknown->text(0), QStringLiteral("Unknown"));
    const size_t stores = form_.stored.size();
    ClickNode(unknown, NodeTextPoint(unknown));
    EXPECT_EQ(form_.stored.size(), stores);
    EXPECT_EQ(MainName(), QStringLiteral("Parent, Single"));
    QTreeWidgetItem* kid = Tree()->topLevelItem(0)->child(0);
    ClickNode(kid, NodeTextPoint(kid));
    EXPECT_EQ(MainName(), QStringLiteral("Parent, Kid"));
}

TEST_F(MainFormPersonTest, PressOnASiblingShowsThatSibling) {
    form_.LoadIndividual("I1");
    ShowWindow();
    QListWidget* list = Siblings();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    Settle();
    EXPECT_EQ(MainName(), QStringLiteral("Smith, Sarah"));
    EXPECT_EQ(Texts(Siblings()), QStringList({"Smith, Robert", "Smith, John"}));
}

TEST_F(MainFormPersonTest, SiblingPressWithoutSelectionDoesNothing) {
    form_.LoadIndividual("I1");
    Siblings()->clearSelection();
    form_.SiblingsListMouseDown(Qt::LeftButton, QPoint(5, 5));
    EXPECT_EQ(MainName(), QStringLiteral("Smith, John"));
}

TEST_F(MainFormPersonTest, ReadErrorEndsTheLoadAndIsShownKeepingTheViews) {
    form_.LoadIndividual("I1");
    std::filesystem::remove(file_.Path());
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form_.LoadIndividual("I4");
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->icon, QMessageBox::Critical);
    EXPECT_EQ(shown->title, QStringLiteral("Lineatum"));
    EXPECT_FALSE(shown->text.isEmpty());
    EXPECT_EQ(MainName(), QStringLiteral("Smith, John"));
    EXPECT_EQ(Tree()->topLevelItemCount(), 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormPersonTest, NoLookupTableIsReportedAsAnError) {
    form_.SetLookupTable(nullptr);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form_.LoadIndividual("I1");
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QStringLiteral("No lookup table is open."));
    EXPECT_TRUE(Tabs()->isHidden());
}

TEST_F(MainFormPersonTest, AfterAFailedLoadTheOldViewsNavigateNowhere) {
    // The views still show John, while the person behind them is half of Peter: clicking
    // "Smith, William" must not show Peter's father John, nor a sibling of Peter.
    FailingLookup failing(file_.Table());
    form_.SetLookupTable(&failing);
    form_.LoadIndividual("I1");
    ASSERT_EQ(Label("FatherNameButton"), QStringLiteral("Smith, William"));
    // Peter: his record, his family, John, Alice, Jane; the sixth find (William's family, for
    // the paternal grandparents) fails.
    failing.FailFindNumber(6);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form_.LoadIndividual("I7");
    ASSERT_TRUE(MessageBox::LastShown().has_value());
    ASSERT_EQ(MainName(), QStringLiteral("Smith, John"));
    ASSERT_EQ(form_.CurrentPerson().FFather->Name(), "Smith, John");

    const size_t stores = form_.stored.size();
    form_.FatherNameButtonClick();
    Siblings()->setCurrentRow(0);
    form_.SiblingsListMouseDown(Qt::LeftButton, QPoint());
    EXPECT_EQ(form_.stored.size(), stores);
    EXPECT_EQ(MainName(), QStringLiteral("Smith, John"));

    // A good load makes the views live again.
    form_.LoadIndividual("I1");
    form_.FatherNameButtonClick();
    EXPECT_EQ(MainName(), QStringLiteral("Smith, William"));
}

TEST_F(MainFormPersonTest, ViewsFilledFromPlainDataNavigateNowhere) {
    form_.LoadIndividual("I1");
    PersonViewData data;
    data.mainName = "Other, Somebody";
    data.fatherName = "Other, Father";
    form_.ShowPersonViews(data);
    const size_t stores = form_.stored.size();
    form_.FatherNameButtonClick();
    EXPECT_EQ(form_.stored.size(), stores);
    EXPECT_EQ(MainName(), QStringLiteral("Other, Somebody"));
}

TEST_F(MainFormPersonTest, DoubleClickOnTheFamcLineOpensTheBrowserOnTheFamily) {
    form_.LoadIndividual("I1");
    ShowWindow();
    Tabs()->setCurrentIndex(2);
    QListWidget* raw = Raw();
    ASSERT_EQ(raw->item(6)->text(), QStringLiteral("1 FAMC @F1@"));
    const QPoint famc = raw->visualItemRect(raw->item(6)).center();
    QTest::mouseClick(raw->viewport(), Qt::LeftButton, {}, famc);
    BrowserWatch watch;
    QTest::mouseDClick(raw->viewport(), Qt::LeftButton, {}, famc);
    ASSERT_TRUE(watch.opened);
    EXPECT_EQ(watch.pointer, "F1");
    EXPECT_EQ(watch.title, QStringLiteral("View GEDCOM Section"));
    EXPECT_EQ(watch.lines.value(0), QStringLiteral("0 @F1@ FAM"));
    EXPECT_EQ(watch.lines.size(), 6);
    // Destroyed when it closes.
    EXPECT_EQ(form_.findChild<TShowGedRec*>(), nullptr);
}

TEST_F(MainFormPersonTest, DoubleClickOnTheNameLineOpensNothing) {
    form_.LoadIndividual("I1");
    Raw()->setCurrentRow(1);
    BrowserWatch watch;
    form_.RawGedcomDataDblClick();
    Settle();
    EXPECT_FALSE(watch.opened);
}

TEST_F(MainFormPersonTest, BrowseButtonOpensThePersonsOwnRecordCentred) {
    form_.LoadIndividual("I1");
    ShowWindow();
    BrowserWatch watch;
    Find<QPushButton>("BrowseRecordButton")->click();
    ASSERT_TRUE(watch.opened);
    EXPECT_EQ(watch.pointer, "I1");
    EXPECT_EQ(watch.lines, Texts(kJohnRecord));
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST_F(MainFormPersonTest, BrowseButtonOnAVanishedFileSaysUnableToLoad) {
    form_.LoadIndividual("I1");
    std::filesystem::remove(file_.Path());
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    BrowserWatch watch;
    Find<QPushButton>("BrowseRecordButton")->click();
    EXPECT_FALSE(watch.opened);
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QStringLiteral("Unable to load GEDCOM Browser"));
}

// --- royal92.ged: Ernest Louis of Hesse (I83), grandson of Queen Victoria ---

class MainFormRoyal92Test : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = std::string(LINEATUM_SAMPLES_DIR) + "/royal92.ged";
        ASSERT_TRUE(std::filesystem::exists(path)) << "royal92.ged missing from the test data";
        file_ = std::make_unique<TPersonTestFile>(path, nullptr);
        FileDialog::SetNextFileName(QString());
        form_.FormActivate();
        form_.SetLookupTable(&file_->Table());
    }

    QString Label(const char* name) {
        return form_.findChild<TJLabel*>(QLatin1String(name))->text();
    }

    std::unique_ptr<TPersonTestFile> file_;
    PersonMainForm form_;
};

TEST_F(MainFormRoyal92Test, ErnestLouisAndHisFamily) {
    form_.LoadIndividual("I83");
    EXPECT_EQ(Label("MainNameButton"), QStringLiteral(", Ernest Louis of_Hesse"));
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral(", Louis_IV of_Hesse"));
    EXPECT_EQ(Label("MotherNameButton"), QStringLiteral(", Alice Maud Mary"));
    EXPECT_EQ(Label("MaternalGrandmotherNameButton"), QStringLiteral("Hanover, Victoria"));
    const auto* tree = form_.findChild<QTreeWidget*>(QStringLiteral("SpousesTree"));
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0),
              QStringLiteral(", George Donatus of_Hesse"));
    EXPECT_EQ(form_.findChild<QListWidget*>(QStringLiteral("SiblingsList"))->count(), 6);

    form_.resize(800, 600);
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QTest::mouseClick(form_.findChild<TJLabel*>(QStringLiteral("MotherNameButton")), Qt::LeftButton,
                      {}, QPoint(5, 8));
    EXPECT_EQ(Label("MainNameButton"), QStringLiteral(", Alice Maud Mary"));
    EXPECT_EQ(Label("FatherNameButton"), QStringLiteral(", Albert Augustus Charles"));
    EXPECT_EQ(Label("MotherNameButton"), QStringLiteral("Hanover, Victoria"));
    QTest::mouseClick(form_.findChild<TJLabel*>(QStringLiteral("MotherNameButton")), Qt::LeftButton,
                      {}, QPoint(5, 8));
    EXPECT_EQ(Label("MainNameButton"), QStringLiteral("Hanover, Victoria"));
}

}  // namespace
