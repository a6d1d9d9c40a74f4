// TMainForm: the viewer's main window. It lives for the whole process and holds the menus, the
// toolbar, the page control that shows one person, and the commands that open files and dialogs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QUrl>

#include "app/PersonHistory.h"
#include "gedcom/CreateIndexForm.h"
#include "table/HTable.h"

namespace gedcom {
class TMasterIndex;
}

class QAbstractButton;
class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QEvent;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QResizeEvent;
class QShowEvent;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TGedcomPerson;
class TJLabel;
class TJustOne;
class TLookupTable;
class TMRUFileList;
class TPickPerson;
class TSurnamesForm;
class TTableLookup;
class TTreeJoiner;

// Everything the person views show about one person, as the person model hands it over. All
// text is engine text (Windows-1252 bytes); names are as stored.
struct PersonViewData {
    // One marriage of the person: the partner's name ("Unknown" when there is none) and the
    // names of its children in order.
    struct Spouse {
        std::string name;
        std::vector<std::string> children;
    };

    std::string mainName;
    std::string fatherName;
    std::string motherName;
    std::string paternalGrandfatherName;
    std::string paternalGrandmotherName;
    std::string maternalGrandfatherName;
    std::string maternalGrandmotherName;
    std::vector<Spouse> spouses;
    std::vector<std::string> siblings;
    std::vector<std::string> narrative;
    std::vector<std::string> notes;
    std::vector<std::string> rawLines;
};

