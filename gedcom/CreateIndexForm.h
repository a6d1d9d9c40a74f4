// TCreateIndexForm: the "Create Lookup Table" dialog through which every lookup table of a
// GEDCOM file is built, with its progress texts and its cancel button.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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
// dialog, and afterwards looks only at which files exist: a cancelled, refused or failed build
// leaves the table file and its index file as they were (none after a first build). The dialog has no close box; it is left
// through Cancel (result Rejected) or closes itself with the result Accepted when a build
// ends, however it ends. Owns its table component and creation component. User-interface
// thread only.
//
// Progress reports come far faster than anyone can read them: the builder's every 200 lines
// of the GEDCOM file, the table engine's at every record and key of an index build. During a
// build the dialog therefore keeps the latest texts and shows them, and processes pending
// window events (which delivers a click on Cancel Lookup Table Building), at most once per
// kRedrawInterval, and at once when the activity caption changes. When the build ends the
// labels hold the latest texts. The builder still looks at the cancel flag at every progress
// point, whether or not events were processed there.
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
    // is empty. Otherwise switches to the building state and runs the builder; an error or a
    // refusal is then shown in a message box with its text. Always ends by closing the dialog
    // with Accepted.
    void CreateButtonClick();
    // Closes the dialog with Rejected, building nothing.
    void CancelbuttonClick();
    // Asks the running build to stop (sets the build-cancel flag).
    void CancelindexbuttonClick();
    // Turns a status report of GedTable (stat1 code, stat2 value, stat3 total) into the
    // progress texts. Outside a build they are shown and pending window events processed at
    // once; during a build at once when a phase with a caption starts (an index sort or a
    // pack), otherwise when the redraw interval has passed, looking at the clock once every
    // kReportsPerClockRead reports.
    void GedTableStatus(int stat1, int stat2, int stat3);

    // The least time between two redraws of the progress labels during a build: at most
    // about 20 a second, while a click on Cancel Lookup Table Building still gets through
    // well within a tenth of a second.
    static constexpr std::chrono::milliseconds kRedrawInterval{50};
    // Table status reports between two looks at the clock during a build.
    static constexpr int kReportsPerClockRead = 100;

    // Processes pending window events during a build; QApplication::processEvents by
    // default. Tests and benchmarks count the calls here. Must not be empty.
    std::function<void()> PumpEvents;
    // The clock the redraw interval is measured on; std::chrono::steady_clock by default.
    // Tests drive it. Must not be empty.
    std::function<std::chrono::steady_clock::time_point()> Now;

    // Shows the message of an error that ended a build, after its files are gone. By default
    // a critical message box titled "Lineatum" over the dialog; the application puts its
    // pre-answerable message box here, and tests capture the message.
    std::function<void(const QString& message)> ShowBuildError;

    // The dialog's components, named as their objectName()s. Owned by the dialog.
    QLabel* IntroLabel = nullptr;
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

    // A label's latest text, Windows-1252 bytes, and whether the label does not show it yet.
    struct PendingText {
        std::string bytes;
        bool changed = false;
    };

    // Empties the progress labels and takes the IBM PC flag into GedTable.
    void FormCreate();
    void BuildControls();
    // Closes GedTable, dropping any unsaved record without asking; never throws.
    void CloseTableQuietly();
    // Keeps `text` as the latest text of a label; shown at the next redraw.
    static void SetPending(PendingText& pending, std::string_view text);
    // Puts the pending texts into their labels.
    void ShowPendingTexts();
    // Shows the pending texts and processes pending window events when `force` is set, when
    // no build runs, or when kRedrawInterval has passed since the last redraw of this build.
    void RedrawIfDue(bool force);

    TCreateIndexBuild build_;
    std::string gedcomPath_;
    std::string lookupPath_;
    // The total announced by the last phase start.
    int32_t statusTotal_ = 0;
    // The number shown in the "Index n Sort Progress" caption.
    int32_t indexNumber_ = 1;
    bool closing_ = false;

    PendingText pendingActivity_;
    PendingText pendingStatus_;
    PendingText pendingIndividuals_;
    // A build is running: redraws are throttled.
    bool building_ = false;
    // Whether lastRedraw_ holds the time of a redraw of the running build.
    bool redrawn_ = false;
    std::chrono::steady_clock::time_point lastRedraw_;
    // Table status reports since the clock was last read.
    int reportsSinceClockRead_ = 0;
};

// The whole-number percentage trunc(count / total * 100) followed by "% done", computed
// exactly; empty when `total` is not positive.
std::string PercentDone(int64_t count, int64_t total);
