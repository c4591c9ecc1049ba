#pragma once

#include <QHash>
#include <QObject>
#include <QString>

// Desktop notifications (org.freedesktop.Notifications) for jobs that end
// while the user looks elsewhere. A "Show in Folder" action reveals what was
// made, where the notification server offers actions. Every call is
// asynchronous: without a server nothing is shown and nothing waits.
class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // Shows `summary` and `body`; `revealPath`, when given, is what the
    // notification's action shows in the file manager.
    void notify(const QString& summary, const QString& body, const QString& revealPath = {});

    // How long a silent server is waited for.
    static constexpr int answerTimeoutMs = 2000;

signals:
    // The server has the notification, with its id.
    void delivered(uint id);
    // Once per notify(): shown or not, nothing more will come of it; a
    // process about to quit can go now.
    void settled();

private slots:
    void actionInvoked(uint id, const QString& action);

private:
    void send(const QString& summary, const QString& body, const QString& revealPath, bool withAction);

    void listenForActions(uint id, const QString& revealPath);

    QHash<uint, QString> m_revealPaths;
    bool m_listening = false;
};
