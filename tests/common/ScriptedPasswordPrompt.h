#pragma once

#include "Archive/PasswordPrompt.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <utility>

// Answers password questions from a script, in order, and installs itself
// as the process's prompt while it lives. With the script used up it answers
// `fail`, as when there is no window to ask in.
class ScriptedPasswordPrompt : public PasswordPrompt
{
public:
    explicit ScriptedPasswordPrompt(QList<std::pair<AlertResult, QString>> script = {})
        : m_script(std::move(script))
    {
        PasswordPrompt::setCurrent(this);
    }
    ~ScriptedPasswordPrompt() override { PasswordPrompt::setCurrent(nullptr); }

    void ask(const QString& message, Answer answer) override
    {
        m_messages.append(message);
        if (m_beforeAnswer)
            m_beforeAnswer();
        const auto [result, text]
            = m_script.isEmpty() ? std::pair { AlertResult::fail, QString() } : m_script.takeFirst();
        answer(result, text);
    }

    QStringList messages() const { return m_messages; }
    // Runs while a question is open, right before it is answered.
    void setBeforeAnswer(std::function<void()> action) { m_beforeAnswer = std::move(action); }

private:
    QList<std::pair<AlertResult, QString>> m_script;
    QStringList m_messages;
    std::function<void()> m_beforeAnswer;
};
