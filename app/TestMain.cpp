// Test entry for the Qt libraries: widgets need a QApplication, and gtest_discover_tests runs the
// binary without the test's environment, so the headless platform is chosen here. Main windows
// keep their lookup tables and master table in a temporary folder of this run, and the user's
// configuration and data folders are folders of this run too: a test never touches the real
// ones.
#include <cstdlib>
#include <string>
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
    setenv("XDG_CONFIG_HOME", (std::string(pattern) + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (std::string(pattern) + "/data").c_str(), 1);
    UseTestRunFolders();
    const int result = RUN_ALL_TESTS();
    QDir(RunFolder()).removeRecursively();
    return result;
}
