#include "app/ProgramEntry.h"

#include <QApplication>

#include "app/Artwork.h"
#include "app/JustOne.h"
#include "app/MainForm.h"
#include "app/QtHost.h"
#include "table/Host.h"

int RunLineatum(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(TMainForm::kCaption);

    // Before any window exists: a second start only wakes the first one.
    auto* justOne =
        new TJustOne(qEnvironmentVariable(kInstanceNameVariable, TJustOne::DefaultServerName()));
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
        mainForm.show();
        exitCode = QApplication::exec();
    }
    InstallHost(nullptr);
    return exitCode;
}
