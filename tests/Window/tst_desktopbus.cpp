#include "AlertLookup.h"
#include "Alerts/CommonAlert.h"
#include "Alerts/DesktopNotifier.h"
#include "Alerts/TaskbarProgress.h"
#include "FileTree.h"
#include "Model/FileListManager.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
const QString notificationsService = u"org.freedesktop.Notifications"_s;
const QString notificationsPath = u"/org/freedesktop/Notifications"_s;
} // namespace

// What a notification server keeps of each call, answering as one that
// shows actions.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Shown> shown;

public slots:
    QStringList GetCapabilities() { return { u"body"_s, u"actions"_s }; }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        shown.append({ summary, body, actions });
        return uint(shown.size());
    }
};

class FileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shownItems;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shownItems += uris; }
};

class LauncherListener : public QObject
{
    Q_OBJECT

public:
    QList<QVariantMap> updates;

public slots:
    void update(const QString&, const QVariantMap& properties) { updates.append(properties); }
};

// The desktop's services on a private session bus (the test runs under
// dbus-run-session), played by stand-ins that record what they are asked.
class TestDesktopBus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void notificationActionShowsTheItemInTheFileManager();
    void withoutAServerNothingIsShownAndNothingWaits();
    void windowJobOffersShowInFolderAndNotifiesWhenAway();

private:
    NotificationServer m_notifications;
    FileManager m_fileManager;
    LauncherListener m_launcher;
};

void TestDesktopBus::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY2(bus.isConnected(), "no session bus: run under dbus-run-session");
    QVERIFY(bus.registerObject(u"/org/freedesktop/FileManager1"_s, &m_fileManager,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(u"org.freedesktop.FileManager1"_s));
    QVERIFY(bus.registerObject(notificationsPath, &m_notifications, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.connect(QString(), QString(), u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s,
                        &m_launcher, SLOT(update(QString, QVariantMap))));
}

// Each test starts with a notification server on the bus.
void TestDesktopBus::init()
{
    m_notifications.shown.clear();
    m_fileManager.shownItems.clear();
    m_launcher.updates.clear();
    QVERIFY(QDBusConnection::sessionBus().registerService(notificationsService));
}

void TestDesktopBus::notificationActionShowsTheItemInTheFileManager()
{
    DesktopNotifier notifier;
    QSignalSpy delivered(&notifier, &DesktopNotifier::delivered);
    notifier.notify(u"Extraction finished."_s, u"Holiday"_s, u"/tmp/out/Holiday"_s);
    QTRY_COMPARE(delivered.size(), 1);
    QCOMPARE(m_notifications.shown.size(), 1);
    QCOMPARE(m_notifications.shown.first().summary, u"Extraction finished."_s);
    QCOMPARE(m_notifications.shown.first().actions,
             QStringList({ u"show-in-folder"_s, u"Show in Folder"_s }));

    QDBusMessage invoked
        = QDBusMessage::createSignal(notificationsPath, notificationsService, u"ActionInvoked"_s);
    invoked << delivered.first().first().toUInt() << u"show-in-folder"_s;
    QDBusConnection::sessionBus().send(invoked);
    QTRY_COMPARE(m_fileManager.shownItems, QStringList { u"file:///tmp/out/Holiday"_s });
}

void TestDesktopBus::withoutAServerNothingIsShownAndNothingWaits()
{
    QDBusConnection::sessionBus().unregisterService(notificationsService);
    DesktopNotifier notifier;
    QSignalSpy delivered(&notifier, &DesktopNotifier::delivered);
    QSignalSpy settled(&notifier, &DesktopNotifier::settled);
    notifier.notify(u"Compression finished."_s, u"Archive.zip"_s, u"/tmp/Archive.zip"_s);
    QTRY_COMPARE(settled.size(), 1);
    QVERIFY(delivered.isEmpty());
}

// A window job that ends while the user is in another window: the
// notification, the taskbar progress while it ran, and the alert's button.
void TestDesktopBus::windowJobOffersShowInFolderAndNotifiesWhenAway()
{
    QTemporaryDir dir;
    QVERIFY(FileTree::writeFile(dir.path(), u"notes.txt"_s, FileTree::randomBytes(4 << 20, 1)));
    FileListManager::shared().listInfo = {};
    ScriptedOpenPanel panel({ { QUrl::fromLocalFile(dir.path()) } });
    FileListViewController controller(&panel);
    controller.show();
    QVERIFY(QTest::qWaitForWindowExposed(&controller));
    controller.setListType(FileListType::compress);
    controller.applyListType();
    controller.addFiles({ QUrl::fromLocalFile(dir.filePath(u"notes.txt"_s)) });
    controller.listView()->tableView()->selectRow(0);
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QTRY_VERIFY(!controller.isActiveWindow());

    controller.startCompress(ArchiveType::zip);
    QTRY_VERIFY_WITH_TIMEOUT(AlertLookup::messageAlert(&controller), 30000);
    CommonAlert* alert = AlertLookup::messageAlert(&controller);
    QCOMPARE(alert->text(), localizedText("compress_completion"));
    QTRY_COMPARE(m_notifications.shown.size(), 1);
    QCOMPARE(m_notifications.shown.first().body, u"notes.zip"_s);
    // Signals and calls arrive in their own order: the last word is "hidden",
    // after a fraction shown on the way.
    QTRY_VERIFY(!m_launcher.updates.isEmpty()
                && !m_launcher.updates.last().value(u"progress-visible"_s).toBool());
    QVERIFY(
        std::any_of(m_launcher.updates.cbegin(), m_launcher.updates.cend(), [](const QVariantMap& update) {
            const double progress = update.value(u"progress"_s).toDouble();
            return update.value(u"progress-visible"_s).toBool() && progress > 0 && progress <= 1;
        }));

    auto show = qobject_cast<QPushButton*>(AlertLookup::buttonTitled(alert, "show_in_folder"));
    QVERIFY(show && !show->isDefault());
    QTest::mouseClick(show, Qt::LeftButton);
    QTRY_COMPARE(m_fileManager.shownItems,
                 QStringList { QUrl::fromLocalFile(dir.filePath(u"notes.zip"_s)).toString() });
}

QTEST_MAIN(TestDesktopBus)
#include "tst_desktopbus.moc"
