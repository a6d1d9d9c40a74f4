// The Select Person dialog over a real lookup table: searching as the user types, the keys of
// the search box, the navigator and its Find dialog, and how the dialog ends.
#include "person/PickPerson.h"

#include <algorithm>
#include <string>
#include <vector>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dbcontrols/HDBNavigator.h"
#include "dbcontrols/HDBPickList.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LookupTableBuilder.h"
#include "person/NameSearch.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"
#include "widgets/FindDialog.h"

#include <gtest/gtest.h>

namespace {

// Surnames in their NAME order; with the given names below every individual's key is unique.
const std::vector<std::string> kSurnames = {
    "Adams", "Baker",    "Clark", "Davis",  "Evans", "Fisher", "Green",  "Harris", "Irwin",
    "Jones", "King",     "Lewis", "Moore",  "Nash",  "Owen",   "Parker", "Quinn",  "Reed",
    "Smith", "Smithers", "Smyth", "Turner", "Upton", "Vance",  "Walker", "Young",  "Zane"};

class PickPersonTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string gedcom = "0 HEAD\n1 CHAR ANSI\n";
        int number = 0;
        for (const std::string& surname : kSurnames) {
            for (const char* given : {"Anna", "Tom"}) {
                ++number;
                gedcom += "0 @I" + std::to_string(number) + "@ INDI\n1 NAME " + given + " /" +
                          surname + "/\n";
                names_.push_back(surname + ", " + given);
            }
        }
        // Neither a family, a note nor an individual without a name is a person to pick.
        gedcom += "0 @I999@ INDI\n1 SEX F\n0 @F1@ FAM\n1 HUSB @I1@\n0 @N1@ NOTE text\n0 TRLR\n";
        const std::string gedcomPath = dir_.Write("people.ged", gedcom);
        const std::string lookupPath = dir_.File("PEOPLE.DBF");
        {
            HTable building;
            HCreateTable creator;
            TSilentBuildProgress progress;
            gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, building, progress);
        }
        table_.SetDBFPath(dir_.Path());
        table_.SetDBFName("PEOPLE.DBF");
        table_.SetActive(true);
        ASSERT_TRUE(table_.IndexOpen("\"" + dir_.File("PEOPLE.CDX") + "\"", "NAME"));
        table_.SetRange(namesearch::kRangeLow, namesearch::kRangeHigh);

        dialog_.SetTable(&table_);
        dialog_.SetNameColumnWidth(dialog_.GridClientWidth());
        dialog_.show();
    }
    void TearDown() override { dialog_.SetTable(nullptr); }

    std::string CurrentName() { return std::string(gedcom::Trim(table_.StringGet("NAME"))); }

    // The name the grid highlights, as drawn.
    std::string HighlightedName() const {
        const int row = dialog_.PersonGrid->CurrentRow();
        if (row < 0) return "<none>";
        return dialog_.PersonGrid->CellText(row, 1).trimmed().toStdString();
    }

    TempDir dir_;
    HTable table_;
    TPickPerson dialog_;
    std::vector<std::string> names_;  // every named individual in NAME order
};

TEST_F(PickPersonTest, OpensAsTheSelectPersonDialogWithItsFiveNavigatorButtons) {
    EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("Select Person"));
    EXPECT_EQ(dialog_.size(), QSize(324, 352));
    EXPECT_TRUE(dialog_.OKButton->isDefault());
    EXPECT_EQ(dialog_.PersonGrid->Permissions(), static_cast<HLookupPermissions>(luRowSelect));
    EXPECT_EQ(dialog_.PersonGrid->DefaultRowHeight(), 18);
    int visible = 0;
    for (int b = 0; b <= static_cast<int>(HNavigateBtn::nbRefresh); ++b) {
        if (dialog_.Navigator->Button(static_cast<HNavigateBtn>(b))->isVisible()) ++visible;
    }
    EXPECT_EQ(visible, 5);
    EXPECT_TRUE(dialog_.Navigator->Button(HNavigateBtn::nbFind)->isVisible());
}

TEST_F(PickPersonTest, OnlyNamedIndividualsAreListedInNameOrder) {
    std::vector<std::string> listed;
    table_.First();
    while (!table_.Eof() && listed.size() <= names_.size()) {
        listed.push_back(CurrentName());
        table_.Skip(1);
        if (table_.Eof()) break;
    }
    EXPECT_EQ(listed, names_);
    table_.First();
    EXPECT_EQ(HighlightedName(), names_.front());
    EXPECT_EQ(dialog_.PersonGrid->CellText(0, 1).trimmed().toStdString(), names_.front());
}

