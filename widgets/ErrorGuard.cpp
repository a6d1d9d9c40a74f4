#include "widgets/ErrorGuard.h"

#include <exception>

#include <QLoggingCategory>
#include <QStringDecoder>

#include "widgets/AnsiText.h"
#include "widgets/MessageBox.h"

namespace {

// Engine messages are Windows-1252; messages about files the program names itself carry their
// paths in UTF-8. A message that is valid UTF-8 is read as such (plain ASCII reads the same
// either way).
QString MessageText(const char* bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(bytes));
    return utf8.hasError() ? FromAnsi(bytes) : text;
}

}  // namespace

void RunGuarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        MessageBox::Critical(parent, QStringLiteral("Lineatum"), MessageText(e.what()));
    } catch (...) {
        MessageBox::Critical(parent, QStringLiteral("Lineatum"),
                             QStringLiteral("An unexpected error occurred."));
    }
}

Q_LOGGING_CATEGORY(lcDialogs, "lineatum.dialogs")

void RunLogged(const char* what, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        qCWarning(lcDialogs) << what << ":" << e.what();
    } catch (...) {
        qCWarning(lcDialogs) << what << ": unexpected error";
    }
}
