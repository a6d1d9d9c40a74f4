// TPickPerson: the "Select Person" dialog, which lets the user choose any named individual of the
// open GEDCOM file from an alphabetical list, moving the list to the nearest name while the user
// types.
#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "dbcontrols/HDBNavigator.h"
#include "widgets/ErrorGuard.h"

class HDBPickList;
class HTable;
class QLineEdit;
class QPushButton;
class TFindDialog;

// A thin layer over the pick-list grid and the navigator, both bound to the lookup table the
// opener hands over (the main window's GedTable). The list shows the table in the order of its
// current tag, the NAME tag, whose keys are the record type followed by the upper-cased name; the
// opener limits the table to the keys from "I" to "J" so that only named individuals are listed,
// and clears that range when the dialog is gone. Searching uses namesearch::FindNearestName,
// which leaves the table's near-find switched on.
//
// Usage (the main window's mnuSelectPersonClick): create, SetCommandRunner, SetTable,
// SetNameColumnWidth(GridClientWidth()), centre, exec; on Accepted the table's current record is
// the person chosen; then SetTable(nullptr) and destroy. The table is not owned; it must stay
// open and alive while it is set. Controls carry their names as objectNames. User-interface
// thread only.
class TPickPerson : public QDialog {
    Q_OBJECT

public:
    // Runs one handler of the dialog or a navigator click; an exception the handler throws must
    // not leave it. The opener passes the program's error route (a message box); the default
    // only logs.
    using CommandRunner = TCommandRunner;

    static const QString kCaption;

    // Builds the dialog: caption "Select Person", a fixed 324 by 352 client area without border
    // icons; the search box (focused when shown), the grid (whole-row selection only, rows 18
    // pixels high), the navigator with first, prior, next, last and find, "Ok" (the default
    // button) and "Cancel", and the Find dialog with its options disabled.
    explicit TPickPerson(QWidget* parent = nullptr);
    // Unbinds the grid and the navigator.
    ~TPickPerson() override;

    void SetCommandRunner(CommandRunner runner);

    // Binds the dialog, the grid and the navigator to `table` (null unbinds them).
    void SetTable(HTable* table);
    HTable* Table() const { return table_; }
    // The grid's one column: the NAME field under the title "Last Name", left-aligned, `width`
    // pixels wide.
    void SetNameColumnWidth(int width);
    // The width of the grid's client area in pixels: what a column needs to fill it.
    int GridClientWidth() const;

    // "Ok" and a double-click on the grid: ends the dialog with Accepted.
    void OKButtonClick();
    // "Cancel": ends the dialog with Rejected.
    void CancelButtonClick();
    // The search text changed: a text that is not empty moves the table (and so the grid) to
    // the nearest name at or after it; an emptied box changes nothing.
    void PickFindChange(const QString& text);
    // The navigator's Find button: opens the Find dialog. Returns whether it opened.
    bool NavigatorRecordFind();
    // "Find Next" in the Find dialog: moves to the nearest name at or after its text, closes
    // the Find dialog and gives the grid the keyboard focus.
    void FindDialogFind();
    // After any navigator button: gives the grid the keyboard focus.
    void NavigatorClick(HNavigateBtn button);

    // The controls, named as their objectName()s. Owned by the dialog.
    QLineEdit* PickFind = nullptr;
    HDBPickList* PersonGrid = nullptr;
    HDBNavigator* Navigator = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    TFindDialog* FindDialog = nullptr;

protected:
    // Up, Down, Page Up and Page Down typed into the search box move the list.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void Run(const std::function<void()>& command);

    HTable* table_ = nullptr;
    CommandRunner runner_;
};
