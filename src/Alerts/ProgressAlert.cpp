#include "Alerts/ProgressAlert.h"

#include "Alerts/ProgressIndicator.h"
#include "Controls/Image.h"
#include "Resources/LocalizedText.h"

ProgressAlert::ProgressAlert(const QString& message, const QString& iconName)
{
    setText(message);
    // The icon goes in before the bar: setting it rebuilds the layout.
    setIconPixmap(image(iconName));
    setAccessoryView(indicator());
}

ProgressIndicator* ProgressAlert::indicator()
{
    if (!m_indicator)
        m_indicator = new ProgressIndicator(this);
    return m_indicator;
}

void ProgressAlert::setupButtons()
{
    addButtonWithTitle(localizedText("common_cancel"), RejectRole);
}
