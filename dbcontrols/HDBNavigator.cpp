#include "dbcontrols/HDBNavigator.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <exception>
#include <vector>

#include <QEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>

#include "dbcontrols/NavigatorGlyphs.h"
#include "table/HCtrlLink.h"
#include "table/HTable.h"
#include "widgets/ErrorGuard.h"
#include "widgets/MessageBox.h"

namespace {

struct ButtonInfo {
    const char* name;  // objectName, as the enumerator
    const char* word;  // glyph resource: "hcn_" + word
    const char* hint;
};

constexpr ButtonInfo kButtonInfo[kNavButtonCount] = {
    {"nbTop", "TOP", "First record"},        {"nbPrev", "PREVIOUS", "Prior record"},
    {"nbNext", "NEXT", "Next record"},       {"nbBttm", "BOTTOM", "Last record"},
    {"nbInsert", "APPEND", "Append record"}, {"nbCopy", "COPY", " Copy record"},
    {"nbEdit", "EDIT", "Edit record"},       {"nbDelete", "DELETE", "Delete record"},
    {"nbPost", "SAVE", "Save record"},       {"nbCancel", "CANCEL", "Cancel edit"},
    {"nbFind", "FIND", "Find record"},       {"nbRefresh", "REFRESH", "Refresh data"},
};

int IndexOf(HNavigateBtn button) { return static_cast<int>(button); }
HNavigateBtn ButtonAt(int index) { return static_cast<HNavigateBtn>(index); }

bool Editing(HTableState state) {
    return state == HTableState::Edit || state == HTableState::Insert;
}

// Searches `layout` and the layouts nested in it for `widget`.
bool LayoutHolds(QLayout* layout, const QWidget* widget) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) return true;
        if (item->layout() && LayoutHolds(item->layout(), widget)) return true;
    }
    return false;
}

}  // namespace

// The navigator's link: passes every notification on.
class HDBNavigator::Link : public HCtrlLink {
public:
    explicit Link(HDBNavigator& owner) : owner_(owner) {}

protected:
    void Notify(HDBEvent event, int32_t) override { owner_.LinkEvent(event); }

private:
    HDBNavigator& owner_;
};

const QString HDBNavigator::kDeleteQuestion = QStringLiteral("Delete record?");

HDBNavigator::HDBNavigator(QWidget* parent)
    : QWidget(parent), link_(std::make_unique<Link>(*this)) {
    setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < kNavButtonCount; ++i) {
        auto* button = new HNavButton(ButtonAt(i), this);
        button->setObjectName(QLatin1String(kButtonInfo[i].name));
        button->SetGlyph(NavigatorGlyph(QString::asprintf("hcn_%s", kButtonInfo[i].word)));
        connect(button, &HNavButton::pressed, this, [this, i] { SetFocusedButton(ButtonAt(i)); });
        connect(button, &HNavButton::clicked, this, [this, i] { UserClick(ButtonAt(i)); });
        buttons_[static_cast<size_t>(i)] = button;
    }
    ApplyHints();
    resize(kDefaultWidth, kDefaultHeight);
    Relayout();
    UpdateButtons(true, true);
}

HDBNavigator::~HDBNavigator() {
    // Let go of the table before the buttons go: nothing may reach them any more.
    link_.reset();
}

HTable* HDBNavigator::DBFTable() const { return link_->Table(); }

void HDBNavigator::SetDBFTable(HTable* table) {
    link_->SetTable(table);
    UpdateButtons(true, true);
}

HTable* HDBNavigator::ActiveTable() const {
    HTable* table = link_->Table();
    return table && table->Active() ? table : nullptr;
}

void HDBNavigator::SetVisibleButtons(HNavigateBtns buttons) {
    buttons &= kAllNavButtons;
    if (buttons == visible_) return;
    visible_ = buttons;
    if (!HasNavButton(visible_, focused_)) {
        for (int i = 0; i < kNavButtonCount; ++i) {
            if (HasNavButton(visible_, ButtonAt(i))) {
                SetFocusedButton(ButtonAt(i));
                break;
            }
        }
    }
    Relayout();
    updateGeometry();
    emit VisibleButtonsChanged(visible_);
}

void HDBNavigator::SetDirection(HNavDirection direction) {
    if (direction == direction_) return;
    direction_ = direction;
    Relayout();
    updateGeometry();
    emit DirectionChanged(direction_);
}

void HDBNavigator::SetConfirmDelete(bool on) {
    if (on == confirmDelete_) return;
    confirmDelete_ = on;
    emit ConfirmDeleteChanged(on);
}

void HDBNavigator::SetHints(const QStringList& hints) {
    if (hints == hints_) return;
    hints_ = hints;
    ApplyHints();
    emit HintsChanged(hints_);
}

QString HDBNavigator::DefaultHint(HNavigateBtn button) {
    return QString::fromLatin1(kButtonInfo[IndexOf(button)].hint);
}

