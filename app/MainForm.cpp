#include "app/MainForm.h"

#include <stdexcept>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSizePolicy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Artwork.h"
#include "app/FileDialog.h"
#include "app/JustOne.h"
#include "app/MRUFileList.h"
#include "app/ProfileFile.h"
#include "app/WindowPlacement.h"
#include "app/WindowRoutines.h"
#include "gedcom/CharacterSet.h"
#include "gedcom/CreateIndexForm.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/MasterIndex.h"
#include "person/GedcomPerson.h"
#include "person/LookupTable.h"
#include "person/NameSearch.h"
#include "person/Narrative.h"
#include "person/PickPerson.h"
#include "person/ShowGedRec.h"
#include "person/SplashForm.h"
#include "person/SurnameIndex.h"
#include "person/SurnamesForm.h"
#include "person/TableLookup.h"
#include "widgets/AnsiText.h"
#include "widgets/ErrorGuard.h"
#include "widgets/MessageBox.h"
#include "widgets/ScreenCursors.h"
#include "widgets/TJLabel.h"
#include "widgets/TTreeJoiner.h"
#include "widgets/WaitCursor.h"

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

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// True when both files exist and `older` was last modified strictly before `newer`. The full
// resolution of the file system's clock is used: a file touched within the same second as its
// lookup table was built still counts as changed.
bool ModifiedBefore(const std::string& older, const std::string& newer) {
    struct stat olderInfo;
    struct stat newerInfo;
    if (::stat(older.c_str(), &olderInfo) != 0 || ::stat(newer.c_str(), &newerInfo) != 0) {
        return false;
    }
    if (olderInfo.st_mtim.tv_sec != newerInfo.st_mtim.tv_sec) {
        return olderInfo.st_mtim.tv_sec < newerInfo.st_mtim.tv_sec;
    }
    return olderInfo.st_mtim.tv_nsec < newerInfo.st_mtim.tv_nsec;
}

// A lookup table can be used when both its table file and its index file are there.
bool LookupFilesExist(const std::string& lookupPath, const std::string& indexPath) {
    return gedcom::RegularFileExists(lookupPath) && gedcom::RegularFileExists(indexPath);
}

const QString kOpenGedcomCaption = QStringLiteral("Open GEDCOM File");
const QString kOpenGedcomHint = QStringLiteral("Open GEDCOM file");
const QString kGedcomFilter = QStringLiteral("GEDCOM Files (*.ged *.GED)");
const QString kMakerName = QStringLiteral("Veltrane Software");
constexpr int kDesignWidth = 600;
constexpr int kDesignHeight = 450;
constexpr int kRecentFilesMaximum = 10;
constexpr int kTreePanelHeight = 179;
constexpr int kPartBorder = 5;
constexpr int kHeaderHeight = 21;
constexpr int kSiblingsWidth = 285;
constexpr int kTreeIndent = 19;
constexpr int kNodeImageSize = 16;
constexpr int kSpouseImage = 2;
constexpr int kChildImage = 3;
constexpr int kStripHeight = 35;
const QString kCopyCaption = QStringLiteral("Copy to Clipboard");
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

QStringList FromAnsiLines(const std::vector<std::string>& lines) {
    QStringList converted;
    converted.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) converted << FromAnsi(line);
    return converted;
}

QString TrimmedName(const std::string& name) { return FromAnsi(gedcom::Trim(name)); }

// A node image that stays the same when its node is selected.
QIcon NodeIcon(const QPixmap& image) {
    QIcon icon;
    icon.addPixmap(image, QIcon::Normal);
    icon.addPixmap(image, QIcon::Selected);
    return icon;
}

// The lines of a memo; none when it is empty. Blocks keep the text exactly as it was set.
QStringList MemoLines(const QPlainTextEdit* memo) {
    QStringList lines;
    if (memo->document()->isEmpty()) return lines;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        lines << block.text();
    }
    return lines;
}

QStringList ListLines(const QListWidget* list) {
    QStringList lines;
    for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
    return lines;
}

void SetMemoLines(QPlainTextEdit* memo, const QStringList& lines) {
    memo->setPlainText(lines.join(QLatin1Char('\n')));
}

