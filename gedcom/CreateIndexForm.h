// TCreateIndexForm: the "Create Lookup Table" dialog through which every lookup table of a
// GEDCOM file is built, with its progress texts and its cancel button.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>

#include "gedcom/LookupBuildProgress.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

class QLabel;
class QPushButton;

// Builds the lookup table of `gedcomPath` at `lookupPath` (and its ".CDX" index beside it)
// through `creator` and `table`, reporting on `progress` and reading the build-cancel flag.
// Errors are thrown. The real one is gedcom::BuildLookupTable.
using TCreateIndexBuild =
    std::function<void(const std::string& gedcomPath, const std::string& lookupPath,
                       HCreateTable& creator, HTable& table, TLookupBuildProgress& progress)>;

// The modal dialog that explains the build, lets the user start or decline it, shows its
// progress and lets the user cancel it. The caller sets the two paths, centres and shows the
// dialog, and afterwards looks only at which files exist: a cancelled or failed build leaves
// neither the table file nor its index file behind. The dialog has no close box; it is left
// through Cancel (result Rejected) or closes itself with the result Accepted when a build
// ends, however it ends. Owns its table component and creation component. User-interface
// thread only.
class TCreateIndexForm : public QDialog {
    Q_OBJECT

public:
    // Builds the dialog in its waiting state (FormCreate). `build` replaces the lookup-table
    // builder; empty means the real one.
    explicit TCreateIndexForm(QWidget* parent = nullptr, TCreateIndexBuild build = {});
    ~TCreateIndexForm() override;

    // The GEDCOM file to read and the lookup table (".DBF") to write, as file-system bytes.
    // Set before the dialog is shown.
    const std::string& GedcomPath() const { return gedcomPath_; }
    void SetGedcomPath(const std::string& path) { gedcomPath_ = path; }
    const std::string& LookupPath() const { return lookupPath_; }
    void SetLookupPath(const std::string& path) { lookupPath_ = path; }

    // Refuses to close: the dialog is left only through its buttons or by a finished build.
    void reject() override;

    // Runs the build (Create). Does nothing more than closing GedTable when the GEDCOM path
    // is empty. Otherwise switches to the building state, runs the builder and, after a
    // cancel or an error, deletes the table file and its ".CDX" index file; an error is then
    // shown in a message box with its text. Always ends by closing the dialog with Accepted.
    void CreateButtonClick();
    // Closes the dialog with Rejected, building nothing.
    void CancelbuttonClick();
    // Asks the running build to stop (sets the build-cancel flag).
    void CancelindexbuttonClick();
    // Turns a status report of GedTable (stat1 code, stat2 value, stat3 total) into the
    // progress texts, then processes pending window events.
    void GedTableStatus(int stat1, int stat2, int stat3);

    // Shows the message of an error that ended a build, after its files are gone. By default
    // a critical message box titled "Lineatum" over the dialog; the application puts its
    // pre-answerable message box here, and tests capture the message.
    std::function<void(const QString& message)> ShowBuildError;

    // The dialog's components, named as their objectName()s. Owned by the dialog.
    QLabel* Label1 = nullptr;
    QLabel* activity = nullptr;
    QLabel* status = nullptr;
    QLabel* individuals = nullptr;
    QPushButton* CreateButton = nullptr;
    QPushButton* Cancelbutton = nullptr;
    QPushButton* Cancelindexbutton = nullptr;
    HTable GedTable;
    HCreateTable HCreateTable1;

private:
    class Progress;

    // Empties the progress labels and takes the IBM PC flag into GedTable.
    void FormCreate();
    void BuildControls();
    // Closes GedTable, dropping any unsaved record without asking; never throws.
    void CloseTableQuietly();
    // Deletes the table file and its index file when they exist; failures are ignored.
    void DeleteLookupFiles();

    TCreateIndexBuild build_;
    std::string gedcomPath_;
    std::string lookupPath_;
    // The total announced by the last phase start.
    int32_t statusTotal_ = 0;
    // The number shown in the "Index n Sort Progress" caption.
    int32_t indexNumber_ = 1;
    bool closing_ = false;
};

// The whole-number percentage trunc(count / total * 100) followed by "% done", computed
// exactly; empty when `total` is not positive.
std::string PercentDone(int64_t count, int64_t total);
