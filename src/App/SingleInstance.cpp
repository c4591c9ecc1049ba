#include "App/SingleInstance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>

#include <pwd.h>
#include <unistd.h>

namespace {
constexpr char kAcknowledgement = '\n';
constexpr qint64 kMaxMessageBytes = 16 * 1024 * 1024;
} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName()
{
    QString user = qEnvironmentVariable("USER");
    if (const passwd* entry = getpwuid(getuid()))
        user = QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("kestrel-archive-") + user;
}

bool SingleInstance::sendToRunningInstance(const QStringList& paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs))
        return false;

    // One JSON array and a newline; the running instance answers with a newline
    // once it has taken the paths, so we never exit before they arrived.
    QByteArray message = QJsonDocument(QJsonArray::fromStringList(paths)).toJson(QJsonDocument::Compact);
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
    auto server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(serverName())) {
        // Either another instance started at the same moment, or a crashed one
        // left its socket file behind. Only a socket nobody answers on is removed.
        QLocalSocket probe;
        probe.connectToServer(serverName());
        if (probe.waitForConnected(500)) {
            delete server;
            return false;
        }
        QLocalServer::removeServer(serverName());
        if (!server->listen(serverName())) {
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

    const QJsonDocument document = QJsonDocument::fromJson(socket->readLine());
    if (!document.isArray()) {
        socket->abort();
        return;
    }
    QStringList paths;
    for (const QJsonValue& value : document.array()) {
        if (value.isString())
            paths.append(value.toString());
    }
    socket->write(QByteArray(1, kAcknowledgement));
    socket->flush();
    emit filesReceived(paths);
}
