// TJustOne: keeps the viewer to one running instance per user. A new start that finds a running
// instance asks it to bring its main window to the front (and to open the file the new start
// was given) and then ends without showing a window.
//
// The channel carries one request per line, in UTF-8:
//   "raise"          bring the main window to the front;
//   "open PATH"      the same, then open the file PATH (an absolute path, its bytes
//                    percent-encoded so that any file name fits on the line).
#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>

// Traffic between instances; off by default, shown with
// QT_LOGGING_RULES="lineatum.instance.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcInstance)

class QLocalServer;
class QLocalSocket;

// The guard of one process. The first instance listens on a local socket named after the program
// file and the user; a later instance connects to it, sends a raise request and reports
// PreviousInstance(). Created before any window; the main window takes ownership and answers
// RaiseRequested. User-interface thread only.
class TJustOne : public QObject {
    Q_OBJECT

public:
    // The channel name for this program and user: the program file's name without its directory
    // (extension included), "-" and the user id.
    // REQUIRES: a QCoreApplication exists.
    static QString DefaultServerName();

    // Looks for a running instance on channel `serverName` (a plain name or an absolute socket
    // path). When one answers, it is asked to raise its window, and to open `fileToHandOver`
    // when that is not empty, and PreviousInstance() is true; otherwise this object listens on
    // the channel, replacing a socket left behind by an instance that crashed.
    explicit TJustOne(const QString& serverName, const QString& fileToHandOver = QString(),
                      QObject* parent = nullptr);
    ~TJustOne() override;

    // True when another instance was running at construction.
    bool PreviousInstance() const { return previousInstance_; }
    // True when this object listens for later instances.
    bool IsListening() const;
    const QString& ServerName() const { return serverName_; }

signals:
    // A later instance asked this one to bring its main window to the front.
    void RaiseRequested();
    // A later instance was started with the file `path` (absolute) and asks this one to
    // bring its window to the front and open the file; RaiseRequested is not sent then.
    void OpenRequested(const QString& path);

private:
    bool AskRunningInstanceToRaise();
    void Listen();
    void AcceptConnections();
    void ReadRequest(QLocalSocket* socket);

    QString serverName_;
    QString fileToHandOver_;
    bool previousInstance_ = false;
    QLocalServer* server_ = nullptr;
};
