#include "Alerts/TextFieldAlert.h"

#include "App/Image.h"
#include "Resources/LocalizedText.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

QPointer<TextFieldAlert> TextFieldAlert::create(const QString& message)
{
    auto alert = new TextFieldAlert(message);
    finishCreation(alert);
    return alert;
}

TextFieldAlert::TextFieldAlert(const QString& message)
    : m_textField(new QLineEdit(this))
{
    m_textField->setFixedSize(200, 24);
    setText(message);
    // The icon goes in before the text field: setting it rebuilds the layout.
    setIconPixmap(image(u"alert_password_icon"_s));
    setAccessoryView(m_textField);
}

void TextFieldAlert::setupButtons()
{
    addButtonWithTitle(localizedText("common_ok"), AcceptRole);
    addButtonWithTitle(localizedText("common_cancel"), RejectRole);
}
