#include "Alerts/ExtractProgressAlert.h"

using namespace Qt::StringLiterals;

QPointer<ExtractProgressAlert> ExtractProgressAlert::create(const QString& message)
{
    auto alert = new ExtractProgressAlert(message);
    finishCreation(alert);
    return alert;
}

ExtractProgressAlert::ExtractProgressAlert(const QString& message)
    : ProgressAlert(message, u"toobal_extract_icon"_s)
{
}
