// The ways into a file besides the Open command (the file named at start, files handed over by
// later starts and dropped on the window), the refusal of files that are not GEDCOM, Back and
// Forward through the persons shown, and the keyboard on the person views. Lookup tables are
// built by the real builder into a temporary folder.
#include <stdlib.h>

#include <map>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "app/FileDialog.h"
#include "app/MainForm.h"
#include "app/TestFolders.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "gedcom/MasterIndex.h"
#include "person/GedcomPerson.h"
#include "widgets/MessageBox.h"
#include "widgets/TJLabel.h"

#include <gtest/gtest.h>

namespace {

// Peter (I3) is the son of John (I1) and Mary (I2); Ann (I4) is his sister.
const char kFamily[] =
    "0 HEAD\n1 CHAR ANSI\n"
    "0 @I1@ INDI\n1 NAME John /Smith/\n1 SEX M\n1 FAMS @F1@\n"
    "0 @I2@ INDI\n1 NAME Mary /Brown/\n1 SEX F\n1 FAMS @F1@\n"
    "0 @I3@ INDI\n1 NAME Peter /Smith/\n1 SEX M\n1 FAMC @F1@\n"
    "0 @I4@ INDI\n1 NAME Ann /Smith/\n1 SEX F\n1 FAMC @F1@\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I4@\n"
    "0 TRLR\n";

// Presses Create in every Create Lookup Table dialog (running `build`, or the real builder),
// cancels Select Person, and stands in for the recent-files list.
class NavigationMainForm : public TMainForm {
public:
    int dialogs = 0;
    TCreateIndexBuild build;
    QStringList recent;
    QStringList added;

    QString NameOn(const char* label) const {
        return findChild<TJLabel*>(QLatin1String(label))->text();
    }
    std::string Shown() const { return CurrentPerson().Pointer(); }
    std::string CurrentFile() const { return GedcomState().CurrentGedcomPath; }

protected:
    void ExecCreateIndexForm(TCreateIndexForm& dialog) override {
        ++dialogs;
        dialog.CreateButtonClick();
    }
    TCreateIndexBuild CreateIndexBuild() const override { return build; }
    int ExecPickPerson(TPickPerson&) override { return QDialog::Rejected; }
    QStringList RecentFiles() const override { return recent; }
    void AddRecentFile(const QString& path) override { added << path; }
};

class MainFormNavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        GedcomState() = TGedcomState();
        FileDialog::ClearLastRequest();
        MessageBox::ClearLastShown();
        char pattern[] = "/tmp/lineatum-nav-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = QString::fromLocal8Bit(pattern) + QLatin1Char('/');
        TMainForm::SetFileFolders(dir_ + "Index/", dir_);
    }
    void TearDown() override {
        UseTestRunFolders();
        GedcomState() = TGedcomState();
        QDir(dir_).removeRecursively();
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_ + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return dir_ + name;
    }

    // The window after its first activation, with the open dialog at start cancelled.
    static void Activate(NavigationMainForm& form) {
        FileDialog::SetNextFileName(QString());
        form.FormActivate();
        FileDialog::ClearLastRequest();
    }

    static std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

    // Opens the family on an active window, Peter shown; false when the window cannot be
    // activated.
    bool ShowPeterOnScreen(NavigationMainForm& form) {
        Activate(form);
        form.OpenGedcomFile(Write("family.ged", kFamily), false);
        form.show();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form)) return false;
        form.LoadIndividual("I3");
        return form.Shown() == "I3";
    }

    QStringList LookupFiles() const {
        return QDir(dir_ + "Index/").entryList(QDir::Files, QDir::Name);
    }

    QString dir_;
};

