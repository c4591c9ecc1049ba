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
} // namespace

void TaskbarProgress::show(double fraction)
{
    update({ { u"progress"_s, qBound(0.0, fraction, 1.0) }, { u"progress-visible"_s, true } });
}

void TaskbarProgress::clear()
{
    update({ { u"progress"_s, 0.0 }, { u"progress-visible"_s, false } });
}
