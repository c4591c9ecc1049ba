#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

// A real HTTP server on 127.0.0.1 standing in for the event-log endpoint. It
// records the head (request line and headers) of every request and answers
// each with 200 and a small JSON body.
class EventLogServer : public QObject
{
    Q_OBJECT

public:
    explicit EventLogServer(QObject* parent = nullptr);

    // The endpoint to point KESTREL_EVENT_LOG_URL at.
    QUrl url() const;

    // Heads as received, each starting with the request line, e.g.
    // "GET /log.html?json=...&type=event_info HTTP/1.1".
    const QList<QByteArray>& requestHeads() const { return m_heads; }

    // The decoded "json" query parameter of every request whose event_type is `type`.
    QList<QJsonObject> events(const QString& type) const;

    // The event in the head's json parameter; empty, with a warning, unless
    // the request line is exactly the form the reporting code sends.
    static QJsonObject eventOf(const QByteArray& head);

private:
    void accept();

    QTcpServer m_server;
    QList<QByteArray> m_heads;
};
