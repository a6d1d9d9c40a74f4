// File dialogs of the program. Every dialog goes through here so that tests can pick the file (or
// cancel) in advance instead of leaving a modal dialog on screen.
#pragma once

#include <optional>

#include <QString>

class QWidget;

// Static wrappers over QFileDialog. User-interface thread only.
class FileDialog {
public:
    // What the last dialog was asked to show, pre-answered or not.
    struct Request {
        QString objectName;
        QString caption;
        QString directory;
        QString filter;
    };

    // Shows a modal dialog that picks one existing file. `objectName` names the dialog widget,
    // `filter` is in the toolkit's form ("GEDCOM Files (*.ged)"). Returns the chosen path, or an
    // empty string when the user cancels.
    static QString GetOpenFileName(QWidget* parent, const QString& objectName,
                                   const QString& caption, const QString& directory,
                                   const QString& filter);

    // The next dialog returns `path` at once without being shown; an empty path answers Cancel.
    static void SetNextFileName(const QString& path);
    // The last dialog asked for since the program started or since ClearLastRequest.
    static std::optional<Request> LastRequest();
    static void ClearLastRequest();
};
