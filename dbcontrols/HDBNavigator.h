// HDBNavigator: a row (or column) of up to twelve buttons bound to a table component: first,
// prior, next and last record; append, copy, edit and delete; save and cancel an edit; find;
// refresh. The buttons enable themselves from the table's state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include <QSize>
#include <QStringList>
#include <QWidget>

#include "dbcontrols/HNavButton.h"
#include "widgets/ErrorGuard.h"

class HTable;
enum class HDBEvent : int;

enum class HNavDirection { nbHorz, nbVert };

// The navigator follows its table through a link (HCtrlLink) and reads everything it shows from
// the table on each link notification; it owns its buttons, not the table. Destroying the
// navigator detaches it; destroying, closing or replacing the table is safe at any time (a
// destroyed table is let go of, and every button is disabled).
//
// Button actions on the table (Click): First; Go(hmove::kPrevious); Go(hmove::kNext); Last;
// Append; AppendCopy, then OnRecordCopy; Edit, with the Edit button disabled first; Delete, as
// OnRecordDelete or ConfirmDelete allow, then Go(hmove::kCurrent) whether or not a record was
// deleted; Post; Cancel; OnRecordFind; Refresh.
//
// Enabling, on every click and link notification (movement buttons on RecordChanged, NewRecord,
// Inserted and OrderChanged; the others on StateChanged; all on Layout and TableGone): nothing is
// enabled without an active table or while the navigator is disabled. Otherwise First and Prior
// need !Bof(), Next and Last !Eof(); Append, Copy, Edit and Delete a writable table that is not
// editing; Save and Cancel a writable table that is editing (edit or insert state); Find and
// Refresh a table that is not editing.
//
// Layout, for n visible buttons (n counted as at least 1), along the direction: the length is
// at least n * 19 + 1 and the thickness at least 20; each button is (length - 1) / n + 1 long and
// neighbours overlap by one pixel. A navigator placed freely snaps its length to
// n * ((length - 1) / n) + 1; one managed by its parent's layout keeps the length it is given
// and spreads the remaining pixels one each over the buttons, from the middle outwards. Hidden
// buttons lie outside the panel. Default size 241 x 25.
//
// Focus: by Tab and by a click (Qt::StrongFocus); setFocusPolicy(Qt::NoFocus) keeps the
// navigator out of the tab order.
// Keyboard, while the navigator has the focus: Left and Right move the focus to the previous or
// next visible button, Space clicks the focused button when it is enabled; the focused button
// shows a dotted focus rectangle. Pressing a button with the mouse makes it the focused button.
//
// User-interface thread only.
class HDBNavigator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(unsigned VisibleButtons READ VisibleButtons WRITE SetVisibleButtons NOTIFY
                   VisibleButtonsChanged)
    Q_PROPERTY(HNavDirection Direction READ Direction WRITE SetDirection NOTIFY DirectionChanged)
    Q_PROPERTY(
        bool ConfirmDelete READ ConfirmDelete WRITE SetConfirmDelete NOTIFY ConfirmDeleteChanged)
    Q_PROPERTY(QStringList Hints READ Hints WRITE SetHints NOTIFY HintsChanged)

