// TMainForm's person views: loading a person and filling the pedigree, the relatives, the
// narrative, the raw record and the notes; navigating by clicking a relative; the copy and
// browse buttons of the pages.
#include <string>
#include <vector>

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

#include "app/MainForm.h"
#include "app/MainFormShared.h"
#include "app/WindowRoutines.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/StoredText.h"
#include "person/GedcomPerson.h"
#include "person/Narrative.h"
#include "widgets/AnsiText.h"
#include "widgets/ErrorGuard.h"
#include "widgets/MessageBox.h"
#include "widgets/TJLabel.h"
#include "widgets/WaitCursor.h"

using mainform::kNotesPage;

namespace {

constexpr int kSpouseImage = 2;
constexpr int kChildImage = 3;

// The person views show text as the GEDCOM file has it, decoded to UTF-8 by the models.
QStringList FromUtf8Lines(const std::vector<std::string>& lines) {
    QStringList converted;
    converted.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) converted << FromUtf8(line);
    return converted;
}

QString TrimmedName(const std::string& name) { return FromUtf8(gedcom::Trim(name)); }

// The pointer a shown line names, as the lookup table stores pointers.
std::string StoredPointerOf(const QString& line) {
    return gedcom::ToStoredText(TMainForm::PointerBetweenAts(ToUtf8(line)));
}

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

QList<TJLabel*> TMainForm::NameButtons() const {
    return {MainNameButton,
            FatherNameButton,
            MotherNameButton,
            PaternalGrandfatherNameButton,
            PaternalGrandmotherNameButton,
            MaternalGrandfatherNameButton,
            MaternalGrandmotherNameButton};
}

void TMainForm::ClearAllNames() {
    for (TJLabel* label : NameButtons()) label->clear();
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

void TMainForm::LoadIndividual(const std::string& pointer, bool mayBeCut) {
    if (gedcom::IsBlank(pointer)) return;
    // The load frees the entries of the previous person, which `pointer` may belong to.
    const std::string wanted = pointer;
    bool changed = false;
    RunGuarded(this, [this, &wanted, mayBeCut, &changed] {
        // Inside the guard, so that the normal cursor is back before an error is shown.
        WaitCursor wait;
        personShown_ = false;
        try {
            person_->LoadByPointer(wanted, mayBeCut);
        } catch (const EGedcomFileChanged&) {
            // Never a stranger under the wrong name: nothing of the load stays on screen.
            changed = true;
            ForgetPersonShown();
            return;
        }
        try {
            // The master table keeps the first 20 characters of a longer pointer.
            StoreLastUsed(gedcom::PadToWidth(person_->FPointer, gedcom::kPointerKeyWidth));
        } catch (...) {
            // Remembering the person is a convenience; the person is shown all the same.
        }
        ShowPersonViews(ViewDataOf(*person_));
        personShown_ = true;
        if (!movingInHistory_ && !person_->Pointer().empty()) history_.Shown(person_->Pointer());
        SetHistoryButtons();
    });
    if (changed && AskYesNo(FromUtf8(
                                EGedcomFileChanged(GedcomState().CurrentGedcomPath).what()),
                            kCaption)) {
        mnuRebuildIndexClick();
    }
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
    // Tab stops at the names that show somebody.
    for (TJLabel* name : NameButtons()) {
        name->setFocusPolicy(name->text().isEmpty() ? Qt::NoFocus : Qt::StrongFocus);
    }

    SetMemoLines(IndividualNotes, FromUtf8Lines(data.notes));
    RawGedcomData->clear();
    RawGedcomData->addItems(FromUtf8Lines(data.rawLines));
    SetMemoLines(DetailsMemo, FromUtf8Lines(data.narrative));
    Tabs->setTabVisible(kNotesPage, !data.notes.empty());

    SpousesTree->clear();
    const QIcon spouseIcon = NodeIcon(TreeNodeImageList.value(kSpouseImage));
    const QIcon childIcon = NodeIcon(TreeNodeImageList.value(kChildImage));
    for (size_t s = 0; s < data.spouses.size(); ++s) {
        const PersonViewData::Spouse& spouse = data.spouses[s];
        auto* spouseNode = new QTreeWidgetItem(SpousesTree, QStringList(FromUtf8(spouse.name)));
        spouseNode->setIcon(0, spouseIcon);
        spouseNode->setData(0, kSpouseIndexRole, static_cast<int>(s));
        spouseNode->setData(0, kChildIndexRole, -1);
        for (size_t c = 0; c < spouse.children.size(); ++c) {
            auto* childNode =
                new QTreeWidgetItem(spouseNode, QStringList(FromUtf8(spouse.children[c])));
            childNode->setIcon(0, childIcon);
            childNode->setData(0, kSpouseIndexRole, static_cast<int>(s));
            childNode->setData(0, kChildIndexRole, static_cast<int>(c));
        }
    }

    SiblingsList->clear();
    for (size_t i = 0; i < data.siblings.size(); ++i) {
        auto* item = new QListWidgetItem(FromUtf8(data.siblings[i]), SiblingsList);
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
    ShowSpousesTreeNode(node);
}

void TMainForm::ShowSpousesTreeNode(const QTreeWidgetItem* node) {
    if (node == nullptr) return;
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

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) && IsCopyableView(watched) &&
            CopyFocusedView(watched)) {
            return true;
        }
        const bool activates = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                                key->key() == Qt::Key_Space) &&
                               key->modifiers() == Qt::NoModifier;
        if (activates && (watched == SpousesTree || watched == SiblingsList)) {
            const bool onTree = watched == SpousesTree;
            RunGuarded(this, [this, onTree] {
                if (onTree) {
                    ShowSpousesTreeNode(SpousesTree->currentItem());
                } else {
                    SiblingsListMouseDown(Qt::NoButton, QPoint());
                }
            });
            return true;
        }
    }
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

void TMainForm::RawGedcomDataDblClick() {
    const QListWidgetItem* line = RawGedcomData->currentItem();
    if (line == nullptr || !line->isSelected()) return;
    const std::string pointer = StoredPointerOf(line->text());
    if (!pointer.empty()) LoadGedComViewer(pointer);
}

void TMainForm::DetailsCopyButtonClick() { CopyLinesToClipboard(MemoLines(DetailsMemo)); }

void TMainForm::GedcomCopyButtonClick() { CopyLinesToClipboard(ListLines(RawGedcomData)); }

void TMainForm::NotesCopyButtonClick() { CopyLinesToClipboard(MemoLines(IndividualNotes)); }

void TMainForm::BrowseRecordButtonClick() {
    if (RawGedcomData->count() == 0) return;
    try {
        const std::string pointer = StoredPointerOf(RawGedcomData->item(0)->text());
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
