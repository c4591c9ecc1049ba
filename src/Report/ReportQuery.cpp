#include "Report/ReportQuery.h"

#include "Report/ReportManager.h"

using namespace Qt::StringLiterals;

void ReportQuery::report(const QString& type, const QVariantMap& detail)
{
    const QVariantMap event {
        { u"event_type"_s, type },
        { u"event_detail"_s, detail },
    };
    ReportManager& manager = ReportManager::shared();
    const ReportManager::RequestParameters parameters = manager.requestParameters(event);
    if (!parameters.isEmpty())
        manager.send(parameters);
}

void ReportQuery::waitForSentReports(int maxMsecs)
{
    ReportManager::shared().waitForPendingRequests(maxMsecs);
}
