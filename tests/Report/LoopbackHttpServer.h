#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

// A minimal HTTP server on 127.0.0.1 that records the head (request line and
// headers) of every request and answers each with 200 and a small JSON body.
class LoopbackHttpServer
{
public:
    LoopbackHttpServer();

    bool isListening() const { return server.isListening(); }
    QString logUrl() const;
    const QList<QByteArray>& requestHeads() const { return heads; }

private:
    void accept();

    QTcpServer server;
    QList<QByteArray> heads;
};