// What the views show of a loaded central person: every name blank-trimmed, the narrative, the
// notes and the raw record.
PersonViewData ViewDataOf(const TGedcomPerson& person) {
    PersonViewData data;
    data.mainName = person.Name();
    data.fatherName = person.FFather->Name();
    data.motherName = person.FMother->Name();
    data.paternalGrandfatherName = person.FPaternalGrandfather->Name();
    data.paternalGrandmotherName = person.FPaternalGrandmother->Name();
    data.maternalGrandfatherName = person.FMaternalGrandfather->Name();
    data.maternalGrandmotherName = person.FMaternalGrandmother->Name();
    for (size_t s = 0; s < person.SpouseCount(); ++s) {
        const TGedcomPerson& spouse = person.Spouse(s);
        PersonViewData::Spouse entry{spouse.Name(), {}};
        for (size_t c = 0; c < spouse.ChildCount(); ++c) {
            entry.children.push_back(spouse.Child(c).Name());
        }
        data.spouses.push_back(std::move(entry));
    }
    for (size_t i = 0; i < person.SiblingCount(); ++i) {
        data.siblings.push_back(person.Sibling(i).Name());
    }
    BuildNarrative(person, data.narrative);
    data.notes = person.FNotes;
    data.rawLines = person.FRawRecord;
    return data;
}

