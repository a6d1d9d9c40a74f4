#include "app/JustOne.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

Q_LOGGING_CATEGORY(lcInstance, "lineatum.instance", QtWarningMsg)

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 1000;
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
const QByteArray kOpenRequest = QByteArrayLiteral("open ");

QByteArray RequestFor(const QString& file) {
    if (file.isEmpty()) return kRaiseRequest;
    return kOpenRequest + QFile::encodeName(file).toPercentEncoding() + '\n';
}

}  // namespace

QString TJustOne::DefaultServerName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName() + QLatin1Char('-') +
           QString::number(getuid());
}

TJustOne::TJustOne(const QString& serverName, const QString& fileToHandOver, QObject* parent)
    : QObject(parent), serverName_(serverName), fileToHandOver_(fileToHandOver) {
    if (AskRunningInstanceToRaise()) {
        previousInstance_ = true;
        return;
    }
    Listen();
}

TJustOne::~TJustOne() = default;

bool TJustOne::IsListening() const { return server_ != nullptr && server_->isListening(); }

bool TJustOne::AskRunningInstanceToRaise() {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(RequestFor(fileToHandOver_));
    socket.waitForBytesWritten(kWriteTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kWriteTimeoutMs);
    }
    qCInfo(lcInstance) << "another instance runs on" << serverName_ << "- asked it to raise";
    return true;
}

void TJustOne::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_) &&
        server_->serverError() == QAbstractSocket::AddressInUseError) {
        // Either an instance started at the same moment, or a crashed one left its socket.
        if (AskRunningInstanceToRaise()) {
            previousInstance_ = true;
            delete server_;
            server_ = nullptr;
            return;
        }
        QLocalServer::removeServer(serverName_);
        server_->listen(serverName_);
    }
    if (!server_->isListening()) {
        // Without the channel the viewer still works; later starts just are not caught.
        qCWarning(lcInstance) << "cannot listen on" << serverName_ << ":" << server_->errorString();
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &TJustOne::AcceptConnections);
    qCInfo(lcInstance) << "listening on" << serverName_;
}

void TJustOne::AcceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The request may already be buffered, even from a client that has gone again.
        if (socket->bytesAvailable() > 0) ReadRequest(socket);
    }
}

void TJustOne::ReadRequest(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray request = socket->readLine();
        if (request == kRaiseRequest) {
            qCInfo(lcInstance) << "raise requested by a later instance";
            emit RaiseRequested();
        } else if (request.startsWith(kOpenRequest) && request.endsWith('\n')) {
            const QString path = QFile::decodeName(QByteArray::fromPercentEncoding(
                request.mid(kOpenRequest.size(), request.size() - kOpenRequest.size() - 1)));
            qCInfo(lcInstance) << "a later instance hands over" << path;
            emit OpenRequested(path);
        }
    }
}
