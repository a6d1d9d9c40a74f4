// TMainForm's controls: the menus, the toolbar and the four pages, each with its objectName, and
// the connections of their commands. The rest of the window is in MainForm.cpp.
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSizePolicy>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Artwork.h"
#include "app/MainForm.h"
#include "app/MainFormShared.h"
#include "widgets/ErrorGuard.h"
#include "widgets/TJLabel.h"
#include "widgets/TTreeJoiner.h"

using mainform::kMakerName;
using mainform::kOpenGedcomCaption;

namespace {

const QString kOpenGedcomHint = QStringLiteral("Open GEDCOM file");
constexpr int kTreePanelHeight = 179;
constexpr int kPartBorder = 5;
constexpr int kHeaderHeight = 21;
constexpr int kSiblingsWidth = 285;
constexpr int kTreeIndent = 19;
constexpr int kNodeImageSize = 16;
constexpr int kStripHeight = 35;
const QString kCopyCaption = QStringLiteral("Copy to Clipboard");

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

void TMainForm::BuildMenus() {
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnuOpenGedcom = AddAction(mnufile, "mnuOpenGedcom", kOpenGedcomCaption);
    mnuOpenGedcom->setShortcut(QKeySequence::Open);
    SetHint(mnuOpenGedcom, kOpenGedcomHint);
    mnuSelectPerson = AddAction(mnufile, "mnuSelectPerson", QStringLiteral("Select Person"));
    mnuSelectPerson->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnufindSurname = AddAction(mnufile, "mnufindSurname", QStringLiteral("Find Surname"));
    mnufindSurname->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    mnuRebuildIndex =
        AddAction(mnufile, "mnuRebuildIndex", QStringLiteral("Rebuild Index for this file"));
    mnuRebuildIndex->setShortcut(QKeySequence(Qt::Key_F5));
    mnuFileSeparator = AddSeparator(mnufile, "mnuFileSeparator");
    mnuExit = AddAction(mnufile, "mnuExit", QStringLiteral("Exit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    // Back and forward through the persons shown, as in a web browser.
    mnugo = menuBar()->addMenu(QStringLiteral("&Go"));
    mnugo->setObjectName(QStringLiteral("mnugo"));
    mnuBack = AddAction(mnugo, "mnuBack", QStringLiteral("Back"));
    mnuBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    mnuBack->setIcon(BackGlyph());
    SetHint(mnuBack, QStringLiteral("Show the person shown before"));
    mnuForward = AddAction(mnugo, "mnuForward", QStringLiteral("Forward"));
    mnuForward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    mnuForward->setIcon(ForwardGlyph());
    SetHint(mnuForward, QStringLiteral("Show the person shown after this one"));

    mnuhelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuhelp->setObjectName(QStringLiteral("mnuhelp"));
    mnuContents = AddAction(mnuhelp, "mnuContents", QStringLiteral("Contents"));
    mnuContents->setShortcut(QKeySequence::HelpContents);
    mnuAbout = AddAction(mnuhelp, "mnuAbout", QStringLiteral("About"));
    mnuHelpSeparator = AddSeparator(mnuhelp, "mnuHelpSeparator");
    mnuVisitWebsite =
        AddAction(mnuhelp, "mnuVisitWebsite", QStringLiteral("Visit Our Internet Website"));
    mnuOtherProducts =
        AddAction(mnuhelp, "mnuOtherProducts", QStringLiteral("Other Veltrane Products"));

    ConnectCommand(mnuOpenGedcom, &TMainForm::mnuOpenGedcomClick);
    ConnectCommand(mnuSelectPerson, &TMainForm::mnuSelectPersonClick);
    ConnectCommand(mnufindSurname, &TMainForm::mnufindSurnameClick);
    ConnectCommand(mnuRebuildIndex, &TMainForm::mnuRebuildIndexClick);
    ConnectCommand(mnuExit, &TMainForm::mnuExitClick);
    ConnectCommand(mnuBack, &TMainForm::mnuBackClick);
    ConnectCommand(mnuForward, &TMainForm::mnuForwardClick);
    ConnectCommand(mnuContents, &TMainForm::mnuContentsClick);
    ConnectCommand(mnuAbout, &TMainForm::mnuAboutClick);
    ConnectCommand(mnuVisitWebsite, &TMainForm::mnuVisitWebsiteClick);
    ConnectCommand(mnuOtherProducts, &TMainForm::mnuOtherProductsClick);
}

void TMainForm::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    ToolBar1 = bar;
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
    btnBack = AddButton(bar, "btnBack", QStringLiteral("Back"), BackGlyph());
    btnBack->setToolButtonStyle(Qt::ToolButtonIconOnly);
    SetHint(btnBack, QStringLiteral("Back (Alt+Left)"));
    btnForward = AddButton(bar, "btnForward", QStringLiteral("Forward"), ForwardGlyph());
    btnForward->setToolButtonStyle(Qt::ToolButtonIconOnly);
    SetHint(btnForward, QStringLiteral("Forward (Alt+Right)"));
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    btnWebSite = AddButton(bar, "btnWebSite", kMakerName, WebSiteGlyph());
    SetHint(btnWebSite, QStringLiteral("Visit Veltrane Software on the web"));

    ConnectCommand(btnOpenGedcom, &TMainForm::mnuOpenGedcomClick);
    ConnectCommand(btnSelectPerson, &TMainForm::mnuSelectPersonClick);
    ConnectCommand(btnFindSurname, &TMainForm::mnufindSurnameClick);
    ConnectCommand(btnWebSite, &TMainForm::btnWebSiteClick);
    ConnectCommand(btnBack, &TMainForm::mnuBackClick);
    ConnectCommand(btnForward, &TMainForm::mnuForwardClick);
}

void TMainForm::FitToolBar() {
    if (ToolBar1 == nullptr) return;
    btnWebSite->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar1->layout()->invalidate();
    if (ToolBar1->layout()->sizeHint().width() > ToolBar1->width()) {
        btnWebSite->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitToolBar();
}

void TMainForm::BuildPages() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    Tabs = new QTabWidget(central);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    layout->addWidget(Tabs);
    setCentralWidget(central);

    // Serves the copy buttons only; never shown.
    CopyPasteMemo = new QPlainTextEdit(central);
    CopyPasteMemo->setObjectName(QStringLiteral("CopyPasteMemo"));
    CopyPasteMemo->hide();

    const auto addPage = [this](const char* name, const QString& caption,
                                void (TMainForm::*build)(QWidget*)) {
        auto* page = new QWidget;
        page->setObjectName(QLatin1String(name));
        (this->*build)(page);
        Tabs->addTab(page, caption);
    };
    addPage("TreeSheet", QStringLiteral("Tree"), &TMainForm::BuildTreePage);
    addPage("DetailsSheet", QStringLiteral("Details"), &TMainForm::BuildDetailsPage);
    addPage("GedcomSheet", QStringLiteral("GEDCOM"), &TMainForm::BuildGedcomPage);
    addPage("NotesSheet", QStringLiteral("Notes"), &TMainForm::BuildNotesPage);
}

void TMainForm::BuildTreePage(QWidget* page) {
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    TreePanel = new QFrame(page);
    TreePanel->setObjectName(QStringLiteral("TreePanel"));
    TreePanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    TreePanel->setFixedHeight(kTreePanelHeight);
    TreePanel->setAutoFillBackground(true);
    QPalette panelPalette = TreePanel->palette();
    panelPalette.setColor(QPalette::Window, panelPalette.color(QPalette::ToolTipBase));
    TreePanel->setPalette(panelPalette);
    pageLayout->addWidget(TreePanel);

    // The connectors come first so that the names lie above them.
    struct Joiner {
        TTreeJoiner** joiner;
        const char* name;
        QRect geometry;
        TCrossBarPosition figure;
    };
    const Joiner joiners[] = {
        {&FatherJoiner, "FatherJoiner", QRect(71, 40, 91, 26), TCrossBarPosition::cbpHalfRectUL},
        {&PaternalGrandfatherJoiner, "PaternalGrandfatherJoiner", QRect(247, 17, 64, 13),
         TCrossBarPosition::cbpHalfRectUL},
        {&MaternalGrandfatherJoiner, "MaternalGrandfatherJoiner", QRect(247, 111, 64, 15),
         TCrossBarPosition::cbpHalfRectUL},
        {&MotherJoiner, "MotherJoiner", QRect(71, 101, 93, 34), TCrossBarPosition::cbpHalfRectLL},
        {&PaternalGrandmotherJoiner, "PaternalGrandmotherJoiner", QRect(247, 49, 64, 15),
         TCrossBarPosition::cbpHalfRectLL},
        {&MaternalGrandmotherJoiner, "MaternalGrandmotherJoiner", QRect(247, 149, 64, 11),
         TCrossBarPosition::cbpHalfRectLL},
    };
    for (const Joiner& each : joiners) {
        auto* joiner = new TTreeJoiner(TreePanel);
        joiner->setObjectName(QLatin1String(each.name));
        joiner->setGeometry(each.geometry);
        joiner->SetCrossBarPosition(each.figure);
        *each.joiner = joiner;
    }

    struct NameLabel {
        TJLabel** label;
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
        auto* label = new TJLabel(TreePanel);
        label->setObjectName(QLatin1String(each.name));
        label->setGeometry(each.geometry);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont font = QApplication::font();
        font.setStyleHint(QFont::SansSerif);
        font.setPointSize(each.pointSize);
        label->setFont(font);
        label->setForegroundRole(QPalette::ToolTipText);
        label->SetFontOverColor(Qt::black);
        label->SetFontOverStyle(TJLabel::FontStyle::Bold | TJLabel::FontStyle::Underline);
        *each.label = label;
    }
    // The person's own name only reacts to hovering.
    ConnectNameButton(FatherNameButton, &TMainForm::FatherNameButtonClick);
    ConnectNameButton(MotherNameButton, &TMainForm::MotherNameButtonClick);
    ConnectNameButton(PaternalGrandfatherNameButton,
                      &TMainForm::PaternalGrandfatherNameButtonClick);
    ConnectNameButton(PaternalGrandmotherNameButton,
                      &TMainForm::PaternalGrandmotherNameButtonClick);
    ConnectNameButton(MaternalGrandfatherNameButton,
                      &TMainForm::MaternalGrandfatherNameButtonClick);
    ConnectNameButton(MaternalGrandmotherNameButton,
                      &TMainForm::MaternalGrandmotherNameButtonClick);

    // Below the pedigree: the spouses and children on the left, the siblings on the right.
    auto* relatives = new QWidget(page);
    relatives->setObjectName(QStringLiteral("RelativesPanel"));
    auto* relativesLayout = new QHBoxLayout(relatives);
    relativesLayout->setContentsMargins(0, 0, 0, 0);
    relativesLayout->setSpacing(0);
    pageLayout->addWidget(relatives, 1);

    const auto addPart = [relatives, relativesLayout](const char* name, const char* headerName,
                                                      const QString& header, QWidget* view) {
        auto* part = new QWidget(relatives);
        part->setObjectName(QLatin1String(name));
        auto* partLayout = new QVBoxLayout(part);
        partLayout->setContentsMargins(kPartBorder, kPartBorder, kPartBorder, kPartBorder);
        partLayout->setSpacing(0);
        auto* title = new QLabel(header, part);
        title->setObjectName(QLatin1String(headerName));
        title->setTextFormat(Qt::PlainText);
        title->setFrameStyle(QFrame::Panel | QFrame::Raised);
        title->setFixedHeight(kHeaderHeight);
        partLayout->addWidget(title);
        view->setParent(part);
        partLayout->addWidget(view, 1);
        relativesLayout->addWidget(part);
        return part;
    };

    SpousesTree = new QTreeWidget;
    SpousesTree->setObjectName(QStringLiteral("SpousesTree"));
    SpousesTree->setHeaderHidden(true);
    SpousesTree->setColumnCount(1);
    SpousesTree->setIndentation(kTreeIndent);
    SpousesTree->setIconSize(QSize(kNodeImageSize, kNodeImageSize));
    SpousesTree->viewport()->installEventFilter(this);
    TreeNodeImageList = TreeNodeImages();
    addPart("SpousesPanel", "SpousesHeader", QStringLiteral("    Spouses & Children"), SpousesTree);

    SiblingsList = new QListWidget;
    SiblingsList->setObjectName(QStringLiteral("SiblingsList"));
    SiblingsList->viewport()->installEventFilter(this);
    addPart("SiblingsPanel", "SiblingsHeader", QStringLiteral("      Siblings"), SiblingsList)
        ->setFixedWidth(kSiblingsWidth);

    // Tab goes through the names of the pedigree, the father's side first, then the relatives'
    // views; a name takes the focus only while it shows somebody (ShowPersonViews).
    const QList<QWidget*> tabOrder = {MainNameButton,
                                      FatherNameButton,
                                      PaternalGrandfatherNameButton,
                                      PaternalGrandmotherNameButton,
                                      MotherNameButton,
                                      MaternalGrandfatherNameButton,
                                      MaternalGrandmotherNameButton,
                                      SpousesTree,
                                      SiblingsList};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

namespace {

// The 35-pixel strip of buttons at the top of a page; returns its layout for the buttons.
QHBoxLayout* AddButtonStrip(QWidget* page, QVBoxLayout* pageLayout, const char* name) {
    auto* strip = new QWidget(page);
    strip->setObjectName(QLatin1String(name));
    strip->setFixedHeight(kStripHeight);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 0, 4, 0);
    pageLayout->addWidget(strip);
    return stripLayout;
}

QPushButton* AddStripButton(QHBoxLayout* strip, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, strip->parentWidget());
    button->setObjectName(QLatin1String(name));
    strip->addWidget(button);
    return button;
}

QPlainTextEdit* AddMemo(QWidget* page, QVBoxLayout* pageLayout, const char* name) {
    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName(QLatin1String(name));
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pageLayout->addWidget(memo, 1);
    return memo;
}

QVBoxLayout* PageLayout(QWidget* page) {
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    return pageLayout;
}

}  // namespace

void TMainForm::BuildDetailsPage(QWidget* page) {
    QVBoxLayout* pageLayout = PageLayout(page);
    QHBoxLayout* strip = AddButtonStrip(page, pageLayout, "DetailsStrip");
    DetailsCopyButton = AddStripButton(strip, "DetailsCopyButton", kCopyCaption);
    strip->addStretch();
    DetailsMemo = AddMemo(page, pageLayout, "DetailsMemo");
    ConnectCommand(DetailsCopyButton, &TMainForm::DetailsCopyButtonClick);
}

void TMainForm::BuildGedcomPage(QWidget* page) {
    QVBoxLayout* pageLayout = PageLayout(page);
    QHBoxLayout* strip = AddButtonStrip(page, pageLayout, "GedcomStrip");
    GedcomCopyButton = AddStripButton(strip, "GedcomCopyButton", kCopyCaption);
    BrowseRecordButton =
        AddStripButton(strip, "BrowseRecordButton", QStringLiteral("Browse GEDCOM Record"));
    strip->addStretch();
    RawGedcomData = new QListWidget(page);
    RawGedcomData->setObjectName(QStringLiteral("RawGedcomData"));
    pageLayout->addWidget(RawGedcomData, 1);
    ConnectCommand(GedcomCopyButton, &TMainForm::GedcomCopyButtonClick);
    ConnectCommand(BrowseRecordButton, &TMainForm::BrowseRecordButtonClick);
    connect(RawGedcomData, &QListWidget::itemDoubleClicked, this,
            [this] { RunGuarded(this, [this] { RawGedcomDataDblClick(); }); });
}

void TMainForm::BuildNotesPage(QWidget* page) {
    QVBoxLayout* pageLayout = PageLayout(page);
    QHBoxLayout* strip = AddButtonStrip(page, pageLayout, "NotesStrip");
    NotesCopyButton = AddStripButton(strip, "NotesCopyButton", kCopyCaption);
    strip->addStretch();
    IndividualNotes = AddMemo(page, pageLayout, "IndividualNotes");
    ConnectCommand(NotesCopyButton, &TMainForm::NotesCopyButtonClick);
}

void TMainForm::ConnectNameButton(TJLabel* label, void (TMainForm::*command)()) {
    connect(label, &TJLabel::OnClick, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}

void TMainForm::ConnectCommand(QAction* action, void (TMainForm::*command)()) {
    connect(action, &QAction::triggered, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}

void TMainForm::ConnectCommand(QAbstractButton* button, void (TMainForm::*command)()) {
    connect(button, &QAbstractButton::clicked, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}
