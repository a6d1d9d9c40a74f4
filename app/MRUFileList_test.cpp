#include "app/MRUFileList.h"

#include <memory>
#include <stdexcept>
#include <stdlib.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include "app/ProfileFile.h"
#include "widgets/MessageBox.h"

#include <gtest/gtest.h>

namespace {

// The captions of a menu's items, a separator as "-".
QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return captions;
}

// The last item of `menu` when it is an entry-holding submenu item, else null.
QMenu* SubmenuAtEnd(const QMenu* menu) {
    if (menu->actions().isEmpty()) return nullptr;
    return menu->actions().last()->menu();
}

TMRUMenuItem* EntryItem(const QMenu* holder, int number) {
    for (QAction* action : holder->actions()) {
        auto* item = qobject_cast<TMRUMenuItem*>(action);
        if (item != nullptr && item->EntryNumber() == number) return item;
    }
    return nullptr;
}

void DeleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class MRUFileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path() + QLatin1Char('/');
        iniPath_ = root_ + QStringLiteral("Quilbet.ini");
        fileMenu_ = std::make_unique<QMenu>(QStringLiteral("&File"));
        fileMenu_->addAction(QStringLiteral("Open GEDCOM File"));
        fileMenu_->addAction(QStringLiteral("Exit"));
    }
    void TearDown() override {
        list_.reset();
        fileMenu_.reset();
        DeleteDeferred();
    }

    // A list on fileMenu_ that saves to iniPath_ in section "MRU", without auto-saving.
    TMRUFileList& List() {
        if (!list_) {
            list_ = std::make_unique<TMRUFileList>();
            list_->SetAutoSave(false);
            list_->SetAutoSaveName(iniPath_);
            list_->SetAutoSaveKey(QStringLiteral("MRU"));
            list_->SetFileMenu(fileMenu_.get());
        }
        return *list_;
    }

    void WriteIni(const QByteArray& text) {
        QFile file(iniPath_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(text), text.size());
    }

    QByteArray ReadIni() const {
        QFile file(iniPath_);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.readAll();
    }

    QTemporaryDir dir_;
    QString root_;
    QString iniPath_;
    std::unique_ptr<QMenu> fileMenu_;
    std::unique_ptr<TMRUFileList> list_;
};

// --- Adding -----------------------------------------------------------------------------------

TEST_F(MRUFileListTest, AddPutsNewPathFirst) {
    List().Add("/g/a.ged");
    List().Add("/g/b.ged");
    EXPECT_EQ(List().Entries(), QStringList({"/g/b.ged", "/g/a.ged"}));
}

TEST_F(MRUFileListTest, AddExistingPathMovesItToTopWithoutDuplicate) {
    List().Add("/g/a.ged");
    List().Add("/g/b.ged");
    List().Add("/g/c.ged");
    List().Add("/g/a.ged");
    EXPECT_EQ(List().Entries(), QStringList({"/g/a.ged", "/g/c.ged", "/g/b.ged"}));
}

// The issue: paths were matched without regard to case, but on Linux "Tree.ged" and
// "tree.ged" are two different files.
TEST_F(MRUFileListTest, IssuePathsDifferingOnlyInCaseAreTwoEntries) {
    List().Add("/g/Tree.ged");
    List().Add("/g/tree.ged");
    EXPECT_EQ(List().Entries(), QStringList({"/g/tree.ged", "/g/Tree.ged"}));
    List().Add("/g/Tree.ged");
    EXPECT_EQ(List().Entries(), QStringList({"/g/Tree.ged", "/g/tree.ged"}));
}

TEST_F(MRUFileListTest, EleventhPathDropsOldestWithMaximumTen) {
    List().SetMaximum(10);
    for (int i = 1; i <= 11; ++i) List().Add(QStringLiteral("/g/%1.ged").arg(i));
    ASSERT_EQ(List().Count(), 10);
    EXPECT_EQ(List().Entry(0), "/g/11.ged");
    EXPECT_EQ(List().Entry(9), "/g/2.ged");
    EXPECT_FALSE(List().Entries().contains("/g/1.ged"));
}