// The main window. Controls carry their design names as member names and objectNames. Closing
// the window ends the program. User-interface thread only.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The window caption while no file is open.
    static const QString kCaption;

    // Where windows created from now on keep their files: `lookupFolder` holds the lookup
    // tables (empty: LookupDirectory()) and `masterFolder` the master table "Quilbet.DBF" with
    // its index (empty: DataDirectory()). Both are created when missing. Tests point them at
    // temporary folders (and the user's folders too, through XDG_CONFIG_HOME and
    // XDG_DATA_HOME).
    static void SetFileFolders(const QString& lookupFolder, const QString& masterFolder);

    // Builds the window and its fixed state: the lookup and master folders exist afterwards, the master
    // table is open (or created; errors are swallowed, leaving every file unindexed), no file is
    // open, the pages are hidden and the person commands disabled. `justOne`, the process's
    // single-instance guard, becomes the child "JustOne" and its raise requests bring this
    // window to the front; null when there is none. Registers the window as MainWindow().
    explicit TMainForm(TJustOne* justOne = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The maker's web site.
    static QUrl WebSiteUrl();
    // Topic `topic` of the help file, an anchor in the help page.
    QUrl HelpTopicUrl(int topic) const;
    // Replaces how web pages and help topics are opened (QDesktopServices::openUrl by default).
    void SetUrlOpener(UrlOpener opener);

    // True from creation until the first activation has run.
    bool FirstActivation() const { return firstActivation_; }

    // Empties the seven name labels of the pedigree.
    void ClearAllNames();
    // Enables the person commands exactly when a lookup table is open and a GEDCOM file is
    // current; the open commands stay enabled.
    void SetButtons();
    // Opens the GEDCOM file `path` for viewing. A path that names no file changes nothing, and
    // so does a file whose header cannot be read (the error is thrown). A file that is not GEDCOM
    // at all (gedcom/GedcomFileCheck.h) is refused with a message naming it and saying why;
    // nothing is built or remembered and the file shown stays. A file the master table
    // does not know, or whose lookup table or index is missing or older than the file, gets the
    // Create Lookup Table dialog first; a lookup table that is then complete is recorded in the
    // master table. With a usable lookup table GedTable opens it (tag NAME), the person shown
    // last from this file appears (none known: the Select Person command runs), the path goes to
    // the top of the recent files and the caption names the file. Without one the lookup table
    // is closed, the pages hidden and the caption is kCaption. With `onlyIfAlreadyIndexed`, and
    // during the first activation, a file without a known lookup table is left alone and the
    // current GEDCOM path is cleared: no dialog.
    void OpenGedcomFile(const QString& path, bool onlyIfAlreadyIndexed);
    // As OpenGedcomFile(path, false), except that the Create Lookup Table dialog is always
    // shown: a known file is rebuilt into its own lookup table (keeping its last viewed
    // person), any other gets a new one.
    void ReindexGedcomFile(const QString& path);

    // The folder of the lookup tables of this window, with its trailing "/".
    const QString& LookupFolder() const { return lookupFolder_; }
    // The open lookup table of the current file (inactive when none); not exclusive.
    HTable GedTable;
    // The master table of indexed GEDCOM files and its creation component; see
    // gedcom/MasterIndex.h.
    gedcom::TMasterIndex& MasterIndex() { return *masterIndex_; }
    // Record number of the current file's row in the master table; -1 when it has none.
    int32_t CurrentMasterRow() const { return currentMasterRow_; }

    // The lookup table of the open GEDCOM file, through which the person views find records;
    // null when none is open. Not owned: it must stay alive while it is set.
    void SetLookupTable(TLookupTable* table);
    // The person shown last (kind pkMain; "Unknown" before the first load). Owned by the window
    // and reloaded by every LoadIndividual, which frees its relatives' entries.
    const TGedcomPerson& CurrentPerson() const { return *person_; }

    // Shows the person with GEDCOM pointer `pointer` (without at-signs): loads the central
    // person, stores its pointer as the file's last-used person, and fills every view through
    // ShowPersonViews. A blank pointer does nothing; a pointer not in the lookup table shows
    // "Unknown". With `mayBeCut` the pointer may be the table's 20 characters of a longer one
    // (Select Person, Find Surname, the master table's LASTUSED). A GEDCOM file that has
    // changed since its lookup table was built (a record not where the table says) clears the
    // views and asks whether to rebuild the table, Yes running Rebuild Index. Another error
    // while reading ends the load and is shown by the general error handler (RunGuarded); the
    // views keep what was already set. Never throws.
    void LoadIndividual(const std::string& pointer, bool mayBeCut = false);
    // Fills every person view from `data`: the seven name labels (blank-trimmed), the narrative,
    // the notes (the "Notes" tab is shown only when there is at least one note line) and the
    // raw record; rebuilds SpousesTree (a node per spouse with image 2, under it a node per child
    // with image 3, everything expanded) and SiblingsList; then shows the pedigree and the page
    // control and updates the commands. The active page stays as it is.
    void ShowPersonViews(const PersonViewData& data);

    // Item data of the person views, for mapping an item back to the person it shows.
    // SpousesTree: the spouse's index in PersonViewData::spouses, and the child's index in its
    // spouse's children (-1 on a spouse node).
    static constexpr int kSpouseIndexRole = Qt::UserRole;
    static constexpr int kChildIndexRole = Qt::UserRole + 1;
    // SiblingsList: the sibling's index in PersonViewData::siblings.
    static constexpr int kSiblingIndexRole = Qt::UserRole;

    // The GEDCOM pointer of a raw record line: the text between its first "@" and the next one.
    // Empty when there is no second "@". "1 FAMC @F12@" gives "F12".
    static std::string PointerBetweenAts(std::string_view line);

    // Navigation by clicking a relative in the pedigree: shows that relative when its pointer
    // is not blank (a pointer the lookup table does not know shows "Unknown").
    void FatherNameButtonClick();
    void MotherNameButtonClick();
    void PaternalGrandfatherNameButtonClick();
    void PaternalGrandmotherNameButtonClick();
    void MaternalGrandfatherNameButtonClick();
    void MaternalGrandmotherNameButtonClick();
    // A mouse press at `pos` (viewport coordinates) on the spouses-and-children tree or on the
    // siblings list, after the view has handled it. The tree shows the spouse or child whose
    // text label is under `pos`, and only while a node is selected; the list shows the sibling
    // of its selected item.
    void SpousesTreeMouseDown(Qt::MouseButton button, const QPoint& pos);
    void SiblingsListMouseDown(Qt::MouseButton button, const QPoint& pos);
    // Opens the record browser on the pointer of the selected raw line, if it has one.
    void RawGedcomDataDblClick();
    // Copies the narrative, the raw record or the notes to the clipboard as plain text, lines
    // joined by CR LF. The visible controls keep their selection.
    void DetailsCopyButtonClick();
    void GedcomCopyButtonClick();
    void NotesCopyButtonClick();
    // Opens the record browser on the person's own record (the pointer of the first raw line);
    // any failure shows "Unable to load GEDCOM Browser".
    void BrowseRecordButtonClick();

    // Runs once, at the first activation of the window: opens the file given with OpenAtStart,
    // or else reopens the most recent file; asks for one with the open dialog when no file is
    // open then. Later calls do nothing.
    void FormActivate();
    // The file named on the command line, as an absolute path: the first activation opens it
    // as the Open command does (building its lookup table when needed) instead of reopening
    // the most recent file. A file that does not exist is reported by name. Call before the
    // window is shown.
    void OpenAtStart(const QString& path);
    // A file handed over by a later start of the program: the window comes to the front at
    // once, and the file is opened as the Open command opens it as soon as no dialog, build or
    // open is running (files handed over meanwhile are opened in turn).
    void OpenHandedOver(const QString& path);
    // The persons shown in the open file, for Back and Forward.
    const TPersonHistory& History() const { return history_; }
    // Back and Forward through the persons shown (Alt+Left and Alt+Right, the toolbar, the
    // mouse's back and forward buttons); nothing when there is nowhere to go.
    void mnuBackClick();
    void mnuForwardClick();
    // Brings the window to the front (restoring it when minimised); a second start asks for it.
    void RaiseWindow();

    // Asks for a GEDCOM file, starting in the folder of the file opened last (the home folder
    // when there is none), and opens the pick; Cancel changes nothing.
    void mnuOpenGedcomClick();
    // Runs the Select Person dialog over GedTable, limited to the named individuals (the keys
    // from "I" to "J" of the NAME tag) and opened on the person shown, if any; on Ok shows the
    // chosen person (LoadIndividual). The range is cleared however the dialog ends. Does nothing
    // without an open lookup table.
    void mnuSelectPersonClick();
    // Runs the Find Surname dialog over GedTable, opened on the surname of the person shown;
    // on Ok with a person previewed, shows that person (LoadIndividual). Does nothing without
    // an open lookup table.
    void mnufindSurnameClick();
    // Closes the lookup table and builds the current file's lookup table again
    // (ReindexGedcomFile). When the file has vanished the window is left without a file view.
    void mnuRebuildIndexClick();
    // Closes the window, which ends the program.
    void mnuExitClick();
    // Opens help topic 1. When the help page is missing, or no program can show it, a message
    // says so and where the page is (or belongs).
    void mnuContentsClick();
    // Shows the About box (the program's name and version, and the maker's web address, which
    // opens through the window's URL opener), centred over this window, modally.
    void mnuAboutClick();
    // Opens the maker's web site.
    void mnuVisitWebsiteClick();
    // Opens help topic 999, the maker's other products.
    void mnuOtherProductsClick();
    // Asks "Visit the Veltrane Software web page?" and opens the web site only on Yes.
    void btnWebSiteClick();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Saves the window placement; the program ends with the window.
    void closeEvent(QCloseEvent* event) override;
    // Keeps every toolbar button on the bar (FitToolBar).
    void resizeEvent(QResizeEvent* event) override;
    // A ".ged" file dropped on the window is opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Whether the lookup table GedTable is open; tests override it to exercise the enabling
    // rule.
    virtual bool LookupTableActive() const;
    // Opens the View GEDCOM Section browser modally on the record with pointer `pointer`,
    // centred over this window, and destroys it when it closes. Throws when the record cannot
    // be read before the browser is shown.
    virtual void LoadGedComViewer(const std::string& pointer);
    // Stores `pointer` (20 characters, blank-padded) as LASTUSED of the current file's master
    // row; every failure is swallowed.
    virtual void StoreLastUsed(const std::string& pointer);
    // Shows the Create Lookup Table dialog modally, centred over this window. Tests override it
    // to drive the dialog without an event loop of its own.
    virtual void ExecCreateIndexForm(TCreateIndexForm& dialog);
    // The builder the Create Lookup Table dialog runs; empty means the real one. Tests replace
    // it.
    virtual TCreateIndexBuild CreateIndexBuild() const;
    // Shows the Select Person dialog modally, centred over this window, and returns its result.
    // Tests override it to drive the dialog without an event loop of its own.
    virtual int ExecPickPerson(TPickPerson& dialog);
    // Shows the Find Surname dialog modally, centred over this window, and returns its result.
    // Tests override it.
    virtual int ExecSurnamesForm(TSurnamesForm& dialog);

    // The recent-files list, most recent first.
    virtual QStringList RecentFiles() const;
    // Puts `path` at the top of the recent-files list and saves the list to the settings file;
    // a settings file that cannot be written is reported and the file stays open.
    virtual void AddRecentFile(const QString& path);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    // Shows the maker's button with its caption when the toolbar has room for it, and with its
    // glyph alone otherwise, so that no button goes into the toolbar's overflow menu.
    void FitToolBar();
    void BuildPages();
    void BuildTreePage(QWidget* page);
    void BuildDetailsPage(QWidget* page);
    void BuildGedcomPage(QWidget* page);
    void BuildNotesPage(QWidget* page);
    void ConnectNameButton(TJLabel* label, void (TMainForm::*command)());
    // Shows `relative` when its pointer is not blank.
    void ShowRelative(const TGedcomPerson& relative);
    // Puts `lines` through CopyPasteMemo onto the clipboard.
    void CopyLinesToClipboard(const QStringList& lines);
    void FormCreate();
    void ScheduleFirstActivation();
    void ConnectCommand(QAction* action, void (TMainForm::*command)());
    void ConnectCommand(QAbstractButton* button, void (TMainForm::*command)());
    bool OpenUrl(const QUrl& url);
    // Enables Back and Forward as the history allows.
    void SetHistoryButtons();
    // Shows `pointer` for Back or Forward, which must not enter the history again.
    void ShowFromHistory(const std::string& pointer);
    // Opens the files handed over by later starts once nothing else runs; otherwise tries again
    // a little later.
    void OpenPendingFiles();
    // Runs OpenPendingFiles after `delayMs`, unless a run is already due.
    void SchedulePendingOpens(int delayMs);
    // The seven name labels of the pedigree, the person's own first.
    QList<TJLabel*> NameButtons() const;
    // True while an open, a build or a dialog runs, when a handed-over file must wait.
    bool Busy() const;
    // Ctrl+C on a focused view without a copy of its own: puts its text on the clipboard.
    bool CopyFocusedView(QObject* view);
    // The mouse's back and forward buttons anywhere over the window.
    bool HistoryMouseButton(QObject* watched, QEvent* event);
    // Watches the views for Ctrl+C and Return, and the application for the mouse's back and
    // forward buttons.
    void InstallNavigationFilters();
    // Opens `path` as the Open command does; a file that does not exist, or a folder, is
    // reported by name.
    void OpenNamedFile(const QString& path);
    // Shows the spouse or child of a node of SpousesTree.
    void ShowSpousesTreeNode(const QTreeWidgetItem* node);
    // True for the views Ctrl+C copies from: the pedigree's names, the relatives' views, the
    // narrative, the notes and the raw record.
    bool IsCopyableView(QObject* watched) const;
    // The first ".ged" file among dropped URLs; empty when there is none.
    static QString DroppedGedcomFile(const QList<QUrl>& urls);

    // Creates the central person; it reads through lookup_, which forwards to the table set
    // with SetLookupTable.
    void CreatePersonModel();

    // Opens or creates the master table; errors are swallowed.
    void OpenMasterIndex();
    // Drops the master rows whose GEDCOM file or lookup table has vanished, with their files.
    void TidyMasterIndex();
    // The open-file flow behind OpenGedcomFile and ReindexGedcomFile; `rebuild` always shows
    // the Create Lookup Table dialog.
    void OpenOrBuild(const QString& path, bool onlyIfAlreadyIndexed, bool rebuild);
    // Creates, shows and frees the Create Lookup Table dialog for the two paths.
    void RunCreateIndexForm(const std::string& gedcomPath, const std::string& lookupPath);
    // Opens the lookup table at `lookupPath` with its index, then shows the person shown last.
    void ShowLookupTable(const QString& path, const std::string& lookupPath,
                         const std::string& indexPath, const std::string& lastUsed);
    // The window without a usable lookup table: caption kCaption, pages hidden, GedTable
    // closed.
    void CloseFileView();
    // Forgets the person shown: the central person is reset (no record number, pointer or
    // name), the views are emptied and the pages hidden, so that nothing of another file stays
    // reachable until a person of the file now current is loaded.
    void ForgetPersonShown();
    // Creates the recent-files list for the "Reopen" submenu of mnufile and loads it from the
    // settings file; a click on an entry opens that file.
    void LoadRecentFiles();
    // The window's placement from and to the settings file (app/WindowPlacement.h).
    void RestorePlacement();
    void SavePlacement();

    class TLookupRelay;
    // Declared in this order so that the person goes before the relay it reads through.
    std::unique_ptr<TLookupRelay> lookup_;
    std::unique_ptr<TGedcomPerson> person_;
    // True while the views show person_ as loaded: false during a load and after one that
    // failed, when the views still show the previous person but person_ no longer is that
    // person, so that clicking a relative there cannot show someone else's relative.
    bool personShown_ = false;

    QString lookupFolder_;
    std::unique_ptr<gedcom::TMasterIndex> masterIndex_;
    // The person model's view of GedTable.
    std::unique_ptr<TTableLookup> gedLookup_;
    int32_t currentMasterRow_ = -1;

    bool firstActivation_ = true;
    bool firstActivationScheduled_ = false;
    // The file named on the command line; empty when none.
    QString startFile_;
    // Files handed over by later starts, waiting until nothing else runs.
    QStringList pendingOpens_;
    bool pendingOpensScheduled_ = false;
    // Opens and loads running now; a handed-over file waits for them.
    int busy_ = 0;
    TPersonHistory history_;
    // True while Back or Forward shows a person.
    bool movingInHistory_ = false;
    // The application's event filter for the mouse's back and forward buttons; deleted first
    // when the window goes, so that it never calls into a window half destroyed.
    QObject* navigationHook_ = nullptr;
    QString helpFile_;
    UrlOpener openUrl_;

    QMenu* mnufile = nullptr;
    // The recent files of the "Reopen" submenu; a child of the window.
    TMRUFileList* recentFiles_ = nullptr;
    QAction* mnuOpenGedcom = nullptr;
    QAction* mnuSelectPerson = nullptr;
    QAction* mnufindSurname = nullptr;
    QAction* mnuRebuildIndex = nullptr;
    QAction* mnuFileSeparator = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* mnuContents = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuHelpSeparator = nullptr;
    QAction* mnuVisitWebsite = nullptr;
    QAction* mnuOtherProducts = nullptr;
    QMenu* mnugo = nullptr;
    QAction* mnuBack = nullptr;
    QAction* mnuForward = nullptr;

    QToolButton* btnOpenGedcom = nullptr;
    QToolButton* btnSelectPerson = nullptr;
    QToolButton* btnFindSurname = nullptr;
    QToolButton* btnWebSite = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* btnBack = nullptr;
    QToolButton* btnForward = nullptr;

    QTabWidget* Tabs = nullptr;
    QFrame* TreePanel = nullptr;
    TJLabel* MainNameButton = nullptr;
    TJLabel* FatherNameButton = nullptr;
    TJLabel* MotherNameButton = nullptr;
    TJLabel* PaternalGrandfatherNameButton = nullptr;
    TJLabel* PaternalGrandmotherNameButton = nullptr;
    TJLabel* MaternalGrandfatherNameButton = nullptr;
    TJLabel* MaternalGrandmotherNameButton = nullptr;
    TTreeJoiner* FatherJoiner = nullptr;
    TTreeJoiner* PaternalGrandfatherJoiner = nullptr;
    TTreeJoiner* MaternalGrandfatherJoiner = nullptr;
    TTreeJoiner* MotherJoiner = nullptr;
    TTreeJoiner* PaternalGrandmotherJoiner = nullptr;
    TTreeJoiner* MaternalGrandmotherJoiner = nullptr;
    QTreeWidget* SpousesTree = nullptr;
    QListWidget* SiblingsList = nullptr;
    // The node images of SpousesTree (see TreeNodeImages): 2 is a spouse, 3 a child.
    QList<QPixmap> TreeNodeImageList;

    QPushButton* DetailsCopyButton = nullptr;
    QPlainTextEdit* DetailsMemo = nullptr;
    QPushButton* GedcomCopyButton = nullptr;
    QPushButton* BrowseRecordButton = nullptr;
    QListWidget* RawGedcomData = nullptr;
    QPushButton* NotesCopyButton = nullptr;
    QPlainTextEdit* IndividualNotes = nullptr;
    QPlainTextEdit* CopyPasteMemo = nullptr;
};
