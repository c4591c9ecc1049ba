#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// Keeps one running application per user. A second launch hands its file
// paths to the running one over a local socket and then exits.
//
// The socket lives in the temporary folder (QDir::tempPath), named after the
// user, so two users never share an instance.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands `paths` (possibly none) to a running instance. True when one
    // received them and confirmed; false when no instance is running.
    bool sendToRunningInstance(const QStringList& paths, int timeoutMs = 3000);

    // Becomes the running instance. False when another instance already
    // listens or the socket cannot be created.
    bool listen();

    static QString serverName();

signals:
    // Paths handed over by a later launch; empty when it named no file.
    void filesReceived(const QStringList& paths);

private:
    void acceptConnections();
    void readMessage(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};
