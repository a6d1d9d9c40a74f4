// TMainForm: the viewer's main window. It lives for the whole process and holds the menus, the
// toolbar, the page control that shows one person, and the commands that open files and dialogs.
#pragma once

#include <functional>

#include <QMainWindow>
#include <QString>
#include <QUrl>

class QAction;
class QCloseEvent;
class QEvent;
class QFrame;
class QLabel;
class QMenu;
class QShowEvent;
class QTabWidget;
class QToolButton;
class TJustOne;

// The main window. Controls carry their design names as member names and objectNames. Closing
// the window ends the program. User-interface thread only.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The window caption while no file is open.
    static const QString kCaption;

    // Builds the window and its fixed state: the lookup directory exists afterwards, no file is
    // open, the pages are hidden and the person commands disabled. `justOne`, the process's
    // single-instance guard, becomes the child "JustOne1" and its raise requests bring this
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
    // Opens the GEDCOM file `path`; a path that names no file changes nothing. With
    // `onlyIfAlreadyIndexed` a file without a usable lookup table is left alone.
    void OpenGedcomFile(const QString& path, bool onlyIfAlreadyIndexed);

    // Runs once, at the first activation of the window: reopens the most recent file, or asks
    // for one with the open dialog. Later calls do nothing.
    void FormActivate();
    // Brings the window to the front (restoring it when minimised); a second start asks for it.
    void RaiseWindow();

    // Asks for a GEDCOM file, starting in the program directory, and opens the pick; Cancel
    // changes nothing.
    void mnuOpenGedcomClick();
    // Pick a person from all named individuals of the open file.
    void mnuSelectPersonClick();
    // Browse the open file's surnames by initial letter.
    void mnufindSurnameClick();
    // Builds the current file's lookup table again.
    void mnuRebuildIndexClick();
    // Closes the window, which ends the program.
    void Exit1Click();
    // Opens help topic 1.
    void Contents1Click();
    // Shows the program's name, version and maker.
    void About1Click();
    // Opens the maker's web site.
    void VisitOurInternetWebsite1Click();
    // Opens help topic 999, the maker's other products.
    void OtherVeltraneProducts1Click();
    // Asks "Visit the Veltrane Software web page?" and opens the web site only on Yes.
    void SpeedButton3Click();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Saves the window placement; the program ends with the window.
    void closeEvent(QCloseEvent* event) override;

    // Stand-in for the open state of the lookup table (always false until the table component
    // is wired in); tests override it to exercise the enabling rule.
    virtual bool LookupTableActive() const;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildPages();
    void FormCreate();
    void ScheduleFirstActivation();
    void ConnectCommand(QAction* action, void (TMainForm::*command)());
    void ConnectCommand(QToolButton* button, void (TMainForm::*command)());
    void OpenUrl(const QUrl& url);

    // Stand-ins, each replaced when its part of the program arrives:
    // the master index opens or creates Quilbet.DBF/.CDX in the current directory.
    void OpenMasterIndex();
    // the master index drops rows whose GEDCOM file or lookup table has vanished.
    void TidyMasterIndex();
    // the central TGedcomPerson and the three work lists of the person views.
    void CreatePersonModel();
    // the recent-files list, configured for the "Reopen" submenu of mnufile and loaded from the
    // settings file; until then it is empty.
    void LoadRecentFiles();
    QStringList RecentFiles() const;
    // window placement from and to the settings file; until then the window is centred.
    void RestorePlacement();
    void SavePlacement();

    bool firstActivation_ = true;
    bool firstActivationScheduled_ = false;
    QString helpFile_;
    UrlOpener openUrl_;

    QMenu* mnufile = nullptr;
    QAction* mnuOpenGedcom = nullptr;
    QAction* mnuSelectPerson = nullptr;
    QAction* mnufindSurname = nullptr;
    QAction* mnuRebuildIndex = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* About1 = nullptr;
    QAction* N2 = nullptr;
    QAction* VisitOurInternetWebsite1 = nullptr;
    QAction* OtherVeltraneProducts1 = nullptr;

    QToolButton* btnOpenGedcom = nullptr;
    QToolButton* btnSelectPerson = nullptr;
    QToolButton* btnFindSurname = nullptr;
    QToolButton* SpeedButton3 = nullptr;

    QTabWidget* Tabs = nullptr;
    QFrame* TreePanel = nullptr;
    QLabel* MainNameButton = nullptr;
    QLabel* FatherNameButton = nullptr;
    QLabel* MotherNameButton = nullptr;
    QLabel* PaternalGrandfatherNameButton = nullptr;
    QLabel* PaternalGrandmotherNameButton = nullptr;
    QLabel* MaternalGrandfatherNameButton = nullptr;
    QLabel* MaternalGrandmotherNameButton = nullptr;
};
