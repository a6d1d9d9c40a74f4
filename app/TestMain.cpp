// Test entry for the Qt libraries: widgets need a QApplication, and gtest_discover_tests runs the
// binary without the test's environment, so the headless platform is chosen here. Main windows
// keep their lookup tables and master table in a temporary folder of this run, never beside the
// program or in the working directory.
#include <cstdlib>
#include <stdlib.h>

#include <QApplication>
#include <QDir>

#include "app/MainForm.h"
#include "app/TestFolders.h"

#include <gtest/gtest.h>

namespace {

QString& RunFolder() {
    static QString folder;
    return folder;
}

}  // namespace

QString TestRunFolder() { return RunFolder(); }

void UseTestRunFolders() {
    TMainForm::SetFileFolders(RunFolder() + QStringLiteral("Index/"), RunFolder());
}

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    char pattern[] = "/tmp/lineatum-app-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    RunFolder() = QString::fromLocal8Bit(pattern) + QLatin1Char('/');
    UseTestRunFolders();
    const int result = RUN_ALL_TESTS();
    QDir(RunFolder()).removeRecursively();
    return result;
}
