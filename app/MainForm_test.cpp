#include "app/MainForm.h"

#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/FileDialog.h"
#include "app/JustOne.h"
#include "app/TestFolders.h"
#include "app/WindowRoutines.h"
#include "gedcom/GedcomState.h"
#include "person/SplashForm.h"
#include "widgets/MessageBox.h"
#include "widgets/ScreenCursors.h"

#include <gtest/gtest.h>

namespace {

const char* const kNameLabels[] = {
    "MainNameButton",
    "FatherNameButton",
    "MotherNameButton",
    "PaternalGrandfatherNameButton",
    "PaternalGrandmotherNameButton",
    "MaternalGrandfatherNameButton",
    "MaternalGrandmotherNameButton",
};
const char* const kPersonCommands[] = {"mnuSelectPerson", "mnufindSurname", "mnuRebuildIndex"};
const char* const kPersonButtons[] = {"btnSelectPerson", "btnFindSurname"};

// Stands in for an open lookup table so that the enabling rule can be seen both ways.
class OpenTableMainForm : public TMainForm {
public:
    bool tableActive = false;

protected:
    bool LookupTableActive() const override { return tableActive; }
};

// Answers the Create Lookup Table dialog with Cancel, building nothing.
class DeclineBuildMainForm : public TMainForm {
protected:
    void ExecCreateIndexForm(TCreateIndexForm& dialog) override { dialog.CancelbuttonClick(); }
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        GedcomState() = TGedcomState();
        FileDialog::ClearLastRequest();
        MessageBox::ClearLastShown();
        char pattern[] = "/tmp/lineatum-form-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        tempDir_ = QString::fromLocal8Bit(pattern) + QLatin1Char('/');
        TMainForm::SetFileFolders(tempDir_ + "Index/", tempDir_);
    }
    void TearDown() override {
        UseTestRunFolders();
        GedcomState() = TGedcomState();
        QDir(tempDir_).removeRecursively();
    }

