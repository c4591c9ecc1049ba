#include "EventLogServer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The real executable, started the way a desktop or a terminal starts it.
class TestLaunch : public QObject
{
    Q_OBJECT

private slots:
    void versionNeedsNoDisplay();
    void helpDescribesTheCommandLine();
    void startReportsAndSecondLaunchHandsOver();

private:
    static QProcessEnvironment environmentWithout(const QStringList& names);
};

QProcessEnvironment TestLaunch::environmentWithout(const QStringList& names)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : names)
        environment.remove(name);
    return environment;
}

void TestLaunch::versionNeedsNoDisplay()
{
    QProcess process;
    process.setProcessEnvironment(
        environmentWithout({ u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s }));
    process.start(QStringLiteral(KESTREL_BINARY), { u"--version"_s });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput().trimmed(), "kestrel-archive " KESTREL_VERSION);
}

void TestLaunch::helpDescribesTheCommandLine()
{
    QProcess process;
    process.setProcessEnvironment(environmentWithout({ u"DISPLAY"_s, u"QT_QPA_PLATFORM"_s }));
    process.start(QStringLiteral(KESTREL_BINARY), { u"--help"_s });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray help = process.readAllStandardOutput();
    QVERIFY(help.contains("--version"));
    QVERIFY(help.contains("FILE"));
}

void TestLaunch::startReportsAndSecondLaunchHandsOver()
{
    QTemporaryDir tmp;
    EventLogServer server;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TMPDIR"_s, tmp.path());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"KESTREL_EVENT_LOG_URL"_s, QString::fromUtf8(server.url().toEncoded()));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(KESTREL_BINARY), {});
    QVERIFY(first.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(server.events(u"start"_s).size(), 1, 15000);

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

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
