#include "app/WindowRoutines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "app/MessageBox.h"

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

QString WithTrailingSlash(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString ProgramDirectory() { return WithTrailingSlash(QCoreApplication::applicationDirPath()); }

QString LookupDirectory() { return ProgramDirectory() + QStringLiteral("Index/"); }

QString SettingsFilePath() { return ProgramDirectory() + QStringLiteral("Quilbet.ini"); }

QString HelpFilePath() { return ProgramDirectory() + QStringLiteral("Quilbet.html"); }

bool ForceDirectories(const QString& path) {
    QString dir = path;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    // The root and an empty path need no creating; neither can be created anyway.
    if (dir.isEmpty() || dir == QLatin1String("/")) return true;
    if (QFileInfo(dir).isDir()) return true;
    const qsizetype slash = dir.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0 && !ForceDirectories(dir.left(slash + 1))) return false;
    // mkdir fails when a racing creator got there first; what matters is that it exists now.
    return QDir().mkdir(dir) || QFileInfo(dir).isDir();
}

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

bool AskYesNo(const QString& text, const QString& caption) {
    return MessageBox::Question(MainWindow(), caption, text) == QMessageBox::Yes;
}
