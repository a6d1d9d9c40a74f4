// Routines every window of the program shares: where the program's files live (the help page
// beside the program; the settings, the master table and the lookup tables in the user's
// folders, never beside the program or in the working folder), creating folders,
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

// The program's folder in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config):
// ".../lineatum/", with its trailing "/". Not created here.
QString ConfigDirectory();
// The program's folder in the user's data folder ($XDG_DATA_HOME, else ~/.local/share):
// ".../lineatum/", with its trailing "/"; it holds the master table. Not created here.
QString DataDirectory();

// Where the lookup tables live: DataDirectory() + "Index/".
QString LookupDirectory();

// The settings file: ConfigDirectory() + "Quilbet.ini".
QString SettingsFilePath();

// The help file: HelpFilePathFor(ProgramDirectory()).
QString HelpFilePath();
// The help page of a program in `programDirectory`: "Quilbet.html" beside it (the build
// folder), else the installed page "../share/lineatum/Quilbet.html" from it (PREFIX/bin and
// PREFIX/share/lineatum); the page beside the program when neither exists.
QString HelpFilePathFor(const QString& programDirectory);

// Creates the directory `path` and any missing parents. Trailing "/"s are ignored. Returns true
// when the directory exists afterwards (an empty path names nothing and gives true).
bool ForceDirectories(const QString& path);

// Shows a modal box with the question icon, `text`, the title `caption` and the buttons Yes and
// No. Returns true only when the user chose Yes.
bool AskYesNo(const QString& text, const QString& caption);
