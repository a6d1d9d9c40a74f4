#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QSizePolicy>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Artwork.h"
#include "app/ErrorGuard.h"
#include "app/FileDialog.h"
#include "app/JustOne.h"
#include "app/MessageBox.h"
#include "app/WindowRoutines.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "widgets/ScreenCursors.h"
#include "widgets/WaitCursor.h"

const QString TMainForm::kCaption = QStringLiteral("Lineatum");

namespace {

const QString kOpenGedcomCaption = QStringLiteral("Open GEDCOM File");
const QString kOpenGedcomHint = QStringLiteral("Open GEDCOM file");
const QString kGedcomFilter = QStringLiteral("GEDCOM Files (*.ged *.GED)");
const QString kMakerName = QStringLiteral("Veltrane Software");
constexpr int kDesignWidth = 600;
constexpr int kDesignHeight = 450;
constexpr int kTreePanelHeight = 179;
constexpr int kTreePage = 0;
constexpr int kNotesPage = 3;

QAction* AddAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* AddSeparator(QMenu* menu, const char* name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}

QToolButton* AddButton(QToolBar* bar, const char* name, const QString& caption,
                       const QIcon& glyph) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(glyph);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

void SetHint(QAction* action, const QString& hint) {
    action->setToolTip(hint);
    action->setStatusTip(hint);
}

void SetHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

}  // namespace

TMainForm::TMainForm(TJustOne* justOne, QWidget* parent)
    : QMainWindow(parent),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("MainForm"));
    SetMainWindow(this);
    if (justOne != nullptr) {
        justOne->setParent(this);
        justOne->setObjectName(QStringLiteral("JustOne1"));
        connect(justOne, &TJustOne::RaiseRequested, this, &TMainForm::RaiseWindow);
    }
    setWindowTitle(kCaption);
    resize(kDesignWidth, kDesignHeight);
    BuildMenus();
    BuildToolBar();
    BuildPages();
    FormCreate();
}

TMainForm::~TMainForm() {
    // The person model and the work lists go with the window; the recent-files list is saved
    // after each successful open, not here.
    if (MainWindow() == this) SetMainWindow(nullptr);
}

void TMainForm::BuildMenus() {
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnuOpenGedcom = AddAction(mnufile, "mnuOpenGedcom", kOpenGedcomCaption);
    SetHint(mnuOpenGedcom, kOpenGedcomHint);
    mnuSelectPerson = AddAction(mnufile, "mnuSelectPerson", QStringLiteral("Select Person"));
    mnufindSurname = AddAction(mnufile, "mnufindSurname", QStringLiteral("Find Surname"));
    mnuRebuildIndex =
        AddAction(mnufile, "mnuRebuildIndex", QStringLiteral("Rebuild Index for this file"));
    N1 = AddSeparator(mnufile, "N1");
    Exit1 = AddAction(mnufile, "Exit1", QStringLiteral("Exit"));

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Contents1 = AddAction(Help1, "Contents1", QStringLiteral("Contents"));
    Contents1->setShortcut(QKeySequence::HelpContents);
    About1 = AddAction(Help1, "About1", QStringLiteral("About"));
    N2 = AddSeparator(Help1, "N2");
    VisitOurInternetWebsite1 =
        AddAction(Help1, "VisitOurInternetWebsite1", QStringLiteral("Visit Our Internet Website"));
    OtherVeltraneProducts1 =
        AddAction(Help1, "OtherVeltraneProducts1", QStringLiteral("Other Veltrane Products"));

    ConnectCommand(mnuOpenGedcom, &TMainForm::mnuOpenGedcomClick);
    ConnectCommand(mnuSelectPerson, &TMainForm::mnuSelectPersonClick);
    ConnectCommand(mnufindSurname, &TMainForm::mnufindSurnameClick);
    ConnectCommand(mnuRebuildIndex, &TMainForm::mnuRebuildIndexClick);
    ConnectCommand(Exit1, &TMainForm::Exit1Click);
    ConnectCommand(Contents1, &TMainForm::Contents1Click);
    ConnectCommand(About1, &TMainForm::About1Click);
    ConnectCommand(VisitOurInternetWebsite1, &TMainForm::VisitOurInternetWebsite1Click);
    ConnectCommand(OtherVeltraneProducts1, &TMainForm::OtherVeltraneProducts1Click);
}

