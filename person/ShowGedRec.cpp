#include "person/ShowGedRec.h"

#include <exception>

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "gedcom/GedcomState.h"
#include "gedcom/StoredText.h"
#include "person/GedcomPerson.h"
#include "widgets/AnsiText.h"
#include "widgets/ErrorGuard.h"

const QString TShowGedRec::kCaption = QStringLiteral("View GEDCOM Section");
const QString TShowGedRec::kHint = QStringLiteral(
    "Double-click on any @ line to view the record.  Click on Back button to view the previous "
    "record.");

namespace {

constexpr int kClientWidth = 591;
constexpr int kClientHeight = 402;
constexpr int kHintHeight = 33;
constexpr int kButtonStripHeight = 43;
constexpr int kLineHeight = 16;

// Gives every line of the list the same fixed height, whatever the font.
class FixedLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kLineHeight);
    }
};

}  // namespace

TShowGedRec::TShowGedRec(TLookupTable& table, QWidget* parent)
    : QDialog(parent),
      table_(table),
      runner_([](const std::function<void()>& command) { RunLogged("record browser", command); }) {
    FormCreate();
}

TShowGedRec::~TShowGedRec() = default;

void TShowGedRec::FormCreate() {
    setObjectName(QStringLiteral("ShowGedRec"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    InfoPanel = new QLabel(kHint, this);
    InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    InfoPanel->setTextFormat(Qt::PlainText);
    InfoPanel->setFixedHeight(kHintHeight);
    InfoPanel->setContentsMargins(8, 0, 8, 0);
    layout->addWidget(InfoPanel);

    RecordLines = new QListWidget(this);
    RecordLines->setObjectName(QStringLiteral("RecordLines"));
    RecordLines->setFrameShape(QFrame::NoFrame);
    RecordLines->setUniformItemSizes(true);
    RecordLines->setItemDelegate(new FixedLineDelegate(RecordLines));
    layout->addWidget(RecordLines, 1);

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("ButtonPanel"));
    strip->setFixedHeight(kButtonStripHeight);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(8, 0, 8, 0);
    const auto addButton = [strip, stripLayout](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, strip);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        stripLayout->addWidget(button);
        return button;
    };
    CloseButton = addButton("CloseButton", QStringLiteral("Close"));
    BackButton = addButton("BackButton", QStringLiteral("< &Back"));
    CopyButton = addButton("CopyButton", QStringLiteral("Copy to Clipboard"));
    stripLayout->addStretch();
    layout->addWidget(strip);
    BackButton->setEnabled(false);

    // Serves the copy button only; never shown.
    CopyBuffer = new QPlainTextEdit(this);
    CopyBuffer->setObjectName(QStringLiteral("CopyBuffer"));
    CopyBuffer->hide();

    resize(kClientWidth, kClientHeight);

    connect(RecordLines, &QListWidget::itemDoubleClicked, this,
            [this] { Run(&TShowGedRec::RecordLinesDblClick); });
    connect(BackButton, &QPushButton::clicked, this,
            [this] { Run(&TShowGedRec::BackButtonClick); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { Run(&TShowGedRec::CloseButtonClick); });
    connect(CopyButton, &QPushButton::clicked, this, [this] { Run(&TShowGedRec::CopyButtonClick); });
}

void TShowGedRec::SetCurrentPointer(const std::string& pointer) { currentPointer_ = pointer; }

void TShowGedRec::SetCommandRunner(CommandRunner runner) { runner_ = std::move(runner); }

void TShowGedRec::FormActivate() { ShowRecord(currentPointer_); }

void TShowGedRec::RecordLinesDblClick() {
    const QListWidgetItem* line = RecordLines->currentItem();
    if (line == nullptr || !line->isSelected()) return;
    const std::string pointer =
        gedcom::ToStoredText(TGedcomPerson::ExtractPointer(ToUtf8(line->text())));
    if (pointer.empty()) {
        Beep();
        return;
    }
    ShowRecord(pointer);
    history_.push_back(currentPointer_);
    currentPointer_ = pointer;
    BackButton->setEnabled(true);
}

void TShowGedRec::BackButtonClick() {
    if (history_.empty()) return;
    const std::string previous = history_.back();
    ShowRecord(previous);
    history_.pop_back();
    currentPointer_ = previous;
    BackButton->setEnabled(!history_.empty());
}

void TShowGedRec::CloseButtonClick() { close(); }

void TShowGedRec::CopyButtonClick() {
    CopyBuffer->clear();
    QStringList lines;
    for (int row = 0; row < RecordLines->count(); ++row) lines << RecordLines->item(row)->text();
    CopyBuffer->setPlainText(lines.join(QLatin1Char('\n')));
    CopyBuffer->selectAll();
    // The memo's own copy would separate lines with LF and add rich text; the clipboard gets
    // the plain lines with CR LF between them.
    QGuiApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
}

bool TShowGedRec::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate && !failed_) Run(&TShowGedRec::FormActivate);
    return handled;
}

void TShowGedRec::Beep() { QApplication::beep(); }

void TShowGedRec::ShowRecord(const std::string& pointer) {
    std::vector<std::string> lines;
    TGedcomPerson::ReadRecordByPointer(table_, pointer, GedcomState().CurrentGedcomPath, lines);
    RecordLines->clear();
    for (const std::string& line : lines) RecordLines->addItem(FromUtf8(line));
}

void TShowGedRec::Run(void (TShowGedRec::*command)()) {
    bool finished = false;
    runner_([this, command, &finished] {
        (this->*command)();
        finished = true;
    });
    if (!finished) {
        // The message box of the failure has come and gone; reopening the same file on the
        // next activation would only fail again.
        failed_ = true;
        reject();
    }
}
