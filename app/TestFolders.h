// Test support for the app tests: the temporary folder of one test run, where main windows keep
// their lookup tables ("Index/") and their master table unless a test points them elsewhere.
#pragma once

#include <QString>

// The run's folder, with its trailing "/". Created by the test entry and removed at its end.
QString TestRunFolder();

// Points windows created from now on at the run's folder again (TMainForm::SetFileFolders).
void UseTestRunFolders();
