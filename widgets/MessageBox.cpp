#include "widgets/MessageBox.h"

namespace {

std::optional<MessageBox::Button>& NextAnswer() {
    static std::optional<MessageBox::Button> answer;
    return answer;
}

std::optional<MessageBox::Shown>& Last() {
    static std::optional<MessageBox::Shown> shown;
    return shown;
}

}  // namespace

MessageBox::Button MessageBox::Show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    const QString& text, Buttons buttons, Button defaultButton) {
    Last() = Shown{icon, title, text, buttons};
    if (NextAnswer()) {
        const Button answer = *NextAnswer();
        NextAnswer().reset();
        return answer;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (buttons.testFlag(QMessageBox::No)) box.setEscapeButton(QMessageBox::No);
    return static_cast<Button>(box.exec());
}

MessageBox::Button MessageBox::Question(QWidget* parent, const QString& title, const QString& text,
                                        Buttons buttons, Button defaultButton) {
    return Show(parent, QMessageBox::Question, title, text, buttons, defaultButton);
}

MessageBox::Button MessageBox::Information(QWidget* parent, const QString& title,
                                           const QString& text) {
    return Show(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

MessageBox::Button MessageBox::Warning(QWidget* parent, const QString& title, const QString& text) {
    return Show(parent, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

MessageBox::Button MessageBox::Critical(QWidget* parent, const QString& title,
                                        const QString& text) {
    return Show(parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::About(QWidget* parent, const QString& title, const QString& text) {
    Last() = Shown{QMessageBox::NoIcon, title, text, QMessageBox::Ok};
    if (NextAnswer()) {
        NextAnswer().reset();
        return;
    }
    QMessageBox::about(parent, title, text);
}

void MessageBox::SetNextAnswer(Button answer) { NextAnswer() = answer; }

std::optional<MessageBox::Shown> MessageBox::LastShown() { return Last(); }

void MessageBox::ClearLastShown() { Last().reset(); }
