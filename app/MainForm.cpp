// TMainForm, the coordinator: construction, the commands of the menus and the toolbar, the
// dialogs it opens, the events of the window and the glue to the settings file and the master
// table. The controls are built in MainFormLayout.cpp, files are opened in MainFormOpen.cpp and
// the person views are filled in MainFormViews.cpp.
#include "app/MainForm.h"

#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/Artwork.h"
#include "app/FileDialog.h"
#include "app/JustOne.h"
#include "app/MRUFileList.h"
#include "app/MainFormShared.h"
#include "app/ProfileFile.h"
#include "app/WindowPlacement.h"
#include "app/WindowRoutines.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LookupFiles.h"
#include "gedcom/MasterIndex.h"
#include "person/GedcomPerson.h"
#include "person/LookupTable.h"
#include "person/NameSearch.h"
#include "person/PickPerson.h"
#include "person/ShowGedRec.h"
#include "person/SplashForm.h"
#include "person/SurnameIndex.h"
#include "person/SurnamesForm.h"
#include "person/TableLookup.h"
#include "widgets/ErrorGuard.h"
#include "widgets/MessageBox.h"
#include "widgets/ScreenCursors.h"
#include "widgets/TJLabel.h"
#include "widgets/WaitCursor.h"

using mainform::kMakerName;
using mainform::kNotesPage;
using mainform::kOpenGedcomCaption;
using mainform::PathBytes;

const QString TMainForm::kCaption = QStringLiteral("Lineatum");

namespace {

// The folders windows are created with; see TMainForm::SetFileFolders.
QString& LookupFolderSetting() {
    static QString folder;
    return folder;
}

QString& MasterFolderSetting() {
    static QString folder;
    return folder;
}

const QString kGedcomFilter = QStringLiteral("GEDCOM Files (*.ged *.GED)");
constexpr int kDesignWidth = 600;
constexpr int kDesignHeight = 450;
constexpr int kRecentFilesMaximum = 10;
constexpr int kTreePage = 0;

}  // namespace

// The lookup table the person views read through: forwards to the table set with
// SetLookupTable. The central person keeps a reference to this relay for its whole life, while
// the table behind it changes with the open file.
class TMainForm::TLookupRelay : public TLookupTable {
public:
    void Set(TLookupTable* table) { table_ = table; }

    int32_t RecNo() const override { return Table().RecNo(); }
    void GoTo(int32_t recNo) override { Table().GoTo(recNo); }
    bool SelectTag(std::string_view tag) override { return Table().SelectTag(tag); }
    bool FindKey(std::string_view key) override { return Table().FindKey(key); }
    std::string FieldText(std::string_view field) const override {
        return Table().FieldText(field);
    }
    int64_t FieldInteger(std::string_view field) const override {
        return Table().FieldInteger(field);
    }
    bool Next() override { return Table().Next(); }

private:
    TLookupTable& Table() const {
        if (table_ == nullptr) throw std::runtime_error("No lookup table is open.");
        return *table_;
    }

    TLookupTable* table_ = nullptr;
};

TMainForm::TMainForm(TJustOne* justOne, QWidget* parent)
    : QMainWindow(parent),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("MainForm"));
    SetMainWindow(this);
    if (justOne != nullptr) {
        justOne->setParent(this);
        justOne->setObjectName(QStringLiteral("JustOne"));
        connect(justOne, &TJustOne::RaiseRequested, this, &TMainForm::RaiseWindow);
        connect(justOne, &TJustOne::OpenRequested, this, &TMainForm::OpenHandedOver);
    }
    setAcceptDrops(true);
    setWindowTitle(kCaption);
    resize(kDesignWidth, kDesignHeight);
    BuildMenus();
    BuildToolBar();
    BuildPages();
    FormCreate();
    InstallNavigationFilters();
}

TMainForm::~TMainForm() {
    delete navigationHook_;
    // The person model goes with the window; the recent-files list is saved after each
    // successful open, not here.
    person_.reset();
    if (MainWindow() == this) SetMainWindow(nullptr);
}