public:
    // Runs one button action started by the mouse or the keyboard; an exception the action
    // throws must not leave it (Qt cannot unwind through its event loop). Without one (the
    // default, or after setting an empty one) the error's text is shown in a critical message
    // box titled "Lineatum".
    using CommandRunner = TCommandRunner;

    static constexpr int kDefaultWidth = 241;
    static constexpr int kDefaultHeight = 25;
    // OnRecordCopy and OnRecordFind are called with (kRecordEvent, kCopyInfo or kFindInfo).
    static constexpr int kRecordEvent = 10;
    static constexpr int32_t kCopyInfo = 0;
    static constexpr int32_t kFindInfo = 1;
    static const QString kDeleteQuestion;  // "Delete record?"

    // All twelve buttons, horizontal, ConfirmDelete on, default hints, no table, 241 x 25.
    explicit HDBNavigator(QWidget* parent = nullptr);
    ~HDBNavigator() override;

    // The table followed; null when none, or once the table was destroyed. Setting it (null:
    // none) detaches from the previous table and updates every button. Not owned.
    HTable* DBFTable() const;
    void SetDBFTable(HTable* table);

    // The buttons shown, in their fixed order; bits beyond the twelve are ignored. Relays out.
    HNavigateBtns VisibleButtons() const { return visible_; }
    void SetVisibleButtons(HNavigateBtns buttons);

    HNavDirection Direction() const { return direction_; }
    void SetDirection(HNavDirection direction);

    // Ask "Delete record?" (OK, Cancel) before deleting, unless OnRecordDelete is assigned.
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool on);

    // A non-empty entry i replaces the default hint of button i (entries after the twelfth are
    // kept but unused). Hints show as the buttons' tooltips.
    const QStringList& Hints() const { return hints_; }
    void SetHints(const QStringList& hints);
    // "First record", "Prior record", ... " Copy record" (with its leading blank) ...
    static QString DefaultHint(HNavigateBtn button);
    // The hint button `button` shows.
    QString Hint(HNavigateBtn button) const;

    // The button keyboard keys act on: the first visible one until moved.
    HNavigateBtn FocusedButton() const { return focused_; }

    // The runner of clicks by mouse and keyboard (see CommandRunner).
    void SetCommandRunner(CommandRunner runner);

    // Performs the action of `button` on the table, whether or not the button is visible or
    // enabled. Does nothing while another click is being handled or without an active table.
    // Afterwards, also when the action threw: the Edit button's enabling is recomputed after an
    // Edit click, the movement buttons are updated, OnClick is called, and the next click is
    // allowed again. Exceptions of the action (EZadarirError from the table) and of the handlers
    // propagate to the caller after that.
    void Click(HNavigateBtn button);

    // The widget of `button`, owned by the navigator; its objectName is the enumerator's name
    // ("nbTop", "nbPrev", ...).
    HNavButton* Button(HNavigateBtn button) const;

    QSize sizeHint() const override;

    // After every button action, also a failed one.
    std::function<void(HNavigateBtn button)> OnClick;
    // Replaces the confirmation when assigned: called with delRec true; the record is deleted
    // only when it stays true.
    std::function<void(bool& delRec)> OnRecordDelete;
    // Called after AppendCopy, and for Find, with (kRecordEvent, kCopyInfo / kFindInfo). The
    // answer is the handler's own (the navigator does not use it).
    std::function<bool(int event, int32_t info)> OnRecordCopy;
    std::function<bool(int event, int32_t info)> OnRecordFind;

signals:
    void VisibleButtonsChanged(unsigned buttons);
    void DirectionChanged(HNavDirection direction);
    void ConfirmDeleteChanged(bool on);
    void HintsChanged(const QStringList& hints);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class Link;

    // The table when it is active, else null.
    HTable* ActiveTable() const;
    // The action of Click, without the guard and the steps afterwards.
    void Perform(HNavigateBtn button, HTable& table);
    void DeleteRecord(HTable& table);
    void Finish(HNavigateBtn button);
    // A click from the mouse or the keyboard, through the command runner.
    void UserClick(HNavigateBtn button);
    void LinkEvent(HDBEvent event);
    void UpdateButtons(bool movement, bool editing);
    void Enable(HNavigateBtn button, bool on);
    void ApplyHints();
    void Relayout();
    void PlaceButtons(int length, int thickness);
    bool LaidOutByParent() const;
    void MoveFocus(int step);
    void SetFocusedButton(HNavigateBtn button);
    void ShowFocus();

    std::unique_ptr<Link> link_;
    std::array<HNavButton*, kNavButtonCount> buttons_{};
    HNavigateBtns visible_ = kAllNavButtons;
    HNavDirection direction_ = HNavDirection::nbHorz;
    bool confirmDelete_ = true;
    QStringList hints_;
    HNavigateBtn focused_ = HNavigateBtn::nbTop;
    CommandRunner runner_;
    bool clicking_ = false;
    bool relayingOut_ = false;
};
