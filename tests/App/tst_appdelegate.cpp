#include "App/AppDelegate.h"
#include "Model/NotificationCenter.h"
#include "ScriptedOpenPanel.h"
#include "Window/WindowController.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileOpenEventPostsOnceBeforeBringingForward();
    void reopen_data();
    void reopen();

private:
    std::unique_ptr<AppDelegate> m_delegate;
    ScriptedOpenPanel m_openPanel;
    std::unique_ptr<WindowController> m_window;
};

void TestAppDelegate::init()
{
    m_delegate = std::make_unique<AppDelegate>();
    m_window = std::make_unique<WindowController>(&m_openPanel);
    m_delegate->mainWindowController = m_window.get();
}

void TestAppDelegate::cleanup()
{
    m_window.reset();
    m_delegate.reset();
}

void TestAppDelegate::fileOpenEventPostsOnceBeforeBringingForward()
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
    QFileOpenEvent event(u"/home/a/报告.7z"_s);
    QCoreApplication::sendEvent(qApp, &event);
    disconnect(connection);

    QCOMPARE(received, QStringList { u"/home/a/报告.7z"_s });
    QVERIFY(minimizedWhenPosted);
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
}

void TestAppDelegate::reopen_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("handled"); // true: the application should do its own reopening

    QTest::newRow("hidden window is shown") << u"hidden"_s << true;
    QTest::newRow("visible window is left alone") << u"visible"_s << false;
    QTest::newRow("minimized window is restored") << u"minimized"_s << false;
}

void TestAppDelegate::reopen()
{
    QFETCH(QString, state);
    QFETCH(bool, handled);

    if (state == u"visible")
        m_window->show();
    if (state == u"minimized")
        m_window->showMinimized();
    QTRY_COMPARE(m_window->isMinimized(), state == u"minimized");
    const Qt::WindowStates before = m_window->windowState();

    QCOMPARE(m_delegate->applicationShouldHandleReopen(state != u"hidden"), handled);
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
    if (state == u"visible")
        QCOMPARE(m_window->windowState(), before);
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
