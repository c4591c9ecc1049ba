#include "Alerts/TaskbarProgress.h"

#include "KestrelConfig.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {
void update(const QVariantMap& properties)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(u"/org/kestrelarchive/LauncherEntry"_s,
                                                     u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s);
    signal << u"application://%1.desktop"_s.arg(QLatin1StringView(KestrelConfig::appStreamId)) << properties;
    bus.send(signal);
}
// What the entry shows now, in whole per cent; -1 while it shows nothing.
// Jobs report many times a second; the taskbar hears of each per cent once.
int shownPercent = -1;
} // namespace

void TaskbarProgress::show(double fraction)
{
    const double bounded = qBound(0.0, fraction, 1.0);
    const int percent = int(bounded * 100);
    if (percent == shownPercent)
        return;
    shownPercent = percent;
    update({ { u"progress"_s, bounded }, { u"progress-visible"_s, true } });
}

void TaskbarProgress::clear()
{
    shownPercent = -1;
    update({ { u"progress"_s, 0.0 }, { u"progress-visible"_s, false } });
}
