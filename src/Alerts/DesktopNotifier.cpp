#include "Alerts/DesktopNotifier.h"

#include "Alerts/FileManagerReveal.h"
#include "KestrelConfig.h"
#include "Resources/LocalizedText.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {
const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString interface = u"org.freedesktop.Notifications"_s;
const QString showInFolderAction = u"show-in-folder"_s;
} // namespace

// Nothing touches the bus before the first notification: a window builds
// one of these at start-up.
DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
{
}

void DesktopNotifier::notify(const QString& summary, const QString& body, const QString& revealPath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QMetaObject::invokeMethod(this, &DesktopNotifier::settled, Qt::QueuedConnection);
        return;
    }
    if (revealPath.isEmpty()) {
        send(summary, body, {}, false);
        return;
    }
    // Actions only where the server shows them.
    auto watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(service, path, interface, u"GetCapabilities"_s),
                      answerTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body, revealPath] {
        const QDBusPendingReply<QStringList> capabilities = *watcher;
        watcher->deleteLater();
        if (capabilities.isError()) {
            emit settled();
            return;
        }
        send(summary, body, revealPath, capabilities.value().contains(u"actions"_s));
    });
}

void DesktopNotifier::send(const QString& summary, const QString& body, const QString& revealPath,
                           bool withAction)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, u"Notify"_s);
    QStringList actions;
    if (withAction)
        actions << showInFolderAction << localizedText("show_in_folder");
    const QVariantMap hints { { u"desktop-entry"_s, QString::fromLatin1(KestrelConfig::appStreamId) } };
    call << localizedText("common_application_name") << uint(0)
         << QString::fromLatin1(KestrelConfig::appStreamId) << summary << body << actions << hints << int(-1);
    auto watcher
        = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, answerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, revealPath, withAction] {
        const QDBusPendingReply<uint> id = *watcher;
        watcher->deleteLater();
        if (!id.isError()) {
            if (withAction)
                listenForActions(id.value(), revealPath);
            emit delivered(id.value());
        }
        emit settled();
    });
}

void DesktopNotifier::listenForActions(uint id, const QString& revealPath)
{
    if (!m_listening) {
        m_listening = QDBusConnection::sessionBus().connect(service, path, interface, u"ActionInvoked"_s,
                                                            this, SLOT(actionInvoked(uint, QString)));
    }
    m_revealPaths.insert(id, revealPath);
}

void DesktopNotifier::actionInvoked(uint id, const QString& action)
{
    const QString revealPath = m_revealPaths.take(id);
    if (action == showInFolderAction && !revealPath.isEmpty())
        FileManagerReveal::reveal(revealPath);
}