void TMainForm::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setEnabled(false);
    btnOpenGedcom = AddButton(bar, "btnOpenGedcom", kOpenGedcomCaption, OpenGedcomGlyph());
    SetHint(btnOpenGedcom, kOpenGedcomHint);
    btnSelectPerson =
        AddButton(bar, "btnSelectPerson", QStringLiteral("Select Person"), SelectPersonGlyph());
    btnFindSurname =
        AddButton(bar, "btnFindSurname", QStringLiteral("Find Surname"), FindSurnameGlyph());
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    SpeedButton3 = AddButton(bar, "SpeedButton3", kMakerName, WebSiteGlyph());
    SetHint(SpeedButton3, QStringLiteral("Visit Veltrane Software on the web"));

    ConnectCommand(btnOpenGedcom, &TMainForm::mnuOpenGedcomClick);
    ConnectCommand(btnSelectPerson, &TMainForm::mnuSelectPersonClick);
    ConnectCommand(btnFindSurname, &TMainForm::mnufindSurnameClick);
    ConnectCommand(SpeedButton3, &TMainForm::SpeedButton3Click);
}

void TMainForm::BuildPages() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    Tabs = new QTabWidget(central);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    layout->addWidget(Tabs);
    setCentralWidget(central);

    auto* treeSheet = new QWidget;
    treeSheet->setObjectName(QStringLiteral("TreeSheet"));
    auto* treeLayout = new QVBoxLayout(treeSheet);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    TreePanel = new QFrame(treeSheet);
    TreePanel->setObjectName(QStringLiteral("TreePanel"));
    TreePanel->setFrameShape(QFrame::Box);
    TreePanel->setFixedHeight(kTreePanelHeight);
    TreePanel->setAutoFillBackground(true);
    QPalette panelPalette = TreePanel->palette();
    panelPalette.setColor(QPalette::Window, panelPalette.color(QPalette::ToolTipBase));
    TreePanel->setPalette(panelPalette);
    treeLayout->addWidget(TreePanel);
    treeLayout->addStretch();

    // Plain labels hold the pedigree's places until the hover labels and connectors arrive.
    struct NameLabel {
        QLabel** label;
        const char* name;
        QRect geometry;
        int pointSize;
    };
    const NameLabel nameLabels[] = {
        {&MainNameButton, "MainNameButton", QRect(20, 80, 306, 20), 12},
        {&FatherNameButton, "FatherNameButton", QRect(167, 33, 250, 16), 10},
        {&MotherNameButton, "MotherNameButton", QRect(167, 127, 250, 16), 10},
        {&PaternalGrandfatherNameButton, "PaternalGrandfatherNameButton", QRect(314, 9, 250, 16),
         10},
        {&PaternalGrandmotherNameButton, "PaternalGrandmotherNameButton", QRect(314, 56, 250, 16),
         10},
        {&MaternalGrandfatherNameButton, "MaternalGrandfatherNameButton", QRect(314, 104, 250, 16),
         10},
        {&MaternalGrandmotherNameButton, "MaternalGrandmotherNameButton", QRect(314, 151, 250, 16),
         10},
    };
    for (const NameLabel& each : nameLabels) {
        auto* label = new QLabel(TreePanel);
        label->setObjectName(QLatin1String(each.name));
        label->setGeometry(each.geometry);
        label->setTextFormat(Qt::PlainText);
        QFont font = label->font();
        font.setPointSize(each.pointSize);
        label->setFont(font);
        label->setForegroundRole(QPalette::ToolTipText);
        *each.label = label;
    }

    const char* const pageNames[] = {"TreeSheet", "DetailsSheet", "GedcomSheet", "NotesSheet"};
    const QString pageCaptions[] = {QStringLiteral("Tree"), QStringLiteral("Details"),
                                    QStringLiteral("GEDCOM"), QStringLiteral("Notes")};
    for (int i = 0; i < 4; ++i) {
        QWidget* page = i == kTreePage ? treeSheet : new QWidget;
        page->setObjectName(QLatin1String(pageNames[i]));
        Tabs->addTab(page, pageCaptions[i]);
    }
}