    template <typename T>
    static T* Find(const QObject& form, const char* name) {
        T* child = form.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    static QStringList ActionNames(const QMenu* menu) {
        QStringList names;
        for (const QAction* action : menu->actions()) names << action->objectName();
        return names;
    }

    static bool PersonCommandsEnabled(const TMainForm& form, bool expected) {
        bool all = true;
        for (const char* name : kPersonCommands) {
            all = all && Find<QAction>(form, name)->isEnabled() == expected;
        }
        for (const char* name : kPersonButtons) {
            all = all && Find<QToolButton>(form, name)->isEnabled() == expected;
        }
        return all;
    }

    QString MakeGedcomFile(const char* name) {
        const QString path = tempDir_ + QLatin1String(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("0 HEAD\n1 CHAR ANSEL\n0 TRLR\n");
        return path;
    }

    // Shows `form` with the open dialog of the first activation answered by `pick`, and waits
    // until the first activation is over.
    static bool ShowAndActivate(TMainForm& form, const QString& pick) {
        FileDialog::SetNextFileName(pick);
        form.show();
        return QTest::qWaitFor([&form] { return !form.FirstActivation(); }, 5000);
    }

    QString tempDir_;
};

TEST_F(MainFormTest, CreatedWindowHasNoFileOpen) {
    TMainForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_TRUE(form.FirstActivation());
    EXPECT_TRUE(Find<QTabWidget>(form, "Tabs")->isHidden());
    EXPECT_TRUE(Find<QWidget>(form, "TreePanel")->isHidden());
    EXPECT_TRUE(PersonCommandsEnabled(form, false));
    EXPECT_TRUE(Find<QAction>(form, "mnuOpenGedcom")->isEnabled());
    EXPECT_TRUE(Find<QToolButton>(form, "btnOpenGedcom")->isEnabled());
    EXPECT_TRUE(GedcomState().CurrentGedcomPath.empty());
    EXPECT_EQ(MainWindow(), &form);
    EXPECT_FALSE(form.windowIcon().isNull());
}

TEST_F(MainFormTest, CreationMakesTheLookupFolderWithItsParents) {
    const QString folder = tempDir_ + "deep/er/Index/";
    TMainForm::SetFileFolders(folder, tempDir_);
    TMainForm form;
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(form.LookupFolder(), folder);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST_F(MainFormTest, PagesAreTreeDetailsGedcomNotesWithNotesTabHidden) {
    TMainForm form;
    const QTabWidget* tabs = Find<QTabWidget>(form, "Tabs");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Tree"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Details"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("GEDCOM"));
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("Notes"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(tabs->isTabVisible(0));
    EXPECT_TRUE(tabs->isTabVisible(1));
    EXPECT_TRUE(tabs->isTabVisible(2));
    EXPECT_FALSE(tabs->isTabVisible(3));
    EXPECT_TRUE(tabs->widget(0)->isAncestorOf(Find<QWidget>(form, "TreePanel")));
}

TEST_F(MainFormTest, FileMenuItemsInOrder) {
    TMainForm form;
    const QMenu* file = Find<QMenu>(form, "mnufile");
    EXPECT_EQ(file->title(), QStringLiteral("&File"));
    EXPECT_EQ(ActionNames(file), QStringList({"mnuOpenGedcom", "mnuSelectPerson", "mnufindSurname",
                                              "mnuRebuildIndex", "mnuFileSeparator", "mnuExit"}));
    EXPECT_EQ(Find<QAction>(form, "mnuOpenGedcom")->text(), QStringLiteral("Open GEDCOM File"));
    EXPECT_EQ(Find<QAction>(form, "mnuOpenGedcom")->statusTip(),
              QStringLiteral("Open GEDCOM file"));
    EXPECT_EQ(Find<QAction>(form, "mnuSelectPerson")->text(), QStringLiteral("Select Person"));
    EXPECT_EQ(Find<QAction>(form, "mnufindSurname")->text(), QStringLiteral("Find Surname"));
    EXPECT_EQ(Find<QAction>(form, "mnuRebuildIndex")->text(),
              QStringLiteral("Rebuild Index for this file"));
    EXPECT_TRUE(Find<QAction>(form, "mnuFileSeparator")->isSeparator());
    EXPECT_EQ(Find<QAction>(form, "mnuExit")->text(), QStringLiteral("Exit"));
}

TEST_F(MainFormTest, HelpMenuItemsInOrder) {
    TMainForm form;
    const QMenu* help = Find<QMenu>(form, "mnuhelp");
    EXPECT_EQ(help->title(), QStringLiteral("&Help"));
    EXPECT_EQ(ActionNames(help), QStringList({"mnuContents", "mnuAbout", "mnuHelpSeparator",
                                              "mnuVisitWebsite", "mnuOtherProducts"}));
    EXPECT_EQ(Find<QAction>(form, "mnuContents")->text(), QStringLiteral("Contents"));
    EXPECT_EQ(Find<QAction>(form, "mnuAbout")->text(), QStringLiteral("About"));
    EXPECT_TRUE(Find<QAction>(form, "mnuHelpSeparator")->isSeparator());
    EXPECT_EQ(Find<QAction>(form, "mnuVisitWebsite")->text(),
              QStringLiteral("Visit Our Internet Website"));
    EXPECT_EQ(Find<QAction>(form, "mnuOtherProducts")->text(),
              QStringLiteral("Other Veltrane Products"));
    const QList<QAction*> bar = form.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->menu(), Find<QMenu>(form, "mnufile"));
    EXPECT_EQ(bar[1]->menu(), Find<QMenu>(form, "mnugo"));
    EXPECT_EQ(bar[2]->menu(), help);
}

// The shortcuts desktop users expect; a menu item shows its shortcut beside its caption.
TEST_F(MainFormTest, MenuItemsCarryTheUsualShortcuts) {
    TMainForm form;
    const QList<std::pair<const char*, QKeySequence>> expected = {
        {"mnuOpenGedcom", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"mnuSelectPerson", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"mnufindSurname", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
        {"mnuRebuildIndex", QKeySequence(Qt::Key_F5)},
        {"mnuExit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"mnuBack", QKeySequence(Qt::ALT | Qt::Key_Left)},
        {"mnuForward", QKeySequence(Qt::ALT | Qt::Key_Right)},
        {"mnuContents", QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [name, keys] : expected) {
        EXPECT_EQ(Find<QAction>(form, name)->shortcut(), keys) << name;
    }
    EXPECT_EQ(ActionNames(Find<QMenu>(form, "mnugo")), QStringList({"mnuBack", "mnuForward"}));
    // Nothing shown yet: nowhere to go.
    EXPECT_FALSE(Find<QAction>(form, "mnuBack")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>(form, "btnForward")->isEnabled());
}

// At the window's designed size nothing of the toolbar is pushed into its overflow menu: the
// maker's button shows its glyph alone until there is room for its caption.
TEST_F(MainFormTest, EveryToolbarButtonFitsAtTheDesignedSize) {
    TMainForm form;
    ASSERT_TRUE(ShowAndActivate(form, QString()));
    auto* webSite = Find<QToolButton>(form, "btnWebSite");
    for (const int width : {600, 1000, 600}) {
        form.resize(width, 450);
        QTest::qWait(20);
        for (const char* name : {"btnOpenGedcom", "btnSelectPerson", "btnFindSurname", "btnBack",
                                 "btnForward", "btnWebSite"}) {
            EXPECT_TRUE(Find<QToolButton>(form, name)->isVisible()) << name << " at " << width;
        }
        EXPECT_EQ(webSite->toolButtonStyle(),
                  width == 600 ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    }
    EXPECT_EQ(webSite->text(), QStringLiteral("Veltrane Software"));
}

TEST_F(MainFormTest, ToolbarButtonsCaptionsAndHints) {
    TMainForm form;
    EXPECT_EQ(Find<QToolButton>(form, "btnOpenGedcom")->text(), QStringLiteral("Open GEDCOM File"));
    EXPECT_EQ(Find<QToolButton>(form, "btnOpenGedcom")->toolTip(),
              QStringLiteral("Open GEDCOM file"));
    EXPECT_EQ(Find<QToolButton>(form, "btnSelectPerson")->text(), QStringLiteral("Select Person"));
    EXPECT_EQ(Find<QToolButton>(form, "btnFindSurname")->text(), QStringLiteral("Find Surname"));
    EXPECT_EQ(Find<QToolButton>(form, "btnWebSite")->text(), QStringLiteral("Veltrane Software"));
    EXPECT_EQ(Find<QToolButton>(form, "btnWebSite")->toolTip(),
              QStringLiteral("Visit Veltrane Software on the web"));
}

TEST_F(MainFormTest, LinkCursorsAreLoaded) {
    TMainForm form;
    EXPECT_TRUE(HasScreenCursor(kCrHandPoint));
    EXPECT_TRUE(HasScreenCursor(kCrHandPoint2));
    EXPECT_EQ(ScreenCursor(kCrHandPoint2).shape(), Qt::BitmapCursor);
    EXPECT_EQ(Find<QLabel>(form, "FatherNameButton")->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(MainFormTest, ClearAllNamesEmptiesTheSevenLabels) {
    TMainForm form;
    for (const char* name : kNameLabels) Find<QLabel>(form, name)->setText(QStringLiteral("Smith"));
    form.ClearAllNames();
    for (const char* name : kNameLabels) {
        EXPECT_TRUE(Find<QLabel>(form, name)->text().isEmpty()) << name;
    }
}

TEST_F(MainFormTest, PersonCommandsNeedOpenTableAndCurrentFile) {
    OpenTableMainForm form;
    form.tableActive = false;
    GedcomState().CurrentGedcomPath = "/data/family.ged";
    form.SetButtons();
    EXPECT_TRUE(PersonCommandsEnabled(form, false));

    form.tableActive = true;
    form.SetButtons();
    EXPECT_TRUE(PersonCommandsEnabled(form, true));

    GedcomState().CurrentGedcomPath = "   ";
    form.SetButtons();
    EXPECT_TRUE(PersonCommandsEnabled(form, false));

    GedcomState().CurrentGedcomPath = "  family.ged ";
    form.SetButtons();
    EXPECT_TRUE(PersonCommandsEnabled(form, true));

    GedcomState().CurrentGedcomPath.clear();
    form.SetButtons();
    EXPECT_TRUE(PersonCommandsEnabled(form, false));
    EXPECT_TRUE(Find<QAction>(form, "mnuOpenGedcom")->isEnabled());
    EXPECT_TRUE(Find<QToolButton>(form, "btnOpenGedcom")->isEnabled());
}

TEST_F(MainFormTest, FirstActivationWithNoRecentFileAsksForAFile) {
    TMainForm form;
    ASSERT_TRUE(ShowAndActivate(form, QString()));
    const auto request = FileDialog::LastRequest();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->objectName, QStringLiteral("OpenGedCom"));
    EXPECT_EQ(request->caption, QStringLiteral("Open GEDCOM File"));
    EXPECT_EQ(request->filter, QStringLiteral("GEDCOM Files (*.ged *.GED)"));
    EXPECT_EQ(request->directory, QDir::homePath());
    // Cancelled: an empty window.
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_TRUE(Find<QTabWidget>(form, "Tabs")->isHidden());
    EXPECT_TRUE(PersonCommandsEnabled(form, false));
    EXPECT_TRUE(GedcomState().CurrentGedcomPath.empty());
}

TEST_F(MainFormTest, FirstActivationRunsOnce) {
    TMainForm form;
    ASSERT_TRUE(ShowAndActivate(form, QString()));
    FileDialog::ClearLastRequest();
    form.FormActivate();
    form.hide();
    form.show();
    QTest::qWait(20);
    EXPECT_FALSE(FileDialog::LastRequest().has_value());
}

TEST_F(MainFormTest, StartupOpenDialogPickIsNotDroppedAsReopen) {
    // The file picked in the open dialog at start is a fresh choice, not the reopen of the last
    // file, so it must reach the open flow even though it has no lookup table yet.
    const QString path = MakeGedcomFile("family.ged");
    DeclineBuildMainForm form;
    FileDialog::SetNextFileName(path);
    form.FormActivate();
    EXPECT_FALSE(form.FirstActivation());
    EXPECT_EQ(GedcomState().CurrentGedcomPath, QFile::encodeName(path).toStdString());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_TRUE(Find<QTabWidget>(form, "Tabs")->isHidden());
    EXPECT_TRUE(PersonCommandsEnabled(form, false));
}

// Family files are looked for where the last one was, or in the home folder; never in the
// program's own folder.
TEST_F(MainFormTest, OpenCommandStartsInTheLastFilesFolderOrHomeAndCancelChangesNothing) {
    class RecentMainForm : public DeclineBuildMainForm {
    public:
        QStringList recent;

    protected:
        QStringList RecentFiles() const override { return recent; }
    };
    const QString path = MakeGedcomFile("before.ged");
    RecentMainForm form;
    ASSERT_TRUE(ShowAndActivate(form, path));
    const auto openAndCancel = [&form] {
        FileDialog::SetNextFileName(QString());
        Find<QToolButton>(form, "btnOpenGedcom")->click();
        EXPECT_TRUE(FileDialog::LastRequest().has_value());
        return FileDialog::LastRequest().value_or(FileDialog::Request()).directory;
    };
    EXPECT_EQ(openAndCancel(), QDir::homePath());
    form.recent = {tempDir_ + "Family Files/tree.ged"};
    EXPECT_EQ(openAndCancel(), QDir::homePath());  // its folder is gone
    ASSERT_TRUE(QDir().mkpath(tempDir_ + "Family Files"));
    EXPECT_EQ(openAndCancel(), tempDir_ + "Family Files");
    EXPECT_EQ(GedcomState().CurrentGedcomPath, QFile::encodeName(path).toStdString());
}

TEST_F(MainFormTest, OpeningAMissingFileChangesNothing) {
    TMainForm form;
    GedcomState().CurrentGedcomPath = "/data/shown.ged";
    form.OpenGedcomFile(tempDir_ + "missing.ged", false);
    EXPECT_EQ(GedcomState().CurrentGedcomPath, "/data/shown.ged");
}

TEST_F(MainFormTest, ReopenOnlyIfIndexedLeavesUnindexedFileAlone) {
    const QString path = MakeGedcomFile("new.ged");
    TMainForm form;
    FileDialog::SetNextFileName(QString());
    form.FormActivate();
    form.OpenGedcomFile(path, true);
    EXPECT_TRUE(GedcomState().CurrentGedcomPath.empty());
}

TEST_F(MainFormTest, WebSiteButtonOpensOnlyOnYes) {
    TMainForm form;
    QList<QUrl> opened;
    form.SetUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    QToolButton* button = Find<QToolButton>(form, "btnWebSite");

    MessageBox::SetNextAnswer(QMessageBox::No);
    button->click();
    EXPECT_TRUE(opened.isEmpty());
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QStringLiteral("Visit the Veltrane Software web page?"));
    EXPECT_EQ(shown->title, QStringLiteral("Veltrane Software"));
    EXPECT_EQ(shown->icon, QMessageBox::Question);

    MessageBox::SetNextAnswer(QMessageBox::Yes);
    button->click();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://www.veltrane.example/")));
}

TEST_F(MainFormTest, WebSiteMenuItemOpensWithoutAsking) {
    TMainForm form;
    QList<QUrl> opened;
    form.SetUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    Find<QAction>(form, "mnuVisitWebsite")->trigger();
    EXPECT_FALSE(MessageBox::LastShown().has_value());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], TMainForm::WebSiteUrl());
}

TEST_F(MainFormTest, HelpItemsOpenTopicsOneAndNineHundredNinetyNine) {
    TMainForm form;
    QList<QUrl> opened;
    form.SetUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    Find<QAction>(form, "mnuContents")->trigger();
    Find<QAction>(form, "mnuOtherProducts")->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].toLocalFile(), ProgramDirectory() + "Quilbet.html");
    EXPECT_EQ(opened[0].fragment(), QStringLiteral("topic1"));
    EXPECT_EQ(opened[1].toLocalFile(), ProgramDirectory() + "Quilbet.html");
    EXPECT_EQ(opened[1].fragment(), QStringLiteral("topic999"));
}

TEST_F(MainFormTest, HelpThatNoProgramCanShowSaysWhereThePageIs) {
    TMainForm form;
    form.SetUrlOpener([](const QUrl&) { return false; });
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    Find<QAction>(form, "mnuContents")->trigger();
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, "No program could show the help page. It is at " + ProgramDirectory() +
                               "Quilbet.html; open it with a web browser.");
}

TEST_F(MainFormTest, HelpFileBesideProgramHasBothTopics) {
    QFile help(ProgramDirectory() + "Quilbet.html");
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QByteArray page = help.readAll();
    EXPECT_TRUE(page.contains("id=\"topic1\""));
    EXPECT_TRUE(page.contains("id=\"topic999\""));
}

TEST_F(MainFormTest, AboutShowsTheAboutBoxWhoseAddressOpensThroughTheWindow) {
    TMainForm form;
    QList<QUrl> opened;
    form.SetUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    QString title;
    QString product;
    QString address;
    bool centredOverForm = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<TSplashform*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        watch.stop();
        title = box->windowTitle();
        product = box->ProductLabel->text();
        address = box->UrlLabel->text();
        centredOverForm = box->parentWidget() == &form && box->URLPanel->isVisible();
        box->UrlLabel->Click();
        box->Okbutton->click();
    });
    watch.start(10);
    Find<QAction>(form, "mnuAbout")->trigger();
    watch.stop();
    EXPECT_EQ(title, QStringLiteral("About Lineatum"));
    EXPECT_TRUE(product.startsWith(QStringLiteral("Lineatum\nVersion "))) << product.toStdString();
    EXPECT_EQ(product.count(QStringLiteral("Version")), 1) << product.toStdString();
    EXPECT_TRUE(centredOverForm);
    EXPECT_EQ(QUrl::fromUserInput(address), TMainForm::WebSiteUrl());
    EXPECT_EQ(opened, QList<QUrl>{TMainForm::WebSiteUrl()});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainFormTest, ExitClosesTheWindow) {
    TMainForm form;
    ASSERT_TRUE(ShowAndActivate(form, QString()));
    ASSERT_TRUE(form.isVisible());
    Find<QAction>(form, "mnuExit")->trigger();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, SecondStartRestoresMinimisedWindow) {
    const QString name =
        QStringLiteral("lineatum-test-%1-form").arg(QCoreApplication::applicationPid());
    auto* guard = new TJustOne(name);
    ASSERT_TRUE(guard->IsListening());
    TMainForm form(guard);
    EXPECT_EQ(form.findChild<TJustOne*>(QStringLiteral("JustOne")), guard);
    ASSERT_TRUE(ShowAndActivate(form, QString()));
    form.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(form.isMinimized());

    TJustOne second(name);
    EXPECT_TRUE(second.PreviousInstance());
    EXPECT_TRUE(QTest::qWaitFor([&form] { return !form.isMinimized(); }, 5000));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MainFormTest, MaximisedWindowStaysMaximisedWhenRaised) {
    TMainForm form;
    ASSERT_TRUE(ShowAndActivate(form, QString()));
    form.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    form.RaiseWindow();
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.isMaximized());
}

TEST_F(MainFormTest, DestroyedWindowIsNoLongerMainWindow) {
    {
        TMainForm form;
        EXPECT_EQ(MainWindow(), &form);
    }
    EXPECT_EQ(MainWindow(), nullptr);
}

}  // namespace
