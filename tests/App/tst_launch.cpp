#include "EventLogServer.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The real executable, started the way a desktop or a terminal starts it.
class TestLaunch : public QObject
{
    Q_OBJECT

private slots:
    void versionAndHelpNeedNoDisplay();
    void windowWithoutDisplayExitsWithAClearLine();
    void startReportsAndSecondLaunchHandsOver();
};

namespace {
void startWithoutDisplay(QProcess& process, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s })
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTREL_BINARY), arguments);
}

// The standard output of a run that exited normally with 0, without any display.
QByteArray outputWithoutDisplay(const QString& option)
{
    QProcess process;
    startWithoutDisplay(process, { option });
    const bool succeeded = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    return succeeded ? process.readAllStandardOutput() : QByteArray();
}
} // namespace

void TestLaunch::versionAndHelpNeedNoDisplay()
{
    QCOMPARE(outputWithoutDisplay(u"--version"_s).trimmed(), "kestrel-archive " KESTREL_VERSION);
    const QByteArray help = outputWithoutDisplay(u"--help"_s);
    QVERIFY2(help.contains("--version") && help.contains("FILE"), help.constData());
}

void TestLaunch::windowWithoutDisplayExitsWithAClearLine()
{
    QProcess process;
    startWithoutDisplay(process, {});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QList<QByteArray> lines = process.readAllStandardError().trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains("no display") && lines.first().contains("extract")
                 && lines.first().contains("compress"),
             lines.first().constData());
}

void TestLaunch::startReportsAndSecondLaunchHandsOver()
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

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
