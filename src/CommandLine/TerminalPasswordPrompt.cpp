#include "CommandLine/TerminalPasswordPrompt.h"

#include <QTextStream>

#include <optional>

#include <termios.h>
#include <unistd.h>

TerminalPasswordPrompt::TerminalPasswordPrompt(Source source, int inputFd, QTextStream& prompt)
    : m_source(source)
    , m_inputFd(inputFd)
    , m_prompt(prompt)
{
}

void TerminalPasswordPrompt::ask(const QString& message, Answer answer)
{
    std::optional<QString> line;
    switch (m_source) {
    case Source::none:
        break;
    case Source::input:
        line = readLine();
        break;
    case Source::terminal:
        m_prompt << message << ": ";
        m_prompt.flush();
        line = readLineWithoutEcho();
        break;
    }

    // Nothing to read (no source, end of input, an interrupted read) is a
    // question nobody could answer.
    m_lastResult
        = line ? AlertResult::ok : (m_source == Source::none ? AlertResult::fail : AlertResult::cancel);
    if (answer)
        answer(m_lastResult, line.value_or(QString()));
}

std::optional<QString> TerminalPasswordPrompt::readLine()
{
    // Byte by byte from the descriptor, so nothing after the line is consumed
    // and a signal can interrupt the wait.
    QByteArray bytes;
    bool any = false;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(m_inputFd, &c, 1);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        any = true;
        if (c == '\n')
            break;
        bytes.append(c);
    }
    if (!any)
        return std::nullopt;
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

std::optional<QString> TerminalPasswordPrompt::readLineWithoutEcho()
{
    termios saved {};
    const bool isTerminal = isatty(m_inputFd) && tcgetattr(m_inputFd, &saved) == 0;
    if (isTerminal) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        silent.c_lflag |= ECHONL;
        tcsetattr(m_inputFd, TCSAFLUSH, &silent);
    }
    std::optional<QString> line = readLine();
    if (isTerminal)
        tcsetattr(m_inputFd, TCSAFLUSH, &saved);
    return line;
}
