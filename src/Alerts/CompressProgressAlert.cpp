#include "Alerts/CompressProgressAlert.h"

using namespace Qt::StringLiterals;

QPointer<CompressProgressAlert> CompressProgressAlert::create(const QString& message)
{
    auto alert = new CompressProgressAlert(message);
    finishCreation(alert);
    return alert;
}

CompressProgressAlert::CompressProgressAlert(const QString& message)
    : ProgressAlert(message, u"toobal_compress_icon"_s)
{
}
