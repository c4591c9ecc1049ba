#pragma once

#include "Alerts/CommonAlert.h"
#include "Alerts/ProgressAlert.h"
#include "Alerts/TextFieldAlert.h"
#include "Resources/LocalizedText.h"

#include <QAbstractButton>
#include <QWidget>

// The alerts a window shows, found as a user sees them on screen. For the
// GUI tests, which link the alerts.
namespace AlertLookup {

// The first visible alert of type `Alert` over `window`, or null.
template<typename Alert> Alert* visible(QWidget* window)
{
    const QList<Alert*> alerts = window->findChildren<Alert*>();
    for (Alert* alert : alerts) {
        if (alert->isVisible())
            return alert;
    }
    return nullptr;
}

// The message alert on screen, if any: not a progress sheet, not a prompt.
inline CommonAlert* messageAlert(QWidget* window)
{
    const QList<CommonAlert*> alerts = window->findChildren<CommonAlert*>();
    for (CommonAlert* alert : alerts) {
        if (alert->isVisible() && !qobject_cast<ProgressAlert*>(alert)
            && !qobject_cast<TextFieldAlert*>(alert))
            return alert;
    }
    return nullptr;
}

// The button of `box` titled with the text of `key`, or null.
inline QAbstractButton* buttonTitled(const QMessageBox* box, const char* key)
{
    const QList<QAbstractButton*> buttons = box->buttons();
    for (QAbstractButton* button : buttons) {
        if (button->text() == localizedText(key))
            return button;
    }
    return nullptr;
}

} // namespace AlertLookup
