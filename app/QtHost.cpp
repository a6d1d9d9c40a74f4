#include "app/QtHost.h"

#include <QCoreApplication>

#include "app/WindowRoutines.h"
#include "widgets/AnsiText.h"

void QtHost::ProcessPendingEvents() { QCoreApplication::processEvents(); }

bool QtHost::AskYesNo(const std::string& text, const std::string& caption, bool safeAnswer) {
    (void)safeAnswer;
    return ::AskYesNo(FromAnsi(text), FromAnsi(caption));
}