TEST_F(MRUFileListTest, ReaddingPathInFullListDropsNothing) {
    List().SetMaximum(3);
    for (const char* path : {"/g/a.ged", "/g/b.ged", "/g/c.ged"}) List().Add(path);
    List().Add("/g/a.ged");
    EXPECT_EQ(List().Entries(), QStringList({"/g/a.ged", "/g/c.ged", "/g/b.ged"}));
}

TEST_F(MRUFileListTest, LoweringMaximumTrimsListAndMenu) {
    for (const char* path : {"/g/a.ged", "/g/b.ged", "/g/c.ged", "/g/d.ged"}) List().Add(path);
    List().SetMaximum(2);
    EXPECT_EQ(List().Entries(), QStringList({"/g/d.ged", "/g/c.ged"}));
    EXPECT_EQ(Captions(fileMenu_.get()),
              QStringList({"Open GEDCOM File", "Exit", "-", "&1 /g/d.ged", "&2 /g/c.ged"}));
    List().SetMaximum(0);
    EXPECT_EQ(List().Count(), 0);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
}

TEST_F(MRUFileListTest, MaximumIsClampedToAByte) {
    List().SetMaximum(1000);
    EXPECT_EQ(List().Maximum(), 255);
    List().SetMaximum(-1);
    EXPECT_EQ(List().Maximum(), 0);
}

TEST_F(MRUFileListTest, DefaultsAreThoseOfTheComponent) {
    TMRUFileList list;
    EXPECT_EQ(list.Maximum(), 5);
    EXPECT_TRUE(list.RemoveOnClick());
    EXPECT_FALSE(list.UseSubmenu());
    EXPECT_EQ(list.SubmenuName(), "Reopen");
    EXPECT_EQ(list.FileMenu(), nullptr);
    EXPECT_TRUE(list.AutoSave());
    EXPECT_EQ(list.AutoSaveKey(), "MRU Items");
    // No settings file is named, so neither loading nor saving touches any file.
    EXPECT_TRUE(list.AutoSaveName().isEmpty());
    EXPECT_FALSE(list.Loaded());
}

// --- Menu -------------------------------------------------------------------------------------

TEST_F(MRUFileListTest, EmptyListShowsNeitherSeparatorNorSubmenu) {
    List().SetUseSubmenu(true);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
    List().SetMaximum(10);
    List().SetSubmenuName("Recent");
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
}

TEST_F(MRUFileListTest, SubmenuHoldsNumberedEntries) {
    List().SetUseSubmenu(true);
    List().Add("/path/b.ged");
    List().Add("/path/a.ged");
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit", "-", "Reopen"}));
    QMenu* submenu = SubmenuAtEnd(fileMenu_.get());
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(Captions(submenu), QStringList({"&1 /path/a.ged", "&2 /path/b.ged"}));
}

TEST_F(MRUFileListTest, MenuTextsNumberEntriesAsAccelerators) {
    List().Add("/path/b.ged");
    List().Add("/path/a.ged");
    const QList<QAction*> actions = fileMenu_->actions();
    ASSERT_EQ(actions.size(), 5);
    auto* separator = qobject_cast<TMRUMenuItem*>(actions[2]);
    ASSERT_NE(separator, nullptr);
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(separator->EntryNumber(), 0);
    auto* first = qobject_cast<TMRUMenuItem*>(actions[3]);
    auto* second = qobject_cast<TMRUMenuItem*>(actions[4]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->text(), "&1 /path/a.ged");
    EXPECT_EQ(first->EntryNumber(), 1);
    EXPECT_EQ(QKeySequence::mnemonic(first->text()), QKeySequence(Qt::ALT | Qt::Key_1));
    EXPECT_EQ(second->text(), "&2 /path/b.ged");
    EXPECT_EQ(second->EntryNumber(), 2);
    EXPECT_EQ(QKeySequence::mnemonic(second->text()), QKeySequence(Qt::ALT | Qt::Key_2));
}

TEST_F(MRUFileListTest, AmpersandInPathIsShownNotTakenAsAccelerator) {
    List().Add("/home/R&D/Smith & Jones.ged");
    TMRUMenuItem* item = EntryItem(fileMenu_.get(), 1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "&1 /home/R&&D/Smith && Jones.ged");
    EXPECT_EQ(QKeySequence::mnemonic(item->text()), QKeySequence(Qt::ALT | Qt::Key_1));
    // Shown without its markers, the caption reads the path as it is.
    EXPECT_EQ(item->iconText(), "1 /home/R&D/Smith & Jones.ged");
}

