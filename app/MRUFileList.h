// TMRUFileList: the list of recently used files, shown as numbered items in a menu and kept in
// a section of the settings file. TMRUMenuItem: a menu item of that list.
#pragma once

#include <functional>

#include <QAction>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// A menu item put in a menu by a TMRUFileList. Its entry number is the 1-based position in the
// list of the path it stands for; 0 for the separator and the submenu item.
class TMRUMenuItem : public QAction {
    Q_OBJECT

public:
    TMRUMenuItem(const QString& text, int entryNumber, QObject* parent = nullptr);

    int EntryNumber() const { return entryNumber_; }

private:
    int entryNumber_;
};

// Called when an entry of the menu is clicked, with the clicked item and the entry's path.
using TMRUClick = std::function<void(TMRUMenuItem* sender, const QString& fileName)>;

// A most-recently-used list of file paths; entry 0 is the most recent. Paths are kept as given
// and compared exactly (on Linux "Tree.ged" and "tree.ged" are two files).
//
// Menu: while FileMenu is set and the list is not empty, the end of FileMenu holds a separator
// and then either a submenu item captioned SubmenuName holding the entries (UseSubmenu) or the
// entries themselves. Entry i reads "&" + (i + 1) + " " + path, every '&' of the path doubled,
// so that the number is the item's accelerator and the path shows as it is. Every change of the
// list or of Maximum, FileMenu, UseSubmenu and SubmenuName (the last only with UseSubmenu on)
// rebuilds these items; the list's earlier items are taken out of whatever menu holds them.
// The items belong to the list: they are removed when it is destroyed, and the submenu goes
// with its item. Items the list did not make are never touched.
//
// Settings file (AutoSaveName) section AutoSaveKey: "F0=<path of entry 0>", "F1=...", ....
//
// Not owned: FileMenu (a destroyed menu reads as null). User-interface thread only.
class TMRUFileList : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Maximum READ Maximum WRITE SetMaximum)
    Q_PROPERTY(bool RemoveOnClick READ RemoveOnClick WRITE SetRemoveOnClick)
    Q_PROPERTY(bool UseSubmenu READ UseSubmenu WRITE SetUseSubmenu)
    Q_PROPERTY(QString SubmenuName READ SubmenuName WRITE SetSubmenuName)
    Q_PROPERTY(QMenu* FileMenu READ FileMenu WRITE SetFileMenu)
    Q_PROPERTY(bool AutoSave READ AutoSave WRITE SetAutoSave)
    Q_PROPERTY(QString AutoSaveName READ AutoSaveName WRITE SetAutoSaveName)
    Q_PROPERTY(QString AutoSaveKey READ AutoSaveKey WRITE SetAutoSaveKey)

