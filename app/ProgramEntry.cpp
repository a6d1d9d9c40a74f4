#include "app/ProgramEntry.h"

#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QFileInfo>
#include <QStringList>

#include "app/Artwork.h"
#include "app/JustOne.h"
#include "app/MainForm.h"
#include "app/QtHost.h"
#include "table/Host.h"

namespace {

constexpr char kUsage[] =
    "Usage: lineatum [FILE.ged]\n"
    "Shows the people of a GEDCOM genealogy file, one person at a time.\n"
    "\n"
    "  FILE.ged     the file to open (its lookup table is built when needed);\n"
    "               without it the file viewed last is opened again\n"
    "  --help       show this text and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "A running Lineatum is brought to the front and opens FILE.ged instead.\n";

// Answers --help and --version, which need neither a display nor the single-instance check.
// Returns -1 when neither is asked for.
int AnswerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lineatum %s\n", LINEATUM_VERSION);
            return 0;
        }
    }
    return -1;
}

// The file argument, made absolute; sets `error` for an unknown option or a second file.
QString FileArgument(const QStringList& arguments, QString& error) {
    QString file;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            error = QStringLiteral("unknown option %1").arg(argument);
            return {};
        } else if (!file.isEmpty()) {
            error = QStringLiteral("one file at a time");
            return {};
        } else {
            file = argument;
        }
    }
    // Relative to the folder this start was made in, which a running instance does not know.
    return file.isEmpty() ? file : QFileInfo(file).absoluteFilePath();
}

}  // namespace

int RunLineatum(int argc, char** argv) {
    if (const int answered = AnswerInformationOptions(argc, argv); answered >= 0) return answered;

    QApplication app(argc, argv);
    QApplication::setApplicationName(TMainForm::kCaption);
    QApplication::setApplicationVersion(QStringLiteral(LINEATUM_VERSION));
    // Ties the window to its desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.lineatum.Lineatum"));
    QString error;
    const QString file = FileArgument(QApplication::arguments(), error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "lineatum: %s\n%s", error.toLocal8Bit().constData(), kUsage);
        return 2;
    }

    // Before any window exists: a second start only wakes the first one, handing over its file.
    auto* justOne = new TJustOne(
        qEnvironmentVariable(kInstanceNameVariable, TJustOne::DefaultServerName()), file);
    if (justOne->PreviousInstance()) {
        delete justOne;
        return 0;
    }

    QtHost host;
    InstallHost(&host);
    QCoreApplication::processEvents();
    QApplication::setWindowIcon(AppIcon());

    int exitCode = 0;
    {
        TMainForm mainForm(justOne);
        if (!file.isEmpty()) mainForm.OpenAtStart(file);
        mainForm.show();
        exitCode = QApplication::exec();
    }
    InstallHost(nullptr);
    return exitCode;
}
