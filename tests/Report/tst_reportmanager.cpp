#include "EventLogServer.h"
#include "KestrelConfig.h"
#include "Report/ReportManager.h"
#include "Report/ReportQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QLocale>
#include <QPoint>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

class tst_ReportManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void requestUrl_data();
    void requestUrl();
    void regionWithoutTerritory();
    void requestParametersRejectsNonJson_data();
    void requestParametersRejectsNonJson();
    // First network test on purpose: the access manager does not exist yet
    // when a worker thread reports.
    void reportReachesServer();
    void deadEndpointDoesNotBlock_data();
    void deadEndpointDoesNotBlock();
};

void tst_ReportManager::init()
{
    // Reporting is silent: any Qt warning (e.g. an object used across threads) is a fault.
    QTest::failOnWarning(QRegularExpression(u".+"_s));
    QCoreApplication::setApplicationVersion(u"3.1.4-test"_s);
    qputenv("KESTREL_EVENT_LOG_URL", "http://127.0.0.1:9/log.html");
}

// How the event is escaped is checked where it arrives (reportReachesServer);
// every test with a server takes its endpoint from the environment.
void tst_ReportManager::requestUrl_data()
{
    QTest::addColumn<QString>("endpoint"); // null: not set, the build's value counts

    QTest::newRow("unset: build value") << QString();
    QTest::newRow("not a web url") << u"file:///tmp/log.html"_s;
    QTest::newRow("no host") << u"http:///log.html"_s;
}

void tst_ReportManager::requestUrl()
{
    QFETCH(QString, endpoint);

    if (endpoint.isNull())
        qunsetenv("KESTREL_EVENT_LOG_URL");
    else
        qputenv("KESTREL_EVENT_LOG_URL", endpoint.toUtf8());
    const QUrl url = ReportManager::requestUrl({ { u"type"_s, u"event_info"_s }, { u"json"_s, u"x"_s } });
    if (endpoint.isNull())
        QCOMPARE(url.toEncoded(), QByteArray(KestrelConfig::eventLogUrl) + "?json=x&type=event_info");
    else
        QVERIFY(!url.isValid());
}

// Both country fields come from the locale's territory; the C locale has none.
void tst_ReportManager::regionWithoutTerritory()
{
    const auto fields = [](const QLocale& locale) {
        const QVariantMap common = ReportManager::shared().commonFields(locale);
        return QStringList { common[u"event_country"_s].toString(), common[u"event_ip_country"_s].toString(),
                             common[u"event_language"_s].toString().left(2) };
    };
    QCOMPARE(fields(QLocale::c()).mid(0, 2), QStringList({ QString(), QString() }));
    QCOMPARE(fields(QLocale(QLocale::Chinese, QLocale::China)), QStringList({ u"CN"_s, u"CN"_s, u"zh"_s }));
}

void tst_ReportManager::requestParametersRejectsNonJson_data()
{
    QTest::addColumn<QVariantMap>("detail");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("empty") << QVariantMap() << true;
    QTest::newRow("nested text") << QVariantMap { { u"files"_s, QStringList { u"a"_s, u"b"_s } },
                                                  { u"more"_s, QVariantMap { { u"k"_s, 1 } } } }
                                 << true;
    QTest::newRow("not a number") << QVariantMap { { u"ratio"_s, std::numeric_limits<double>::quiet_NaN() } }
                                  << false;
    QTest::newRow("no json form") << QVariantMap { { u"where"_s, QPoint(1, 2) } } << false;
    QTest::newRow("deep inside") << QVariantMap { { u"list"_s, QVariantList { u"a"_s, QVariant() } } }
                                 << false;
}

void tst_ReportManager::requestParametersRejectsNonJson()
{
    QFETCH(QVariantMap, detail);
    QFETCH(bool, accepted);

    const QVariantMap event { { u"event_type"_s, u"show"_s }, { u"event_detail"_s, detail } };
    QCOMPARE(!ReportManager::shared().requestParameters(event).isEmpty(), accepted);
}

void tst_ReportManager::reportReachesServer()
{
    const QString type = u"decompress_result"_s;
    const QVariantMap detail { { u"success"_s, u"failed"_s },
                               { u"error"_s, uR"(a&b=c+d %20 "x":{y}, 操作被取消)"_s } };
    EventLogServer server;
    qputenv("KESTREL_EVENT_LOG_URL", server.url().toEncoded());

    std::unique_ptr<QThread> worker(QThread::create([&] { ReportQuery::report(type, detail); }));
    worker->start();
    QVERIFY(worker->wait(10000));
    // A process about to end waits until what it sent has arrived (waited
    // for off the main thread, where the server answers).
    bool settled = false;
    std::unique_ptr<QThread> ending(
        QThread::create([&settled] { settled = ReportManager::shared().waitForPendingRequests(20000); }));
    ending->start();
    QTRY_VERIFY_WITH_TIMEOUT(ending->isFinished(), 25000);
    QVERIFY(settled);
    QCOMPARE(server.requestHeads().size(), 1);

    const QByteArray head = server.requestHeads().first();
    const QByteArray lowerHead = head.toLower();
    QVERIFY2(!lowerHead.contains("content-length") && !lowerHead.contains("content-type"), head.constData());

    // The detail arrives intact; the common fields travel as text beside it.
    const QJsonObject event = EventLogServer::eventOf(head);
    QCOMPARE(event[u"event_type"_s].toString(), type);
    QCOMPARE(event[u"event_detail"_s].toObject(), QJsonObject::fromVariantMap(detail));
    for (auto it = event.constBegin(); it != event.constEnd(); ++it)
        QVERIFY2(it.key() == u"event_detail"_s || it->isString(), qPrintable(it.key()));
    QCOMPARE(event[u"event_app_version"_s].toString(), u"3.1.4-test"_s);
}

void tst_ReportManager::deadEndpointDoesNotBlock_data()
{
    QTest::addColumn<QString>("endpoint");

    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    QTest::newRow("nothing listens") << u"http://127.0.0.1:%1/log.html"_s.arg(closedPort);
    QTest::newRow("unknown host") << u"http://events.kestrel-archive.invalid/log.html"_s;
}

void tst_ReportManager::deadEndpointDoesNotBlock()
{
    QFETCH(QString, endpoint);

    qputenv("KESTREL_EVENT_LOG_URL", endpoint.toUtf8());
    QElapsedTimer elapsed;
    elapsed.start();
    ReportQuery::report(u"start"_s, { { u"event"_s, u"start"_s } });
    QVERIFY2(elapsed.elapsed() < 2000, "report waited for the network");

    // A failed request leaves the manager able to send the next one.
    EventLogServer server;
    qputenv("KESTREL_EVENT_LOG_URL", server.url().toEncoded());
    ReportQuery::report(u"show"_s, { { u"page"_s, u"decompress"_s } });
    QTRY_COMPARE(server.requestHeads().size(), 1);
    QCOMPARE(EventLogServer::eventOf(server.requestHeads().first())[u"event_type"_s].toString(), u"show"_s);
}

QTEST_GUILESS_MAIN(tst_ReportManager)
#include "tst_reportmanager.moc"
