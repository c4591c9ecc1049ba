#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/MainQueue.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <atomic>

class TestArchiveQueue : public QObject
{
    Q_OBJECT

private slots:
    void workRunsOffMainThreadAndReportsBackInOrder();
    void blockedJobDoesNotHoldUpTheNext();
};

void TestArchiveQueue::workRunsOffMainThreadAndReportsBackInOrder()
{
    QThread* const mainThread = QThread::currentThread();
    std::atomic<bool> ranOffMain = false;
    bool callbacksOnMain = true;
    QList<int> received;

    ArchiveQueue::run([&] {
        ranOffMain = QThread::currentThread() != mainThread;
        for (int step = 1; step <= 3; ++step) {
            MainQueue::post([&, step] {
                callbacksOnMain = callbacksOnMain && QThread::currentThread() == mainThread;
                received << step;
            });
        }
    });
    QVERIFY(MainQueue::post([&] { received << 0; }));
    QVERIFY(!received.contains(0)); // queued even from the main thread

    QTRY_COMPARE(received.size(), 4);
    received.removeOne(0);
    QCOMPARE(received, QList<int>({ 1, 2, 3 }));
    QVERIFY(ranOffMain);
    QVERIFY(callbacksOnMain);
}

void TestArchiveQueue::blockedJobDoesNotHoldUpTheNext()
{
    // A job can wait on a password prompt for as long as the user takes.
    QSemaphore firstMayFinish;
    std::atomic<bool> secondRan = false;
    ArchiveQueue::run([&] { firstMayFinish.acquire(); });
    ArchiveQueue::run([&] { secondRan = true; });

    QTRY_VERIFY(secondRan);
    firstMayFinish.release();
    QVERIFY(ArchiveQueue::shared().waitForDone(10000));
}

QTEST_GUILESS_MAIN(TestArchiveQueue)
#include "tst_archivequeue.moc"
