#pragma once

#include <QString>
#include <QVariantMap>

// The one call through which the application reports a usage event.
class ReportQuery
{
public:
    ReportQuery() = delete;

    // Sends `type` with its `detail` and the common device fields to the event
    // log. Returns at once and never fails; an event that cannot be written as
    // JSON is dropped.
    static void report(const QString& type, const QVariantMap& detail);

    // Gives the events reported so far up to `maxMsecs` to reach the event
    // log: for a process that ends right after its last event.
    static void waitForSentReports(int maxMsecs);
};