void TMainForm::FormCreate() {
    firstActivation_ = true;
    lookupFolder_ = WithTrailingSlash(LookupFolderSetting().isEmpty() ? LookupDirectory()
                                                                      : LookupFolderSetting());
    if (!ForceDirectories(lookupFolder_)) {
        MessageBox::Warning(this, kCaption,
                            QStringLiteral("Unable to create the folder %1. Lookup tables "
                                           "cannot be built.")
                                .arg(lookupFolder_));
    }
    // What builds killed before they ended left behind.
    gedcom::RemoveAbandonedBuildFiles(PathBytes(lookupFolder_));
    OpenMasterIndex();
    setWindowIcon(AppIcon());
    CreatePersonModel();
    // Lookup tables hold Windows-1252 text whatever the file's character set: their names are
    // shown as stored, never read as the IBM PC code page.
    GedTable.SetTransliterate(false);
    gedLookup_ = std::make_unique<TTableLookup>(GedTable);
    SetLookupTable(gedLookup_.get());
    Tabs->setCurrentIndex(kTreePage);
    Tabs->setTabVisible(kNotesPage, false);
    ClearAllNames();
    TreePanel->hide();
    Tabs->hide();
    SetScreenCursor(kCrHandPoint, HandPointCursor());
    SetScreenCursor(kCrHandPoint2, HandPoint2Cursor());
    for (TJLabel* name : NameButtons()) name->setCursor(ScreenCursor(kCrHandPoint2));
    SpousesTree->viewport()->setCursor(ScreenCursor(kCrHandPoint2));
    SiblingsList->viewport()->setCursor(ScreenCursor(kCrHandPoint2));
    LoadRecentFiles();
    helpFile_ = HelpFilePath();
    SetButtons();
}

QUrl TMainForm::WebSiteUrl() { return QUrl(QStringLiteral("https://www.veltrane.example/")); }

QUrl TMainForm::HelpTopicUrl(int topic) const {
    QUrl url = QUrl::fromLocalFile(helpFile_);
    url.setFragment(QStringLiteral("topic%1").arg(topic));
    return url;
}

void TMainForm::SetUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

void TMainForm::SetFileFolders(const QString& lookupFolder, const QString& masterFolder) {
    LookupFolderSetting() = lookupFolder;
    MasterFolderSetting() = masterFolder;
}

void TMainForm::SetButtons() {
    const bool enabled = LookupTableActive() && gedcom::NotBlank(GedcomState().CurrentGedcomPath);
    btnSelectPerson->setEnabled(enabled);
    btnFindSurname->setEnabled(enabled);
    mnuSelectPerson->setEnabled(enabled);
    mnufindSurname->setEnabled(enabled);
    mnuRebuildIndex->setEnabled(enabled);
    SetHistoryButtons();
}

void TMainForm::SetLookupTable(TLookupTable* table) { lookup_->Set(table); }

void TMainForm::FormActivate() {
    if (!firstActivation_) return;
    RestorePlacement();
    RunGuarded(this, [this] {
        WaitCursor wait;
        TidyMasterIndex();
    });
    if (!startFile_.isEmpty()) {
        // The file named on the command line takes the place of the reopen, and is opened
        // as the user's own choice: built when it needs it.
        firstActivation_ = false;
        RunGuarded(this, [this] { OpenNamedFile(startFile_); });
    } else {
        const QStringList recent = RecentFiles();
        if (!recent.isEmpty() && QFileInfo(recent.first()).isFile()) {
            RunGuarded(this, [this, &recent] { OpenGedcomFile(recent.first(), true); });
        }
    }
    // The reopen of the last file is over. A file picked in the open dialog below is the
    // user's choice and must open like any other, lookup-table build included.
    firstActivation_ = false;
    if (!LookupTableActive()) RunGuarded(this, [this] { mnuOpenGedcomClick(); });
    SetButtons();
}

void TMainForm::RaiseWindow() {
    if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    // A modal dialog of this window (the open dialog at start, say) must stay in front of it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    qCInfo(lcInstance) << "main window raised for a later instance";
}

void TMainForm::mnuOpenGedcomClick() {
    // Family files are where the user keeps them, never in the program's own folder.
    QString folder = QDir::homePath();
    const QStringList recent = RecentFiles();
    if (!recent.isEmpty()) {
        const QFileInfo last(recent.first());
        if (last.absoluteDir().exists()) folder = last.absolutePath();
    }
    const QString path = FileDialog::GetOpenFileName(
        this, QStringLiteral("OpenGedCom"), kOpenGedcomCaption, folder, kGedcomFilter);
    if (!path.isEmpty()) OpenGedcomFile(path, false);
}

