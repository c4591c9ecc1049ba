#include "Alerts/ExtractProgressAlert.h"

#include "Alerts/ProgressIndicator.h"
#include "App/Image.h"
#include "Resources/LocalizedText.h"

using namespace Qt::StringLiterals;

QPointer<ExtractProgressAlert> ExtractProgressAlert::create(const QString& message)
{
    auto alert = new ExtractProgressAlert(message);
    finishCreation(alert);
    return alert;
}

ExtractProgressAlert::ExtractProgressAlert(const QString& message)
{
    setText(message);
    // The icon goes in before the bar: setting it rebuilds the layout.
    setIconPixmap(image(u"toobal_extract_icon"_s));
    setAccessoryView(indicator());
}

ProgressIndicator* ExtractProgressAlert::indicator()
{
    if (!m_indicator)
        m_indicator = new ProgressIndicator(this);
    return m_indicator;
}

void ExtractProgressAlert::setupButtons()
{
    addButtonWithTitle(localizedText("common_cancel"), RejectRole);
}
