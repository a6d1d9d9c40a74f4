// TSurnamesForm: the "Find Surname" dialog, which browses the named individuals of the open
// GEDCOM file by surname: a letter, then a surname beginning with it, then a person of that
// surname, whose narrative is previewed before the user accepts.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "person/SurnameIndex.h"
#include "widgets/ErrorGuard.h"

class HTable;
class QEvent;
class QListView;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;
class QStringListModel;
class TGedcomPerson;
class TLookupTable;
class ToxSplit;

// The lists come from the lookup table through surnames::TSurnameIndex; the preview person is
// loaded through `lookup`, the person model's view of the same table. Neither is owned; both
// must outlive the dialog. The lookups leave the table where they found it; the preview moves
// its cursor as every person load does.
//
// Usage (the main window's mnufindSurnameClick): create, SetCommandRunner, SetInitialSurname,
// centre, exec; on Accepted SelectedPointer() names the person chosen; destroy. The first
// activation opens on the initial surname. Controls carry their names as objectNames.
// User-interface thread only.
class TSurnamesForm : public QDialog {
    Q_OBJECT

public:
    // Runs one handler; an exception it throws must not leave it. The opener passes the
    // program's error route; the default only logs.
    using CommandRunner = TCommandRunner;

    static const QString kCaption;
    // The buttons' captions in their order: A to Z, then '#' for the other initials.
    static const QString kLetters;

    // Builds the dialog (FormCreate): caption "Find Surname", a fixed 527 by 389 client area
    // without border icons; the strip of letter buttons, the surname list left of a vertical
    // bar at 233 pixels, the person list above a horizontal bar at 131 pixels with the preview
    // below it, "Ok" (the default button) and "Cancel".
    TSurnamesForm(HTable& table, TLookupTable& lookup, QWidget* parent = nullptr);
    ~TSurnamesForm() override;

    void SetCommandRunner(CommandRunner runner);

    // The surname to open on (as SurnameOf gives it), set before the dialog is shown; used
    // once, by the first activation.
    void SetInitialSurname(const std::string& surname) { initialSurname_ = surname; }
    // The pointer of the person previewed last; empty until one is.
    const std::string& SelectedPointer() const { return selectedPointer_; }

    // First activation: with an initial surname, presses the button of its initial and
    // selects the surname in the list (previewing its first person) when it is there. Later
    // calls change nothing.
    void FormActivate();
    // A letter button: the surnames under `letter` fill the surname list, the person list and
    // the preview are cleared, and the first surname, if any, is selected and shown.
    void AlphaButtonClick(QChar letter);
    // The surname list's selection: its persons fill the person list and the first, if any, is
    // selected and previewed.
    void SurnameListClick();
    // The person list's selection: that person becomes the selected pointer and is previewed.
    void PersonListClick();
    // "Ok": accepts only when a person has been previewed.
    void OKButtonClick();
    // "Cancel".
    void CancelButtonClick();

    // The controls, named as their objectName()s. Owned by the dialog.
    std::vector<QPushButton*> AlphaButtons;
    ToxSplit* SurnameSplit = nullptr;
    ToxSplit* PersonSplit = nullptr;
    QListView* SurnameList = nullptr;
    QListView* PersonList = nullptr;
    QPlainTextEdit* PreviewMemo = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // The surnames and persons listed, in list order (Windows-1252, as the lookups give them).
    const std::vector<std::string>& Surnames() const { return surnames_; }
    const std::vector<surnames::TSurnamePerson>& Persons() const { return persons_; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void Run(const std::function<void()>& command);
    void FillSurnames(QChar letter);
    void SelectRow(QListView* list, int row);
    int SelectedRow(const QListView* list) const;
    void ClearPersons();
    void ClearPreview();

    surnames::TSurnameIndex index_;
    TLookupTable& lookup_;
    std::unique_ptr<TGedcomPerson> preview_;
    std::string initialSurname_;
    std::string selectedPointer_;
    std::vector<std::string> surnames_;
    std::vector<surnames::TSurnamePerson> persons_;
    QStringListModel* surnameModel_ = nullptr;
    QStringListModel* personModel_ = nullptr;
    CommandRunner runner_;
    // Set while the dialog selects a row itself, so that the selection's own signal does not
    // run the handler a second time.
    bool selecting_ = false;
};
