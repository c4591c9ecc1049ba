#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Plumbing/ProgressThrottle.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

class TestProgressThrottle : public QObject
{
    Q_OBJECT

private slots:
    void floodFromAWorkerIsCoalesced();
    void reportsFromTheMainThreadArriveLater();
    void emptyCallbackIsIgnored();
};

void TestProgressThrottle::floodFromAWorkerIsCoalesced()
{
    constexpr int reports = 100000;
    constexpr int interval = 200;
    QList<float> delivered;
    bool completed = false;
    auto throttle = ProgressThrottle::make(
        [&](float fraction) {
            QVERIFY(!completed);
            delivered.append(fraction);
        },
        interval);

    QElapsedTimer clock;
    clock.start();
    QThread* worker = QThread::create([throttle] {
        for (int i = 1; i <= reports; ++i)
            throttle->report(float(i) / float(reports));
        // A job's completion is queued after its last progress report.
        MainQueue::post([] {});
    });
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 30000);
    QTRY_VERIFY(!delivered.isEmpty() && delivered.last() == 1.0f);
    completed = true;
    QCoreApplication::processEvents();
    delete worker;

    // One delivery at the start, one per elapsed interval, and the final 1.
    QVERIFY2(delivered.size() <= 2 + clock.elapsed() / interval,
             qPrintable(QString::number(delivered.size())));
    QVERIFY(std::is_sorted(delivered.cbegin(), delivered.cend()));
}

void TestProgressThrottle::reportsFromTheMainThreadArriveLater()
{
    QList<float> delivered;
    auto throttle = ProgressThrottle::make([&](float fraction) { delivered.append(fraction); });
    throttle->report(0.5f);
    QVERIFY(delivered.isEmpty());
    QTRY_COMPARE(delivered, QList<float> { 0.5f });
}

void TestProgressThrottle::emptyCallbackIsIgnored()
{
    auto throttle = ProgressThrottle::make({});
    throttle->report(1.0f);
    QCoreApplication::processEvents();
}

QTEST_GUILESS_MAIN(TestProgressThrottle)
#include "tst_progressthrottle.moc"
