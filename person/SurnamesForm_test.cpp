// The Find Surname dialog over a real lookup table: opening on the surname of the person shown,
// the letter buttons, the two lists, the preview and when Ok may end the dialog.
#include "person/SurnamesForm.h"

#include <string>
#include <vector>

#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>

#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "person/TableLookup.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"
#include "widgets/ToxSplit.h"

#include <gtest/gtest.h>

namespace {

const char kFamilies[] =
    "0 HEAD\r\n1 CHAR ANSI\r\n"
    "0 @I1@ INDI\r\n1 NAME John /Smith/\r\n1 SEX M\r\n1 BIRT\r\n2 DATE 1 JAN 1900\r\n"
    "1 FAMS @F1@\r\n"
    "0 @I2@ INDI\r\n1 NAME Mary /Brown/\r\n1 SEX F\r\n1 FAMS @F1@\r\n"
    "0 @I3@ INDI\r\n1 NAME Anne /smith/\r\n1 SEX F\r\n1 FAMC @F1@\r\n"
    "0 @I4@ INDI\r\n1 NAME Paul /Sullivan/\r\n1 SEX M\r\n"
    "0 @I5@ INDI\r\n1 NAME Olaf /\xD8ster/\r\n1 SEX M\r\n"
    "0 @I6@ INDI\r\n1 NAME Nobody\r\n"
    "0 @F1@ FAM\r\n1 HUSB @I1@\r\n1 WIFE @I2@\r\n1 CHIL @I3@\r\n1 MARR\r\n2 DATE 1925\r\n"
    "0 TRLR\r\n";

class SurnamesFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string gedcom = dir_.Write("families.ged", kFamilies);
        {
            HTable building;
            HCreateTable creator;
            TSilentBuildProgress progress;
            gedcom::BuildLookupTable(gedcom, dir_.File("FAMILIES.DBF"), creator, building,
                                     progress);
        }
        GedcomState().CurrentGedcomPath = gedcom;
        table_.SetDBFPath(dir_.Path());
        table_.SetDBFName("FAMILIES.DBF");
        table_.SetActive(true);
        ASSERT_TRUE(table_.IndexOpen("\"" + dir_.File("FAMILIES.CDX") + "\"", "NAME"));
    }
    void TearDown() override { GedcomState() = TGedcomState(); }

    static QStringList Shown(const QListView* list) {
        return static_cast<QStringListModel*>(list->model())->stringList();
    }
    static int CurrentRow(const QListView* list) { return list->currentIndex().row(); }

    TempDir dir_;
    HTable table_;
    TTableLookup lookup_{table_};
};

TEST_F(SurnamesFormTest, OpensAsFindSurnameWithItsLettersAndBars) {
    TSurnamesForm form(table_, lookup_);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Find Surname"));
    EXPECT_EQ(form.size(), QSize(527, 389));
    ASSERT_EQ(form.AlphaButtons.size(), 27u);
    EXPECT_EQ(form.AlphaButtons.front()->text(), QStringLiteral("A"));
    EXPECT_EQ(form.AlphaButtons[25]->text(), QStringLiteral("Z"));
    EXPECT_EQ(form.AlphaButtons.back()->text(), QStringLiteral("#"));
    EXPECT_EQ(form.SurnameSplit->BarPosition(), 233);
    EXPECT_EQ(form.SurnameSplit->BarWidth(), 10);
    EXPECT_EQ(form.PersonSplit->BarPosition(), 131);
    EXPECT_EQ(form.PersonSplit->BarWidth(), 8);
    EXPECT_TRUE(form.OKButton->isDefault());
}

TEST_F(SurnamesFormTest, OpeningOnSmithPressesSSelectsSmithAndPreviewsItsFirstPerson) {
    TSurnamesForm form(table_, lookup_);
    form.SetInitialSurname("Smith");
    form.show();
    form.FormActivate();
    EXPECT_EQ(Shown(form.SurnameList), (QStringList{"SMITH", "SULLIVAN"}));
    EXPECT_EQ(CurrentRow(form.SurnameList), 0);
    // Stored in mixed case, listed in upper case, in index order.
    EXPECT_EQ(Shown(form.PersonList), (QStringList{"SMITH, ANNE", "SMITH, JOHN"}));
    EXPECT_EQ(CurrentRow(form.PersonList), 0);
    EXPECT_EQ(form.SelectedPointer(), "I3");
    EXPECT_TRUE(form.PreviewMemo->toPlainText().contains(QStringLiteral("Anne")))
        << form.PreviewMemo->toPlainText().toStdString();
    // A later activation changes nothing.
    form.SurnameList->setCurrentIndex(form.SurnameList->model()->index(1, 0));
    form.FormActivate();
    EXPECT_EQ(CurrentRow(form.SurnameList), 1);
}

