// Where the program's windows go before they are shown: the registered main window and the
// routine that centres every dialog over it. Shared by the application shell and by the dialogs
// of the lower layers, which cannot reach the shell.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where a window of outer size `windowSize` goes. When `isMainForm`, or when the main window is
// maximised, it is centred on `screen`; otherwise it is centred over `mainFrame`, the main
// window's outer rectangle. Halves are truncated toward zero, so a window larger than the screen
// gets a negative offset.
QPoint CentredPosition(bool isMainForm, const QSize& windowSize, const QRect& screen,
                       bool mainMaximised, const QRect& mainFrame);

// Names the program's main window for CentreDialog and the message boxes (null when there is
// none). The main window registers itself when it is created and unregisters when it is
// destroyed; the registration is also cleared when that window is deleted.
void SetMainWindow(QWidget* mainWindow);
QWidget* MainWindow();

// Moves `window` (before it is shown) to the place CentredPosition gives; the main window itself
// is recognised by its class name TMainForm, compared without regard to case. With no main
// window registered, a dialog is centred on the primary screen.
void CentreDialog(QWidget* window);
