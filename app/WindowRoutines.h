// Routines every window of the program shares: where the program's files live, creating folders,
// placing a dialog before it is shown, and asking a yes/no question.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

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

// Where a window of outer size `windowSize` goes. When `isMainForm`, or when the main window is
// maximised, it is centred on `screen`; otherwise it is centred over `mainFrame`, the main
// window's outer rectangle. Halves are truncated toward zero, so a window larger than the screen
// gets a negative offset.
QPoint CentredPosition(bool isMainForm, const QSize& windowSize, const QRect& screen,
                       bool mainMaximised, const QRect& mainFrame);

// Names the program's main window for CentreDialog and AskYesNo (null when there is none). The
// main window registers itself when it is created and unregisters when it is destroyed.
void SetMainWindow(QWidget* mainWindow);
QWidget* MainWindow();

// Moves `window` (before it is shown) to the place CentredPosition gives; the main window itself
// is recognised by its class name TMainForm, compared without regard to case.
void CentreDialog(QWidget* window);

// Shows a modal box with the question icon, `text`, the title `caption` and the buttons Yes and
// No. Returns true only when the user chose Yes.
bool AskYesNo(const QString& text, const QString& caption);
