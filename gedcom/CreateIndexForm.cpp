#include "gedcom/CreateIndexForm.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "widgets/AnsiText.h"

namespace {

constexpr int kClientWidth = 427;
constexpr int kClientHeight = 310;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kLabelWidth = 340;
constexpr int kLabelHeight = 17;

const char* const kIntroText =
    "We need to create a fast lookup table for the GEDCOM file. \n"
    "This will not change the GEDCOM file in any way.\n"
    "\n"
    "This could take a few minutes\n"
    "\n"
    "Press Create to start creating the lookup table, or cancel to quit.";

// GedTable has no OnZadarirError handler, so the builder's engine errors arrive as
// exceptions and its result never reports a handled failure; a refusal is reported the same
// way.
void RunBuilder(const std::string& gedcomPath, const std::string& lookupPath, HCreateTable& creator,
                HTable& table, TLookupBuildProgress& progress) {
    const gedcom::TLookupBuildResult result =
        gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, progress);
    if (!result.refused.empty()) {
        throw std::runtime_error("The lookup table cannot be built: " + result.refused + ".");
    }
}

}  // namespace

// Keeps the builder's texts for the dialog's labels. A new activity is a phase change and is
// shown at once; the counts and percentages wait for the next redraw.
class TCreateIndexForm::Progress : public TLookupBuildProgress {
public:
    explicit Progress(TCreateIndexForm& form) : form_(form) {}
    void SetActivity(std::string_view text) override {
        SetPending(form_.pendingActivity_, text);
        form_.RedrawIfDue(true);
    }
    void SetIndividuals(std::string_view text) override {
        SetPending(form_.pendingIndividuals_, text);
    }
    void SetStatus(std::string_view text) override { SetPending(form_.pendingStatus_, text); }
    void ProcessPendingEvents() override { form_.RedrawIfDue(false); }

private:
    TCreateIndexForm& form_;
};

std::string PercentDone(int64_t count, int64_t total) {
    if (total <= 0) return {};
    // Integer arithmetic: the floating-point quotient can fall just short of a whole
    // percentage (2900 of 10000 would show 28).
    return std::to_string(count * 100 / total) + "% done";
}

TCreateIndexForm::TCreateIndexForm(QWidget* parent, TCreateIndexBuild build)
    : QDialog(parent), build_(build ? std::move(build) : TCreateIndexBuild(RunBuilder)) {
    PumpEvents = [] { QApplication::processEvents(); };
    Now = [] { return std::chrono::steady_clock::now(); };
    BuildControls();
    ShowBuildError = [this](const QString& message) {
        QMessageBox::critical(this, QStringLiteral("Lineatum"), message);
    };

    GedTable.SetExclusive(true);
    GedTable.OnStatus = [this](int stat1, int stat2, int stat3) {
        GedTableStatus(stat1, stat2, stat3);
    };
    HCreateTable1.SetDBFTable(&GedTable);
    HCreateTable1.SetDBFType(HDBFTypes::FoxPro2);
    HCreateTable1.SetAutoOverwrite(true);
    HCreateTable1.SetKeepOpen(false);
    HCreateTable1.SetCreateFields(gedcom::LookupTableFields());

    FormCreate();
}

TCreateIndexForm::~TCreateIndexForm() {
    GedTable.OnStatus = nullptr;
    CloseTableQuietly();
}

void TCreateIndexForm::BuildControls() {
    setObjectName(QStringLiteral("CreateIndexForm"));
    setWindowTitle(QStringLiteral("Create Lookup Table"));
    // A title bar without a close box or system menu: the buttons are the only way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);

    auto makeLabel = [this](const char* name, int x, int y) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(x, y, kLabelWidth, kLabelHeight);
        return label;
    };
    IntroLabel = new QLabel(QString::fromLatin1(kIntroText), this);
    IntroLabel->setObjectName(QStringLiteral("IntroLabel"));
    IntroLabel->setWordWrap(true);
    IntroLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // 95 pixels hold the text in the classic dialog font; a larger desktop font wraps it onto
    // more lines, so the label grows downwards into the free space above the progress labels.
    IntroLabel->setGeometry(25, 21, 378, std::max(95, IntroLabel->heightForWidth(378)));
    activity = makeLabel("activity", 69, 136);
    status = makeLabel("status", 69, 155);
    individuals = makeLabel("individuals", 69, 174);

    auto makeButton = [this](const char* name, const char* text, int x, int y, int width) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(x, y, width, kButtonHeight);
        button->setAutoDefault(false);
        return button;
    };
    CreateButton = makeButton("CreateButton", "Create", 27, 262, kButtonWidth);
    Cancelbutton = makeButton("Cancelbutton", "Cancel", 328, 262, kButtonWidth);
    Cancelindexbutton =
        makeButton("Cancelindexbutton", "Cancel Lookup Table Building", 70, 199, 234);
    Cancelindexbutton->setEnabled(false);

    connect(CreateButton, &QPushButton::clicked, this, &TCreateIndexForm::CreateButtonClick);
    connect(Cancelbutton, &QPushButton::clicked, this, &TCreateIndexForm::CancelbuttonClick);
    connect(Cancelindexbutton, &QPushButton::clicked, this,
            &TCreateIndexForm::CancelindexbuttonClick);
}

