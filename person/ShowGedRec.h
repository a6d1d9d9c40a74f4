// TShowGedRec: the "View GEDCOM Section" dialog, which shows the raw lines of one record of the
// open GEDCOM file and walks from record to record by following the pointers in its lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "widgets/ErrorGuard.h"

class QEvent;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TLookupTable;

// A record is found through the lookup table's POINTER tag and read afresh from the GEDCOM file
// (GedcomState().CurrentGedcomPath) each time it is shown, exactly as the person model reads
// records, so any level-0 record with a pointer can be shown. Double-clicking a line that holds
// a pointer shows that record and remembers the one before it; "< &Back" walks that history
// back. Every activation of the dialog shows the current record again from the file.
//
// Usage (the main window's LoadGedComViewer): create, SetCurrentPointer, SetCommandRunner,
// centre, exec, destroy. Each opening starts with an empty history and Back disabled.
//
// The lookup table is not owned and must outlive the dialog; the dialog moves its cursor.
// Controls carry their design names as member names and objectNames. User-interface thread only.
class TShowGedRec : public QDialog {
    Q_OBJECT

public:
    // Runs one handler of the dialog; an exception the handler throws must not leave it. The
    // opener passes the program's error route (a message box); the default only logs.
    using CommandRunner = TCommandRunner;

    static const QString kCaption;
    static const QString kHint;

    // Builds the dialog (FormCreate): caption "View GEDCOM Section", a 591 by 402 client area,
    // resizable with a maximise box, the hint strip, the list and the three buttons.
    explicit TShowGedRec(TLookupTable& table, QWidget* parent = nullptr);
    ~TShowGedRec() override;

    // The pointer (without at-signs) of the record on display; set by the opener before the
    // dialog is shown.
    void SetCurrentPointer(const std::string& pointer);
    const std::string& CurrentPointer() const { return currentPointer_; }
    // The pointers to go back to, the last one on top.
    const std::vector<std::string>& History() const { return history_; }

    void SetCommandRunner(CommandRunner runner);

    // Shows the record of the current pointer. Called on every activation; the opener may call
    // it once before showing the dialog so that an unreadable file stops the opening. Throws
    // std::runtime_error when the GEDCOM file cannot be read; a pointer that is not in the
    // lookup table gives an empty list.
    void FormActivate();
    // Follows the pointer of the selected line (ExtractPointer: case kept, the tail when there
    // is no second at-sign): shows that record, pushes the current pointer onto the history and
    // enables Back. A line without a pointer beeps and changes nothing; so does no selection.
    void RecordLinesDblClick();
    // Shows the record on top of the history and pops it; Back stays enabled only while the
    // history has entries. Does nothing when the history is empty.
    void BackButtonClick();
    // "Close".
    void CloseButtonClick();
    // "Copy to Clipboard": the list's lines as plain text, joined by CR LF, through CopyBuffer.
    void CopyButtonClick();

protected:
    bool event(QEvent* event) override;
    // Sounds the system beep.
    virtual void Beep();

private:
    void FormCreate();
    // Replaces the list's items by the lines of the record `pointer`.
    void ShowRecord(const std::string& pointer);
    // Runs `command` through the runner. A record that could not be read leaves nothing to
    // browse: the failure has been reported by then, and the dialog closes.
    void Run(void (TShowGedRec::*command)());

    TLookupTable& table_;
    std::string currentPointer_;
    std::vector<std::string> history_;
    CommandRunner runner_;
    bool failed_ = false;

    QLabel* InfoPanel = nullptr;
    QListWidget* RecordLines = nullptr;
    QPushButton* CloseButton = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* CopyButton = nullptr;
    QPlainTextEdit* CopyBuffer = nullptr;
};
