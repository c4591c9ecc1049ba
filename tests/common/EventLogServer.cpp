#include "EventLogServer.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

EventLogServer::EventLogServer(QObject* parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &EventLogServer::accept);
}

QUrl EventLogServer::url() const
{
    return QUrl(u"http://127.0.0.1:%1/log.html"_s.arg(m_server.serverPort()));
}

QList<QJsonObject> EventLogServer::events(const QString& type) const
{
    QList<QJsonObject> found;
    for (const QByteArray& line : m_requestLines) {
        const QJsonObject event = eventOf(line);
        if (event.value("event_type"_L1).toString() == type)
            found.append(event);
    }
    return found;
}

QJsonObject EventLogServer::eventOf(const QByteArray& requestLine)
{
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() < 2)
        return {};
    const QUrlQuery query(QUrl::fromEncoded(parts.at(1)));
    const QString json = query.queryItemValue(u"json"_s, QUrl::FullyDecoded);
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

void EventLogServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            // Answer once the headers are complete; GET requests carry no body.
            if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n"))
                return;
            const QByteArray request = socket->readAll();
            const QByteArray line = request.left(request.indexOf("\r\n"));
            m_requestLines.append(line);
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                          "Content-Length: 2\r\nConnection: close\r\n\r\n{}");
            socket->disconnectFromHost();
            emit requestReceived(line);
        });
    }
}