template <typename T>
T* Find(const QObject& form, const char* name) {
    T* child = form.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// --- Files that are not GEDCOM ----------------------------------------------------------------

TEST_F(MainFormNavigationTest, AFileThatIsNotGedcomIsRefusedAndNothingIsBuiltOrRemembered) {
    const QString family = Write("family.ged", kFamily);
    NavigationMainForm form;
    Activate(form);
    form.OpenGedcomFile(family, false);
    form.LoadIndividual("I3");
    const QStringList builtFiles = LookupFiles();
    ASSERT_EQ(builtFiles.size(), 2);

    const struct {
        const char* name;
        QByteArray bytes;
        QString reason;
    } refused[] = {
        {"page.ged", "<!DOCTYPE html>\n<html><body>0 HEAD</body></html>\n",
         "its first line is \"<!DOCTYPE html>\", not \"0 HEAD\""},
        {"notes.ged", "Grandmother's notes\n", "its first line is \"Grandmother's notes\", not \"0 HEAD\""},
        {"empty.ged", "", "it is empty"},
        {"picture.ged", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
         "it is not a text file (it holds NUL bytes)"},
    };
    for (const auto& file : refused) {
        const QString path = Write(QLatin1String(file.name), file.bytes);
        MessageBox::ClearLastShown();
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        form.OpenGedcomFile(path, false);
        const auto shown = MessageBox::LastShown();
        ASSERT_TRUE(shown.has_value()) << file.name;
        EXPECT_EQ(shown->icon, QMessageBox::Warning);
        EXPECT_EQ(shown->text, path + " is not a GEDCOM file: " + file.reason + ".");
        // Nothing built, recorded or listed; the person shown stays, with its file.
        EXPECT_EQ(form.dialogs, 1) << file.name;
        EXPECT_EQ(LookupFiles(), builtFiles);
        EXPECT_LE(form.MasterIndex().FindFile(Bytes(path)), 0) << file.name;
        EXPECT_EQ(form.added, QStringList{family});
        EXPECT_EQ(form.CurrentFile(), Bytes(family));
        EXPECT_EQ(form.NameOn("MainNameButton"), QStringLiteral("Smith, Peter"));
        EXPECT_TRUE(form.GedTable.Active());
    }
}

// --- The file named at start ------------------------------------------------------------------

TEST_F(MainFormNavigationTest, TheFileNamedAtStartIsOpenedInsteadOfTheMostRecentAndBuilt) {
    const QString family = Write("family.ged", kFamily);
    const QString other = Write("other.ged", kFamily);
    NavigationMainForm form;
    form.recent = {other};
    form.OpenAtStart(family);
    FileDialog::SetNextFileName(QString());
    form.FormActivate();
    EXPECT_FALSE(form.FirstActivation());
    EXPECT_EQ(form.dialogs, 1);
    EXPECT_EQ(form.CurrentFile(), Bytes(family));
    EXPECT_EQ(form.windowTitle(), "Lineatum" + QString(10, QLatin1Char(' ')) + "family.ged");
    EXPECT_GT(form.MasterIndex().FindFile(Bytes(family)), 0);
    EXPECT_EQ(form.added, QStringList{family});
    // A file is open: no open dialog follows.
    EXPECT_FALSE(FileDialog::LastRequest().has_value());
}

TEST_F(MainFormNavigationTest, AMissingOrRefusedFileAtStartIsReportedThenTheOpenDialogFollows) {
    QDir().mkpath(dir_ + "Family.ged");
    const std::map<QString, QString> reasons = {
        {dir_ + "Gone Family.ged", " does not exist."},
        {Write("page.ged", "<html>\n"), " is not a GEDCOM file: "},
        {dir_ + "Family.ged", " is a folder, not a GEDCOM file."},
    };
    for (const auto& [path, reason] : reasons) {
        NavigationMainForm form;
        form.OpenAtStart(path);
        MessageBox::ClearLastShown();
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        FileDialog::ClearLastRequest();
        FileDialog::SetNextFileName(QString());
        form.FormActivate();
        const auto shown = MessageBox::LastShown();
        ASSERT_TRUE(shown.has_value());
        EXPECT_TRUE(shown->text.contains(path)) << shown->text.toStdString();
        EXPECT_TRUE(shown->text.contains(reason)) << shown->text.toStdString();
        EXPECT_TRUE(FileDialog::LastRequest().has_value());
        EXPECT_EQ(form.dialogs, 0);
        EXPECT_TRUE(form.CurrentFile().empty());
    }
}

// --- Files handed over by later starts and dropped on the window --------------------------------

// A file handed over while a build runs is opened when the build, and the open it belongs to,
// are over; two files handed over are opened in turn.
TEST_F(MainFormNavigationTest, AHandedOverFileWaitsForTheBuildRunningNow) {
    const QString family = Write("family.ged", kFamily);
    const QString second = Write("second.ged", kFamily);
    const QString third = Write("third.ged", kFamily);
    NavigationMainForm form;
    Activate(form);
    std::string currentDuringBuild;
    form.build = [&](const std::string& gedcomPath, const std::string& lookupPath,
                     HCreateTable& creator, HTable& table, TLookupBuildProgress& progress) {
        if (form.dialogs == 1) {
            form.OpenHandedOver(second);
            form.OpenHandedOver(third);
            QTest::qWait(500);
            currentDuringBuild = form.CurrentFile();
        }
        gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, progress);
    };
    form.OpenGedcomFile(family, false);
    EXPECT_EQ(currentDuringBuild, Bytes(family));
    EXPECT_EQ(form.CurrentFile(), Bytes(family));
    EXPECT_TRUE(QTest::qWaitFor([&form] { return form.added.size() == 3; }, 5000));
    EXPECT_EQ(form.added, (QStringList{family, second, third}));
    EXPECT_EQ(form.CurrentFile(), Bytes(third));
}

