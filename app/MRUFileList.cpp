#include "app/MRUFileList.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <QLoggingCategory>
#include <QPair>
#include <QWidget>

#include "app/ProfileFile.h"
#include "widgets/ErrorGuard.h"

namespace {

Q_LOGGING_CATEGORY(lcRecentFiles, "lineatum.recentfiles")

// Where a message about a failed click goes: the window the menu belongs to. A QMenu is a popup
// window of its own, so its window() is itself; its owner is found through its parents.
QWidget* WindowOf(QMenu* menu) {
    QWidget* widget = menu;
    while (widget != nullptr && qobject_cast<QMenu*>(widget) != nullptr) {
        widget = widget->parentWidget();
    }
    return widget != nullptr ? widget->window() : nullptr;
}

}  // namespace

TMRUMenuItem::TMRUMenuItem(const QString& text, int entryNumber, QObject* parent)
    : QAction(text, parent), entryNumber_(entryNumber) {}

const QString TMRUFileList::kDefaultSubmenuName = QStringLiteral("Reopen");
const QString TMRUFileList::kDefaultAutoSaveKey = QStringLiteral("MRU Items");

TMRUFileList::TMRUFileList(QObject* parent)
    : QObject(parent), submenuName_(kDefaultSubmenuName), autoSaveKey_(kDefaultAutoSaveKey) {}

TMRUFileList::~TMRUFileList() {
    if (autoSave_) {
        try {
            Save();
        } catch (const std::exception& error) {
            qCWarning(lcRecentFiles, "Recent files not saved: %s", error.what());
        }
    }
    RemoveMenuItems();
}

void TMRUFileList::SetMaximum(int maximum) {
    maximum_ = std::clamp(maximum, 0, kMaximumLimit);
    Trim();
    RebuildMenu();
}

void TMRUFileList::SetUseSubmenu(bool on) {
    useSubmenu_ = on;
    RebuildMenu();
}

void TMRUFileList::SetSubmenuName(const QString& name) {
    submenuName_ = name;
    if (useSubmenu_) RebuildMenu();
}

void TMRUFileList::SetFileMenu(QMenu* menu) {
    fileMenu_ = menu;
    RebuildMenu();
}

bool TMRUFileList::Loaded() { return autoSave_ ? Load() : true; }

void TMRUFileList::Add(const QString& path) {
    const qsizetype at = entries_.indexOf(path);
    if (at < 0) {
        entries_.prepend(path);
        Trim();
    } else {
        entries_.move(at, 0);
    }
    RebuildMenu();
}

bool TMRUFileList::Load() {
    if (autoSaveName_.isEmpty() || autoSaveKey_.isEmpty()) return false;
    QStringList entries;
    // The order of the lines decides, not the numbers in the keys: a hand-edited section with
    // gaps or shuffled keys still loads as it reads.
    for (const QPair<QString, QString>& line :
         TProfileFile(autoSaveName_).ReadSection(autoSaveKey_)) {
        entries.append(line.second);
    }
    entries_ = std::move(entries);
    RebuildMenu();
    return true;
}

bool TMRUFileList::Save() {
    if (autoSaveName_.isEmpty() || autoSaveKey_.isEmpty()) return false;
    QList<QPair<QString, QString>> lines;
    lines.reserve(entries_.size());
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        lines.append({QStringLiteral("F%1").arg(i), entries_.at(i)});
    }
    TProfileFile(autoSaveName_).WriteSection(autoSaveKey_, lines);
    return true;
}

QString TMRUFileList::EntryCaption(int index, const QString& path) {
    QString shown = path;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 ").arg(index + 1) + shown;
}

void TMRUFileList::ItemClicked(TMRUMenuItem* item) {
    const int number = item != nullptr ? item->EntryNumber() : 0;
    if (number < 1 || number > Count()) return;
    const QString path = entries_.at(number - 1);
    ++clickDepth_;
    try {
        if (removeOnClick_) {
            entries_.removeAt(number - 1);
            RebuildMenu();
        }
        if (OnMRUItemClick) OnMRUItemClick(item, path);
    } catch (...) {
        --clickDepth_;
        throw;
    }
    --clickDepth_;
}

void TMRUFileList::Trim() {
    while (entries_.size() > maximum_) entries_.removeLast();
}

void TMRUFileList::RebuildMenu() {
    RemoveMenuItems();
    QMenu* const menu = fileMenu_;
    if (menu == nullptr || entries_.isEmpty()) return;

    auto* separator = new TMRUMenuItem(QString(), 0, menu);
    separator->setObjectName(QStringLiteral("MRUSeparator"));
    separator->setSeparator(true);
    menu->addAction(separator);
    placed_.append({separator, menu});

    QMenu* holder = menu;
    if (useSubmenu_) {
        submenu_ = new QMenu(submenuName_, menu);
        submenu_->setObjectName(QStringLiteral("MRUSubmenu"));
        auto* submenuItem = new TMRUMenuItem(submenuName_, 0, menu);
        submenuItem->setObjectName(QStringLiteral("MRUSubmenuItem"));
        submenuItem->setMenu(submenu_.data());
        menu->addAction(submenuItem);
        placed_.append({submenuItem, menu});
        holder = submenu_;
    }
    for (int i = 0; i < Count(); ++i) {
        TMRUMenuItem* item = MakeEntryItem(i, holder);
        holder->addAction(item);
        if (holder == menu) placed_.append({item, menu});
    }
}

void TMRUFileList::RemoveMenuItems() {
    QList<QObject*> doomed;
    for (const PlacedItem& placed : placed_) {
        if (placed.item == nullptr) continue;
        if (placed.holder != nullptr) placed.holder->removeAction(placed.item);
        // The submenu goes on its own; the item lets go of it first.
        if (placed.item->menu() != nullptr) placed.item->setMenu(static_cast<QMenu*>(nullptr));
        doomed.append(placed.item);
    }
    placed_.clear();
    if (submenu_ != nullptr) doomed.append(submenu_);
    submenu_ = nullptr;
    for (QObject* object : doomed) {
        if (clickDepth_ > 0) {
            object->deleteLater();
        } else {
            delete object;
        }
    }
}

TMRUMenuItem* TMRUFileList::MakeEntryItem(int index, QObject* parent) {
    auto* item = new TMRUMenuItem(EntryCaption(index, entries_.at(index)), index + 1, parent);
    item->setObjectName(QStringLiteral("MRUItem%1").arg(index + 1));
    connect(item, &QAction::triggered, this,
            [this, item] { RunGuarded(WindowOf(fileMenu_), [this, item] { ItemClicked(item); }); });
    return item;
}
