#include "EventLogServer.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>

#include <memory>

using namespace Qt::StringLiterals;

EventLogServer::EventLogServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &EventLogServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost))
        qWarning() << "event-log server cannot listen:" << m_server.errorString();
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
    // Every byte of the JSON but the unreserved ones arrives percent-encoded.
    static const QRegularExpression requestLine(
        u"^GET /log\\.html\\?json=((?:[A-Za-z0-9._~-]|%[0-9A-F]{2})*)&type=event_info HTTP/1\\.1$"_s);
    const QString line = QString::fromLatin1(head.left(head.indexOf("\r\n")));
    const QRegularExpressionMatch match = requestLine.match(line);
    if (!match.hasMatch()) {
        qWarning() << "unexpected request line" << line;
        return {};
    }
    const QByteArray json = QByteArray::fromPercentEncoding(match.captured(1).toLatin1());
    if (json.contains('\n')) {
        qWarning() << "json not compact" << json;
        return {};
    }
    return QJsonDocument::fromJson(json).object();
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
