#include "LoopbackHttpServer.h"

#include <QTcpSocket>

#include <memory>

using namespace Qt::StringLiterals;

LoopbackHttpServer::LoopbackHttpServer()
{
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this] { accept(); });
    server.listen(QHostAddress::LocalHost);
}

QString LoopbackHttpServer::logUrl() const
{
    return u"http://127.0.0.1:%1/log.html"_s.arg(server.serverPort());
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            heads.append(buffer->left(end));
            buffer->clear();
            const QByteArray body = R"({"code":0})";
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n"
                          "Content-Length: "
                          + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
}