void TCreateIndexForm::FormCreate() {
    activity->clear();
    status->clear();
    individuals->clear();
    pendingActivity_ = pendingStatus_ = pendingIndividuals_ = PendingText();
    GedTable.SetTransliterate(GedcomState().IbmPc());
}

void TCreateIndexForm::reject() {
    // Escape and the window manager's close request end up here; only Cancel may close.
    if (closing_) QDialog::reject();
}

void TCreateIndexForm::CancelbuttonClick() {
    closing_ = true;
    reject();
}

void TCreateIndexForm::CancelindexbuttonClick() { GedcomState().BuildCancelled = true; }

void TCreateIndexForm::CreateButtonClick() {
    CloseTableQuietly();
    if (gedcomPath_.empty()) return;

    indexNumber_ = 1;
    statusTotal_ = 0;
    // A flag left over from an earlier build must not delete this one.
    GedcomState().BuildCancelled = false;
    Cancelindexbutton->setEnabled(true);
    Cancelbutton->setEnabled(false);
    CreateButton->setEnabled(false);

    building_ = true;
    redrawn_ = false;
    reportsSinceClockRead_ = 0;
    bool failed = false;
    QString error;
    try {
        Progress progress(*this);
        build_(gedcomPath_, lookupPath_, HCreateTable1, GedTable, progress);
    } catch (const std::exception& e) {
        failed = true;
        error = FromAnsi(e.what());
    } catch (...) {
        failed = true;
    }
    building_ = false;
    // The last texts of the build may have come after the last redraw.
    ShowPendingTexts();
    if (failed && error.isEmpty()) error = QStringLiteral("An unexpected error occurred.");

    // A build that did not finish has left the files in place as they were.
    if (failed || GedcomState().BuildCancelled) {
        CloseTableQuietly();
        PumpEvents();
    }
    if (failed) ShowBuildError(error);

    Cancelindexbutton->setEnabled(false);
    closing_ = true;
    done(QDialog::Accepted);
}

void TCreateIndexForm::GedTableStatus(int stat1, int stat2, int stat3) {
    switch (stat1) {
        case -1: {
            const bool captioned = stat2 == 1 || stat2 == 11;
            if (stat2 == 1) {
                SetPending(pendingActivity_,
                           "Index " + std::to_string(indexNumber_) + " Sort Progress");
            } else if (stat2 == 11) {
                SetPending(pendingActivity_, "Pack Progress");
            }
            statusTotal_ = stat3;
            indexNumber_ = 2;
            // A new caption is a new phase for the user: shown at once.
            if (captioned) {
                RedrawIfDue(true);
                return;
            }
            break;
        }
        case 0:
            SetPending(pendingStatus_, "Finished");
            break;
        case 1:
        case 11:
            if (stat2 % 100 == 0) {
                const std::string text = PercentDone(stat2, statusTotal_);
                if (!text.empty()) SetPending(pendingStatus_, text);
            }
            break;
        default:
            break;
    }
    // An index build reports every record and every key: millions of calls, each worth less
    // than a microsecond, so even the clock is read only now and then.
    if (building_ && ++reportsSinceClockRead_ < kReportsPerClockRead) return;
    reportsSinceClockRead_ = 0;
    RedrawIfDue(false);
}

void TCreateIndexForm::SetPending(PendingText& pending, std::string_view text) {
    if (pending.bytes == text) return;
    pending.bytes.assign(text);
    pending.changed = true;
}

void TCreateIndexForm::ShowPendingTexts() {
    auto show = [](QLabel* label, PendingText& pending) {
        if (!pending.changed) return;
        label->setText(FromAnsi(pending.bytes));
        pending.changed = false;
    };
    show(activity, pendingActivity_);
    show(status, pendingStatus_);
    show(individuals, pendingIndividuals_);
}

void TCreateIndexForm::RedrawIfDue(bool force) {
    if (building_ && !force && redrawn_ && Now() - lastRedraw_ < kRedrawInterval) return;
    ShowPendingTexts();
    PumpEvents();
    // Measured from the end of the redraw, so that a slow repaint cannot take up the build.
    lastRedraw_ = Now();
    redrawn_ = true;
}

void TCreateIndexForm::CloseTableQuietly() {
    try {
        if (GedTable.State() == HTableState::Edit || GedTable.State() == HTableState::Insert) {
            GedTable.Cancel();
        }
        GedTable.SetActive(false);
    } catch (...) {
        // Closing is only tidying up here; the build's own outcome is what counts.
    }
}