TEST_F(MRUFileListTest, UseSubmenuOffPutsEntriesStraightAfterSeparator) {
    List().SetUseSubmenu(true);
    List().Add("/g/a.ged");
    List().SetUseSubmenu(false);
    EXPECT_EQ(Captions(fileMenu_.get()),
              QStringList({"Open GEDCOM File", "Exit", "-", "&1 /g/a.ged"}));
    List().SetUseSubmenu(true);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit", "-", "Reopen"}));
}

TEST_F(MRUFileListTest, SubmenuNameRebuildsOnlyWithUseSubmenuOn) {
    List().Add("/g/a.ged");
    const QList<QAction*> before = fileMenu_->actions();
    List().SetSubmenuName("Recent");
    EXPECT_EQ(fileMenu_->actions(), before);  // the very same items: nothing was rebuilt

    List().SetUseSubmenu(true);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit", "-", "Recent"}));
    List().SetSubmenuName("Reopen");
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit", "-", "Reopen"}));
}

TEST_F(MRUFileListTest, WithoutFileMenuTheListIsShownNowhere) {
    List().SetFileMenu(nullptr);
    List().Add("/g/a.ged");
    EXPECT_EQ(List().Count(), 1);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
}

TEST_F(MRUFileListTest, ChangingFileMenuMovesTheItems) {
    List().Add("/g/a.ged");
    QMenu other;
    List().SetFileMenu(&other);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
    EXPECT_EQ(Captions(&other), QStringList({"-", "&1 /g/a.ged"}));
    List().SetFileMenu(fileMenu_.get());
    EXPECT_TRUE(other.actions().isEmpty());
}

TEST_F(MRUFileListTest, DestroyedListTakesItsItemsAlong) {
    List().SetUseSubmenu(true);
    List().Add("/g/a.ged");
    QPointer<QMenu> submenu = SubmenuAtEnd(fileMenu_.get());
    ASSERT_FALSE(submenu.isNull());
    list_.reset();
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
    EXPECT_TRUE(submenu.isNull());
}

TEST_F(MRUFileListTest, DestroyedMenuIsLetGoOf) {
    List().Add("/g/a.ged");
    fileMenu_.reset();
    EXPECT_EQ(List().FileMenu(), nullptr);
    List().Add("/g/b.ged");
    EXPECT_EQ(List().Count(), 2);
}

// --- Clicking ---------------------------------------------------------------------------------

TEST_F(MRUFileListTest, ClickRemovesEntryAndReportsItsPath) {
    List().SetUseSubmenu(true);
    for (const char* path : {"/g/c.ged", "/g/b.ged", "/g/a.ged"}) List().Add(path);
    TMRUMenuItem* clicked = EntryItem(SubmenuAtEnd(fileMenu_.get()), 2);
    ASSERT_NE(clicked, nullptr);
    QStringList heard;
    TMRUMenuItem* sender = nullptr;
    List().OnMRUItemClick = [&](TMRUMenuItem* item, const QString& fileName) {
        sender = item;
        heard.append(fileName);
        // Already gone from the list when the handler runs.
        EXPECT_EQ(List().Entries(), QStringList({"/g/a.ged", "/g/c.ged"}));
    };
    clicked->trigger();
    EXPECT_EQ(heard, QStringList({"/g/b.ged"}));
    EXPECT_EQ(sender, clicked);
    EXPECT_EQ(List().Entries(), QStringList({"/g/a.ged", "/g/c.ged"}));
    EXPECT_EQ(Captions(SubmenuAtEnd(fileMenu_.get())), QStringList({"&1 /g/a.ged", "&2 /g/c.ged"}));
}

TEST_F(MRUFileListTest, ClickKeepsEntryWithRemoveOnClickOff) {
    List().SetRemoveOnClick(false);
    List().Add("/g/b.ged");
    List().Add("/g/a.ged");
    QStringList heard;
    List().OnMRUItemClick = [&](TMRUMenuItem*, const QString& fileName) { heard.append(fileName); };
    EntryItem(fileMenu_.get(), 2)->trigger();
    EXPECT_EQ(heard, QStringList({"/g/b.ged"}));
    EXPECT_EQ(List().Entries(), QStringList({"/g/a.ged", "/g/b.ged"}));
    EXPECT_EQ(Captions(fileMenu_.get()),
              QStringList({"Open GEDCOM File", "Exit", "-", "&1 /g/a.ged", "&2 /g/b.ged"}));
}

