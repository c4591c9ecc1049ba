#include "Archive/SevenZip/SevenZipProcess.h"

#include "Archive/Plumbing/ChildLifetime.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kStopGraceMilliseconds = 3000;
constexpr QByteArrayView kPrompt = "Enter password (will not be echoed):";
// The end of 7zz's yes/no questions (overwrite...). The switches we pass
// avoid them; should one come anyway, nobody is there to answer it.
constexpr QByteArrayView kQuestionEnd = "(Q)uit? ";

// Progress to standard error, messages and prompts to standard output. Never
// -bso0: it hides the prompt, yet 7zz still waits for an answer.
// Made afresh for each run: a global list would be destroyed at exit while a
// job thread may still read it.
QStringList streamSwitches()
{
    return { u"-bsp2"_s, u"-bso1"_s, u"-bse2"_s };
}

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"LANGUAGE"_s);
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    environment.insert(u"LANG"_s, u"C.UTF-8"_s);
    // Listed times in UTC: exact (local time is ambiguous in the hour a
    // clock goes back) and cheap to read.
    environment.insert(u"TZ"_s, u"UTC0"_s);
    return environment;
}

} // namespace

QString SevenZipProcess::executable()
{
    return QStandardPaths::findExecutable(u"7zz"_s);
}

bool SevenZipProcess::run(const QStringList& arguments)
{
    m_output.clear();
    m_answeredUpTo = 0;
    m_progressParser = SevenZipProgressParser();
    m_lastProgress = -1;
    m_exitCode = -1;
    m_stopped = false;
    m_passwordRequested = false;

    const QString program = executable();
    if (program.isEmpty() || arguments.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments.first(1) + streamSwitches() + arguments.sliced(1));
    process.setProcessEnvironment(childEnvironment());
    ChildLifetime::tieToCaller(process);
    process.start();
    if (!process.waitForStarted())
        return false;

    while (process.state() != QProcess::NotRunning) {
        if (!canContinue()) {
            m_stopped = true;
            end(process);
            break;
        }
        process.waitForReadyRead(kPollMilliseconds);
        readProgress(process);
        readOutput(process);
    }
    readProgress(process);
    readOutput(process);
    reportProgress(m_progressParser.finish());

    if (!m_stopped && process.exitStatus() == QProcess::NormalExit)
        m_exitCode = process.exitCode();
    return m_exitCode == 0;
}

bool SevenZipProcess::canContinue() const
{
    return !m_canContinue || m_canContinue();
}

void SevenZipProcess::readOutput(QProcess& process)
{
    m_output += process.readAllStandardOutput();
    if (m_stopped || process.state() != QProcess::Running)
        return;
    if (isPrompting())
        answerPrompt(process);
    else if (m_output.endsWith(kQuestionEnd))
        end(process);
}

void SevenZipProcess::readProgress(QProcess& process)
{
    reportProgress(m_progressParser.feed(process.readAllStandardError()));
}

void SevenZipProcess::reportProgress(const QList<float>& fractions)
{
    for (const float fraction : fractions) {
        if (fraction == m_lastProgress)
            continue;
        m_lastProgress = fraction;
        if (m_progressHandler)
            m_progressHandler(fraction);
    }
}

bool SevenZipProcess::isPrompting() const
{
    // 7zz has stopped right after the prompt, at the start of a line; a name
    // in a listing never starts one.
    if (!m_output.endsWith(kPrompt))
        return false;
    const qsizetype start = m_output.size() - kPrompt.size();
    return start >= m_answeredUpTo && (start == 0 || m_output.at(start - 1) == '\n');
}

void SevenZipProcess::answerPrompt(QProcess& process)
{
    m_passwordRequested = true;
    m_answeredUpTo = m_output.size();
    const QString password = m_passwordGetter ? m_passwordGetter() : QString();
    if (!canContinue()) {
        m_stopped = true;
        end(process);
        return;
    }
    // A line break would end the answer early and leave the rest to be read
    // as further answers.
    if (password.contains(u'\n') || password.contains(u'\r')) {
        end(process);
        return;
    }
    process.write(password.toUtf8() + '\n');
    process.waitForBytesWritten();
}

void SevenZipProcess::end(QProcess& process)
{
    // At a prompt 7zz sits in a read that SIGTERM does not end, but end of
    // file does. SIGTERM lets it delete an archive it was creating; a child
    // that does not end in time is killed.
    process.closeWriteChannel();
    process.terminate();
    if (!process.waitForFinished(kStopGraceMilliseconds)) {
        process.kill();
        process.waitForFinished(-1);
    }
}
