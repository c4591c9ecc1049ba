#include "App/AppDelegate.h"
#include "App/NotificationCenter.h"
#include "EventLogServer.h"
#include "Window/WindowController.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowControllerRegistersItself();
    void openFilePostsOnceBeforeBringingForward();
    void fileOpenEventBecomesOneNotification();
    void reopenWithoutVisibleWindowShowsIt();
    void reopenWithVisibleWindowLeavesItAlone();
    void reopenWithMinimizedWindowRestoresIt();
    void finishedLaunchingShowsWindowAndReportsStart();

private:
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<WindowController> m_window;
};

void TestAppDelegate::init()
{
    m_delegate = std::make_unique<AppDelegate>();
    m_window = std::make_unique<WindowController>();
}

void TestAppDelegate::cleanup()
{
    m_window.reset();
    m_delegate.reset();
}

void TestAppDelegate::windowControllerRegistersItself()
{
    QCOMPARE(AppDelegate::shared(), m_delegate.get());
    QCOMPARE(m_delegate->mainWindowController.data(), m_window.get());
    QCOMPARE(m_window->minimumSize(), QSize(840, 560));
}

void TestAppDelegate::openFilePostsOnceBeforeBringingForward()
{
    m_window->showMinimized();
    QTRY_VERIFY(m_window->isMinimized());

    QStringList received;
    bool minimizedWhenPosted = false;
    auto connection = connect(&NotificationCenter::defaultCenter(), &NotificationCenter::notified, this,
                              [&](const QString& name, const QVariant& object) {
                                  QCOMPARE(name, u"applicationOpenWithFileEvent"_s);
                                  received.append(object.toString());
                                  minimizedWhenPosted = m_window->isMinimized();
                              });

    QVERIFY(m_delegate->openFile(u"/tmp/Holiday.zip"_s));
    disconnect(connection);

    QCOMPARE(received, QStringList { u"/tmp/Holiday.zip"_s });
    QVERIFY(minimizedWhenPosted);
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
}

void TestAppDelegate::fileOpenEventBecomesOneNotification()
{
    QSignalSpy posted(&NotificationCenter::defaultCenter(), &NotificationCenter::notified);
    QFileOpenEvent event(u"/home/a/报告.7z"_s);
    QCoreApplication::sendEvent(qApp, &event);

    QCOMPARE(posted.count(), 1);
    QCOMPARE(posted.first().at(1).toString(), u"/home/a/报告.7z"_s);
    QVERIFY(m_window->isVisible());
}

void TestAppDelegate::reopenWithoutVisibleWindowShowsIt()
{
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_delegate->applicationShouldHandleReopen(false));
    QVERIFY(m_window->isVisible());
}

void TestAppDelegate::reopenWithVisibleWindowLeavesItAlone()
{
    m_window->show();
    const Qt::WindowStates before = m_window->windowState();
    QVERIFY(!m_delegate->applicationShouldHandleReopen(true));
    QCOMPARE(m_window->windowState(), before);
}

void TestAppDelegate::reopenWithMinimizedWindowRestoresIt()
{
    m_window->showMinimized();
    QTRY_VERIFY(m_window->isMinimized());
    QVERIFY(!m_delegate->applicationShouldHandleReopen(true));
    QVERIFY(!m_window->isMinimized());
}

void TestAppDelegate::finishedLaunchingShowsWindowAndReportsStart()
{
    EventLogServer server;
    qputenv("KESTREL_EVENT_LOG_URL", server.url().toEncoded());

    m_delegate->applicationDidFinishLaunching();
    QVERIFY(m_window->isVisible());

    QTRY_COMPARE(server.events(u"start"_s).size(), 1);
    const QJsonObject event = server.events(u"start"_s).first();
    QCOMPARE(event.value("event_detail"_L1).toObject(), QJsonObject({ { u"event"_s, u"start"_s } }));
    qunsetenv("KESTREL_EVENT_LOG_URL");
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
