#pragma once

#include "Archive/AlertResult.h"

#include <QString>

#include <functional>

// The one way archivers ask the user for a password. The window installs a
// prompt that shows a sheet, the command-line mode one that asks on the
// terminal, tests one that answers from a script.
class PasswordPrompt
{
public:
    // Receives how the prompt ended and, for `ok`, the text entered.
    using Answer = std::function<void(AlertResult result, const QString& text)>;

    virtual ~PasswordPrompt();

    // Asks with `message`. Called on the main thread; `answer` runs exactly
    // once, on the main thread, possibly before `ask` returns.
    virtual void ask(const QString& message, Answer answer) = 0;

    // The prompt archivers use. Without one installed, every question ends
    // as `fail`, as when there is no window to ask in.
    static void askCurrent(const QString& message, Answer answer);

    // Installs `prompt` for the process (not owned); null removes it.
    static void setCurrent(PasswordPrompt* prompt);
    static PasswordPrompt* current();
};