TEST_F(PickPersonTest, EachTypedLetterMovesToTheNearestNameAndEmptyingKeepsThePlace) {
    QTest::keyClick(dialog_.PickFind, Qt::Key_S);
    EXPECT_EQ(CurrentName(), "Smith, Anna");
    QTest::keyClicks(dialog_.PickFind, "mith, t");
    EXPECT_EQ(CurrentName(), "Smith, Tom");
    EXPECT_EQ(HighlightedName(), "Smith, Tom");
    // Between names: the next one.
    QTest::keyClick(dialog_.PickFind, Qt::Key_U);
    EXPECT_EQ(CurrentName(), "Smithers, Anna");
    dialog_.PickFind->clear();
    EXPECT_EQ(CurrentName(), "Smithers, Anna");
    // Blanks around the text do not count; case does not matter.
    dialog_.PickFind->setText(QStringLiteral("  smy  "));
    EXPECT_EQ(CurrentName(), "Smyth, Anna");
    EXPECT_EQ(HighlightedName(), "Smyth, Anna");
    // Typed letters Windows-1252 has not are sought as the table stores them: without marks.
    dialog_.PickFind->setText(QString::fromUtf8("Łewiś, T"));
    EXPECT_EQ(CurrentName(), "Lewis, Tom");
    dialog_.PickFind->setText(QString::fromUtf8("Ṡmithe"));
    EXPECT_EQ(CurrentName(), "Smithers, Anna");
}

TEST_F(PickPersonTest, ArrowAndPageKeysInTheSearchBoxMoveTheList) {
    QTest::keyClicks(dialog_.PickFind, "jones");
    ASSERT_EQ(CurrentName(), "Jones, Anna");
    QTest::keyClick(dialog_.PickFind, Qt::Key_Down);
    EXPECT_EQ(CurrentName(), "Jones, Tom");
    QTest::keyClick(dialog_.PickFind, Qt::Key_Up);
    QTest::keyClick(dialog_.PickFind, Qt::Key_Up);
    EXPECT_EQ(CurrentName(), "Irwin, Tom");
    // Page Down typed into the search box pages the list as the grid's own key does.
    QTest::keyClick(dialog_.PickFind, Qt::Key_PageDown);
    const std::string paged = CurrentName();
    EXPECT_EQ(HighlightedName(), paged);
    table_.Find(namesearch::SearchKey("Irwin, Tom"));
    ASSERT_EQ(CurrentName(), "Irwin, Tom");
    ASSERT_TRUE(dialog_.PersonGrid->HandleKey(Qt::Key_PageDown, Qt::NoModifier));
    EXPECT_EQ(CurrentName(), paged);
    const auto at = [this](const std::string& name) {
        return std::find(names_.begin(), names_.end(), name) - names_.begin();
    };
    EXPECT_GT(at(paged) - at("Irwin, Tom"), 5);
    // The keys move the list; the text stays as typed.
    EXPECT_EQ(dialog_.PickFind->text(), QStringLiteral("jones"));
}

TEST_F(PickPersonTest, FindButtonOpensTheFindDialogWhoseFindNextMovesTheList) {
    ASSERT_TRUE(dialog_.NavigatorRecordFind());
    EXPECT_TRUE(dialog_.FindDialog->isVisible());
    dialog_.FindDialog->SetFindText(QStringLiteral("walker, t"));
    dialog_.FindDialog->FindNextButton->click();
    EXPECT_EQ(CurrentName(), "Walker, Tom");
    EXPECT_EQ(HighlightedName(), "Walker, Tom");
    EXPECT_FALSE(dialog_.FindDialog->isVisible());
}

TEST_F(PickPersonTest, NavigatorButtonsStayWithinTheNamedIndividuals) {
    dialog_.Navigator->Click(HNavigateBtn::nbBttm);
    EXPECT_EQ(CurrentName(), names_.back());
    EXPECT_EQ(HighlightedName(), names_.back());
    dialog_.Navigator->Click(HNavigateBtn::nbPrev);
    EXPECT_EQ(CurrentName(), names_[names_.size() - 2]);
    dialog_.Navigator->Click(HNavigateBtn::nbTop);
    EXPECT_EQ(CurrentName(), names_.front());
    EXPECT_FALSE(dialog_.Navigator->Button(HNavigateBtn::nbPrev)->isEnabled());
}

TEST_F(PickPersonTest, ReturnOkAndDoubleClickAcceptCancelRejects) {
    QTest::keyClicks(dialog_.PickFind, "king");
    QTest::keyClick(dialog_.PickFind, Qt::Key_Return);
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    EXPECT_EQ(CurrentName(), "King, Anna");

    dialog_.show();
    dialog_.CancelButton->click();
    EXPECT_EQ(dialog_.result(), QDialog::Rejected);

    dialog_.show();
    dialog_.OKButton->click();
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);

    dialog_.show();
    dialog_.setResult(QDialog::Rejected);
    QWidget* rows = dialog_.PersonGrid->viewport();
    QTest::mouseDClick(rows, Qt::LeftButton, Qt::NoModifier, QPoint(20, 18 + 9));
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
}

}  // namespace
