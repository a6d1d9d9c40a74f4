#include "widgets/DialogPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QString>
#include <QWidget>

namespace {

QPointer<QWidget>& RegisteredMainWindow() {
    static QPointer<QWidget> window;
    return window;
}

QRect ScreenRect() {
    const QWidget* main = MainWindow();
    const QScreen* screen = main != nullptr ? main->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}

}  // namespace

QPoint CentredPosition(bool isMainForm, const QSize& windowSize, const QRect& screen,
                       bool mainMaximised, const QRect& mainFrame) {
    if (isMainForm || mainMaximised) {
        return QPoint(screen.left() + (screen.width() - windowSize.width()) / 2,
                      screen.top() + (screen.height() - windowSize.height()) / 2);
    }
    return QPoint(mainFrame.left() + (mainFrame.width() - windowSize.width()) / 2,
                  mainFrame.top() + (mainFrame.height() - windowSize.height()) / 2);
}

void SetMainWindow(QWidget* mainWindow) { RegisteredMainWindow() = mainWindow; }

QWidget* MainWindow() { return RegisteredMainWindow().data(); }

void CentreDialog(QWidget* window) {
    const bool isMainForm = QString::fromLatin1(window->metaObject()->className())
                                .compare(QLatin1String("TMAINFORM"), Qt::CaseInsensitive) == 0;
    const QWidget* main = MainWindow();
    const bool mainMaximised = main != nullptr && main->isMaximized();
    const QRect mainFrame = main != nullptr ? main->frameGeometry() : ScreenRect();
    window->move(CentredPosition(isMainForm, window->frameGeometry().size(), ScreenRect(),
                                 mainMaximised, mainFrame));

    // A window with the maximise button also needs the window menu; the toolkit adds it
    // whenever a title-bar button is asked for (QWidget::setWindowFlags), so nothing is left
    // to do here.
}
