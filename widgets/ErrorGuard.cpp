#include "widgets/ErrorGuard.h"

#include <exception>

#include "widgets/MessageBox.h"
#include "widgets/AnsiText.h"

void RunGuarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        MessageBox::Critical(parent, QStringLiteral("Lineatum"), FromAnsi(e.what()));
    } catch (...) {
        MessageBox::Critical(parent, QStringLiteral("Lineatum"),
                             QStringLiteral("An unexpected error occurred."));
    }
}
