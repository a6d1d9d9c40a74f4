// Routines every window of the program shares: where the program's files live, creating folders,
// placing a dialog before it is shown (widgets/DialogPlacement.h, which the dialogs of the lower
// layers use as well), and asking a yes/no question.
#pragma once

#include <QString>

#include "widgets/DialogPlacement.h"

// Returns `dir` with a trailing "/" added when missing.
QString WithTrailingSlash(const QString& dir);

// The directory of the program file, always ending in "/".
// REQUIRES: a QCoreApplication exists.
QString ProgramDirectory();

// Where the lookup tables live: ProgramDirectory() + "Index/".
QString LookupDirectory();

// The settings file: ProgramDirectory() + "Quilbet.ini".
QString SettingsFilePath();

// The help file: ProgramDirectory() + "Quilbet.html".
QString HelpFilePath();

// Creates the directory `path` and any missing parents. Trailing "/"s are ignored. Returns true
// when the directory exists afterwards (an empty path names nothing and gives true).
bool ForceDirectories(const QString& path);

// Shows a modal box with the question icon, `text`, the title `caption` and the buttons Yes and
// No. Returns true only when the user chose Yes.
bool AskYesNo(const QString& text, const QString& caption);
