#include "person/PickPerson.h"

#include <exception>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include "dbcontrols/HDBPickList.h"
#include "gedcom/StoredText.h"
#include "person/NameSearch.h"
#include "table/HTable.h"
#include "widgets/AnsiText.h"
#include "widgets/ErrorGuard.h"
#include "widgets/FindDialog.h"

const QString TPickPerson::kCaption = QStringLiteral("Select Person");

namespace {

constexpr int kClientWidth = 324;
constexpr int kClientHeight = 352;
constexpr int kMargin = 8;
constexpr int kRowHeight = 18;
constexpr int kColumnWidth = 106;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kNavigatorWidth = 241;

bool MovesTheList(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

}  // namespace

TPickPerson::TPickPerson(QWidget* parent)
    : QDialog(parent),
      runner_([](const std::function<void()>& command) { RunLogged("select person", command); }) {
    FormCreate();
    Navigator->SetCommandRunner(runner_);
}

TPickPerson::~TPickPerson() { SetTable(nullptr); }

void TPickPerson::FormCreate() {
    setObjectName(QStringLiteral("PickPerson"));
    setWindowTitle(kCaption);
    // A title bar without border icons: Ok, Cancel and Escape end the dialog.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);

    const int innerWidth = kClientWidth - 2 * kMargin;
    PickFind = new QLineEdit(this);
    PickFind->setObjectName(QStringLiteral("PickFind"));
    PickFind->setGeometry(kMargin, kMargin, innerWidth, 22);
    PickFind->installEventFilter(this);

    const int gridTop = kMargin + 22 + 6;
    const int navigatorTop = kClientHeight - kMargin - kButtonHeight - 8 - kButtonHeight;
    PersonGrid = new HDBPickList(this);
    PersonGrid->setObjectName(QStringLiteral("PersonGrid"));
    PersonGrid->SetPermissions(luRowSelect);
    PersonGrid->SetDefaultRowHeight(kRowHeight);
    PersonGrid->SetDefaultColWidth(kColumnWidth);
    PersonGrid->setGeometry(kMargin, gridTop, innerWidth, navigatorTop - 6 - gridTop);

    Navigator = new HDBNavigator(this);
    Navigator->setObjectName(QStringLiteral("Navigator"));
    Navigator->SetDirection(HNavDirection::nbHorz);
    Navigator->SetVisibleButtons(
        NavButtons({HNavigateBtn::nbTop, HNavigateBtn::nbPrev, HNavigateBtn::nbNext,
                    HNavigateBtn::nbBttm, HNavigateBtn::nbFind}));
    Navigator->setGeometry(kMargin, navigatorTop, kNavigatorWidth, kButtonHeight);

    const int buttonTop = kClientHeight - kMargin - kButtonHeight;
    OKButton = new QPushButton(QStringLiteral("Ok"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(kClientWidth - kMargin - 2 * kButtonWidth - 6, buttonTop, kButtonWidth,
                          kButtonHeight);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    CancelButton->setGeometry(kClientWidth - kMargin - kButtonWidth, buttonTop, kButtonWidth,
                              kButtonHeight);

    FindDialog = new TFindDialog(this);
    FindDialog->OnFind = [this] { Run([this] { FindDialogFind(); }); };

    setTabOrder(PickFind, PersonGrid);
    setTabOrder(PersonGrid, Navigator);
    setTabOrder(Navigator, OKButton);
    setTabOrder(OKButton, CancelButton);
    PickFind->setFocus();

    connect(PickFind, &QLineEdit::textChanged, this,
            [this](const QString& text) { Run([this, text] { PickFindChange(text); }); });
    connect(PersonGrid, &HDBCustomGrid::DblClick, this,
            [this] { Run([this] { OKButtonClick(); }); });
    connect(OKButton, &QPushButton::clicked, this, [this] { Run([this] { OKButtonClick(); }); });
    connect(CancelButton, &QPushButton::clicked, this,
            [this] { Run([this] { CancelButtonClick(); }); });
    Navigator->OnClick = [this](HNavigateBtn button) { NavigatorClick(button); };
    Navigator->OnRecordFind = [this](int, int32_t) { return NavigatorRecordFind(); };
}

void TPickPerson::SetCommandRunner(CommandRunner runner) {
    runner_ = std::move(runner);
    Navigator->SetCommandRunner(runner_);
}

void TPickPerson::SetTable(HTable* table) {
    table_ = table;
    PersonGrid->SetPickDBFTable(table);
    Navigator->SetDBFTable(table);
}

void TPickPerson::SetNameColumnWidth(int width) {
    PersonGrid->SetPickFieldList({QStringLiteral("NAME;2;Last Name;0;0%%1").arg(width)});
}

int TPickPerson::GridClientWidth() const {
    // The grid is not laid out before it is first shown: its client area is its frame's inside
    // less the vertical scroll bar, which is always there.
    const int scrollBar = PersonGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                           PersonGrid->verticalScrollBar());
    return PersonGrid->contentsRect().width() - scrollBar;
}

void TPickPerson::OKButtonClick() { accept(); }

void TPickPerson::CancelButtonClick() { reject(); }

void TPickPerson::PickFindChange(const QString& text) {
    if (text.isEmpty() || table_ == nullptr) return;
    namesearch::FindNearestName(*table_, gedcom::ToStoredText(ToUtf8(text)));
}

bool TPickPerson::NavigatorRecordFind() { return FindDialog->Execute(); }

void TPickPerson::FindDialogFind() {
    if (table_ != nullptr) namesearch::FindNearestName(*table_, gedcom::ToStoredText(ToUtf8(FindDialog->FindText())));
    FindDialog->close();
    PersonGrid->setFocus();
}

void TPickPerson::NavigatorClick(HNavigateBtn /*button*/) { PersonGrid->setFocus(); }

bool TPickPerson::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PickFind && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (MovesTheList(key->key())) {
            bool handled = false;
            Run([this, key, &handled] {
                handled = PersonGrid->HandleKey(key->key(), key->modifiers());
            });
            if (handled) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPickPerson::Run(const std::function<void()>& command) { runner_(command); }
