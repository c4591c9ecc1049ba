#include "EventLogServer.h"
#include "KestrelConfig.h"
#include "Report/ReportManager.h"
#include "Report/ReportQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPoint>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QStringList commonFieldNames {
    u"event_country"_s,     u"event_ip_country"_s,        u"event_app_name"_s,     u"event_client_type"_s,
    u"event_app_version"_s, u"event_device_id"_s,         u"event_device_brand"_s, u"event_device_model"_s,
    u"event_device_os"_s,   u"event_device_os_version"_s, u"event_language"_s,     u"event_tn"_s,
};

const QRegularExpression requestLine(u"^GET /log\\.html\\?json=([^ &]*)&type=event_info HTTP/1\\.1$"_s);
// Unreserved characters and %XX escapes only.
const QRegularExpression fullyEncoded(u"^([A-Za-z0-9._~-]|%[0-9A-F]{2})*$"_s);
const QRegularExpression hardwareAddress(u"^([0-9a-f]{2}:){5}[0-9a-f]{2}$"_s);

void setEndpoint(const QString& url)
{
    qputenv("KESTREL_EVENT_LOG_URL", url.toUtf8());
}

// The event a request line carries, decoded from its json parameter.
QJsonObject eventOf(const QByteArray& head)
{
    const QString line = QString::fromLatin1(head.left(head.indexOf("\r\n")));
    const QRegularExpressionMatch match = requestLine.match(line);
    if (!match.hasMatch()) {
        qWarning() << "unexpected request line" << line;
        return {};
    }
    if (!fullyEncoded.match(match.captured(1)).hasMatch()) {
        qWarning() << "json parameter not fully encoded" << match.captured(1);
        return {};
    }
    const QByteArray json = QByteArray::fromPercentEncoding(match.captured(1).toLatin1());
    if (json.contains('\n')) {
        qWarning() << "json not compact" << json;
        return {};
    }
    return QJsonDocument::fromJson(json).object();
}
} // namespace

class tst_ReportManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void requestUrl_data();
    void requestUrl();
    void endpoint_data();
    void endpoint();
    void regionWithoutTerritory();
    void requestParametersRejectsNonJson_data();
    void requestParametersRejectsNonJson();
    // First network test on purpose: the access manager does not exist yet.
    void reportFromWorkerThread();
    void reportReachesServer_data();
    void reportReachesServer();
    void deadEndpointDoesNotBlock_data();
    void deadEndpointDoesNotBlock();
};

void tst_ReportManager::init()
{
    // Reporting is silent: any Qt warning (e.g. an object used across threads) is a fault.
    QTest::failOnWarning(QRegularExpression(u".+"_s));
    QCoreApplication::setApplicationVersion(u"3.1.4-test"_s);
    setEndpoint(u"http://127.0.0.1:9/log.html"_s);
}

void tst_ReportManager::requestUrl_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QByteArray>("expectedQuery");

    QTest::newRow("structure")
        << uR"({"a":"b","c":["d"]})"_s
        << QByteArray("json=%7B%22a%22%3A%22b%22%2C%22c%22%3A%5B%22d%22%5D%7D&type=event_info");
    QTest::newRow("query delimiters")
        << u"a b&c=d+e?f#g/h%"_s << QByteArray("json=a%20b%26c%3Dd%2Be%3Ff%23g%2Fh%25&type=event_info");
    QTest::newRow("unreserved stay") << u"Az09-._~"_s << QByteArray("json=Az09-._~&type=event_info");
    QTest::newRow("non-ascii as utf-8")
        << u"操作é"_s << QByteArray("json=%E6%93%8D%E4%BD%9C%C3%A9&type=event_info");
}

void tst_ReportManager::requestUrl()
{
    QFETCH(QString, json);
    QFETCH(QByteArray, expectedQuery);

    const QUrl url = ReportManager::requestUrl({ { u"type"_s, u"event_info"_s }, { u"json"_s, json } });
    QCOMPARE(url.toEncoded(), "http://127.0.0.1:9/log.html?" + expectedQuery);
}

void tst_ReportManager::endpoint_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("expectedEndpoint");

    QTest::newRow("environment") << u"https://logs.example.org:8443/k/log.html"_s
                                 << u"https://logs.example.org:8443/k/log.html"_s;
    QTest::newRow("unset: build value") << QString() << QString::fromUtf8(KestrelConfig::eventLogUrl);
    QTest::newRow("not a web url") << u"file:///tmp/log.html"_s << QString();
    QTest::newRow("no host") << u"http:///log.html"_s << QString();
    QTest::newRow("garbage") << u"::: not a url"_s << QString();
}

void tst_ReportManager::endpoint()
{
    QFETCH(QString, environment);
    QFETCH(QString, expectedEndpoint);

    if (environment.isNull())
        qunsetenv("KESTREL_EVENT_LOG_URL");
    else
        setEndpoint(environment);

    const QUrl url = ReportManager::requestUrl({ { u"type"_s, u"event_info"_s } });
    if (expectedEndpoint.isEmpty()) {
        QVERIFY(!url.isValid());
        return;
    }
    QCOMPARE(url.adjusted(QUrl::RemoveQuery), QUrl(expectedEndpoint));
    QCOMPARE(url.query(), u"type=event_info"_s);
}