TEST_F(MRUFileListTest, ClickWithoutHandlerOnlyRemoves) {
    List().Add("/g/a.ged");
    EntryItem(fileMenu_.get(), 1)->trigger();
    EXPECT_EQ(List().Count(), 0);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
}

// The main window's round: the click removes the entry, the handler opens the file and adds
// it again, rebuilding the menu while the clicked item is still in use.
TEST_F(MRUFileListTest, HandlerMayAddTheClickedPathBack) {
    List().SetUseSubmenu(true);
    for (const char* path : {"/g/c.ged", "/g/b.ged", "/g/a.ged"}) List().Add(path);
    QPointer<TMRUMenuItem> clicked = EntryItem(SubmenuAtEnd(fileMenu_.get()), 3);
    List().OnMRUItemClick = [&](TMRUMenuItem* item, const QString& fileName) {
        List().Add(fileName);
        EXPECT_EQ(item->EntryNumber(), 3);
    };
    clicked->trigger();
    EXPECT_EQ(List().Entries(), QStringList({"/g/c.ged", "/g/a.ged", "/g/b.ged"}));
    EXPECT_EQ(Captions(SubmenuAtEnd(fileMenu_.get())),
              QStringList({"&1 /g/c.ged", "&2 /g/a.ged", "&3 /g/b.ged"}));
    DeleteDeferred();
    EXPECT_TRUE(clicked.isNull());
}

TEST_F(MRUFileListTest, HandlerErrorIsShownAndGoesNoFurther) {
    List().Add("/g/a.ged");
    List().OnMRUItemClick = [](TMRUMenuItem*, const QString&) {
        throw std::runtime_error("Unable to write to /x/Quilbet.ini");
    };
    MessageBox::ClearLastShown();
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_NO_THROW(EntryItem(fileMenu_.get(), 1)->trigger());
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->icon, QMessageBox::Critical);
    EXPECT_EQ(shown->text, "Unable to write to /x/Quilbet.ini");
    EXPECT_EQ(List().Count(), 0);
}

// --- Loading and saving -----------------------------------------------------------------------

TEST_F(MRUFileListTest, MissingKeysGiveEntriesInFileOrder) {
    WriteIni("[MRU]\nF0=/g/a.ged\nF2=/g/c.ged\n");
    EXPECT_TRUE(List().Load());
    EXPECT_EQ(List().Entries(), QStringList({"/g/a.ged", "/g/c.ged"}));
    EXPECT_EQ(Captions(fileMenu_.get()),
              QStringList({"Open GEDCOM File", "Exit", "-", "&1 /g/a.ged", "&2 /g/c.ged"}));
}

TEST_F(MRUFileListTest, ShuffledKeysLoadInFileOrder) {
    WriteIni("[Other]\nF0=/x.ged\n[MRU]\nF2=/g/c.ged\nF0=/g/a.ged\nF1=/g/b.ged\n[Next]\nA=1\n");
    EXPECT_TRUE(List().Load());
    EXPECT_EQ(List().Entries(), QStringList({"/g/c.ged", "/g/a.ged", "/g/b.ged"}));
}

TEST_F(MRUFileListTest, MissingFileOrSectionLoadsEmptyList) {
    List().Add("/g/a.ged");
    EXPECT_TRUE(List().Load());
    EXPECT_EQ(List().Count(), 0);
    EXPECT_EQ(Captions(fileMenu_.get()), QStringList({"Open GEDCOM File", "Exit"}));
    WriteIni("[Other]\nF0=/x.ged\n");
    List().Add("/g/a.ged");
    EXPECT_TRUE(List().Load());
    EXPECT_EQ(List().Count(), 0);
}

