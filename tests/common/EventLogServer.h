#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

// A real HTTP server on 127.0.0.1 that records each request's request line and
// answers it with an empty JSON object, standing in for the event-log endpoint.
class EventLogServer : public QObject
{
    Q_OBJECT

public:
    explicit EventLogServer(QObject* parent = nullptr);

    // The endpoint to point KESTREL_EVENT_LOG_URL at.
    QUrl url() const;

    // Request lines as received, e.g. "GET /log.html?json=...&type=event_info HTTP/1.1".
    QList<QByteArray> requestLines() const { return m_requestLines; }

    // The decoded "json" query parameter of every request whose event_type is `type`.
    QList<QJsonObject> events(const QString& type) const;

    static QJsonObject eventOf(const QByteArray& requestLine);

signals:
    void requestReceived(const QByteArray& requestLine);

private:
    void accept();

    QTcpServer m_server;
    QList<QByteArray> m_requestLines;
};
