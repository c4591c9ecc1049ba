#include "ChildProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ChildProcess {

namespace {

QByteArray readProc(qint64 pid, const char* file)
{
    QFile proc(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1StringView(file)));
    return proc.open(QIODevice::ReadOnly) ? proc.readAll() : QByteArray();
}

// The fields of /proc/<pid>/stat after "(name)", which may itself hold
// spaces: state, parent, ...
QList<QByteArray> statFields(qint64 pid)
{
    const QByteArray stat = readProc(pid, "stat");
    return stat.isEmpty() ? QList<QByteArray>() : stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

} // namespace

int run(const QString& program, const QStringList& arguments, QByteArray* output,
        const QString& workingDirectory, const QByteArray& input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return -1;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::optional<Info> find(const QString& name, qint64 parent)
{
    const QByteArray parentPid = QByteArray::number(parent ? parent : qint64(getpid()));
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const qint64 pid = entry.toLongLong();
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() < 2 || fields.at(1) != parentPid || fields.at(0) == "Z"
            || QFileInfo(u"/proc/"_s + entry + u"/exe"_s).symLinkTarget().section(u'/', -1) != name)
            continue;
        return Info { pid, readProc(pid, "cmdline"), readProc(pid, "environ") };
    }
    return std::nullopt;
}

bool hasEnded(qint64 pid)
{
    const QList<QByteArray> fields = statFields(pid);
    return fields.isEmpty() || fields.first() == "Z";
}

bool kill(qint64 pid)
{
    if (::kill(pid_t(pid), SIGKILL) != 0)
        return false;
    const QDeadlineTimer deadline(10000);
    while (!hasEnded(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

} // namespace ChildProcess
