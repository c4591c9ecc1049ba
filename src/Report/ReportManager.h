#pragma once

#include <QMap>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <mutex>

class QLocale;
class QNetworkAccessManager;
class QThread;
class QUrl;

// Builds usage events and sends them to the event log, fire and forget.
class ReportManager
{
public:
    using RequestParameters = QMap<QString, QString>;

    // The one instance, created on first use (from any thread) and kept for
    // the life of the process.
    static ReportManager& shared();

    ReportManager(const ReportManager&) = delete;
    ReportManager& operator=(const ReportManager&) = delete;

    // The twelve device, application and locale members every event carries,
    // read afresh on each call, for the system locale or the given one.
    QVariantMap commonFields() const;
    QVariantMap commonFields(const QLocale& locale) const;

    // "type" = "event_info" and "json" = `event` merged with the common fields
    // as compact JSON text; empty when that cannot be written as JSON.
    RequestParameters requestParameters(const QVariantMap& event) const;

    // Starts a GET request with `parameters` in the URL query and returns at
    // once; the request is made on a thread of its own. The answer and any
    // failure are ignored.
    void send(const RequestParameters& parameters);

    // Waits up to `maxMsecs` for the requests already sent to finish; true
    // when none is left. For a process about to end, whose last events would
    // otherwise go down with it.
    bool waitForPendingRequests(int maxMsecs);

    // The event-log endpoint with `parameters` as its query, every reserved
    // character percent-encoded; an invalid URL when no usable endpoint is
    // configured (KESTREL_EVENT_LOG_URL in the environment, else the build's).
    static QUrl requestUrl(const RequestParameters& parameters);

private:
    ReportManager() = default;

    QObject* requestContext();
    void stopRequests();
    void startRequest(const QUrl& url);

    std::once_flag m_requestThreadStarted;
    QThread* m_requestThread = nullptr;
    // Lives in the request thread, with the access manager as its child.
    QObject* m_requestContext = nullptr;
    QPointer<QNetworkAccessManager> networkManager;
    // Sent and not yet finished, counted across threads.
    std::atomic_int m_pendingRequests { 0 };
};
