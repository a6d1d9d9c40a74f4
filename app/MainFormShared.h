// Internal to the main window's source files (MainForm*.cpp), not part of the app's API: the
// helpers and constants more than one of them uses.
#pragma once

#include <string>

#include <QFile>
#include <QString>

namespace mainform {

// A path as the engine takes it: the file system's bytes.
inline std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

inline const QString kOpenGedcomCaption = QStringLiteral("Open GEDCOM File");
inline const QString kMakerName = QStringLiteral("Veltrane Software");
// The index of the "Notes" page in Tabs.
inline constexpr int kNotesPage = 3;

}  // namespace mainform
