#include "person/SurnamesForm.h"

#include <algorithm>
#include <exception>

#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTextCursor>
#include <QTimer>

#include "gedcom/GedcomStrings.h"
#include "person/GedcomPerson.h"
#include "person/Narrative.h"
#include "table/CharServices.h"
#include "widgets/AnsiText.h"
#include "widgets/ErrorGuard.h"
#include "widgets/ToxSplit.h"

const QString TSurnamesForm::kCaption = QStringLiteral("Find Surname");
const QString TSurnamesForm::kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ#");

namespace {

constexpr int kClientWidth = 527;
constexpr int kClientHeight = 389;
constexpr int kLetterStrip = 32;
constexpr int kButtonStrip = 52;
constexpr int kBorder = 5;
constexpr int kLetterSize = 15;
constexpr int kLetterGap = 3;
constexpr int kSurnameBarWidth = 10;
constexpr int kSurnameBarPosition = 233;
constexpr int kPersonBarWidth = 8;
constexpr int kPersonBarPosition = 131;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

QListView* MakeList(const char* name, QStringListModel* model) {
    auto* list = new QListView;
    list->setObjectName(QLatin1String(name));
    list->setModel(model);
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

}  // namespace

TSurnamesForm::TSurnamesForm(HTable& table, TLookupTable& lookup, QWidget* parent)
    : QDialog(parent),
      index_(table),
      lookup_(lookup),
      runner_([](const std::function<void()>& command) { RunLogged("find surname", command); }) {
    FormCreate();
}

TSurnamesForm::~TSurnamesForm() = default;

void TSurnamesForm::FormCreate() {
    setObjectName(QStringLiteral("SurnamesForm"));
    setWindowTitle(kCaption);
    // A title bar without border icons: Ok, Cancel and Escape end the dialog.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);

    for (int i = 0; i < kLetters.size(); ++i) {
        const QChar letter = kLetters[i];
        auto* button = new QPushButton(QString(letter), this);
        button->setObjectName(QStringLiteral("AlphaButton") +
                              (letter == QLatin1Char('#') ? QStringLiteral("Other") : letter));
        button->setGeometry(kBorder + i * (kLetterSize + kLetterGap),
                            (kLetterStrip - kLetterSize) / 2, kLetterSize, kLetterSize);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this,
                [this, letter] { Run([this, letter] { AlphaButtonClick(letter); }); });
        AlphaButtons.push_back(button);
    }

    surnameModel_ = new QStringListModel(this);
    personModel_ = new QStringListModel(this);
    SurnameList = MakeList("SurnameList", surnameModel_);
    PersonList = MakeList("PersonList", personModel_);
    PreviewMemo = new QPlainTextEdit;
    PreviewMemo->setObjectName(QStringLiteral("PreviewMemo"));
    PreviewMemo->setReadOnly(true);
    PreviewMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    SurnameSplit = new ToxSplit(this);
    SurnameSplit->setObjectName(QStringLiteral("SurnameSplit"));
    SurnameSplit->SetOrientation(ToxsOrientation::oxsVert);
    SurnameSplit->setGeometry(kBorder, kLetterStrip + kBorder, kClientWidth - 2 * kBorder,
                              kClientHeight - kLetterStrip - kButtonStrip - 2 * kBorder);
    SurnameSplit->SetBarWidth(kSurnameBarWidth);
    SurnameSplit->SetBarPosition(kSurnameBarPosition);
    SurnameSplit->Pane1()->SetChild(SurnameList);
    PersonSplit = new ToxSplit;
    PersonSplit->setObjectName(QStringLiteral("PersonSplit"));
    PersonSplit->SetOrientation(ToxsOrientation::oxsHorz);
    PersonSplit->SetBarWidth(kPersonBarWidth);
    SurnameSplit->Pane2()->SetChild(PersonSplit);
    PersonSplit->SetBarPosition(kPersonBarPosition);
    PersonSplit->Pane1()->SetChild(PersonList);
    PersonSplit->Pane2()->SetChild(PreviewMemo);

    const int buttonTop = kClientHeight - kButtonStrip + (kButtonStrip - kButtonHeight) / 2;
    OKButton = new QPushButton(QStringLiteral("Ok"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(kClientWidth - 2 * (kButtonWidth + 8), buttonTop, kButtonWidth,
                          kButtonHeight);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    CancelButton->setGeometry(kClientWidth - kButtonWidth - 8, buttonTop, kButtonWidth,
                              kButtonHeight);

    connect(SurnameList->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!selecting_) Run([this] { SurnameListClick(); });
    });
    connect(PersonList->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!selecting_) Run([this] { PersonListClick(); });
    });
    connect(OKButton, &QPushButton::clicked, this, [this] { Run([this] { OKButtonClick(); }); });
    connect(CancelButton, &QPushButton::clicked, this,
            [this] { Run([this] { CancelButtonClick(); }); });

    preview_ = std::make_unique<TGedcomPerson>(TPersonKind::pkMain, lookup_);
    selectedPointer_.clear();
}