void tst_ReportManager::regionWithoutTerritory()
{
    const QVariantMap c = ReportManager::shared().commonFields(QLocale::c());
    QCOMPARE(c[u"event_country"_s].toString(), QString());
    QCOMPARE(c[u"event_ip_country"_s].toString(), QString());

    const QVariantMap chinese
        = ReportManager::shared().commonFields(QLocale(QLocale::Chinese, QLocale::China));
    QCOMPARE(chinese[u"event_country"_s].toString(), u"CN"_s);
    QCOMPARE(chinese[u"event_ip_country"_s].toString(), u"CN"_s);
    QVERIFY(chinese[u"event_language"_s].toString().startsWith(u"zh"_s));
}

void tst_ReportManager::requestParametersRejectsNonJson_data()
{
    QTest::addColumn<QVariantMap>("detail");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("text") << QVariantMap { { u"page"_s, u"compress"_s } } << true;
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

void tst_ReportManager::reportReachesServer_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariantMap>("detail");

    QTest::newRow("start") << u"start"_s << QVariantMap { { u"event"_s, u"start"_s } };
    QTest::newRow("show") << u"show"_s << QVariantMap { { u"page"_s, u"decompress"_s } };
    QTest::newRow("reserved and non-ascii")
        << u"decompress_result"_s
        << QVariantMap { { u"success"_s, u"failed"_s },
                         { u"error"_s, uR"(a&b=c+d %20 "x":{y}, 操作被取消)"_s } };
}

void tst_ReportManager::reportReachesServer()
{
    QFETCH(QString, type);
    QFETCH(QVariantMap, detail);

    EventLogServer server;
    QVERIFY(server.isListening());
    setEndpoint(server.url().toString());

    ReportQuery::report(type, detail);
    QTRY_COMPARE(server.requestHeads().size(), 1);

    const QByteArray head = server.requestHeads().first();
    const QByteArray lowerHead = head.toLower();
    QVERIFY2(!lowerHead.contains("content-length") && !lowerHead.contains("content-type"), head.constData());

    const QJsonObject event = eventOf(head);
    QCOMPARE(event.size(), 2 + commonFieldNames.size());
    QCOMPARE(event[u"event_type"_s].toString(), type);
    QCOMPARE(event[u"event_detail"_s].toObject(), QJsonObject::fromVariantMap(detail));
    for (const QString& name : commonFieldNames)
        QVERIFY2(event[name].isString(), qPrintable(name));

    QCOMPARE(event[u"event_country"_s], event[u"event_ip_country"_s]);
    QCOMPARE(event[u"event_app_name"_s].toString(), QString::fromUtf8(KestrelConfig::appStoreId));
    QCOMPARE(event[u"event_client_type"_s], event[u"event_device_model"_s]);
    QVERIFY(!event[u"event_device_model"_s].toString().isEmpty());
    QCOMPARE(event[u"event_app_version"_s].toString(), u"3.1.4-test"_s);
    const QString deviceId = event[u"event_device_id"_s].toString();
    QVERIFY2(deviceId.isEmpty() || hardwareAddress.match(deviceId).hasMatch(), qPrintable(deviceId));
    QCOMPARE(event[u"event_device_os"_s].toString(), u"Linux"_s);
    QCOMPARE(event[u"event_device_os_version"_s].toString(), QSysInfo::prettyProductName());
    QCOMPARE(event[u"event_tn"_s].toString(), QString::fromUtf8(KestrelConfig::distributionChannel));
}

void tst_ReportManager::reportFromWorkerThread()
{
    EventLogServer server;
    QVERIFY(server.isListening());
    setEndpoint(server.url().toString());

    std::unique_ptr<QThread> worker(QThread::create([] {
        ReportQuery::report(u"show"_s, { { u"page"_s, u"compress"_s } });
    }));
    worker->start();
    QVERIFY(worker->wait(10000));

    QTRY_COMPARE(server.requestHeads().size(), 1);
    QCOMPARE(eventOf(server.requestHeads().first())[u"event_detail"_s].toObject(),
             QJsonObject({ { u"page"_s, u"compress"_s } }));
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

    setEndpoint(endpoint);
    QElapsedTimer elapsed;
    elapsed.start();
    ReportQuery::report(u"start"_s, { { u"event"_s, u"start"_s } });
    QVERIFY2(elapsed.elapsed() < 2000, "report waited for the network");

    bool fired = false;
    QTimer::singleShot(10, this, [&fired] { fired = true; });
    QTRY_VERIFY(fired);

    // A failed request leaves the manager able to send the next one.
    EventLogServer server;
    QVERIFY(server.isListening());
    setEndpoint(server.url().toString());
    ReportQuery::report(u"show"_s, { { u"page"_s, u"decompress"_s } });
    QTRY_COMPARE(server.requestHeads().size(), 1);
    QCOMPARE(eventOf(server.requestHeads().first())[u"event_type"_s].toString(), u"show"_s);
}

QTEST_GUILESS_MAIN(tst_ReportManager)
#include "tst_reportmanager.moc"
