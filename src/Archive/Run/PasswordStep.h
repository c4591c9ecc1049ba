#pragma once

#include "Archive/AlertResult.h"

#include <QString>

#include <functional>
#include <optional>

class PasswordPrompt;

// How a job asks for a password. Main thread only.
class PasswordStep
{
public:
    PasswordStep() = delete;

    // Receives the entered text for `ok`, nothing for an answer without one.
    using Answered = std::function<void(const std::optional<QString>& text, AlertResult result)>;

    // Asks `prompt` (the process's prompt when null) for the archive's
    // password. A prompt that ends without a usable answer writes its
    // diagnostic line first.
    static void ask(PasswordPrompt* prompt, Answered answered);
};
