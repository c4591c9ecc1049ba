#include "App/AppDelegate.h"
#include "EventLogServer.h"
#include "Model/NotificationCenter.h"
#include "ScriptedOpenPanel.h"
#include "Window/WindowController.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// How the application meets the desktop: the events it gets while running,
// and the real executable started the way a desktop or a terminal starts it.
class TestAppDelegate : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileOpenEventPostsOnceBeforeBringingForward();
    void reopen_data();
    void reopen();
    void withoutDisplay_data();
    void withoutDisplay();
    void startReportsAndSecondLaunchHandsOver();

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

void TestAppDelegate::withoutDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArrayList>("expected"); // in standard output, or on one line of errors

    QTest::newRow("version") << u"--version"_s << 0
                             << QByteArrayList { "kestrel-archive " KESTREL_VERSION "\n" };
    QTest::newRow("help") << u"--help"_s << 0 << QByteArrayList { "--version", "FILE" };
    // The window cannot open: one clear line, pointing at the command line.
    QTest::newRow("window") << QString() << 1 << QByteArrayList { "no display", "extract", "compress" };
}

void TestAppDelegate::withoutDisplay()
{
    QFETCH(QString, option);
    QFETCH(int, exitCode);
    QFETCH(QByteArrayList, expected);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s })
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTREL_BINARY), option.isEmpty() ? QStringList() : QStringList { option });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray output
        = exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
    if (exitCode != 0)
        QCOMPARE(output.trimmed().count('\n'), 0);
    for (const QByteArray& part : expected)
        QVERIFY2(output.contains(part), output.constData());
}

void TestAppDelegate::startReportsAndSecondLaunchHandsOver()
{
    QTemporaryDir tmp;
    EventLogServer server;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TMPDIR"_s, tmp.path());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"KESTREL_EVENT_LOG_URL"_s, QString::fromUtf8(server.url().toEncoded()));
    environment.insert(u"XDG_CONFIG_HOME"_s, tmp.filePath(u"config"_s));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(KESTREL_BINARY), {});
    QVERIFY(first.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(server.events(u"start"_s).size(), 1, 15000);
    QCOMPARE(server.events(u"start"_s).first().value("event_detail"_L1).toObject(),
             QJsonObject({ { u"event"_s, u"start"_s } }));
    // A fresh user's first start is remembered, so the upgrade page shows only once.
    const QString settings = tmp.filePath(u"config/Kestrel/KestrelArchiveApp.conf"_s);
    QTRY_VERIFY(QSettings(settings, QSettings::IniFormat).value(u"ka_upgrade_page_showed_v1"_s).toBool());

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(KESTREL_BINARY), { tmp.filePath(u"Holiday.zip"_s) });
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    // The second launch never became an application of its own.
    QCOMPARE(server.events(u"start"_s).size(), 1);
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
