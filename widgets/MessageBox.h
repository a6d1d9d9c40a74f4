// Message boxes of the program. Every box goes through here so that tests can answer the next one
// in advance instead of leaving a modal box on screen.
#pragma once

#include <optional>

#include <QMessageBox>
#include <QString>

class QWidget;

// Static wrappers over QMessageBox. User-interface thread only.
class MessageBox {
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    // What the last box was asked to show, pre-answered or not.
    struct Shown {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        Buttons buttons;
    };

    // Shows a modal box with the question icon. Returns the button chosen; closing the box
    // without a choice returns the escape button (No when offered).
    static Button Question(QWidget* parent, const QString& title, const QString& text,
                           Buttons buttons = Buttons(QMessageBox::Yes | QMessageBox::No),
                           Button defaultButton = QMessageBox::Yes);
    static Button Information(QWidget* parent, const QString& title, const QString& text);
    static Button Warning(QWidget* parent, const QString& title, const QString& text);
    static Button Critical(QWidget* parent, const QString& title, const QString& text);
    // The toolkit's about box: the application icon, a title and rich text.
    static void About(QWidget* parent, const QString& title, const QString& text);

    // The next box returns `answer` at once without being shown. One answer each time.
    static void SetNextAnswer(Button answer);
    // The last box asked for since the program started or since ClearLastShown.
    static std::optional<Shown> LastShown();
    static void ClearLastShown();

private:
    static Button Show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                       const QString& text, Buttons buttons, Button defaultButton);
};
