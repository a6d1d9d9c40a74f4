// The person views of the main window: the pedigree, the relatives, the text pages and their
// copy buttons, filled from plain data.
#include <stdexcept>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QTreeWidget>

#include "app/Artwork.h"
#include "app/FileDialog.h"
#include "app/MainForm.h"
#include "widgets/MessageBox.h"
#include "widgets/TJLabel.h"
#include "widgets/TTreeJoiner.h"

#include <gtest/gtest.h>

namespace {

using Style = TJLabel::FontStyle;

// Records the pointers the record browser is asked for, and can fail like a browser that cannot
// be loaded.
class ViewerMainForm : public TMainForm {
public:
    std::vector<std::string> viewed;
    bool failViewer = false;

protected:
    void LoadGedComViewer(const std::string& pointer) override {
        if (failViewer) throw std::runtime_error("no browser");
        viewed.push_back(pointer);
    }
};

PersonViewData SamplePerson() {
    PersonViewData data;
    data.mainName = "  Smith, John  ";
    data.fatherName = "Smith, William";
    data.motherName = "Brown, Mary";
    data.paternalGrandfatherName = "Smith, Thomas";
    data.paternalGrandmotherName = "Unknown";
    data.maternalGrandfatherName = "Brown, James";
    data.maternalGrandmotherName = "Clark, Ann";
    data.spouses = {{"Jones, Alice", {"Smith, Peter", "Smith, Jane"}},
                    {"Unknown", {"Smith, Paul"}},
                    {"Taylor, Eve", {}}};
    data.siblings = {"Smith, Robert", "Smith, Sarah"};
    data.narrative = {"John Smith. Born 1 JAN 1900 Leeds. ", "", "He married Alice Jones. "};
    data.notes = {"A carpenter.", "Moved to York."};
    data.rawLines = {"0 @I1@ INDI", "1 NAME John /Smith/", "1 FAMC @F12@", "1 FAMS @F2@",
                     "1 NOTE @N1"};
    return data;
}

class MainFormViewsTest : public ::testing::Test {
protected:
    // The first activation would ask for a file when the window is shown; it is done here, with
    // the open dialog cancelled.
    void SetUp() override {
        FileDialog::SetNextFileName(QString());
        form_.FormActivate();
        ASSERT_FALSE(form_.FirstActivation());
    }

