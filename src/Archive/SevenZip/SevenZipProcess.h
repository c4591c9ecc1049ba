#pragma once

#include "Archive/SevenZip/SevenZipProgressParser.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

// Runs one 7zz command to its end, synchronously on the calling thread.
//
// The child runs in the C.UTF-8 locale, so messages are English and names
// UTF-8. A password is only ever written to the child's standard input, when
// it prompts for one; it never reaches a command line or the environment.
class SevenZipProcess
{
public:
    using PasswordGetter = std::function<QString()>;
    using ProgressHandler = std::function<void(float)>;
    using CanContinue = std::function<bool()>;

    // The full path of 7zz, or an empty text when it is not installed.
    static QString executable();

    // Called on the calling thread each time 7zz prompts; the answer goes to
    // the child as one line. Without a getter the answer is empty.
    void setPasswordGetter(PasswordGetter getter) { m_passwordGetter = std::move(getter); }
    // Gets 7zz's fraction done (0 to 1) whenever it changes.
    void setProgressHandler(ProgressHandler handler) { m_progressHandler = std::move(handler); }
    // Asked a few times a second; false stops the child at once.
    void setCanContinue(CanContinue canContinue) { m_canContinue = std::move(canContinue); }

    // Runs `7zz command switches...`: the first argument is the command, the
    // stream switches go right after it. Returns once the child is gone,
    // true when it exited with code 0 and was not stopped.
    bool run(const QStringList& arguments);

    // The exit code, or -1 when 7zz did not start, crashed or was stopped.
    // 7zz ended by us for any other reason (a question nobody can answer, a
    // password it cannot take) exits with 255.
    int exitCode() const { return m_exitCode; }
    bool wasStopped() const { return m_stopped; }
    bool passwordRequested() const { return m_passwordRequested; }
    // Standard output, with the prompts.
    QString standardOutput() const { return QString::fromUtf8(m_output); }
    // Lines 7zz wrote to standard error besides its progress.
    QStringList messages() const { return m_progressParser.messages(); }
    float lastProgress() const { return m_lastProgress; }

private:
    bool canContinue() const;
    void readOutput(QProcess& process);
    void readProgress(QProcess& process);
    void reportProgress(const QList<float>& fractions);
    bool isPrompting() const;
    void answerPrompt(QProcess& process);
    void end(QProcess& process);

    PasswordGetter m_passwordGetter;
    ProgressHandler m_progressHandler;
    CanContinue m_canContinue;

    QByteArray m_output;
    qsizetype m_answeredUpTo = 0;
    SevenZipProgressParser m_progressParser;
    float m_lastProgress = -1;
    int m_exitCode = -1;
    bool m_stopped = false;
    bool m_passwordRequested = false;
};