TEST_F(MainFormNavigationTest, AHandedOverFileThatIsGoneIsReportedAndTheFileShownStays) {
    const QString family = Write("family.ged", kFamily);
    NavigationMainForm form;
    Activate(form);
    form.OpenGedcomFile(family, false);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form.OpenHandedOver(dir_ + "gone.ged");
    EXPECT_TRUE(QTest::qWaitFor([] { return MessageBox::LastShown().has_value(); }, 5000));
    EXPECT_EQ(MessageBox::LastShown()->text, "The file " + dir_ + "gone.ged does not exist.");
    EXPECT_EQ(form.CurrentFile(), Bytes(family));
}

TEST_F(MainFormNavigationTest, ADroppedGedcomFileIsOpened) {
    const QString family = Write("Family.GED", kFamily);
    NavigationMainForm form;
    Activate(form);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir_ + "photo.jpg"), QUrl::fromLocalFile(family)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    EXPECT_TRUE(QTest::qWaitFor([&form, &family] { return form.CurrentFile() == Bytes(family); },
                                5000));
    EXPECT_EQ(form.dialogs, 1);

    // Nothing that is not a GEDCOM file name is taken.
    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(dir_ + "photo.jpg"), QUrl(QStringLiteral("https://x.example/a.ged"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(&form, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

// --- Back and Forward ----------------------------------------------------------------------------

TEST_F(MainFormNavigationTest, BackAndForwardGoThroughThePersonsShownWithinOneFile) {
    const QString family = Write("family.ged", kFamily);
    const QString other = Write("other.ged", kFamily);
    NavigationMainForm form;
    Activate(form);
    form.OpenGedcomFile(family, false);
    QAction* back = Find<QAction>(form, "mnuBack");
    QAction* forward = Find<QAction>(form, "mnuForward");
    EXPECT_FALSE(back->isEnabled());

    form.LoadIndividual("I3");
    form.FatherNameButtonClick();  // John
    ASSERT_EQ(form.Shown(), "I1");
    EXPECT_TRUE(back->isEnabled());
    EXPECT_TRUE(Find<QToolButton>(form, "btnBack")->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    back->trigger();
    EXPECT_EQ(form.Shown(), "I3");
    EXPECT_EQ(form.NameOn("MainNameButton"), QStringLiteral("Smith, Peter"));
    EXPECT_FALSE(back->isEnabled());
    EXPECT_TRUE(forward->isEnabled());
    Find<QToolButton>(form, "btnForward")->click();
    EXPECT_EQ(form.Shown(), "I1");

    // A new click clears the way forward.
    back->trigger();
    form.MotherNameButtonClick();  // Mary
    EXPECT_EQ(form.Shown(), "I2");
    EXPECT_FALSE(forward->isEnabled());
    back->trigger();
    EXPECT_EQ(form.Shown(), "I3");
    EXPECT_FALSE(back->isEnabled());

    // Showing the person already shown adds nothing.
    form.LoadIndividual("I3");
    EXPECT_FALSE(back->isEnabled());

    // Another file starts a history of its own.
    form.LoadIndividual("I4");
    ASSERT_TRUE(back->isEnabled());
    form.OpenGedcomFile(other, false);
    EXPECT_FALSE(form.History().CanGoBack());
    EXPECT_FALSE(form.History().CanGoForward());
    EXPECT_FALSE(back->isEnabled());
    back->trigger();
    EXPECT_EQ(form.CurrentFile(), Bytes(other));
}

// Alt+Left, Alt+Right and the mouse's back button on a shown window.
TEST_F(MainFormNavigationTest, KeysAndMouseButtonsGoBackAndForward) {
    NavigationMainForm form;
    ASSERT_TRUE(ShowPeterOnScreen(form));
    form.FatherNameButtonClick();
    ASSERT_EQ(form.Shown(), "I1");

    QTest::keyClick(&form, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(form.Shown(), "I3");
    QTest::keyClick(&form, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(form.Shown(), "I1");
    QTest::mouseClick(Find<QWidget>(form, "TreePanel"), Qt::BackButton);
    EXPECT_TRUE(QTest::qWaitFor([&form] { return form.Shown() == "I3"; }, 2000));
    QTest::mouseClick(Find<QListWidget>(form, "SiblingsList")->viewport(), Qt::ForwardButton);
    EXPECT_TRUE(QTest::qWaitFor([&form] { return form.Shown() == "I1"; }, 2000));
}

// --- Keyboard on the person views ---------------------------------------------------------------

TEST_F(MainFormNavigationTest, TabReachesTheNamesAndReturnOrSpaceShowsThePerson) {
    NavigationMainForm form;
    ASSERT_TRUE(ShowPeterOnScreen(form));

    auto* mainName = Find<TJLabel>(form, "MainNameButton");
    mainName->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(mainName->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    // Peter's grandparents are unknown: their empty names are passed over.
    EXPECT_EQ(QApplication::focusWidget(), Find<TJLabel>(form, "FatherNameButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<TJLabel>(form, "MotherNameButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(form.Shown(), "I2");

    form.LoadIndividual("I3");
    Find<TJLabel>(form, "FatherNameButton")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(form.Shown(), "I1");

    // The siblings' list: Return shows the sibling chosen.
    form.LoadIndividual("I3");
    auto* siblings = Find<QListWidget>(form, "SiblingsList");
    ASSERT_EQ(siblings->count(), 1);
    siblings->setFocus();
    siblings->setCurrentRow(0);
    QTest::keyClick(siblings, Qt::Key_Return);
    EXPECT_EQ(form.Shown(), "I4");
}

TEST_F(MainFormNavigationTest, CtrlCCopiesTheTextOfTheFocusedView) {
    NavigationMainForm form;
    ASSERT_TRUE(ShowPeterOnScreen(form));
    QClipboard* clipboard = QGuiApplication::clipboard();

    auto* father = Find<TJLabel>(form, "FatherNameButton");
    father->setFocus(Qt::TabFocusReason);
    QTest::keyClick(father, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("Smith, John"));

    // The raw record: its selected lines, or every line when none is selected.
    auto* raw = Find<QListWidget>(form, "RawGedcomData");
    raw->clearSelection();
    QTest::keyClick(raw, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(),
              QStringLiteral("0 @I3@ INDI\n1 NAME Peter /Smith/\n1 SEX M\n1 FAMC @F1@"));
    raw->item(1)->setSelected(true);
    QTest::keyClick(raw, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("1 NAME Peter /Smith/"));

    auto* siblings = Find<QListWidget>(form, "SiblingsList");
    QTest::keyClick(siblings, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("Smith, Ann"));
}

}  // namespace
