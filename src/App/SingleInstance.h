#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// Keeps one running application per user. A second launch hands its file
// paths to the running one over a local socket and then exits.
//
// The socket lives in a folder only we can enter: $XDG_RUNTIME_DIR, or where
// that is unset or not private, a 0700 folder of ours in the temporary folder
// named by our uid. Both ends check that the other runs as us (SO_PEERCRED),
// so paths never go to or come from another user.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands `paths` (possibly none) and this launch's activation token (may
    // be empty) to a running instance. True when one received them and
    // confirmed; false when no instance is running.
    bool sendToRunningInstance(const QStringList& paths, const QString& activationToken = {},
                               int timeoutMs = 3000);

    // Becomes the running instance. False when another instance already
    // listens or the socket cannot be created.
    bool listen();

    // The socket's full path; empty when no private folder can be had.
    static QString socketPath();

signals:
    // The activation token of a later launch, right before its paths.
    void activationTokenReceived(const QString& token);
    // Paths handed over by a later launch; empty when it named no file.
    void filesReceived(const QStringList& paths);

private:
    static QString runtimeFolder();
    static bool isOwnPeer(qintptr socketDescriptor);
    void acceptConnections();
    void readMessage(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};