TEST_F(SurnamesFormTest, ASurnameStoredWithSmallSCaronOpensUnderTheLetterItIsListedUnder) {
    // "š" keeps its S where the key's upper-casing turns "Š" into an E.
    const std::string gedcom =
        dir_.Write("caron.ged",
                   "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r\n1 NAME Eva /\x9Aimek/\r\n"
                   "0 @I2@ INDI\r\n1 NAME Ed /Eimek/\r\n0 TRLR\r\n");
    table_.SetActive(false);
    {
        HTable building;
        HCreateTable creator;
        TSilentBuildProgress progress;
        gedcom::BuildLookupTable(gedcom, dir_.File("CARON.DBF"), creator, building, progress);
    }
    GedcomState().CurrentGedcomPath = gedcom;
    table_.SetDBFName("CARON.DBF");
    table_.SetActive(true);
    // The builder stores "š" as "s"; a table built before it did holds "š" itself.
    table_.Go(1);
    ASSERT_TRUE(table_.Edit());
    table_.StringPut("NAME", "\x9Aimek, Eva");
    ASSERT_TRUE(table_.Post());
    const std::string index = dir_.File("CARON.CDX");
    ASSERT_TRUE(table_.IndexOn(index, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
    ASSERT_TRUE(table_.IndexOn(index, "POINTER", 7, 1, "", "POINTER"));
    ASSERT_TRUE(table_.IndexOpen("\"" + index + "\"", "NAME"));
    TSurnamesForm form(table_, lookup_);
    form.SetInitialSurname("\x8AIMEK");
    form.show();
    form.FormActivate();
    EXPECT_EQ(Shown(form.SurnameList), (QStringList{QString::fromUtf8("\u0160IMEK")}));
    EXPECT_EQ(form.SelectedPointer(), "I1");
}

// A click as the mouse makes it: on the row's middle in the list's viewport.
void ClickRow(QListView* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

TEST_F(SurnamesFormTest, ClickingASurnameAndAPersonShowsThemInTurn) {
    TSurnamesForm form(table_, lookup_);
    form.SetInitialSurname("SMITH");
    form.show();
    form.FormActivate();
    ClickRow(form.SurnameList, 1);
    EXPECT_EQ(Shown(form.PersonList), (QStringList{"SULLIVAN, PAUL"}));
    EXPECT_EQ(form.SelectedPointer(), "I4");
    ClickRow(form.SurnameList, 0);
    ClickRow(form.PersonList, 1);
    EXPECT_EQ(form.SelectedPointer(), "I1");
    const QString preview = form.PreviewMemo->toPlainText();
    EXPECT_TRUE(preview.contains(QStringLiteral("John"))) << preview.toStdString();
    EXPECT_TRUE(preview.contains(QStringLiteral("1900"))) << preview.toStdString();
}

TEST_F(SurnamesFormTest, WithoutASurnameTheListsStayEmptyAndOkDoesNotEnd) {
    TSurnamesForm form(table_, lookup_);
    form.SetInitialSurname("");  // "Unknown" has no comma, so no surname
    form.show();
    form.FormActivate();
    EXPECT_TRUE(Shown(form.SurnameList).isEmpty());
    EXPECT_TRUE(Shown(form.PersonList).isEmpty());
    form.OKButton->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), QDialog::Accepted);
    form.CancelButton->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(SurnamesFormTest, ALetterWithoutNamesClearsBothListsAndThePreview) {
    TSurnamesForm form(table_, lookup_);
    form.SetInitialSurname("SMITH");
    form.show();
    form.FormActivate();
    ASSERT_FALSE(form.PreviewMemo->toPlainText().isEmpty());
    form.AlphaButtons[static_cast<size_t>('Q' - 'A')]->click();
    EXPECT_TRUE(Shown(form.SurnameList).isEmpty());
    EXPECT_TRUE(Shown(form.PersonList).isEmpty());
    EXPECT_TRUE(form.PreviewMemo->toPlainText().isEmpty());
    // Ok ends the dialog once a person has been previewed.
    form.AlphaButtons.back()->click();
    EXPECT_EQ(Shown(form.SurnameList), (QStringList{QString::fromUtf8("\u00D8STER")}));
    EXPECT_EQ(form.SelectedPointer(), "I5");
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

}  // namespace
