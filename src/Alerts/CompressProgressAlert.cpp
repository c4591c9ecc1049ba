#include "Alerts/CompressProgressAlert.h"

#include "Alerts/ProgressIndicator.h"
#include "App/Image.h"
#include "Resources/LocalizedText.h"

using namespace Qt::StringLiterals;

QPointer<CompressProgressAlert> CompressProgressAlert::create(const QString& message)
{
    auto alert = new CompressProgressAlert(message);
    finishCreation(alert);
    return alert;
}

CompressProgressAlert::CompressProgressAlert(const QString& message)
{
    setText(message);
    // The icon goes in before the bar: setting it rebuilds the layout.
    setIconPixmap(image(u"toobal_compress_icon"_s));
    setAccessoryView(indicator());
}

ProgressIndicator* CompressProgressAlert::indicator()
{
    if (!m_indicator)
        m_indicator = new ProgressIndicator(this);
    return m_indicator;
}

void CompressProgressAlert::setupButtons()
{
    addButtonWithTitle(localizedText("common_cancel"), RejectRole);
}