TEST_F(MRUFileListTest, LoadAndSaveNeedFileAndSection) {
    WriteIni("[MRU]\nF0=/g/a.ged\n");
    List().Add("/g/b.ged");
    List().SetAutoSaveKey(QString());
    EXPECT_FALSE(List().Load());
    EXPECT_FALSE(List().Save());
    List().SetAutoSaveKey("MRU");
    List().SetAutoSaveName(QString());
    EXPECT_FALSE(List().Load());
    EXPECT_FALSE(List().Save());
    EXPECT_EQ(List().Entries(), QStringList({"/g/b.ged"}));
    EXPECT_EQ(ReadIni(), "[MRU]\nF0=/g/a.ged\n");
}

TEST_F(MRUFileListTest, SaveWritesKeysInListOrder) {
    for (const char* path : {"/g/c.ged", "/g/b.ged", "/g/a.ged"}) List().Add(path);
    EXPECT_TRUE(List().Save());
    const QList<QPair<QString, QString>> expected = {
        {"F0", "/g/a.ged"}, {"F1", "/g/b.ged"}, {"F2", "/g/c.ged"}};
    EXPECT_EQ(TProfileFile(iniPath_).ReadSection("MRU"), expected);
    EXPECT_TRUE(ReadIni().contains("F0=/g/a.ged\nF1=/g/b.ged\nF2=/g/c.ged\n"));

    TMRUFileList reader;
    reader.SetAutoSave(false);
    reader.SetAutoSaveName(iniPath_);
    reader.SetAutoSaveKey("MRU");
    EXPECT_TRUE(reader.Load());
    EXPECT_EQ(reader.Entries(), List().Entries());
}

TEST_F(MRUFileListTest, SaveReplacesWholeSectionAndKeepsOthers) {
    WriteIni("[Before]\nA=1\n[MRU]\nF0=/old/1.ged\nF1=/old/2.ged\nF2=/old/3.ged\n[After]\nB=2\n");
    List().Add("/g/a.ged");
    EXPECT_TRUE(List().Save());
    const QList<QPair<QString, QString>> expected = {{"F0", "/g/a.ged"}};
    EXPECT_EQ(TProfileFile(iniPath_).ReadSection("MRU"), expected);
    EXPECT_EQ(TProfileFile(iniPath_).ReadString("Before", "A", ""), "1");
    EXPECT_EQ(TProfileFile(iniPath_).ReadString("After", "B", ""), "2");
    EXPECT_FALSE(ReadIni().contains("/old/"));
}

TEST_F(MRUFileListTest, SavingEmptyListRemovesSection) {
    WriteIni("[MRU]\nF0=/old/1.ged\n[After]\nB=2\n");
    EXPECT_TRUE(List().Save());
    EXPECT_TRUE(TProfileFile(iniPath_).ReadSection("MRU").isEmpty());
    EXPECT_FALSE(ReadIni().contains("/old/"));
    EXPECT_EQ(TProfileFile(iniPath_).ReadString("After", "B", ""), "2");
}

TEST_F(MRUFileListTest, Utf8PathsSurviveSaveAndLoad) {
    const QStringList paths = {QStringLiteral("/home/zoë/Stammbaum Müller.ged"),
                               QStringLiteral("/data/家谱/ĳsselmeer & co.ged")};
    List().Add(paths[1]);
    List().Add(paths[0]);
    EXPECT_TRUE(List().Save());
    EXPECT_TRUE(ReadIni().contains(QStringLiteral("F0=/home/zoë/Stammbaum Müller.ged").toUtf8()));

    List().Add("/g/other.ged");
    EXPECT_TRUE(List().Load());
    EXPECT_EQ(List().Entries(), paths);
}

TEST_F(MRUFileListTest, UnwritableSettingsFileThrows) {
    WriteIni("");
    List().SetAutoSaveName(iniPath_ + QStringLiteral("/Quilbet.ini"));  // below a plain file
    List().Add("/g/a.ged");
    try {
        List().Save();
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), "Unable to write to " + List().AutoSaveName());
    }
}

// --- Life cycle -------------------------------------------------------------------------------

