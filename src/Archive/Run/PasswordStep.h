#pragma once

#include "Archive/AlertResult.h"
#include "Archive/Archiver.h"
#include "Archive/Run/JobOutput.h"

#include <QString>

#include <functional>
#include <optional>

class PasswordPrompt;

// How the archivers ask for a password and what each answer means. Main
// thread only.
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

    // The job that waits for a password before it extracts anything.
    struct Extraction
    {
        PasswordPrompt* prompt = nullptr;
        JobOutput output;
        std::function<bool()> isCancelled;
        Archiver::Completion completion;
        Archiver::EndedWithoutResult endedWithoutResult;
    };

    // Asks for `job`'s password and calls `start` with it. An empty answer
    // fails with passwordEmpty and an answer that comes after a cancel ends
    // as cancelled; a question that ends without an answer ends the job
    // without a result. Each of these removes the reserved folder first.
    static void askBeforeExtracting(const Extraction& job, std::function<void(const QString&)> start);
};
