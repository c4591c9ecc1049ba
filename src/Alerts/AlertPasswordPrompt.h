#pragma once

#include "Archive/PasswordPrompt.h"

class QWidget;

// Asks for a password with a TextFieldAlert on the application's key window.
class AlertPasswordPrompt : public PasswordPrompt
{
public:
    // Answers fail when there is no window to ask in; otherwise how the
    // sheet ended and the text of its field.
    void ask(const QString& message, Answer answer) override;

    // The content of the active window, or of the first visible main window
    // when none is active (as when the application is in the background);
    // null when there is neither.
    static QWidget* keyContentView();
};