QString HDBNavigator::Hint(HNavigateBtn button) const {
    const int i = IndexOf(button);
    if (i < hints_.size() && !hints_[i].isEmpty()) return hints_[i];
    return DefaultHint(button);
}

void HDBNavigator::ApplyHints() {
    for (HNavButton* button : buttons_) {
        const QString hint = Hint(button->Index());
        button->setToolTip(hint);
        button->setAccessibleName(hint);
    }
}

void HDBNavigator::SetCommandRunner(CommandRunner runner) { runner_ = std::move(runner); }

HNavButton* HDBNavigator::Button(HNavigateBtn button) const {
    return buttons_[static_cast<size_t>(IndexOf(button))];
}

QSize HDBNavigator::sizeHint() const {
    const QSize base(kDefaultWidth, kDefaultHeight);
    return (direction_ == HNavDirection::nbHorz ? base : base.transposed())
        .expandedTo(minimumSize());
}

// --- Clicks ----------------------------------------------------------------------------------

void HDBNavigator::Click(HNavigateBtn button) {
    if (clicking_) return;
    HTable* table = ActiveTable();
    if (!table) return;
    clicking_ = true;
    QPointer<HDBNavigator> self(this);
    try {
        Perform(button, *table);
    } catch (...) {
        if (self) Finish(button);
        throw;
    }
    if (self) Finish(button);
}

void HDBNavigator::Perform(HNavigateBtn button, HTable& table) {
    switch (button) {
        case HNavigateBtn::nbTop:
            table.First();
            break;
        case HNavigateBtn::nbPrev:
            table.Go(hmove::kPrevious);
            break;
        case HNavigateBtn::nbNext:
            table.Go(hmove::kNext);
            break;
        case HNavigateBtn::nbBttm:
            table.Last();
            break;
        case HNavigateBtn::nbInsert:
            table.Append();
            break;
        case HNavigateBtn::nbCopy:
            table.AppendCopy();
            if (OnRecordCopy) OnRecordCopy(kRecordEvent, kCopyInfo);
            break;
        case HNavigateBtn::nbEdit:
            // Off at once: the lock behind Edit may wait, and keep the window live meanwhile.
            Enable(HNavigateBtn::nbEdit, false);
            table.Edit();
            break;
        case HNavigateBtn::nbDelete:
            DeleteRecord(table);
            break;
        case HNavigateBtn::nbPost:
            table.Post();
            break;
        case HNavigateBtn::nbCancel:
            table.Cancel();
            break;
        case HNavigateBtn::nbFind:
            if (OnRecordFind) OnRecordFind(kRecordEvent, kFindInfo);
            break;
        case HNavigateBtn::nbRefresh:
            table.Refresh();
            break;
    }
}

void HDBNavigator::DeleteRecord(HTable& table) {
    bool deleteRecord = true;
    if (OnRecordDelete) {
        OnRecordDelete(deleteRecord);
    } else if (confirmDelete_) {
        deleteRecord = MessageBox::Question(this, QStringLiteral("Confirm"), kDeleteQuestion,
                                            QMessageBox::Ok | QMessageBox::Cancel,
                                            QMessageBox::Ok) != QMessageBox::Cancel;
    }
    // The handler or the question's event loop may have closed or destroyed the table.
    if (ActiveTable() != &table) return;
    if (deleteRecord) table.Delete();
    table.Go(hmove::kCurrent);
}

void HDBNavigator::Finish(HNavigateBtn button) {
    QPointer<HDBNavigator> self(this);
    struct ClearGuard {
        QPointer<HDBNavigator>& navigator;
        ~ClearGuard() {
            if (navigator) navigator->clicking_ = false;
        }
    } clear{self};
    // The Edit button follows the rules again: back on unless the table is now editing (or
    // cannot be edited at all).
    UpdateButtons(true, button == HNavigateBtn::nbEdit);
    if (OnClick) {
        const auto handler = OnClick;  // the handler may replace OnClick
        handler(button);
    }
}

void HDBNavigator::UserClick(HNavigateBtn button) {
    QPointer<HDBNavigator> self(this);
    const auto command = [self, button] {
        if (self) self->Click(button);
    };
    if (runner_) {
        const CommandRunner runner = runner_;  // a handler may replace it
        runner(command);
    } else {
        RunGuarded(this, command);
    }
}

// --- Enabling --------------------------------------------------------------------------------

void HDBNavigator::LinkEvent(HDBEvent event) {
    switch (event) {
        case HDBEvent::RecordChanged:
        case HDBEvent::NewRecord:
        case HDBEvent::Inserted:
        case HDBEvent::OrderChanged:
            UpdateButtons(true, false);
            break;
        case HDBEvent::StateChanged:
            UpdateButtons(false, true);
            break;
        case HDBEvent::Layout:
        case HDBEvent::TableGone:  // the link has let go already
            UpdateButtons(true, true);
            break;
        default:
            break;
    }
}

