#include "app/WindowRoutines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "widgets/MessageBox.h"

QString WithTrailingSlash(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString ProgramDirectory() { return WithTrailingSlash(QCoreApplication::applicationDirPath()); }

namespace {

// The program's own folder below a standard location; lower case, as Linux programs name theirs.
QString ProgramFolderIn(QStandardPaths::StandardLocation location) {
    return WithTrailingSlash(QStandardPaths::writableLocation(location)) +
           QStringLiteral("lineatum/");
}

}  // namespace

QString ConfigDirectory() { return ProgramFolderIn(QStandardPaths::GenericConfigLocation); }

QString DataDirectory() { return ProgramFolderIn(QStandardPaths::GenericDataLocation); }

QString LookupDirectory() { return DataDirectory() + QStringLiteral("Index/"); }

QString SettingsFilePath() { return ConfigDirectory() + QStringLiteral("Quilbet.ini"); }

QString HelpFilePath() { return HelpFilePathFor(ProgramDirectory()); }

QString HelpFilePathFor(const QString& programDirectory) {
    const QString beside = WithTrailingSlash(programDirectory) + QStringLiteral("Quilbet.html");
    const QString installed = QDir::cleanPath(WithTrailingSlash(programDirectory) +
                                              QStringLiteral("../share/lineatum/Quilbet.html"));
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile()) return installed;
    return beside;
}

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

bool AskYesNo(const QString& text, const QString& caption) {
    return MessageBox::Question(MainWindow(), caption, text) == QMessageBox::Yes;
}
