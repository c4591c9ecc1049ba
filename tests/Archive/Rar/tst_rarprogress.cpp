#include "Archive/Rar/RarProgress.h"
#include "Archive/Rar/RarProgressMeter.h"

#include <QTest>

#include <cmath>

class tst_RarProgress : public QObject
{
    Q_OBJECT

private slots:
    void observerSeesEachNewValueOnce();
    void meterNeverGoesBack();
};

void tst_RarProgress::observerSeesEachNewValueOnce()
{
    RarProgress progress;
    QList<double> seen;
    progress.setFractionObserver([&](double fraction) {
        seen.append(fraction);
        // Reading back from inside the observer must not deadlock.
        QCOMPARE(progress.fractionCompleted(), fraction);
    });
    for (const double value : { 0.25, 0.25, 0.5, 1.7, 1.0, std::nan(""), -3.0 })
        progress.setFractionCompleted(value);
    QCOMPARE(seen, QList<double>({ 0.25, 0.5, 1.0, 0.0 }));
}

void tst_RarProgress::meterNeverGoesBack()
{
    const auto progress = std::make_shared<RarProgress>();
    RarProgressMeter meter(progress);
    meter.begin(10);
    meter.advance(6);
    QCOMPARE(progress->fractionCompleted(), 0.6);
    // A second engine starting over after the first one failed.
    meter.begin(4);
    meter.advance(1);
    QCOMPARE(progress->fractionCompleted(), 0.6);
    meter.advance(2);
    QCOMPARE(progress->fractionCompleted(), 0.75);
    meter.advance(100);
    QCOMPARE(progress->fractionCompleted(), 1.0);

    RarProgressMeter withoutProgress(nullptr);
    withoutProgress.begin(0);
    withoutProgress.advance(1);
    withoutProgress.finish();
    QVERIFY(!withoutProgress.isCancelled());
}

QTEST_GUILESS_MAIN(tst_RarProgress)
#include "tst_rarprogress.moc"
