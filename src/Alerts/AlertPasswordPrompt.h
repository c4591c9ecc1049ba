#pragma once

#include "Archive/PasswordPrompt.h"

#include <QPointer>
#include <QWidget>

// Asks for a password with a TextFieldAlert on the window of a given view.
class AlertPasswordPrompt : public PasswordPrompt
{
public:
    // Asks on the window that holds `view` (not owned).
    explicit AlertPasswordPrompt(QWidget* view);

    // Answers fail when there is no window to ask in; otherwise how the
    // sheet ended and the text of its field.
    void ask(const QString& message, Answer answer) override;

private:
    QPointer<QWidget> m_view;
};
