#pragma once

#include "Archive/PasswordPrompt.h"

#include <optional>

class QTextStream;

// Answers password questions in the command-line mode: one line read from
// `inputFd` (standard input with --password-stdin), or typed on the terminal
// without echo. Without either, every question ends as `fail`. A read that a
// signal interrupts (Ctrl-C) ends as `cancel`.
class TerminalPasswordPrompt : public PasswordPrompt
{
public:
    enum class Source
    {
        none,
        input,
        terminal
    };

    // `inputFd` is read for both sources; `prompt` receives the question when
    // asking on the terminal.
    TerminalPasswordPrompt(Source source, int inputFd, QTextStream& prompt);

    void ask(const QString& message, Answer answer) override;

    // How the last question ended; `ok` before any question.
    AlertResult lastResult() const { return m_lastResult; }

private:
    std::optional<QString> readLine();
    std::optional<QString> readLineWithoutEcho();

    Source m_source;
    int m_inputFd;
    QTextStream& m_prompt;
    AlertResult m_lastResult = AlertResult::ok;
};