void TSurnamesForm::SetCommandRunner(CommandRunner runner) { runner_ = std::move(runner); }

void TSurnamesForm::Run(const std::function<void()>& command) { runner_(command); }

bool TSurnamesForm::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) Run([this] { FormActivate(); });
    return handled;
}

void TSurnamesForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Without a window manager a dialog may never be activated: open on the surname anyway.
    QTimer::singleShot(0, this, [this] { Run([this] { FormActivate(); }); });
}

void TSurnamesForm::FormActivate() {
    if (initialSurname_.empty()) return;
    const std::string surname = AnsiUpper(gedcom::Trim(initialSurname_));
    initialSurname_.clear();
    if (surname.empty()) return;
    // The letter as the collation weighs it ("ÉLUARD" opens under E); a surname stored with
    // "Š" and with "š" is listed under two letters, and either will do.
    const std::vector<char> initials = surnames::InitialsOf(surname);
    for (char initial : initials) {
        FillSurnames(QLatin1Char(initial));
        const auto found = std::find(surnames_.begin(), surnames_.end(), surname);
        if (found != surnames_.end()) {
            SelectRow(SurnameList, static_cast<int>(found - surnames_.begin()));
            SurnameListClick();
            return;
        }
    }
    // Not listed (the table changed?): as a press of its first letter.
    AlphaButtonClick(QLatin1Char(initials.front()));
}

void TSurnamesForm::AlphaButtonClick(QChar letter) {
    FillSurnames(letter);
    if (surnames_.empty()) return;
    SelectRow(SurnameList, 0);
    SurnameListClick();
}

void TSurnamesForm::FillSurnames(QChar letter) {
    ClearPersons();
    ClearPreview();
    surnames_ = index_.ListSurnames(static_cast<char>(letter.toLatin1()));
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(surnames_.size()));
    for (const std::string& surname : surnames_) shown << FromAnsi(surname);
    surnameModel_->setStringList(shown);
}

void TSurnamesForm::SurnameListClick() {
    ClearPreview();
    const int row = SelectedRow(SurnameList);
    if (row < 0 || static_cast<size_t>(row) >= surnames_.size()) return;
    persons_ = index_.ListPersonsOfSurname(surnames_[static_cast<size_t>(row)]);
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(persons_.size()));
    for (const surnames::TSurnamePerson& person : persons_) shown << FromAnsi(person.name);
    personModel_->setStringList(shown);
    if (persons_.empty()) return;
    SelectRow(PersonList, 0);
    PersonListClick();
}

void TSurnamesForm::PersonListClick() {
    const int row = SelectedRow(PersonList);
    if (surnames_.empty() || persons_.empty() || row < 0 ||
        static_cast<size_t>(row) >= persons_.size() || SelectedRow(SurnameList) < 0) {
        return;
    }
    selectedPointer_.clear();
    selectedPointer_ = persons_[static_cast<size_t>(row)].pointer;
    preview_->LoadByPointer(selectedPointer_);
    std::vector<std::string> narrative;
    BuildNarrative(*preview_, narrative);
    QStringList lines;
    for (const std::string& line : narrative) lines << FromUtf8(line);
    PreviewMemo->setPlainText(lines.join(QLatin1Char('\n')));
    PreviewMemo->moveCursor(QTextCursor::Start);
    PreviewMemo->ensureCursorVisible();
}

void TSurnamesForm::OKButtonClick() {
    if (!selectedPointer_.empty()) accept();
}

void TSurnamesForm::CancelButtonClick() { reject(); }

void TSurnamesForm::SelectRow(QListView* list, int row) {
    selecting_ = true;
    const QModelIndex index = list->model()->index(row, 0);
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list->scrollTo(index);
    selecting_ = false;
}

int TSurnamesForm::SelectedRow(const QListView* list) const {
    // The current row: a mouse press makes the row current before it selects it, and the
    // handlers run when the current row changes.
    const QModelIndex current = list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TSurnamesForm::ClearPersons() {
    persons_.clear();
    personModel_->setStringList({});
}

void TSurnamesForm::ClearPreview() { PreviewMemo->clear(); }