    template <typename T>
    T* Find(const char* name) {
        T* child = form_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QTabWidget* Tabs() { return Find<QTabWidget>("Tabs"); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("SpousesTree"); }
    QListWidget* Raw() { return Find<QListWidget>("RawGedcomData"); }

    static QImage ImageOf(const QIcon& icon, QIcon::Mode mode) {
        return icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
    }
    static QImage NodeImage(int index) {
        return TreeNodeImages().at(index).toImage().convertToFormat(QImage::Format_ARGB32);
    }

    ViewerMainForm form_;
};

TEST_F(MainFormViewsTest, PedigreeLabelsSitAtTheirPlaces) {
    const struct {
        const char* name;
        QRect geometry;
        int pointSize;
    } labels[] = {
        {"MainNameButton", QRect(20, 80, 306, 20), 12},
        {"FatherNameButton", QRect(167, 33, 250, 16), 10},
        {"MotherNameButton", QRect(167, 127, 250, 16), 10},
        {"PaternalGrandfatherNameButton", QRect(314, 9, 250, 16), 10},
        {"PaternalGrandmotherNameButton", QRect(314, 56, 250, 16), 10},
        {"MaternalGrandfatherNameButton", QRect(314, 104, 250, 16), 10},
        {"MaternalGrandmotherNameButton", QRect(314, 151, 250, 16), 10},
    };
    QWidget* panel = Find<QWidget>("TreePanel");
    EXPECT_EQ(panel->height(), 179);
    for (const auto& each : labels) {
        const TJLabel* label = Find<TJLabel>(each.name);
        EXPECT_EQ(label->parentWidget(), panel) << each.name;
        EXPECT_EQ(label->geometry(), each.geometry) << each.name;
        EXPECT_EQ(label->font().pointSize(), each.pointSize) << each.name;
        EXPECT_FALSE(label->font().bold()) << each.name;
        EXPECT_EQ(label->FontOverColor(), QColor(Qt::black)) << each.name;
        EXPECT_EQ(label->FontOverStyle(), Style::Bold | Style::Underline) << each.name;
        EXPECT_EQ(label->foregroundRole(), QPalette::ToolTipText) << each.name;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << each.name;
        EXPECT_FALSE(label->autoFillBackground()) << each.name;
        EXPECT_EQ(label->cursor().shape(), Qt::BitmapCursor) << each.name;
    }
}

TEST_F(MainFormViewsTest, ConnectorsJoinEachNameToItsParents) {
    using Pos = TCrossBarPosition;
    const struct {
        const char* name;
        QRect geometry;
        Pos figure;
    } joiners[] = {
        {"FatherJoiner", QRect(71, 40, 91, 26), Pos::cbpHalfRectUL},
        {"MotherJoiner", QRect(71, 101, 93, 34), Pos::cbpHalfRectLL},
        {"PaternalGrandfatherJoiner", QRect(247, 17, 64, 13), Pos::cbpHalfRectUL},
        {"PaternalGrandmotherJoiner", QRect(247, 49, 64, 15), Pos::cbpHalfRectLL},
        {"MaternalGrandfatherJoiner", QRect(247, 111, 64, 15), Pos::cbpHalfRectUL},
        {"MaternalGrandmotherJoiner", QRect(247, 149, 64, 11), Pos::cbpHalfRectLL},
    };
    QWidget* panel = Find<QWidget>("TreePanel");
    for (const auto& each : joiners) {
        const TTreeJoiner* joiner = Find<TTreeJoiner>(each.name);
        EXPECT_EQ(joiner->parentWidget(), panel) << each.name;
        EXPECT_EQ(joiner->geometry(), each.geometry) << each.name;
        EXPECT_EQ(joiner->CrossBarPosition(), each.figure) << each.name;
    }
}

TEST_F(MainFormViewsTest, PedigreePanelHasTooltipBackground) {
    QWidget* panel = Find<QWidget>("TreePanel");
    EXPECT_TRUE(panel->autoFillBackground());
    EXPECT_EQ(panel->palette().color(QPalette::Window),
              panel->palette().color(QPalette::ToolTipBase));
}

TEST_F(MainFormViewsTest, RelativesHeadersAndViews) {
    EXPECT_EQ(Find<QLabel>("SpousesHeader")->text(), QStringLiteral("    Spouses & Children"));
    EXPECT_EQ(Find<QLabel>("SiblingsHeader")->text(), QStringLiteral("      Siblings"));
    EXPECT_EQ(Find<QLabel>("SpousesHeader")->textFormat(), Qt::PlainText);
    EXPECT_EQ(Tree()->indentation(), 19);
    EXPECT_EQ(Tree()->iconSize(), QSize(16, 16));
    EXPECT_EQ(Tree()->viewport()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(Find<QListWidget>("SiblingsList")->viewport()->cursor().shape(), Qt::BitmapCursor);

    form_.ShowPersonViews(SamplePerson());
    form_.resize(800, 600);
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QWidget* siblings = Find<QWidget>("SiblingsPanel");
    QWidget* spouses = Find<QWidget>("SpousesPanel");
    EXPECT_EQ(siblings->width(), 285);
    EXPECT_EQ(siblings->geometry().right(), siblings->parentWidget()->width() - 1);
    EXPECT_EQ(Find<QWidget>("SiblingsList")->x(), 5);
    EXPECT_EQ(Find<QWidget>("SiblingsHeader")->x(), 5);
    EXPECT_EQ(Find<QWidget>("SiblingsHeader")->y(), 5);
    EXPECT_EQ(Tree()->x(), 5);
    EXPECT_EQ(spouses->width() - Tree()->geometry().right() - 1, 5);
    EXPECT_EQ(spouses->height() - Tree()->geometry().bottom() - 1, 5);
    EXPECT_GT(siblings->parentWidget()->y(), Find<QWidget>("TreePanel")->geometry().bottom());
}

TEST_F(MainFormViewsTest, NodeImagesAreSixteenPixelsWithTheirColours) {
    const QList<QPixmap> images = TreeNodeImages();
    ASSERT_EQ(images.size(), 4);
    for (const QPixmap& image : images) EXPECT_EQ(image.size(), QSize(16, 16));
    // The dominant ink of each: yellow face, blue "S", dark red "c".
    const auto count = [](const QImage& image, auto test) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.alpha() == 255 && test(c);
            }
        }
        return n;
    };
    EXPECT_GT(
        count(NodeImage(0),
              [](const QColor& c) { return c.red() > 200 && c.green() > 180 && c.blue() < 100; }),
        60);
    EXPECT_GT(count(NodeImage(1), [](const QColor&) { return true; }), 10);
    EXPECT_GT(
        count(NodeImage(2),
              [](const QColor& c) { return c.blue() > 150 && c.red() < 60 && c.green() < 60; }),
        10);
    EXPECT_GT(
        count(NodeImage(3),
              [](const QColor& c) { return c.red() > 90 && c.green() < 40 && c.blue() < 40; }),
        8);
}

