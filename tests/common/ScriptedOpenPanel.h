#pragma once

#include "Alerts/OpenPanel.h"

#include <QCoreApplication>
#include <QList>

// Answers open panels from a script, in order, a moment after each opens, as
// a dialog would. With the script used up it answers as a dismissed panel.
class ScriptedOpenPanel : public OpenPanel
{
public:
    explicit ScriptedOpenPanel(QList<QList<QUrl>> script = {})
        : m_script(std::move(script))
    {
    }

    void beginSheet(QWidget*, const Options& options, Completion completion) override
    {
        m_opened.append(options);
        const QList<QUrl> answer = m_script.isEmpty() ? QList<QUrl>() : m_script.takeFirst();
        QMetaObject::invokeMethod(
            qApp,
            [this, completion = std::move(completion), answer] {
                completion(answer);
                ++m_answered;
            },
            Qt::QueuedConnection);
    }

    void answerNext(const QList<QUrl>& chosen) { m_script.append(chosen); }
    // The options of every panel opened so far.
    const QList<Options>& opened() const { return m_opened; }
    // How many panels have been answered and their answer handled.
    int answered() const { return m_answered; }

private:
    QList<QList<QUrl>> m_script;
    QList<Options> m_opened;
    int m_answered = 0;
};