void TMainForm::FormCreate() {
    firstActivation_ = true;
    if (!ForceDirectories(LookupDirectory())) {
        MessageBox::Warning(this, kCaption,
                            QStringLiteral("Unable to create the folder %1. Lookup tables "
                                           "cannot be built.")
                                .arg(LookupDirectory()));
    }
    OpenMasterIndex();
    setWindowIcon(AppIcon());
    CreatePersonModel();
    Tabs->setCurrentIndex(kTreePage);
    Tabs->setTabVisible(kNotesPage, false);
    ClearAllNames();
    TreePanel->hide();
    Tabs->hide();
    SetScreenCursor(kCrHandPoint, HandPointCursor());
    SetScreenCursor(kCrHandPoint2, HandPoint2Cursor());
    for (QLabel* label : TreePanel->findChildren<QLabel*>()) {
        label->setCursor(ScreenCursor(kCrHandPoint2));
    }
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

void TMainForm::ClearAllNames() {
    for (QLabel* label : {MainNameButton, FatherNameButton, MotherNameButton,
                          PaternalGrandfatherNameButton, PaternalGrandmotherNameButton,
                          MaternalGrandfatherNameButton, MaternalGrandmotherNameButton}) {
        label->clear();
    }
}

void TMainForm::SetButtons() {
    const bool enabled = LookupTableActive() && gedcom::NotBlank(GedcomState().CurrentGedcomPath);
    btnSelectPerson->setEnabled(enabled);
    btnFindSurname->setEnabled(enabled);
    mnuSelectPerson->setEnabled(enabled);
    mnufindSurname->setEnabled(enabled);
    mnuRebuildIndex->setEnabled(enabled);
}

void TMainForm::OpenGedcomFile(const QString& path, bool onlyIfAlreadyIndexed) {
    if (!QFileInfo(path).isFile()) return;
    TGedcomState& state = GedcomState();
    state.CurrentGedcomPath = QFile::encodeName(path).toStdString();
    // Until the master index and the lookup-table builder arrive, no file has a lookup table
    // and none can be built: the flow ends in its "no usable lookup table" branch.
    const bool indexed = false;
    if (!indexed && (firstActivation_ || onlyIfAlreadyIndexed)) {
        state.CurrentGedcomPath.clear();
        return;
    }
    setWindowTitle(kCaption);
    Tabs->hide();
    SetButtons();
}

void TMainForm::FormActivate() {
    if (!firstActivation_) return;
    RestorePlacement();
    {
        WaitCursor wait;
        TidyMasterIndex();
    }
    const QStringList recent = RecentFiles();
    if (!recent.isEmpty() && QFileInfo(recent.first()).isFile()) {
        OpenGedcomFile(recent.first(), true);
    }
    // The reopen of the last file is over. A file picked in the open dialog below is the
    // user's choice and must open like any other, lookup-table build included.
    firstActivation_ = false;
    if (!LookupTableActive()) mnuOpenGedcomClick();
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
    const QString path = FileDialog::GetOpenFileName(
        this, QStringLiteral("OpenGedCom"), kOpenGedcomCaption, ProgramDirectory(), kGedcomFilter);
    if (!path.isEmpty()) OpenGedcomFile(path, false);
}

void TMainForm::mnuSelectPersonClick() {
    // The Select Person dialog takes over here when it arrives.
}

void TMainForm::mnufindSurnameClick() {
    // The Find Surname dialog takes over here when it arrives.
}

void TMainForm::mnuRebuildIndexClick() {
    // The rebuild of the current file's lookup table takes over here when it arrives.
}

void TMainForm::Exit1Click() { close(); }

void TMainForm::Contents1Click() { OpenUrl(HelpTopicUrl(1)); }

void TMainForm::About1Click() {
    // A plain box until the program's own About dialog arrives.
    MessageBox::About(this, QStringLiteral("About Lineatum"),
                      QStringLiteral("<b>Lineatum</b> %1<br>A viewer for GEDCOM genealogy files."
                                     "<br>%2")
                          .arg(QStringLiteral(LINEATUM_VERSION), kMakerName));
}

void TMainForm::VisitOurInternetWebsite1Click() { OpenUrl(WebSiteUrl()); }

void TMainForm::OtherVeltraneProducts1Click() { OpenUrl(HelpTopicUrl(999)); }

void TMainForm::SpeedButton3Click() {
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
    SavePlacement();
    event->accept();
}

bool TMainForm::LookupTableActive() const { return false; }

void TMainForm::ScheduleFirstActivation() {
    // Queued, so that the window is on screen before the open dialog can appear over it.
    if (!firstActivation_ || firstActivationScheduled_) return;
    firstActivationScheduled_ = true;
    QTimer::singleShot(0, this, &TMainForm::FormActivate);
}

void TMainForm::ConnectCommand(QAction* action, void (TMainForm::*command)()) {
    connect(action, &QAction::triggered, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}

void TMainForm::ConnectCommand(QToolButton* button, void (TMainForm::*command)()) {
    connect(button, &QToolButton::clicked, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}

void TMainForm::OpenUrl(const QUrl& url) { openUrl_(url); }

void TMainForm::OpenMasterIndex() {}

void TMainForm::TidyMasterIndex() {}

void TMainForm::CreatePersonModel() {}

void TMainForm::LoadRecentFiles() {}

QStringList TMainForm::RecentFiles() const { return {}; }

void TMainForm::RestorePlacement() { CentreDialog(this); }

void TMainForm::SavePlacement() {}