TEST_F(MainFormViewsTest, NamesAreTrimmedAndAmpersandShowsLiterally) {
    PersonViewData data = SamplePerson();
    data.fatherName = " Smith & Sons, Tom ";
    form_.ShowPersonViews(data);
    EXPECT_EQ(Find<TJLabel>("MainNameButton")->text(), QStringLiteral("Smith, John"));
    EXPECT_EQ(Find<TJLabel>("FatherNameButton")->text(), QStringLiteral("Smith & Sons, Tom"));
    EXPECT_EQ(Find<TJLabel>("PaternalGrandmotherNameButton")->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(Find<TJLabel>("MaternalGrandmotherNameButton")->text(), QStringLiteral("Clark, Ann"));
}

// The person views show the file's text as the models decode it (UTF-8), letters that no 8-bit
// character set holds included.
TEST_F(MainFormViewsTest, FileTextIsShownAsTheFileHasIt) {
    PersonViewData data = SamplePerson();
    data.mainName = "Dvořák, Antonín";
    data.narrative = {"Price € 5, Ωμέγα"};
    data.spouses = {{"Müller, Eva", {"Łukasiewicz, Otýlie"}}};
    data.siblings = {"Þorfinnsson, Hlöðvir"};
    form_.ShowPersonViews(data);
    EXPECT_EQ(Find<TJLabel>("MainNameButton")->text(), QString::fromUtf8("Dvořák, Antonín"));
    EXPECT_EQ(Find<QPlainTextEdit>("DetailsMemo")->toPlainText(),
              QString::fromUtf8("Price € 5, Ωμέγα"));
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), QString::fromUtf8("Müller, Eva"));
    EXPECT_EQ(Tree()->topLevelItem(0)->child(0)->text(0), QString::fromUtf8("Łukasiewicz, Otýlie"));
    EXPECT_EQ(Find<QListWidget>("SiblingsList")->item(0)->text(),
              QString::fromUtf8("Þorfinnsson, Hlöðvir"));
}

TEST_F(MainFormViewsTest, FillingShowsPedigreeAndPagesButKeepsActivePage) {
    EXPECT_TRUE(Tabs()->isHidden());
    EXPECT_TRUE(Find<QWidget>("TreePanel")->isHidden());
    Tabs()->setCurrentIndex(2);
    form_.ShowPersonViews(SamplePerson());
    EXPECT_FALSE(Tabs()->isHidden());
    EXPECT_FALSE(Find<QWidget>("TreePanel")->isHidden());
    EXPECT_EQ(Tabs()->currentIndex(), 2);
}

