#include "Report/ReportManager.h"

#include "KestrelConfig.h"
#include "Report/DeviceInfo.h"
#include "Report/DeviceName.h"
#include "Report/SystemValue.h"
#include "Resources/PreferredLanguage.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {
constexpr char endpointVariable[] = "KESTREL_EVENT_LOG_URL";
// A dead endpoint must not keep a request (and its socket) alive forever.
constexpr int transferTimeoutMs = 20000;

QString regionCode(const QLocale& locale)
{
    if (locale.territory() == QLocale::AnyTerritory)
        return {};
    return QLocale::territoryToCode(locale.territory());
}

// Whether `value` has a faithful JSON form. Anything else (a point, an image,
// NaN) would be written as null or dropped, so such an event is not sent.
bool isJsonValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Nullptr:
    case QMetaType::QStringList:
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        return std::isfinite(value.toDouble());
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        return std::all_of(list.cbegin(), list.cend(), isJsonValue);
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        return std::all_of(map.cbegin(), map.cend(), isJsonValue);
    }
    default:
        return false;
    }
}

QUrl endpoint()
{
    const QString text = qEnvironmentVariableIsEmpty(endpointVariable)
        ? QString::fromUtf8(KestrelConfig::eventLogUrl)
        : qEnvironmentVariable(endpointVariable);
    const QUrl url(text, QUrl::StrictMode);
    const bool isWeb = url.scheme() == "http"_L1 || url.scheme() == "https"_L1;
    if (!url.isValid() || !isWeb || url.host().isEmpty())
        return {};
    return url;
}
} // namespace

ReportManager& ReportManager::shared()
{
    // Never destroyed: network objects must not be torn down after the
    // application object, which a static's destructor would do.
    static ReportManager* const instance = new ReportManager;
    return *instance;
}

QVariantMap ReportManager::commonFields() const
{
    return commonFields(QLocale::system());
}

QVariantMap ReportManager::commonFields(const QLocale& locale) const
{
    return {
        { u"event_country"_s, regionCode(locale) },
        { u"event_ip_country"_s, regionCode(locale) },
        { u"event_app_name"_s, QString::fromUtf8(KestrelConfig::appStoreId) },
        { u"event_client_type"_s, DeviceName::deviceName() },
        { u"event_app_version"_s, DeviceInfo::appVersion() },
        { u"event_device_id"_s, DeviceInfo::macAddress() },
        { u"event_device_brand"_s, DeviceInfo::deviceBrand() },
        { u"event_device_model"_s, DeviceName::deviceName() },
        { u"event_device_os"_s, u"Linux"_s },
        { u"event_device_os_version"_s, QSysInfo::prettyProductName() },
        { u"event_language"_s, PreferredLanguage::first(locale) },
        { u"event_tn"_s, QString::fromUtf8(KestrelConfig::distributionChannel) },
    };
}

ReportManager::RequestParameters ReportManager::requestParameters(const QVariantMap& event) const
{
    QVariantMap merged = event;
    merged.insert(commonFields());
    if (!isJsonValue(merged))
        return {};

    const QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(merged)).toJson(QJsonDocument::Compact);
    const QString text = textFromUtf8(json);
    if (text.isEmpty())
        return {};
    return { { u"json"_s, text }, { u"type"_s, u"event_info"_s } };
}

void ReportManager::send(const RequestParameters& parameters)
{
    const QUrl url = requestUrl(parameters);
    if (!url.isValid() || !QCoreApplication::instance())
        return;
    ++m_pendingRequests;
    QMetaObject::invokeMethod(
        requestContext(), [this, url] { startRequest(url); }, Qt::QueuedConnection);
}

bool ReportManager::waitForPendingRequests(int maxMsecs)
{
    const QDeadlineTimer deadline(maxMsecs);
    while (m_pendingRequests.load() > 0 && !deadline.hasExpired())
        QThread::msleep(5);
    return m_pendingRequests.load() == 0;
}

// Requests go out from a thread of their own: loading the TLS backend and
// its certificates takes longer than a frame, and the first event is sent
// while the window is still being built.
QObject* ReportManager::requestContext()
{
    std::call_once(m_requestThreadStarted, [this] {
        m_requestThread = new QThread;
        m_requestThread->setObjectName(u"event log"_s);
        m_requestContext = new QObject;
        m_requestContext->moveToThread(m_requestThread);
        QObject::connect(m_requestThread, &QThread::finished, m_requestContext, &QObject::deleteLater);
        m_requestThread->start();
        qAddPostRoutine([] { shared().stopRequests(); });
    });
    return m_requestContext;
}

// The network objects go with the application, in their own thread.
void ReportManager::stopRequests()
{
    m_requestThread->quit();
    m_requestThread->wait();
}

QUrl ReportManager::requestUrl(const RequestParameters& parameters)
{
    QUrl url = endpoint();
    if (!url.isValid())
        return {};

    // QUrlQuery would leave ':', ',' and friends raw; encode everything but
    // the unreserved characters so the JSON arrives byte for byte.
    QByteArray query;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (!query.isEmpty())
            query += '&';
        query += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

void ReportManager::startRequest(const QUrl& url)
{
    if (!networkManager)
        networkManager = new QNetworkAccessManager(m_requestContext);

    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply* reply = networkManager->get(request);
    // The answer is read and dropped as it comes, so a large body never piles up.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] { reply->readAll(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
        --m_pendingRequests;
        reply->deleteLater();
    });
}