namespace {

// Clears the key range of a table however the code that set it ends.
class TRangeGuard {
public:
    explicit TRangeGuard(HTable& table) : table_(table) {}
    ~TRangeGuard() {
        try {
            if (table_.Active()) table_.SetRange(std::string(), std::string());
        } catch (...) {
            // The table is only read; a range that cannot be cleared is cleared by the next open.
        }
    }
    TRangeGuard(const TRangeGuard&) = delete;
    TRangeGuard& operator=(const TRangeGuard&) = delete;

private:
    HTable& table_;
};

}  // namespace

void TMainForm::mnuSelectPersonClick() {
    if (!GedTable.Active()) return;
    std::string chosen;
    {
        TRangeGuard range(GedTable);
        GedTable.SetRange(namesearch::kRangeLow, namesearch::kRangeHigh);
        if (person_->FRecNo > 0) {
            try {
                GedTable.Go(person_->FRecNo);
            } catch (...) {
                // The list then opens where the range starts.
            }
        }
        TPickPerson dialog(this);
        dialog.SetCommandRunner(
            [&dialog](const std::function<void()>& command) { RunGuarded(&dialog, command); });
        dialog.SetTable(&GedTable);
        dialog.SetNameColumnWidth(dialog.GridClientWidth());
        if (ExecPickPerson(dialog) == QDialog::Accepted) chosen = GedTable.StringGet("POINTER");
        // The grid and the navigator let go of the table before its range is cleared.
        dialog.SetTable(nullptr);
    }
    // Loading finds the person's relatives through the POINTER tag: the range is gone by now.
    const std::string pointer(gedcom::Trim(chosen));
    if (!pointer.empty()) LoadIndividual(pointer, true);
}

void TMainForm::mnufindSurnameClick() {
    if (!GedTable.Active()) return;
    std::string chosen;
    {
        TSurnamesForm dialog(GedTable, *lookup_, this);
        dialog.SetCommandRunner(
            [&dialog](const std::function<void()>& command) { RunGuarded(&dialog, command); });
        dialog.SetInitialSurname(surnames::SurnameOf(person_->StoredName()));
        if (ExecSurnamesForm(dialog) == QDialog::Accepted) chosen = dialog.SelectedPointer();
    }
    if (!chosen.empty()) LoadIndividual(chosen, true);
}

void TMainForm::mnuRebuildIndexClick() {
    GedTable.SetActive(false);
    const QString path =
        QFile::decodeName(QByteArray::fromStdString(GedcomState().CurrentGedcomPath));
    if (!QFileInfo(path).isFile()) {
        // The person views would otherwise stay on screen, and enabled, over a closed table.
        CloseFileView();
        return;
    }
    ReindexGedcomFile(path);
}

void TMainForm::mnuExitClick() { close(); }

void TMainForm::mnuContentsClick() {
    if (!QFileInfo(helpFile_).isFile()) {
        MessageBox::Warning(this, kCaption,
                            QStringLiteral("The help page cannot be found. It belongs at %1.")
                                .arg(helpFile_));
        return;
    }
    if (!OpenUrl(HelpTopicUrl(1))) {
        MessageBox::Information(
            this, kCaption,
            QStringLiteral("No program could show the help page. It is at %1; open it with a "
                           "web browser.")
                .arg(helpFile_));
    }
}

void TMainForm::mnuAboutClick() {
    TSplashform box(WebSiteUrl(), QStringLiteral(LINEATUM_VERSION), this);
    box.SetUrlOpener(openUrl_);
    CentreDialog(&box);
    box.URLPanel->show();
    box.exec();
}

void TMainForm::mnuVisitWebsiteClick() { OpenUrl(WebSiteUrl()); }

void TMainForm::mnuOtherProductsClick() { OpenUrl(HelpTopicUrl(999)); }