TEST_F(MainFormViewsTest, NotesTabShownOnlyWithNoteLines) {
    PersonViewData data = SamplePerson();
    data.notes.clear();
    form_.ShowPersonViews(data);
    EXPECT_FALSE(Tabs()->isTabVisible(3));

    form_.ShowPersonViews(SamplePerson());
    EXPECT_TRUE(Tabs()->isTabVisible(3));
    EXPECT_EQ(Find<QPlainTextEdit>("IndividualNotes")->toPlainText(),
              QStringLiteral("A carpenter.\nMoved to York."));

    data.notes = {""};
    form_.ShowPersonViews(data);
    EXPECT_TRUE(Tabs()->isTabVisible(3));
}

TEST_F(MainFormViewsTest, HidingTheNotesTabLeavesTheNotesPage) {
    // A page whose tab is hidden must not stay on screen as the active page.
    form_.ShowPersonViews(SamplePerson());
    Tabs()->setCurrentIndex(3);
    PersonViewData data = SamplePerson();
    data.notes.clear();
    form_.ShowPersonViews(data);
    EXPECT_FALSE(Tabs()->isTabVisible(3));
    EXPECT_NE(Tabs()->currentIndex(), 3);
    EXPECT_TRUE(Tabs()->isTabVisible(Tabs()->currentIndex()));
}

TEST_F(MainFormViewsTest, TreeHasSpousesInOrderWithChildrenExpanded) {
    form_.ShowPersonViews(SamplePerson());
    QTreeWidget* tree = Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    const QStringList spouses = {"Jones, Alice", "Unknown", "Taylor, Eve"};
    const QList<QStringList> children = {{"Smith, Peter", "Smith, Jane"}, {"Smith, Paul"}, {}};
    for (int s = 0; s < 3; ++s) {
        QTreeWidgetItem* spouse = tree->topLevelItem(s);
        EXPECT_EQ(spouse->text(0), spouses[s]);
        EXPECT_EQ(spouse->data(0, TMainForm::kSpouseIndexRole).toInt(), s);
        EXPECT_EQ(spouse->data(0, TMainForm::kChildIndexRole).toInt(), -1);
        EXPECT_EQ(ImageOf(spouse->icon(0), QIcon::Normal), NodeImage(2));
        EXPECT_EQ(ImageOf(spouse->icon(0), QIcon::Selected), NodeImage(2));
        ASSERT_EQ(spouse->childCount(), children[s].size());
        if (spouse->childCount() > 0) {
            EXPECT_TRUE(spouse->isExpanded());
        }
        for (int c = 0; c < spouse->childCount(); ++c) {
            QTreeWidgetItem* child = spouse->child(c);
            EXPECT_EQ(child->text(0), children[s][c]);
            EXPECT_EQ(child->data(0, TMainForm::kSpouseIndexRole).toInt(), s);
            EXPECT_EQ(child->data(0, TMainForm::kChildIndexRole).toInt(), c);
            EXPECT_EQ(ImageOf(child->icon(0), QIcon::Normal), NodeImage(3));
            EXPECT_EQ(ImageOf(child->icon(0), QIcon::Selected), NodeImage(3));
        }
    }
}

TEST_F(MainFormViewsTest, EveryFillRebuildsTheRelativesViews) {
    form_.ShowPersonViews(SamplePerson());
    PersonViewData next;
    next.mainName = "Smith, Robert";
    next.spouses = {{"Hall, Kate", {}}};
    form_.ShowPersonViews(next);
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), QStringLiteral("Hall, Kate"));
    EXPECT_EQ(Find<QListWidget>("SiblingsList")->count(), 0);
    EXPECT_EQ(Raw()->count(), 0);
    EXPECT_TRUE(Find<QPlainTextEdit>("DetailsMemo")->toPlainText().isEmpty());

    form_.ShowPersonViews(PersonViewData());
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(MainFormViewsTest, SiblingsListedInOrder) {
    form_.ShowPersonViews(SamplePerson());
    QListWidget* list = Find<QListWidget>("SiblingsList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Smith, Robert"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("Smith, Sarah"));
    EXPECT_EQ(list->item(1)->data(TMainForm::kSiblingIndexRole).toInt(), 1);
}

