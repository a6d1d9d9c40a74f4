// The program's one place where an error that ends a command is shown to the user.
#pragma once

#include <functional>

class QWidget;

// Runs `command`. An exception it throws is caught and its message shown in a message box over
// `parent` with the title "Lineatum"; it never escapes into the event loop, where Qt cannot
// unwind it. Engine messages are Windows-1252 bytes; a message that is valid UTF-8 (a
// file path the program names) is shown as UTF-8.
void RunGuarded(QWidget* parent, const std::function<void()>& command);

// Runs one handler of a window; an exception the handler throws must not leave it. Openers give
// their dialogs the program's error route (RunGuarded over the dialog).
using TCommandRunner = std::function<void(const std::function<void()>& command)>;

// Runs `command`, only logging an exception it throws (category "lineatum.dialogs", the text
// after `what`): the runner of a dialog whose opener gave it none.
void RunLogged(const char* what, const std::function<void()>& command);
