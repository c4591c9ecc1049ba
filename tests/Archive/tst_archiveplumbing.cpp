#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"
#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Run/ArchiveJobChecks.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <atomic>

using namespace Qt::StringLiterals;

// What every archive job goes through: the types it is named by and the
// errors it reports, the checks on its arguments, work leaving the main
// thread, and progress coming back to it.
class TestArchivePlumbing : public QObject
{
    Q_OBJECT

private slots:
    void namesAndMessagesAreDistinct();
    void compressArguments_data();
    void compressArguments();
    void floodFromTheQueueIsCoalescedOnTheMainThread();
    void reportsFromTheMainThreadArriveLater();
    void blockedJobDoesNotHoldUpTheNext();
};

// Raw values are extensions and command-line format names; near misses are no
// type. Reports carry an error's message, which must tell it from the others.
void TestArchivePlumbing::namesAndMessagesAreDistinct()
{
    for (const ArchiveType type : ArchiveType::allCases())
        QCOMPARE(ArchiveType::fromRawValue(type.rawValue()), type);
    for (const QString& text : { u"ZIP"_s, u"z7"_s, u".zip"_s, QString() })
        QVERIFY2(!ArchiveType::fromRawValue(text), qPrintable(text));
    QSet<QString> messages { QString() };
    for (const ArchiveErrorType error : ArchiveErrorType::allCases())
        messages.insert(error.message());
    QCOMPARE(messages.size(), ArchiveErrorType::allCases().size() + 1);
}

// Which input a target lies in is compared as text: no folder is looked at.
void TestArchivePlumbing::compressArguments_data()
{
    QTest::addColumn<QString>("targetPath");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("expected");

    const QStringList someFiles { u"/a/b"_s };
    QTest::newRow("empty target wins over empty files")
        << QString() << QStringList() << int(ArchiveErrorType::targetPathNone);
    QTest::newRow("no files") << u"/t"_s << QStringList() << int(ArchiveErrorType::originPathNone);
    QTest::newRow("target is input") << u"/a/b"_s << someFiles << int(ArchiveErrorType::targetPathError);
    QTest::newRow("name prefix only") << u"/a/bc"_s << someFiles << int(ArchiveErrorType::none);
    QTest::newRow("letter case differs") << u"/A/b/c"_s << someFiles << int(ArchiveErrorType::none);
    QTest::newRow("input with trailing slash")
        << u"/a/b/c"_s << QStringList({ u"/a/b/"_s }) << int(ArchiveErrorType::targetPathError);
    QTest::newRow("target with trailing slash")
        << u"/a/b/"_s << someFiles << int(ArchiveErrorType::targetPathError);
    QTest::newRow("root input") << u"/home/u"_s << QStringList({ u"/"_s })
                                << int(ArchiveErrorType::targetPathError);
}

void TestArchivePlumbing::compressArguments()
{
    QFETCH(QString, targetPath);
    QFETCH(QStringList, files);
    QFETCH(int, expected);

    // Messages rather than numbers, for a failure that reads.
    QCOMPARE(ArchiveJobChecks::checkCompressArguments(targetPath, files).message(),
             ArchiveErrorType(ArchiveErrorType::Value(expected)).message());
}

void TestArchivePlumbing::floodFromTheQueueIsCoalescedOnTheMainThread()
{
    constexpr int reports = 100000;
    constexpr int interval = 200;
    QThread* const mainThread = QThread::currentThread();
    QList<float> delivered;
    bool deliveredOnMain = true;
    auto throttle = ProgressThrottle::make(
        [&](float fraction) {
            deliveredOnMain = deliveredOnMain && QThread::currentThread() == mainThread;
            delivered.append(fraction);
        },
        interval);

    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> ranOffMain = false;
    std::atomic<bool> finished = false;
    ArchiveQueue::run([&, throttle] {
        ranOffMain = QThread::currentThread() != mainThread;
        for (int i = 1; i <= reports; ++i)
            throttle->report(float(i) / float(reports));
        finished = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
    QTRY_VERIFY(!delivered.isEmpty() && delivered.last() == 1.0f);
    const qsizetype deliveries = delivered.size();
    QCoreApplication::processEvents();
    QCOMPARE(delivered.size(), deliveries); // nothing after the final 1

    QVERIFY(ranOffMain);
    QVERIFY(deliveredOnMain);
    // One delivery at the start, one per elapsed interval, and the final 1.
    QVERIFY2(deliveries <= 2 + clock.elapsed() / interval, qPrintable(QString::number(deliveries)));
    QVERIFY(std::is_sorted(delivered.cbegin(), delivered.cend()));
}

// Queued even from the main thread; an empty callback makes reports no-ops.
void TestArchivePlumbing::reportsFromTheMainThreadArriveLater()
{
    QList<float> delivered;
    auto throttle = ProgressThrottle::make([&](float fraction) { delivered.append(fraction); });
    throttle->report(0.5f);
    ProgressThrottle::make({})->report(1.0f);
    QVERIFY(delivered.isEmpty());
    QTRY_COMPARE(delivered, QList<float> { 0.5f });
}

void TestArchivePlumbing::blockedJobDoesNotHoldUpTheNext()
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

QTEST_GUILESS_MAIN(TestArchivePlumbing)
#include "tst_archiveplumbing.moc"