TEST_F(MainFormViewsTest, PagesHoldTheirStripsAndViews) {
    EXPECT_EQ(Find<QPushButton>("DetailsCopyButton")->text(), QStringLiteral("Copy to Clipboard"));
    EXPECT_EQ(Find<QPushButton>("GedcomCopyButton")->text(), QStringLiteral("Copy to Clipboard"));
    EXPECT_EQ(Find<QPushButton>("BrowseRecordButton")->text(),
              QStringLiteral("Browse GEDCOM Record"));
    EXPECT_EQ(Find<QPushButton>("NotesCopyButton")->text(), QStringLiteral("Copy to Clipboard"));
    EXPECT_TRUE(Tabs()->widget(1)->isAncestorOf(Find<QWidget>("DetailsMemo")));
    EXPECT_TRUE(Tabs()->widget(2)->isAncestorOf(Find<QWidget>("RawGedcomData")));
    EXPECT_TRUE(Tabs()->widget(3)->isAncestorOf(Find<QWidget>("IndividualNotes")));
    for (const char* strip : {"DetailsStrip", "GedcomStrip", "NotesStrip"}) {
        EXPECT_EQ(Find<QWidget>(strip)->height(), 35) << strip;
    }
    for (const char* memo : {"DetailsMemo", "IndividualNotes"}) {
        EXPECT_TRUE(Find<QPlainTextEdit>(memo)->isReadOnly()) << memo;
        EXPECT_EQ(Find<QPlainTextEdit>(memo)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn)
            << memo;
    }
    EXPECT_TRUE(Find<QPlainTextEdit>("CopyPasteMemo")->isHidden());
}

TEST_F(MainFormViewsTest, CopyButtonsPutPlainLinesWithCrLf) {
    form_.ShowPersonViews(SamplePerson());
    QClipboard* clipboard = QGuiApplication::clipboard();

    Find<QPushButton>("DetailsCopyButton")->click();
    EXPECT_EQ(
        clipboard->text(),
        QStringLiteral("John Smith. Born 1 JAN 1900 Leeds. \r\n\r\nHe married Alice Jones. "));
    EXPECT_FALSE(clipboard->mimeData()->hasHtml());

    Find<QPushButton>("GedcomCopyButton")->click();
    EXPECT_EQ(clipboard->text(), QStringLiteral("0 @I1@ INDI\r\n1 NAME John /Smith/\r\n"
                                                "1 FAMC @F12@\r\n1 FAMS @F2@\r\n1 NOTE @N1"));

    Find<QPushButton>("NotesCopyButton")->click();
    EXPECT_EQ(clipboard->text(), QStringLiteral("A carpenter.\r\nMoved to York."));
}

