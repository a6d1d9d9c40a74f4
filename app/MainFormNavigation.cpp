// TMainForm's ways into a file and through it besides the menus: the file named on the command
// line, files handed over by later starts and dropped on the window, Back and Forward through
// the persons shown, and the keyboard's copy on the views.
#include <algorithm>
#include <functional>
#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/JustOne.h"
#include "app/MainForm.h"
#include "person/GedcomPerson.h"
#include "widgets/ErrorGuard.h"
#include "widgets/MessageBox.h"
#include "widgets/TJLabel.h"

namespace {

// How long a handed-over file waits before the next look whether the window is free.
constexpr int kPendingRetryMs = 200;

bool IsGedcomName(const QString& path) {
    return path.endsWith(QStringLiteral(".ged"), Qt::CaseInsensitive);
}

// Hands every event of the application to a function first; the function returns true for
// the events it has handled.
class TEventHook : public QObject {
public:
    TEventHook(QObject* parent, std::function<bool(QObject*, QEvent*)> hook)
        : QObject(parent), hook_(std::move(hook)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return hook_(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> hook_;
};

}  // namespace

void TMainForm::InstallNavigationFilters() {
    for (QObject* view : {static_cast<QObject*>(SpousesTree), static_cast<QObject*>(SiblingsList),
                          static_cast<QObject*>(RawGedcomData), static_cast<QObject*>(DetailsMemo),
                          static_cast<QObject*>(IndividualNotes)}) {
        view->installEventFilter(this);
    }
    for (TJLabel* name : NameButtons()) name->installEventFilter(this);
    navigationHook_ = new TEventHook(this, [this](QObject* watched, QEvent* event) {
        return HistoryMouseButton(watched, event);
    });
    qApp->installEventFilter(navigationHook_);
}

bool TMainForm::IsCopyableView(QObject* watched) const {
    return watched == SpousesTree || watched == SiblingsList || watched == RawGedcomData ||
           watched == DetailsMemo || watched == IndividualNotes ||
           qobject_cast<TJLabel*>(watched) != nullptr;
}

void TMainForm::OpenAtStart(const QString& path) { startFile_ = path; }

void TMainForm::OpenHandedOver(const QString& path) {
    RaiseWindow();
    pendingOpens_ << path;
    SchedulePendingOpens(0);
}

void TMainForm::SchedulePendingOpens(int delayMs) {
    if (pendingOpensScheduled_) return;
    pendingOpensScheduled_ = true;
    QTimer::singleShot(delayMs, this, &TMainForm::OpenPendingFiles);
}

bool TMainForm::Busy() const {
    return busy_ > 0 || firstActivation_ || QApplication::activeModalWidget() != nullptr;
}

void TMainForm::OpenPendingFiles() {
    pendingOpensScheduled_ = false;
    if (pendingOpens_.isEmpty()) return;
    if (Busy()) {
        SchedulePendingOpens(kPendingRetryMs);
        return;
    }
    const QString path = pendingOpens_.takeFirst();
    RunGuarded(this, [this, &path] { OpenNamedFile(path); });
    if (!pendingOpens_.isEmpty()) SchedulePendingOpens(0);
}

void TMainForm::OpenNamedFile(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir()) {
        MessageBox::Warning(this, kCaption,
                            QStringLiteral("%1 is a folder, not a GEDCOM file.").arg(path));
        return;
    }
    if (!file.isFile()) {
        MessageBox::Warning(this, kCaption, QStringLiteral("The file %1 does not exist.").arg(path));
        return;
    }
    OpenGedcomFile(path, false);
}

QString TMainForm::DroppedGedcomFile(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && IsGedcomName(url.toLocalFile())) return url.toLocalFile();
    }
    return {};
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !DroppedGedcomFile(event->mimeData()->urls()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QString path = DroppedGedcomFile(event->mimeData()->urls());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // Opened after the drop has ended, so that the file manager is not kept waiting by a build.
    QTimer::singleShot(0, this, [this, path] { RunGuarded(this, [this, &path] { OpenNamedFile(path); }); });
}

void TMainForm::mnuBackClick() {
    if (history_.CanGoBack() && LookupTableActive()) ShowFromHistory(history_.GoBack());
}

void TMainForm::mnuForwardClick() {
    if (history_.CanGoForward() && LookupTableActive()) ShowFromHistory(history_.GoForward());
}

void TMainForm::ShowFromHistory(const std::string& pointer) {
    movingInHistory_ = true;
    LoadIndividual(pointer);
    movingInHistory_ = false;
    SetHistoryButtons();
}

void TMainForm::SetHistoryButtons() {
    const bool open = LookupTableActive();
    mnuBack->setEnabled(open && history_.CanGoBack());
    btnBack->setEnabled(mnuBack->isEnabled());
    mnuForward->setEnabled(open && history_.CanGoForward());
    btnForward->setEnabled(mnuForward->isEnabled());
}

bool TMainForm::HistoryMouseButton(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return false;
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() != Qt::BackButton && press->button() != Qt::ForwardButton) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) return false;
    const bool back = press->button() == Qt::BackButton;
    // After the press, so that no view is in the middle of handling it when it is refilled.
    QTimer::singleShot(0, this, [this, back] {
        RunGuarded(this, [this, back] { back ? mnuBackClick() : mnuForwardClick(); });
    });
    return true;
}

bool TMainForm::CopyFocusedView(QObject* view) {
    QStringList lines;
    if (auto* label = qobject_cast<TJLabel*>(view)) {
        lines << label->text();
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(view)) {
        // A selection is copied by the text box itself.
        if (memo->textCursor().hasSelection()) return false;
        lines << memo->toPlainText();
    } else if (auto* list = qobject_cast<QListWidget*>(view)) {
        QList<QListWidgetItem*> items = list->selectedItems();
        if (items.isEmpty()) {
            for (int i = 0; i < list->count(); ++i) items << list->item(i);
        }
        std::sort(items.begin(), items.end(), [list](QListWidgetItem* a, QListWidgetItem* b) {
            return list->row(a) < list->row(b);
        });
        for (const QListWidgetItem* item : items) lines << item->text();
    } else if (auto* tree = qobject_cast<QTreeWidget*>(view)) {
        if (tree->currentItem() == nullptr) return false;
        lines << tree->currentItem()->text(0);
    } else {
        return false;
    }
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
    return true;
}
