// The program's one place where an error that ends a command is shown to the user.
#pragma once

#include <functional>

class QWidget;

// Runs `command`. An exception it throws is caught and its message shown in a message box over
// `parent` with the title "Lineatum"; it never escapes into the event loop, where Qt cannot
// unwind it. Engine messages are Windows-1252 bytes; a message that is valid UTF-8 (a
// file path the program names) is shown as UTF-8.
void RunGuarded(QWidget* parent, const std::function<void()>& command);