TEST_F(MRUFileListTest, AutoSaveLoadsAtConfigurationEndAndSavesAtDestruction) {
    WriteIni("[Recent]\nF0=/g/a.ged\nF1=/g/b.ged\n");
    auto list = std::make_unique<TMRUFileList>();
    list->SetAutoSaveName(iniPath_);
    list->SetAutoSaveKey("Recent");
    list->SetFileMenu(fileMenu_.get());
    EXPECT_EQ(list->Count(), 0);
    EXPECT_TRUE(list->Loaded());
    EXPECT_EQ(list->Entries(), QStringList({"/g/a.ged", "/g/b.ged"}));
    EXPECT_EQ(Captions(fileMenu_.get()),
              QStringList({"Open GEDCOM File", "Exit", "-", "&1 /g/a.ged", "&2 /g/b.ged"}));

    list->Add("/g/c.ged");
    EXPECT_EQ(TProfileFile(iniPath_).ReadSection("Recent").size(), 2);  // not yet
    list.reset();
    const QList<QPair<QString, QString>> expected = {
        {"F0", "/g/c.ged"}, {"F1", "/g/a.ged"}, {"F2", "/g/b.ged"}};
    EXPECT_EQ(TProfileFile(iniPath_).ReadSection("Recent"), expected);
}

TEST_F(MRUFileListTest, AutoSaveOffNeitherLoadsNorSavesByItself) {
    WriteIni("[MRU]\nF0=/g/a.ged\n");
    List().SetAutoSave(false);
    EXPECT_TRUE(List().Loaded());
    EXPECT_EQ(List().Count(), 0);
    List().Add("/g/b.ged");
    list_.reset();
    EXPECT_EQ(ReadIni(), "[MRU]\nF0=/g/a.ged\n");
}

TEST_F(MRUFileListTest, FailedSaveAtDestructionDoesNotEscape) {
    WriteIni("");
    auto list = std::make_unique<TMRUFileList>();
    list->SetAutoSaveName(iniPath_ + QStringLiteral("/Quilbet.ini"));
    list->Add("/g/a.ged");
    EXPECT_NO_THROW(list.reset());
}

// The main window's File menu and its configuration, in the order the window sets it.
TEST_F(MRUFileListTest, MainWindowFileMenuReadsItemsSeparatorAndReopen) {
    WriteIni("[MRU]\nF0=/home/ann/Smith.ged\nF1=/home/ann/Jones.ged\n");
    QMenuBar bar;
    QMenu* mnufile = bar.addMenu(QStringLiteral("&File"));
    for (const char* caption :
         {"Open GEDCOM File", "Select Person", "Find Surname", "Rebuild Index for this file"}) {
        mnufile->addAction(QString::fromLatin1(caption));
    }
    mnufile->addSeparator();
    mnufile->addAction(QStringLiteral("Exit"));

    QStringList opened;
    TMRUFileList list;
    list.SetUseSubmenu(true);
    list.SetFileMenu(mnufile);
    list.SetSubmenuName("Reopen");
    list.SetRemoveOnClick(true);
    list.SetMaximum(10);
    list.OnMRUItemClick = [&](TMRUMenuItem*, const QString& fileName) { opened.append(fileName); };
    list.SetAutoSaveName(iniPath_);
    list.SetAutoSaveKey("MRU");
    list.SetAutoSave(false);
    EXPECT_EQ(Captions(mnufile), QStringList({"Open GEDCOM File", "Select Person", "Find Surname",
                                              "Rebuild Index for this file", "-", "Exit"}));
    EXPECT_TRUE(list.Load());

    EXPECT_EQ(Captions(mnufile),
              QStringList({"Open GEDCOM File", "Select Person", "Find Surname",
                           "Rebuild Index for this file", "-", "Exit", "-", "Reopen"}));
    QMenu* reopen = SubmenuAtEnd(mnufile);
    ASSERT_NE(reopen, nullptr);
    EXPECT_EQ(Captions(reopen), QStringList({"&1 /home/ann/Smith.ged", "&2 /home/ann/Jones.ged"}));
    auto* reopenItem = qobject_cast<TMRUMenuItem*>(mnufile->actions().last());
    ASSERT_NE(reopenItem, nullptr);
    EXPECT_EQ(reopenItem->EntryNumber(), 0);

    EntryItem(reopen, 2)->trigger();
    EXPECT_EQ(opened, QStringList({"/home/ann/Jones.ged"}));
    EXPECT_EQ(Captions(SubmenuAtEnd(mnufile)), QStringList({"&1 /home/ann/Smith.ged"}));
    DeleteDeferred();
}

}  // namespace