TEST_F(MainFormViewsTest, CopyOfEmptyPageGivesEmptyText) {
    PersonViewData data = SamplePerson();
    data.notes.clear();
    form_.ShowPersonViews(data);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    Find<QPushButton>("NotesCopyButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

TEST_F(MainFormViewsTest, CopyKeepsTheVisibleSelection) {
    form_.ShowPersonViews(SamplePerson());
    Raw()->setCurrentRow(2);
    QPlainTextEdit* details = Find<QPlainTextEdit>("DetailsMemo");
    QTextCursor cursor = details->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    details->setTextCursor(cursor);

    Find<QPushButton>("GedcomCopyButton")->click();
    Find<QPushButton>("DetailsCopyButton")->click();
    EXPECT_EQ(Raw()->currentRow(), 2);
    EXPECT_TRUE(Raw()->item(2)->isSelected());
    EXPECT_EQ(details->textCursor().selectionStart(), 5);
    EXPECT_EQ(details->textCursor().selectionEnd(), 10);
}

TEST(PointerBetweenAtsTest, TextBetweenFirstAndNextAt) {
    EXPECT_EQ(TMainForm::PointerBetweenAts("1 FAMC @F12@"), "F12");
    EXPECT_EQ(TMainForm::PointerBetweenAts("0 @I1@ INDI"), "I1");
    EXPECT_EQ(TMainForm::PointerBetweenAts("2 SOUR @S1@ x @S2@"), "S1");
    EXPECT_EQ(TMainForm::PointerBetweenAts("1 CHIL @i7@ "), "i7");
}

TEST(PointerBetweenAtsTest, NothingWithoutASecondAt) {
    EXPECT_EQ(TMainForm::PointerBetweenAts("1 NAME John /Smith/"), "");
    EXPECT_EQ(TMainForm::PointerBetweenAts("1 NOTE @N1"), "");
    EXPECT_EQ(TMainForm::PointerBetweenAts("@@ empty"), "");
    EXPECT_EQ(TMainForm::PointerBetweenAts(""), "");
}

TEST_F(MainFormViewsTest, DoubleClickOnFamilyLineOpensBrowserOnItsPointer) {
    form_.ShowPersonViews(SamplePerson());
    form_.show();
    Tabs()->setCurrentIndex(2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QListWidget* raw = Raw();
    const QRect famc = raw->visualItemRect(raw->item(2));
    QTest::mouseClick(raw->viewport(), Qt::LeftButton, {}, famc.center());
    QTest::mouseDClick(raw->viewport(), Qt::LeftButton, {}, famc.center());
    ASSERT_EQ(form_.viewed.size(), 1u);
    EXPECT_EQ(form_.viewed[0], "F12");
}

TEST_F(MainFormViewsTest, DoubleClickWithoutPointerOrSelectionDoesNothing) {
    form_.ShowPersonViews(SamplePerson());
    form_.RawGedcomDataDblClick();
    Raw()->setCurrentRow(1);
    form_.RawGedcomDataDblClick();
    Raw()->setCurrentRow(4);
    form_.RawGedcomDataDblClick();
    EXPECT_TRUE(form_.viewed.empty());
    Raw()->setCurrentRow(0);
    form_.RawGedcomDataDblClick();
    EXPECT_EQ(form_.viewed, std::vector<std::string>({"I1"}));
}

TEST_F(MainFormViewsTest, BrowseButtonOpensThePersonsOwnRecord) {
    form_.ShowPersonViews(SamplePerson());
    Raw()->setCurrentRow(2);
    Find<QPushButton>("BrowseRecordButton")->click();
    EXPECT_EQ(form_.viewed, std::vector<std::string>({"I1"}));
}

TEST_F(MainFormViewsTest, BrowseButtonWithoutRecordDoesNothing) {
    form_.ShowPersonViews(PersonViewData());
    MessageBox::ClearLastShown();
    Find<QPushButton>("BrowseRecordButton")->click();
    EXPECT_TRUE(form_.viewed.empty());
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST_F(MainFormViewsTest, BrowserFailureIsReported) {
    form_.ShowPersonViews(SamplePerson());
    form_.failViewer = true;
    MessageBox::ClearLastShown();
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    Find<QPushButton>("BrowseRecordButton")->click();
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QStringLiteral("Unable to load GEDCOM Browser"));
}

TEST_F(MainFormViewsTest, ClearAllNamesAfterFillEmptiesLabels) {
    form_.ShowPersonViews(SamplePerson());
    form_.ClearAllNames();
    EXPECT_TRUE(Find<TJLabel>("MainNameButton")->text().isEmpty());
    EXPECT_TRUE(Find<TJLabel>("MaternalGrandmotherNameButton")->text().isEmpty());
}

}  // namespace
