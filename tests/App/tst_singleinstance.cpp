#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Two real processes meeting over the per-user socket. Each test gets its own
// temporary folder as TMPDIR, where the socket lives, so runs never meet.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void secondLaunchHandsOver_data();
    void secondLaunchHandsOver();
    void crashedInstanceDoesNotBlockTheNext();

private:
    QProcess* startPeer(const QStringList& arguments);
    bool waitForLine(QProcess* process, QByteArray* line);

    std::unique_ptr<QTemporaryDir> m_tmp;
    QList<QProcess*> m_processes;
};

void TestSingleInstance::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestSingleInstance::cleanup()
{
    for (QProcess* process : std::as_const(m_processes)) {
        process->kill();
        process->waitForFinished();
        delete process;
    }
    m_processes.clear();
    m_tmp.reset();
}

QProcess* TestSingleInstance::startPeer(const QStringList& arguments)
{
    auto process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TMPDIR"_s, m_tmp->path());
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(SINGLEINSTANCE_PEER), arguments);
    m_processes.append(process);
    return process;
}

bool TestSingleInstance::waitForLine(QProcess* process, QByteArray* line)
{
    QDeadlineTimer deadline(10000);
    while (!process->canReadLine()) {
        if (deadline.hasExpired() || !process->waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    *line = process->readLine().trimmed();
    return true;
}

void TestSingleInstance::secondLaunchHandsOver_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("received");

    QTest::newRow("paths") << QStringList { u"/srv/a b.zip"_s, u"/home/用户/资料.rar"_s }
                           << u"[\"/srv/a b.zip\",\"/home/用户/资料.rar\"]"_s;
    QTest::newRow("no paths") << QStringList() << u"[]"_s;
}

void TestSingleInstance::secondLaunchHandsOver()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, received);

    QProcess* primary = startPeer({});
    QByteArray line;
    QVERIFY(waitForLine(primary, &line));
    QCOMPARE(line, "primary");

    QProcess* second = startPeer(paths);
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->readAllStandardOutput().trimmed(), "handed-over");

    QVERIFY(waitForLine(primary, &line));
    QCOMPARE(QString::fromUtf8(line), received);
    QCOMPARE(primary->state(), QProcess::Running);
}

void TestSingleInstance::crashedInstanceDoesNotBlockTheNext()
{
    QProcess* crashed = startPeer({});
    QByteArray line;
    QVERIFY(waitForLine(crashed, &line));
    crashed->kill(); // leaves its socket file behind
    QVERIFY(crashed->waitForFinished());

    QProcess* next = startPeer({ u"/x.7z"_s });
    QVERIFY(waitForLine(next, &line));
    QCOMPARE(line, "primary");
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