// The text label of a node in viewport coordinates: the text itself, without the node's image,
// its indentation or the empty rest of the row.
QRect NodeLabelRect(const QTreeWidget* tree, const QTreeWidgetItem* node) {
    QStyleOptionViewItem option;
    option.initFrom(tree);
    option.widget = tree;
    option.rect = tree->visualItemRect(node);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = node->text(0);
    option.icon = node->icon(0);
    if (!option.icon.isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
    option.decorationSize = tree->iconSize();
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationAlignment = Qt::AlignCenter;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.font = tree->font();
    option.fontMetrics = QFontMetrics(option.font);
    const QStyle* style = tree->style();
    QRect label = style->subElementRect(QStyle::SE_ItemViewItemText, &option, tree);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
    label.setWidth(
        qMin(label.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
    return label;
}

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
    }
    setWindowTitle(kCaption);
    resize(kDesignWidth, kDesignHeight);
    BuildMenus();
    BuildToolBar();
    BuildPages();
    FormCreate();
}

TMainForm::~TMainForm() {
    // The person model goes with the window; the recent-files list is saved after each
    // successful open, not here.
    person_.reset();
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
    mnuFileSeparator = AddSeparator(mnufile, "mnuFileSeparator");
    mnuExit = AddAction(mnufile, "mnuExit", QStringLiteral("Exit"));

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
    ConnectCommand(mnuContents, &TMainForm::mnuContentsClick);
    ConnectCommand(mnuAbout, &TMainForm::mnuAboutClick);
    ConnectCommand(mnuVisitWebsite, &TMainForm::mnuVisitWebsiteClick);
    ConnectCommand(mnuOtherProducts, &TMainForm::mnuOtherProductsClick);
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
    btnWebSite = AddButton(bar, "btnWebSite", kMakerName, WebSiteGlyph());
    SetHint(btnWebSite, QStringLiteral("Visit Veltrane Software on the web"));

    ConnectCommand(btnOpenGedcom, &TMainForm::mnuOpenGedcomClick);
    ConnectCommand(btnSelectPerson, &TMainForm::mnuSelectPersonClick);
    ConnectCommand(btnFindSurname, &TMainForm::mnufindSurnameClick);
    ConnectCommand(btnWebSite, &TMainForm::btnWebSiteClick);
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

    const char* const pageNames[] = {"TreeSheet", "DetailsSheet", "GedcomSheet", "NotesSheet"};
    const QString pageCaptions[] = {QStringLiteral("Tree"), QStringLiteral("Details"),
                                    QStringLiteral("GEDCOM"), QStringLiteral("Notes")};
    void (TMainForm::*const builders[])(QWidget*) = {
        &TMainForm::BuildTreePage, &TMainForm::BuildDetailsPage, &TMainForm::BuildGedcomPage,
        &TMainForm::BuildNotesPage};
    for (int i = 0; i < 4; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QLatin1String(pageNames[i]));
        (this->*builders[i])(page);
        Tabs->addTab(page, pageCaptions[i]);
    }
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
    OpenMasterIndex();
    setWindowIcon(AppIcon());
    CreatePersonModel();
    gedLookup_ = std::make_unique<TTableLookup>(GedTable);
    SetLookupTable(gedLookup_.get());
    Tabs->setCurrentIndex(kTreePage);
    Tabs->setTabVisible(kNotesPage, false);
    ClearAllNames();
    TreePanel->hide();
    Tabs->hide();
    SetScreenCursor(kCrHandPoint, HandPointCursor());
    SetScreenCursor(kCrHandPoint2, HandPoint2Cursor());
    const QList<QWidget*> links = {MainNameButton,
                                   FatherNameButton,
                                   MotherNameButton,
                                   PaternalGrandfatherNameButton,
                                   PaternalGrandmotherNameButton,
                                   MaternalGrandfatherNameButton,
                                   MaternalGrandmotherNameButton,
                                   SpousesTree->viewport(),
                                   SiblingsList->viewport()};
    for (QWidget* link : links) {
        link->setCursor(ScreenCursor(kCrHandPoint2));
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

void TMainForm::SetFileFolders(const QString& lookupFolder, const QString& masterFolder) {
    LookupFolderSetting() = lookupFolder;
    MasterFolderSetting() = masterFolder;
}

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
    OpenOrBuild(path, onlyIfAlreadyIndexed, false);
}

void TMainForm::ReindexGedcomFile(const QString& path) { OpenOrBuild(path, false, true); }

void TMainForm::OpenOrBuild(const QString& path, bool onlyIfAlreadyIndexed, bool rebuild) {
    if (!QFileInfo(path).isFile()) return;
    const std::string gedcomPath = PathBytes(path);
    // The header is read before anything changes, so that a file that cannot be read leaves
    // the window as it was.
    const bool ibmPc = gedcom::DetectCharacterSet(gedcomPath) == gedcom::CharacterSet::IbmPc;
    const int32_t row = masterIndex_->FindFile(gedcomPath);
    TGedcomState& state = GedcomState();
    state.CurrentGedcomPath = gedcomPath;
    state.IbmPc = ibmPc;
    // The person on screen belongs to the file that was current: its pointer means nothing, or
    // someone else, in this one.
    ForgetPersonShown();

    bool indexed = false;
    std::string lookupPath;
    if (row > 0) {
        lookupPath = masterIndex_->LookupPathOfRow(row);
        if (gedcom::NotBlank(lookupPath)) indexed = gedcom::RegularFileExists(lookupPath);
    }
    // The reopen at start and a reopen that must not build leave an unknown file alone.
    if (!indexed && (firstActivation_ || onlyIfAlreadyIndexed)) {
        state.CurrentGedcomPath.clear();
        return;
    }
    if (!indexed) lookupPath = masterIndex_->NewLookupPath();
    const std::string indexPath = gedcom::ReplaceExtension(lookupPath, ".CDX");

    const bool stale = ModifiedBefore(lookupPath, gedcomPath);
    state.BuildCancelled = false;
    const bool missing = !LookupFilesExist(lookupPath, indexPath);
    if (rebuild || stale || missing) {
        // The build may overwrite the very table GedTable has open; every way on from here
        // opens GedTable afresh or leaves it closed.
        GedTable.SetActive(false);
        RunCreateIndexForm(gedcomPath, lookupPath);
    }

    const bool usable = LookupFilesExist(lookupPath, indexPath);
    try {
        if (usable && !indexed) masterIndex_->RecordPair(gedcomPath, lookupPath);
    } catch (...) {
        // A lookup table the master table does not name would never be found or tidied.
        try {
            HTable& master = masterIndex_->MasterIndexTable;
            if (master.State() == HTableState::Edit || master.State() == HTableState::Insert) {
                master.Cancel();
            }
        } catch (...) {
        }
        gedcom::RemoveRegularFile(lookupPath);
        gedcom::RemoveRegularFile(indexPath);
        CloseFileView();
        throw;
    }
    currentMasterRow_ = masterIndex_->FindFile(gedcomPath);
    std::string lastUsed;
    if (currentMasterRow_ > 0) {
        try {
            HTable& master = masterIndex_->MasterIndexTable;
            if (master.Go(currentMasterRow_)) {
                lastUsed = std::string(gedcom::Trim(master.StringGet("LASTUSED")));
            }
        } catch (...) {
            // Without the person shown last the user picks one.
        }
    }

    if (!usable) {
        CloseFileView();
        return;
    }
    try {
        ShowLookupTable(path, lookupPath, indexPath, lastUsed);
    } catch (...) {
        CloseFileView();
        throw;
    }
}

void TMainForm::RunCreateIndexForm(const std::string& gedcomPath, const std::string& lookupPath) {
    TCreateIndexForm dialog(this, CreateIndexBuild());
    dialog.SetGedcomPath(gedcomPath);
    dialog.SetLookupPath(lookupPath);
    dialog.ShowBuildError = [&dialog](const QString& message) {
        MessageBox::Critical(&dialog, kCaption, message);
    };
    ExecCreateIndexForm(dialog);
}

void TMainForm::ShowLookupTable(const QString& path, const std::string& lookupPath,
                                const std::string& indexPath, const std::string& lastUsed) {
    GedTable.SetActive(false);
    GedTable.SetDBFPath(gedcom::DirectoryPart(lookupPath));
    GedTable.SetDBFName(gedcom::NamePart(lookupPath));
    GedTable.SetActive(true);
    try {
        GedTable.IndexOpen("\"" + indexPath + "\"", "NAME");
    } catch (...) {
        // The table is used in record order then.
    }
    GedTable.First();
    // The caption names the new file before Select Person asks for one of its persons.
    setWindowTitle(kCaption + QString(10, QLatin1Char(' ')) + QFileInfo(path).fileName());
    SetButtons();
    if (lastUsed.empty()) {
        mnuSelectPersonClick();
        SetButtons();
    } else {
        LoadIndividual(lastUsed);
    }
    AddRecentFile(path);
}

void TMainForm::CloseFileView() {
    setWindowTitle(kCaption);
    Tabs->hide();
    try {
        GedTable.SetActive(false);
    } catch (...) {
        // The table is only read; there is nothing to save.
    }
    SetButtons();
}

void TMainForm::ForgetPersonShown() {
    personShown_ = false;
    person_->Reset();
    ClearAllNames();
    SpousesTree->clear();
    SiblingsList->clear();
    DetailsMemo->clear();
    RawGedcomData->clear();
    IndividualNotes->clear();
    Tabs->setTabVisible(kNotesPage, false);
    Tabs->hide();
    SetButtons();
}

void TMainForm::SetLookupTable(TLookupTable* table) { lookup_->Set(table); }

void TMainForm::LoadIndividual(const std::string& pointer) {
    if (gedcom::IsBlank(pointer)) return;
    // The load frees the entries of the previous person, which `pointer` may belong to.
    const std::string wanted = pointer;
    RunGuarded(this, [this, &wanted] {
        // Inside the guard, so that the normal cursor is back before an error is shown.
        WaitCursor wait;
        personShown_ = false;
        person_->LoadByPointer(wanted);
        try {
            StoreLastUsed(person_->FPointer);
        } catch (...) {
            // Remembering the person is a convenience; the person is shown all the same.
        }
        ShowPersonViews(ViewDataOf(*person_));
        personShown_ = true;
    });
}

void TMainForm::ShowPersonViews(const PersonViewData& data) {
    // Views filled from plain data show no loaded person; LoadIndividual says when they do.
    personShown_ = false;
    MainNameButton->setText(TrimmedName(data.mainName));
    FatherNameButton->setText(TrimmedName(data.fatherName));
    MotherNameButton->setText(TrimmedName(data.motherName));
    PaternalGrandfatherNameButton->setText(TrimmedName(data.paternalGrandfatherName));
    PaternalGrandmotherNameButton->setText(TrimmedName(data.paternalGrandmotherName));
    MaternalGrandfatherNameButton->setText(TrimmedName(data.maternalGrandfatherName));
    MaternalGrandmotherNameButton->setText(TrimmedName(data.maternalGrandmotherName));

    SetMemoLines(IndividualNotes, FromAnsiLines(data.notes));
    RawGedcomData->clear();
    RawGedcomData->addItems(FromAnsiLines(data.rawLines));
    SetMemoLines(DetailsMemo, FromAnsiLines(data.narrative));
    Tabs->setTabVisible(kNotesPage, !data.notes.empty());

    SpousesTree->clear();
    const QIcon spouseIcon = NodeIcon(TreeNodeImageList.value(kSpouseImage));
    const QIcon childIcon = NodeIcon(TreeNodeImageList.value(kChildImage));
    for (size_t s = 0; s < data.spouses.size(); ++s) {
        const PersonViewData::Spouse& spouse = data.spouses[s];
        auto* spouseNode = new QTreeWidgetItem(SpousesTree, QStringList(FromAnsi(spouse.name)));
        spouseNode->setIcon(0, spouseIcon);
        spouseNode->setData(0, kSpouseIndexRole, static_cast<int>(s));
        spouseNode->setData(0, kChildIndexRole, -1);
        for (size_t c = 0; c < spouse.children.size(); ++c) {
            auto* childNode =
                new QTreeWidgetItem(spouseNode, QStringList(FromAnsi(spouse.children[c])));
            childNode->setIcon(0, childIcon);
            childNode->setData(0, kSpouseIndexRole, static_cast<int>(s));
            childNode->setData(0, kChildIndexRole, static_cast<int>(c));
        }
    }

    SiblingsList->clear();
    for (size_t i = 0; i < data.siblings.size(); ++i) {
        auto* item = new QListWidgetItem(FromAnsi(data.siblings[i]), SiblingsList);
        item->setData(kSiblingIndexRole, static_cast<int>(i));
    }

    SpousesTree->expandAll();
    TreePanel->show();
    Tabs->show();
    SetButtons();
}

std::string TMainForm::PointerBetweenAts(std::string_view line) {
    const size_t first = line.find('@');
    if (first == std::string_view::npos) return {};
    const size_t second = line.find('@', first + 1);
    if (second == std::string_view::npos) return {};
    return std::string(line.substr(first + 1, second - first - 1));
}

void TMainForm::FatherNameButtonClick() { ShowRelative(*person_->FFather); }

void TMainForm::MotherNameButtonClick() { ShowRelative(*person_->FMother); }

void TMainForm::PaternalGrandfatherNameButtonClick() {
    ShowRelative(*person_->FPaternalGrandfather);
}

void TMainForm::PaternalGrandmotherNameButtonClick() {
    ShowRelative(*person_->FPaternalGrandmother);
}

void TMainForm::MaternalGrandfatherNameButtonClick() {
    ShowRelative(*person_->FMaternalGrandfather);
}

void TMainForm::MaternalGrandmotherNameButtonClick() {
    ShowRelative(*person_->FMaternalGrandmother);
}

void TMainForm::ShowRelative(const TGedcomPerson& relative) {
    if (!personShown_) return;
    const std::string pointer = relative.Pointer();
    if (!pointer.empty()) LoadIndividual(pointer);
}

void TMainForm::SpousesTreeMouseDown(Qt::MouseButton /*button*/, const QPoint& pos) {
    if (SpousesTree->selectedItems().isEmpty()) return;
    const QTreeWidgetItem* node = SpousesTree->itemAt(pos);
    if (node == nullptr || !NodeLabelRect(SpousesTree, node).contains(pos)) return;
    const int spouse = node->data(0, kSpouseIndexRole).toInt();
    const int child = node->data(0, kChildIndexRole).toInt();
    if (spouse < 0 || static_cast<size_t>(spouse) >= person_->SpouseCount()) return;
    const TGedcomPerson& entry = person_->Spouse(static_cast<size_t>(spouse));
    if (child < 0) {
        ShowRelative(entry);
    } else if (static_cast<size_t>(child) < entry.ChildCount()) {
        ShowRelative(entry.Child(static_cast<size_t>(child)));
    }
}

void TMainForm::SiblingsListMouseDown(Qt::MouseButton /*button*/, const QPoint& /*pos*/) {
    const QList<QListWidgetItem*> selected = SiblingsList->selectedItems();
    if (selected.isEmpty()) return;
    const int sibling = selected.first()->data(kSiblingIndexRole).toInt();
    if (sibling < 0 || static_cast<size_t>(sibling) >= person_->SiblingCount()) return;
    ShowRelative(person_->Sibling(static_cast<size_t>(sibling)));
}

void TMainForm::RawGedcomDataDblClick() {
    const QListWidgetItem* line = RawGedcomData->currentItem();
    if (line == nullptr || !line->isSelected()) return;
    const std::string pointer = PointerBetweenAts(ToAnsi(line->text()));
    if (!pointer.empty()) LoadGedComViewer(pointer);
}

void TMainForm::DetailsCopyButtonClick() { CopyLinesToClipboard(MemoLines(DetailsMemo)); }

void TMainForm::GedcomCopyButtonClick() { CopyLinesToClipboard(ListLines(RawGedcomData)); }

void TMainForm::NotesCopyButtonClick() { CopyLinesToClipboard(MemoLines(IndividualNotes)); }

void TMainForm::BrowseRecordButtonClick() {
    if (RawGedcomData->count() == 0) return;
    try {
        const std::string pointer = PointerBetweenAts(ToAnsi(RawGedcomData->item(0)->text()));
        if (!pointer.empty()) LoadGedComViewer(pointer);
    } catch (...) {
        MessageBox::Information(this, kCaption, QStringLiteral("Unable to load GEDCOM Browser"));
    }
}

void TMainForm::CopyLinesToClipboard(const QStringList& lines) {
    CopyPasteMemo->clear();
    SetMemoLines(CopyPasteMemo, lines);
    CopyPasteMemo->selectAll();
    // The memo's own copy would separate lines with LF and add rich text; the clipboard gets
    // the plain lines with CR LF between them.
    QGuiApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
}

void TMainForm::FormActivate() {
    if (!firstActivation_) return;
    RestorePlacement();
    RunGuarded(this, [this] {
        WaitCursor wait;
        TidyMasterIndex();
    });
    const QStringList recent = RecentFiles();
    if (!recent.isEmpty() && QFileInfo(recent.first()).isFile()) {
        RunGuarded(this, [this, &recent] { OpenGedcomFile(recent.first(), true); });
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
    const QString path = FileDialog::GetOpenFileName(
        this, QStringLiteral("OpenGedCom"), kOpenGedcomCaption, ProgramDirectory(), kGedcomFilter);
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
    if (!pointer.empty()) LoadIndividual(pointer);
}

void TMainForm::mnufindSurnameClick() {
    if (!GedTable.Active()) return;
    std::string chosen;
    {
        TSurnamesForm dialog(GedTable, *lookup_, this);
        dialog.SetCommandRunner(
            [&dialog](const std::function<void()>& command) { RunGuarded(&dialog, command); });
        dialog.SetInitialSurname(surnames::SurnameOf(person_->Name()));
        if (ExecSurnamesForm(dialog) == QDialog::Accepted) chosen = dialog.SelectedPointer();
    }
    if (!chosen.empty()) LoadIndividual(chosen);
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

void TMainForm::mnuContentsClick() { OpenUrl(HelpTopicUrl(1)); }

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

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // A press on the relatives' views is handled after the view has updated its selection,
    // as the views' own mouse-down handlers expect.
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == SpousesTree->viewport() || watched == SiblingsList->viewport())) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const Qt::MouseButton button = press->button();
        const QPoint pos = press->position().toPoint();
        const bool onTree = watched == SpousesTree->viewport();
        QTimer::singleShot(0, this, [this, onTree, button, pos] {
            RunGuarded(this, [this, onTree, button, pos] {
                if (onTree) {
                    SpousesTreeMouseDown(button, pos);
                } else {
                    SiblingsListMouseDown(button, pos);
                }
            });
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ConnectNameButton(TJLabel* label, void (TMainForm::*command)()) {
    connect(label, &TJLabel::OnClick, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}

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

void TMainForm::ConnectCommand(QAbstractButton* button, void (TMainForm::*command)()) {
    connect(button, &QAbstractButton::clicked, this,
            [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); });
}

void TMainForm::OpenUrl(const QUrl& url) { openUrl_(url); }

void TMainForm::OpenMasterIndex() {
    const QString masterFolder = WithTrailingSlash(
        MasterFolderSetting().isEmpty() ? DataDirectory() : MasterFolderSetting());
    // A master table that cannot be created leaves every file unindexed, as a failed open does.
    ForceDirectories(masterFolder);
    masterIndex_ = std::make_unique<gedcom::TMasterIndex>(PathBytes(masterFolder),
                                                          PathBytes(lookupFolder_));
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
    ::RestorePlacement(*this, TProfileFile(SettingsFilePath()),
                       QSize(kDesignWidth, kDesignHeight));
}

void TMainForm::SavePlacement() {
    TProfileFile settings(SettingsFilePath());
    ::SavePlacement(*this, settings);
}
