// The View GEDCOM Section browser over a small GEDCOM file with a scanned lookup table.
#include "person/ShowGedRec.h"

#include <exception>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "person/PersonTestFile.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = GedcomText({
    "0 HEAD",
    "1 CHAR ANSI",
    "0 @I1@ INDI",
    "1 NAME John /Smith/",
    "1 FAMC @F2@",
    "1 FAMS @F1@",
    "1 NOTE @N1@",
    "0 @I2@ INDI",
    "1 NAME Mary /Brown/",
    "1 FAMS @F1@",
    "0 @F1@ FAM",
    "1 HUSB @I1@",
    "1 WIFE @I2@",
    "1 CHIL @I3@",
    "0 @I3@ INDI",
    "1 NAME Peter /Smith/",
    "1 FAMC @F1@",
    "1 NOTE see @N1",
    "0 @N1@ NOTE A baker from M\xFCnster",
    "1 CONT and Leeds",
    "0 TRLR",
});

const QStringList kJohn = {"0 @I1@ INDI", "1 NAME John /Smith/", "1 FAMC @F2@", "1 FAMS @F1@",
                           "1 NOTE @N1@"};
const QStringList kFamily = {"0 @F1@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "1 CHIL @I3@"};
const QStringList kPeter = {"0 @I3@ INDI", "1 NAME Peter /Smith/", "1 FAMC @F1@", "1 NOTE see @N1"};

// Counts beeps instead of sounding them.
class QuietShowGedRec : public TShowGedRec {
public:
    using TShowGedRec::TShowGedRec;
    int beeps = 0;

protected:
    void Beep() override { ++beeps; }
};

class ShowGedRecTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_.SetCommandRunner([this](const std::function<void()>& command) {
            try {
                command();
            } catch (const std::exception& e) {
                errors_.push_back(e.what());
            }
        });
        dialog_.SetCurrentPointer("I1");
        dialog_.FormActivate();
    }

    template <typename T>
    T* Find(const char* name) {
        T* child = dialog_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QListWidget* List() { return Find<QListWidget>("RecordLines"); }
    QPushButton* Back() { return Find<QPushButton>("BackButton"); }

    QStringList Lines() {
        QStringList lines;
        for (int row = 0; row < List()->count(); ++row) lines << List()->item(row)->text();
        return lines;
    }

    // Selects the line `row` and double-clicks it.
    void DoubleClick(int row) {
        List()->setCurrentRow(row);
        dialog_.RecordLinesDblClick();
    }

    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&dialog_, &activate);
    }

    TPersonTestFile file_{kFile};
    QuietShowGedRec dialog_{file_.Table()};
    std::vector<std::string> errors_;
};

TEST_F(ShowGedRecTest, LaidOutAsDesigned) {
    EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("View GEDCOM Section"));
    EXPECT_EQ(dialog_.size(), QSize(591, 402));
    EXPECT_TRUE(dialog_.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(dialog_.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_EQ(Find<QLabel>("InfoPanel")->text(),
              QStringLiteral("Double-click on any @ line to view the record.  Click on Back "
                             "button to view the previous record."));
    EXPECT_EQ(Find<QLabel>("InfoPanel")->height(), 33);
    EXPECT_EQ(Find<QWidget>("ButtonPanel")->height(), 43);
    EXPECT_EQ(Find<QPushButton>("CloseButton")->text(), QStringLiteral("Close"));
    EXPECT_EQ(Back()->text(), QStringLiteral("< &Back"));
    EXPECT_EQ(Back()->shortcut(), QKeySequence(QStringLiteral("Alt+B")));
    EXPECT_EQ(Find<QPushButton>("CopyButton")->text(), QStringLiteral("Copy to Clipboard"));
    EXPECT_FALSE(Back()->isEnabled());
    EXPECT_TRUE(Find<QPlainTextEdit>("CopyBuffer")->isHidden());
    EXPECT_EQ(List()->frameShape(), QFrame::NoFrame);

    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    EXPECT_EQ(List()->visualItemRect(List()->item(0)).height(), 16);
    EXPECT_EQ(List()->visualItemRect(List()->item(1)).top(), 16);
}

TEST_F(ShowGedRecTest, ShowsTheCurrentRecord) {
    EXPECT_EQ(Lines(), kJohn);
    EXPECT_TRUE(dialog_.History().empty());
}

TEST_F(ShowGedRecTest, ShowingTheDialogShowsTheCurrentRecord) {
    QuietShowGedRec dialog(file_.Table());
    dialog.SetCurrentPointer("F1");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const auto* list = dialog.findChild<QListWidget*>(QStringLiteral("RecordLines"));
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("0 @F1@ FAM"));
}

TEST_F(ShowGedRecTest, EveryActivationReadsTheFileAgain) {
    // Same length, so the stored offsets stay right.
    std::string changed = kFile;
    changed.replace(changed.find("John"), 4, "Jack");
    std::ofstream(file_.Path(), std::ios::binary | std::ios::trunc) << changed;
    EXPECT_EQ(Lines().at(1), QStringLiteral("1 NAME John /Smith/"));
    Activate();
    EXPECT_EQ(Lines().at(1), QStringLiteral("1 NAME Jack /Smith/"));
}

TEST_F(ShowGedRecTest, DoubleClickFollowsThePointerAndEnablesBack) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    const QPoint famsLine = List()->visualItemRect(List()->item(3)).center();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, famsLine);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, famsLine);
    EXPECT_EQ(Lines(), kFamily);
    EXPECT_EQ(dialog_.CurrentPointer(), "F1");
    EXPECT_EQ(dialog_.History(), std::vector<std::string>({"I1"}));
    EXPECT_TRUE(Back()->isEnabled());
}