void HDBNavigator::UpdateButtons(bool movement, bool editing) {
    HTable* table = isEnabled() ? ActiveTable() : nullptr;
    if (movement) {
        const bool up = table && !table->Bof();
        const bool down = table && !table->Eof();
        Enable(HNavigateBtn::nbTop, up);
        Enable(HNavigateBtn::nbPrev, up);
        Enable(HNavigateBtn::nbNext, down);
        Enable(HNavigateBtn::nbBttm, down);
    }
    if (editing) {
        const bool inEdit = table && Editing(table->State());
        const bool writable = table && !table->ReadOnly();
        for (HNavigateBtn b : {HNavigateBtn::nbInsert, HNavigateBtn::nbCopy, HNavigateBtn::nbEdit,
                               HNavigateBtn::nbDelete}) {
            Enable(b, writable && !inEdit);
        }
        Enable(HNavigateBtn::nbPost, writable && inEdit);
        Enable(HNavigateBtn::nbCancel, writable && inEdit);
        Enable(HNavigateBtn::nbFind, table && !inEdit);
        Enable(HNavigateBtn::nbRefresh, table && !inEdit);
    }
}

void HDBNavigator::Enable(HNavigateBtn button, bool on) { Button(button)->setEnabled(on); }

void HDBNavigator::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) UpdateButtons(true, true);
    QWidget::changeEvent(event);
}

// --- Layout ----------------------------------------------------------------------------------

bool HDBNavigator::LaidOutByParent() const {
    const QWidget* parent = parentWidget();
    return parent && parent->layout() && LayoutHolds(parent->layout(), this);
}

void HDBNavigator::Relayout() {
    if (relayingOut_) return;  // resize() below comes back here
    relayingOut_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{relayingOut_};

    const int n = std::max<int>(1, std::popcount(visible_));
    const bool horizontal = direction_ == HNavDirection::nbHorz;
    const int least = n * (HNavButton::kMinimumSide - 1) + 1;
    setMinimumSize(horizontal ? QSize(least, HNavButton::kMinimumSide)
                              : QSize(HNavButton::kMinimumSide, least));
    QSize s = size().expandedTo(minimumSize());
    if (!LaidOutByParent()) {
        int length = horizontal ? s.width() : s.height();
        length = n * ((length - 1) / n) + 1;
        s = horizontal ? QSize(length, s.height()) : QSize(s.width(), length);
        if (s != size()) resize(s);
    }
    PlaceButtons(horizontal ? s.width() : s.height(), horizontal ? s.height() : s.width());
}

void HDBNavigator::PlaceButtons(int length, int thickness) {
    const int n = std::max<int>(1, std::popcount(visible_));
    const int step = (length - 1) / n;
    // Pixels left over when the length is not snapped go one each to the middle buttons first.
    const int extra = (length - 1) - n * step;
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [n](int a, int b) {
        return std::abs(2 * a - (n - 1)) < std::abs(2 * b - (n - 1));
    });
    std::vector<int> bonus(static_cast<size_t>(n), 0);
    for (int i = 0; i < extra && i < n; ++i) {
        bonus[static_cast<size_t>(order[static_cast<size_t>(i)])] = 1;
    }

    const bool horizontal = direction_ == HNavDirection::nbHorz;
    auto place = [&](HNavButton* button, int at, int size) {
        button->setGeometry(horizontal ? QRect(at, 0, size, thickness)
                                       : QRect(0, at, thickness, size));
    };
    int at = 0;
    int slot = 0;
    for (HNavButton* button : buttons_) {
        if (HasNavButton(visible_, button->Index())) {
            const int size = step + 1 + bonus[static_cast<size_t>(slot++)];
            place(button, at, size);
            at += size - 1;  // neighbours share their border pixel
            button->setVisible(true);
        } else {
            place(button, length + 1, step + 1);  // beyond the panel's end
            button->setVisible(false);
        }
    }
}

void HDBNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

// --- Keyboard --------------------------------------------------------------------------------

void HDBNavigator::SetFocusedButton(HNavigateBtn button) {
    if (button == focused_) return;
    focused_ = button;
    ShowFocus();
}

void HDBNavigator::ShowFocus() {
    const bool shown = hasFocus();
    for (HNavButton* button : buttons_) button->SetFocusShown(shown && button->Index() == focused_);
}

void HDBNavigator::MoveFocus(int step) {
    for (int i = IndexOf(focused_) + step; i >= 0 && i < kNavButtonCount; i += step) {
        if (HasNavButton(visible_, ButtonAt(i))) {
            SetFocusedButton(ButtonAt(i));
            return;
        }
    }
}

void HDBNavigator::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
            MoveFocus(-1);
            break;
        case Qt::Key_Right:
            MoveFocus(1);
            break;
        case Qt::Key_Space: {
            const HNavButton* button = Button(focused_);
            if (button->isEnabled() && !button->isHidden()) UserClick(focused_);
            break;
        }
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void HDBNavigator::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    ShowFocus();
}

void HDBNavigator::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    ShowFocus();
}
