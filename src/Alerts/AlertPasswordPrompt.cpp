#include "Alerts/AlertPasswordPrompt.h"

#include "Alerts/TextFieldAlert.h"

#include <QLineEdit>

AlertPasswordPrompt::AlertPasswordPrompt(QWidget* view)
    : m_view(view)
{
}

void AlertPasswordPrompt::ask(const QString& message, Answer answer)
{
    QPointer<TextFieldAlert> alert = TextFieldAlert::create(message);
    alert->show(m_view, [alert, answer = std::move(answer)](AlertResult result) {
        if (answer)
            answer(result, alert ? alert->textField()->text() : QString());
    });
}
