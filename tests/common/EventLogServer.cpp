#include "EventLogServer.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QUrlQuery>

#include <memory>

using namespace Qt::StringLiterals;

EventLogServer::EventLogServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &EventLogServer::accept);
    m_server.listen(QHostAddress::LocalHost);
}

QUrl EventLogServer::url() const
{
    return QUrl(u"http://127.0.0.1:%1/log.html"_s.arg(m_server.serverPort()));
}

QList<QJsonObject> EventLogServer::events(const QString& type) const
{
    QList<QJsonObject> found;
    for (const QByteArray& head : m_heads) {
        const QJsonObject event = eventOf(head);
        if (event.value("event_type"_L1).toString() == type)
            found.append(event);
    }
    return found;
}

QJsonObject EventLogServer::eventOf(const QByteArray& head)
{
    const QList<QByteArray> parts = head.left(head.indexOf("\r\n")).split(' ');
    if (parts.size() < 2)
        return {};
    const QUrlQuery query(QUrl::fromEncoded(parts.at(1)));
    const QString json = query.queryItemValue(u"json"_s, QUrl::FullyDecoded);
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

void EventLogServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            // GET requests carry no body: the head ends the request.
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            m_heads.append(buffer->left(end));
            buffer->clear();
            const QByteArray body = R"({"code":0})";
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n"
                          "Content-Length: "
                          + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
}