TEST_F(ShowGedRecTest, OwnLevelZeroLineShowsTheSameRecordAndIsRemembered) {
    DoubleClick(0);
    EXPECT_EQ(Lines(), kJohn);
    EXPECT_EQ(dialog_.CurrentPointer(), "I1");
    EXPECT_EQ(dialog_.History(), std::vector<std::string>({"I1"}));
    EXPECT_TRUE(Back()->isEnabled());
}

TEST_F(ShowGedRecTest, LineWithoutAtSignBeepsAndChangesNothing) {
    DoubleClick(3);  // "1 FAMS @F1@"
    DoubleClick(3);  // "1 CHIL @I3@"
    DoubleClick(1);  // "1 NAME Peter /Smith/"
    EXPECT_EQ(dialog_.beeps, 1);
    EXPECT_EQ(Lines(), kPeter);
    EXPECT_EQ(dialog_.History(), std::vector<std::string>({"I1", "F1"}));
    EXPECT_EQ(dialog_.CurrentPointer(), "I3");
    EXPECT_TRUE(Back()->isEnabled());
}

TEST_F(ShowGedRecTest, NoSelectionDoesNothing) {
    List()->clearSelection();
    dialog_.RecordLinesDblClick();
    EXPECT_EQ(dialog_.beeps, 0);
    EXPECT_TRUE(dialog_.History().empty());
    EXPECT_EQ(Lines(), kJohn);
}

TEST_F(ShowGedRecTest, UnknownPointerEmptiesTheListAndBackReturns) {
    DoubleClick(2);  // "1 FAMC @F2@": no such record
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(dialog_.CurrentPointer(), "F2");
    EXPECT_TRUE(Back()->isEnabled());
    Back()->click();
    EXPECT_EQ(Lines(), kJohn);
    EXPECT_EQ(dialog_.CurrentPointer(), "I1");
    EXPECT_FALSE(Back()->isEnabled());
}

TEST_F(ShowGedRecTest, ThreeStepsAndThreeBacksReturnToTheFirstRecord) {
    DoubleClick(3);  // "1 FAMS @F1@"
    DoubleClick(3);  // "1 CHIL @I3@"
    ASSERT_EQ(Lines(), kPeter);
    DoubleClick(2);  // "1 FAMC @F1@"
    ASSERT_EQ(Lines(), kFamily);
    EXPECT_EQ(dialog_.History(), std::vector<std::string>({"I1", "F1", "I3"}));

    Back()->click();
    EXPECT_EQ(Lines(), kPeter);
    EXPECT_TRUE(Back()->isEnabled());
    Back()->click();
    EXPECT_EQ(Lines(), kFamily);
    EXPECT_TRUE(Back()->isEnabled());
    Back()->click();
    EXPECT_EQ(Lines(), kJohn);
    EXPECT_EQ(dialog_.CurrentPointer(), "I1");
    EXPECT_TRUE(dialog_.History().empty());
    EXPECT_FALSE(Back()->isEnabled());
}

TEST_F(ShowGedRecTest, BackWithEmptyHistoryDoesNothing) {
    dialog_.BackButtonClick();
    EXPECT_EQ(Lines(), kJohn);
    EXPECT_EQ(dialog_.CurrentPointer(), "I1");
}

TEST_F(ShowGedRecTest, ActivationShowsTheCurrentRecordNotTheFirst) {
    DoubleClick(3);
    Activate();
    EXPECT_EQ(Lines(), kFamily);
    EXPECT_EQ(dialog_.History().size(), 1u);
}

TEST_F(ShowGedRecTest, SingleAtSignFollowsTheTail) {
    dialog_.SetCurrentPointer("I3");
    dialog_.FormActivate();
    DoubleClick(3);  // "1 NOTE see @N1"
    EXPECT_EQ(dialog_.CurrentPointer(), "N1");
    EXPECT_EQ(Lines(), QStringList({QString::fromUtf8("0 @N1@ NOTE A baker from Münster"),
                                    QStringLiteral("1 CONT and Leeds")}));
}

TEST_F(ShowGedRecTest, CopyPutsThePlainLinesOnTheClipboard) {
    QGuiApplication::clipboard()->clear();
    Find<QPushButton>("CopyButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kJohn.join(QStringLiteral("\r\n")));
    EXPECT_EQ(Find<QPlainTextEdit>("CopyBuffer")->toPlainText(), kJohn.join(QLatin1Char('\n')));
    EXPECT_EQ(Lines(), kJohn);
}

TEST_F(ShowGedRecTest, CloseButtonClosesTheDialog) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    QSignalSpy finished(&dialog_, &QDialog::finished);
    Find<QPushButton>("CloseButton")->click();
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(ShowGedRecTest, UnreadableFileIsReportedOnceAndClosesTheDialog) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    std::filesystem::remove(file_.Path());
    Activate();
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.result(), QDialog::Rejected);
    // A later activation does not try again and report again.
    Activate();
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(ShowGedRecTest, FailedFollowKeepsTheHistory) {
    std::filesystem::remove(file_.Path());
    EXPECT_THROW(DoubleClick(3), std::runtime_error);
    EXPECT_TRUE(dialog_.History().empty());
    EXPECT_EQ(dialog_.CurrentPointer(), "I1");
    EXPECT_FALSE(Back()->isEnabled());
}

}  // namespace