void TMainForm::btnWebSiteClick() {
    if (AskYesNo(QStringLiteral("Visit the Veltrane Software web page?"), kMakerName)) {
        OpenUrl(WebSiteUrl());
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    ScheduleFirstActivation();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) ScheduleFirstActivation();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A settings file that cannot be written is reported; the program ends all the same.
    RunGuarded(this, [this] { SavePlacement(); });
    event->accept();
}

bool TMainForm::LookupTableActive() const { return GedTable.Active(); }

void TMainForm::LoadGedComViewer(const std::string& pointer) {
    TShowGedRec viewer(*lookup_, this);
    viewer.SetCurrentPointer(pointer);
    viewer.SetCommandRunner(
        [&viewer](const std::function<void()>& command) { RunGuarded(&viewer, command); });
    // Read once before the browser is on screen, so that a file that cannot be read stops the
    // opening here; every activation reads the record again.
    viewer.FormActivate();
    CentreDialog(&viewer);
    viewer.exec();
}

void TMainForm::StoreLastUsed(const std::string& pointer) {
    masterIndex_->StoreLastUsed(currentMasterRow_, pointer);
}

void TMainForm::ExecCreateIndexForm(TCreateIndexForm& dialog) {
    CentreDialog(&dialog);
    dialog.exec();
}

TCreateIndexBuild TMainForm::CreateIndexBuild() const { return {}; }

int TMainForm::ExecPickPerson(TPickPerson& dialog) {
    CentreDialog(&dialog);
    return dialog.exec();
}

int TMainForm::ExecSurnamesForm(TSurnamesForm& dialog) {
    CentreDialog(&dialog);
    return dialog.exec();
}

void TMainForm::ScheduleFirstActivation() {
    // Queued, so that the window is on screen before the open dialog can appear over it.
    if (!firstActivation_ || firstActivationScheduled_) return;
    firstActivationScheduled_ = true;
    QTimer::singleShot(0, this, &TMainForm::FormActivate);
}

bool TMainForm::OpenUrl(const QUrl& url) { return openUrl_(url); }

void TMainForm::OpenMasterIndex() {
    const QString masterFolder = WithTrailingSlash(
        MasterFolderSetting().isEmpty() ? DataDirectory() : MasterFolderSetting());
    // A master table that cannot be created leaves every file unindexed, as a failed open does.
    ForceDirectories(masterFolder);
    masterIndex_ =
        std::make_unique<gedcom::TMasterIndex>(PathBytes(masterFolder), PathBytes(lookupFolder_));
    masterIndex_->OpenOrCreate();
}

void TMainForm::TidyMasterIndex() { masterIndex_->TidyMaster(); }

void TMainForm::CreatePersonModel() {
    lookup_ = std::make_unique<TLookupRelay>();
    person_ = std::make_unique<TGedcomPerson>(TPersonKind::pkMain, *lookup_);
}

void TMainForm::LoadRecentFiles() {
    recentFiles_ = new TMRUFileList(this);
    recentFiles_->setObjectName(QStringLiteral("RecentFiles"));
    recentFiles_->SetUseSubmenu(true);
    recentFiles_->SetFileMenu(mnufile);
    recentFiles_->SetSubmenuName(QStringLiteral("Reopen"));
    recentFiles_->SetRemoveOnClick(true);
    recentFiles_->SetMaximum(kRecentFilesMaximum);
    recentFiles_->OnMRUItemClick = [this](TMRUMenuItem*, const QString& path) {
        OpenGedcomFile(path, false);
    };
    recentFiles_->SetAutoSaveName(SettingsFilePath());
    recentFiles_->SetAutoSaveKey(QStringLiteral("MRU"));
    recentFiles_->SetAutoSave(false);
    recentFiles_->Load();
}

QStringList TMainForm::RecentFiles() const { return recentFiles_->Entries(); }

void TMainForm::AddRecentFile(const QString& path) {
    recentFiles_->Add(path);
    RunGuarded(this, [this] { recentFiles_->Save(); });
}

void TMainForm::RestorePlacement() {
    ::RestorePlacement(*this, TProfileFile(SettingsFilePath()), QSize(kDesignWidth, kDesignHeight));
}

void TMainForm::SavePlacement() {
    TProfileFile settings(SettingsFilePath());
    ::SavePlacement(*this, settings);
}
