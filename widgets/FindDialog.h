// TFindDialog: the standard "Find" dialog of a window: a text to find, "Find Next" and "Cancel".
// Modeless: the window that owns it stays usable while it is open.
#pragma once

#include <functional>

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The match-case, whole-word and direction options are shown disabled: the owners of this
// dialog search in one fixed way. User-interface thread only.
class TFindDialog : public QDialog {
    Q_OBJECT

public:
    explicit TFindDialog(QWidget* parent = nullptr);
    ~TFindDialog() override;

    // Shows the dialog (or brings it to the front when it is open already) with the find text
    // selected and focused. Returns whether it is on screen afterwards.
    bool Execute();
    // The text typed into "Find what".
    QString FindText() const;
    void SetFindText(const QString& text);

    // Called when the user presses "Find Next" (or Return) with a text that is not empty.
    std::function<void()> OnFind;

    // "Find Next": calls OnFind. Does nothing while the text is empty.
    void FindNextButtonClick();

    // The controls, named as their objectName()s. Owned by the dialog.
    QLineEdit* FindEdit = nullptr;
    QCheckBox* WholeWordCheck = nullptr;
    QCheckBox* MatchCaseCheck = nullptr;
    QRadioButton* UpButton = nullptr;
    QRadioButton* DownButton = nullptr;
    QPushButton* FindNextButton = nullptr;
    QPushButton* CancelButton = nullptr;
};