public:
    static constexpr int kDefaultMaximum = 5;
    static constexpr int kMaximumLimit = 255;
    static const QString kDefaultSubmenuName;  // "Reopen"
    static const QString kDefaultAutoSaveKey;  // "MRU Items"

    // An empty list: Maximum 5, RemoveOnClick on, UseSubmenu off, SubmenuName "Reopen", no
    // FileMenu, AutoSave on, AutoSaveName empty (nowhere to save), AutoSaveKey "MRU Items".
    explicit TMRUFileList(QObject* parent = nullptr);
    // Saves the list first when AutoSave is on; a write failure cannot leave a destructor, so
    // it is logged and the list is lost. Then removes the list's menu items.
    ~TMRUFileList() override;

    // --- Configuration --------------------------------------------------------------------
    // The longest the list grows, 0 to 255 (values outside are clamped). Lowering it below
    // Count() drops the oldest entries. Setting it rebuilds the menu.
    int Maximum() const { return maximum_; }
    void SetMaximum(int maximum);

    // Whether a clicked entry leaves the list (before OnMRUItemClick hears of it).
    bool RemoveOnClick() const { return removeOnClick_; }
    void SetRemoveOnClick(bool on) { removeOnClick_ = on; }

    // Entries in a submenu item captioned SubmenuName, or straight after the separator.
    // Setting it rebuilds the menu.
    bool UseSubmenu() const { return useSubmenu_; }
    void SetUseSubmenu(bool on);

    // The caption of the submenu item; setting it rebuilds the menu when UseSubmenu is on.
    const QString& SubmenuName() const { return submenuName_; }
    void SetSubmenuName(const QString& name);

    // The menu whose end shows the list; null: the list is shown nowhere. Setting it rebuilds
    // the menu. Not owned.
    QMenu* FileMenu() const { return fileMenu_; }
    void SetFileMenu(QMenu* menu);

    // Load at Loaded() and save at destruction.
    bool AutoSave() const { return autoSave_; }
    void SetAutoSave(bool on) { autoSave_ = on; }

    // The settings file, a path (see app/ProfileFile.h).
    const QString& AutoSaveName() const { return autoSaveName_; }
    void SetAutoSaveName(const QString& path) { autoSaveName_ = path; }

    // The settings file's section that holds the list.
    const QString& AutoSaveKey() const { return autoSaveKey_; }
    void SetAutoSaveKey(const QString& section) { autoSaveKey_ = section; }

    // Called, when set, after a click on an entry (see the items' click below). The click comes
    // from Qt's event loop; an exception it throws is shown by RunGuarded over FileMenu's
    // window and goes no further.
    TMRUClick OnMRUItemClick;

    // The end of configuration, for an owner that set the properties: loads the list when
    // AutoSave is on. Its result is Load()'s, or true when AutoSave is off. Throws nothing.
    bool Loaded();

    // --- The list -------------------------------------------------------------------------
    int Count() const { return static_cast<int>(entries_.size()); }
    // REQUIRES: 0 <= index < Count().
    const QString& Entry(int index) const { return entries_.at(index); }
    const QStringList& Entries() const { return entries_; }

    // Puts `path` first. A path already in the list (the exact same string) moves to the top;
    // a new one is inserted there and the oldest entries beyond Maximum drop out. Rebuilds the
    // menu.
    void Add(const QString& path);

    // Replaces the list by the values of section AutoSaveKey of file AutoSaveName, in the
    // order of their lines in the file (the key names are not looked at; a missing file or
    // section gives an empty list), and rebuilds the menu. Returns false, changing nothing,
    // when AutoSaveName or AutoSaveKey is empty; true otherwise.
    bool Load();

    // Replaces section AutoSaveKey of file AutoSaveName by "F0" = entry 0, "F1" = entry 1, ...
    // in one write (an empty list removes the section). Returns false, writing nothing, when
    // AutoSaveName or AutoSaveKey is empty; true otherwise. Throws std::runtime_error("Unable to
    // write to <path>") when the file cannot be written.
    bool Save();

    // The caption of entry `index` (0-based) for `path`: "&<index + 1> <path>" with every '&'
    // of the path doubled.
    static QString EntryCaption(int index, const QString& path);

    // What a click on `item` does (a triggered item of this list calls it): with n its entry
    // number, takes the path of entry n - 1; when RemoveOnClick, deletes that entry and rebuilds
    // the menu; then calls OnMRUItemClick(item, path) when it is set. Items with a number out of
    // the list's range are ignored. Exceptions of OnMRUItemClick propagate. `item` stays valid
    // until control returns to the event loop, even when the rebuild takes it out of the menu.
    void ItemClicked(TMRUMenuItem* item);

private:
    void Trim();
    void RebuildMenu();
    void RemoveMenuItems();
    TMRUMenuItem* MakeEntryItem(int index, QObject* parent);

    QStringList entries_;
    int maximum_ = kDefaultMaximum;
    bool removeOnClick_ = true;
    bool useSubmenu_ = false;
    QString submenuName_;
    QPointer<QMenu> fileMenu_;
    bool autoSave_ = true;
    QString autoSaveName_;
    QString autoSaveKey_;

    // The items this list put directly into a menu (the separator, the submenu item, or the
    // entries), each with the menu that holds it; the submenu itself.
    struct PlacedItem {
        QPointer<TMRUMenuItem> item;
        QPointer<QMenu> holder;
    };
    QList<PlacedItem> placed_;
    QPointer<QMenu> submenu_;
    // Above zero while a click is being handled: items taken out then are deleted later, not at
    // once, because the clicked one is still in use.
    int clickDepth_ = 0;
};
