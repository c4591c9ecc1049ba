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
    void withoutDisplay_data();
    void withoutDisplay();
    void startReportsAndSecondLaunchHandsOver();
};

void TestLaunch::withoutDisplay_data()
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

void TestLaunch::withoutDisplay()
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

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
