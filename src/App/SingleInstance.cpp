#include "App/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr char kAcknowledgement = '\n';
constexpr qint64 kMaxMessageBytes = 16 * 1024 * 1024;

// A folder, not a link, that is ours and that nobody else may enter.
bool isPrivateFolder(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == geteuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}
} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath()
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + "/kestrel-archive"_L1;
}

QString SingleInstance::runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    // The temporary folder is shared: a folder of this name made by someone
    // else, or a link, is refused rather than used.
    const QString own = QDir::tempPath() + "/kestrel-archive-"_L1 + QString::number(geteuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

bool SingleInstance::isOwnPeer(qintptr socketDescriptor)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    return getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0
        && size == sizeof(credentials) && credentials.uid == geteuid();
}

bool SingleInstance::sendToRunningInstance(const QStringList& paths, const QString& activationToken,
                                           int timeoutMs)
{
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (!isOwnPeer(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }

    // One JSON value and a newline: the paths, or with a token an object of
    // both (an earlier version reads the bare paths only). The running
    // instance answers with a newline once it has taken them, so we never
    // exit before they arrived.
    const QJsonDocument handOver = activationToken.isEmpty()
        ? QJsonDocument(QJsonArray::fromStringList(paths))
        : QJsonDocument(QJsonObject { { "paths"_L1, QJsonArray::fromStringList(paths) },
                                      { "activationToken"_L1, activationToken } });
    QByteArray message = handOver.toJson(QJsonDocument::Compact);
    message.append('\n');
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.bytesAvailable()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.read(1).startsWith(kAcknowledgement);
}

bool SingleInstance::listen()
{
    if (m_server)
        return true;
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    auto server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        // Either another instance started at the same moment, or a crashed one
        // left its socket file behind. Only a socket nobody answers on is removed.
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500)) {
            delete server;
            return false;
        }
        QLocalServer::removeServer(path);
        if (!server->listen(path)) {
            delete server;
            return false;
        }
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!isOwnPeer(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
    }
}

void SingleInstance::readMessage(QLocalSocket* socket)
{
    if (socket->bytesAvailable() > kMaxMessageBytes) {
        socket->abort();
        return;
    }
    if (!socket->canReadLine())
        return;

    // An object from this version; a bare array of paths from an earlier one.
    const QJsonDocument document = QJsonDocument::fromJson(socket->readLine());
    if (!document.isArray() && !document.isObject()) {
        socket->abort();
        return;
    }
    const QJsonArray pathValues
        = document.isArray() ? document.array() : document.object().value("paths"_L1).toArray();
    QStringList paths;
    for (const QJsonValue& value : pathValues) {
        if (value.isString())
            paths.append(value.toString());
    }
    socket->write(QByteArray(1, kAcknowledgement));
    socket->flush();
    const QString token = document.object().value("activationToken"_L1).toString();
    if (!token.isEmpty())
        emit activationTokenReceived(token);
    emit filesReceived(paths);
}
