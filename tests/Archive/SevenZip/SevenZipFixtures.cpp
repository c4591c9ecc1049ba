#include "SevenZipFixtures.h"

#include "FileTree.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>

#include <sys/types.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace SevenZipFixtures {

QMap<QString, QByteArray> tree(const QString& root)
{
    QMap<QString, QByteArray> result = FileTree::snapshot(root);
    for (auto it = result.begin(); it != result.end(); ++it) {
        const QByteArray path = QFile::encodeName(root + u'/' + it.key());
        char target[4096];
        const ssize_t length = readlink(path.constData(), target, sizeof target);
        if (length >= 0)
            it.value() = "-> " + QByteArray(target, length);
    }
    return result;
}

QByteArray capture(const QString& name)
{
    return FileTree::readFile(QStringLiteral(SEVENZIP_TEST_DATA) + u'/' + name);
}

QByteArray listing(const QString& archive, const QString& password)
{
    QStringList arguments = { u"l"_s, u"-slt"_s, archive };
    if (!password.isEmpty())
        arguments.append(u"-p"_s + password);
    QByteArray output;
    return FileTree::run(u"7zz"_s, arguments, &output) == 0 ? output : QByteArray("<7zz failed>");
}

QStringList listedPaths(const QString& archive, const QString& password)
{
    // The entries follow the archive's own properties and a line of dashes.
    const QByteArray text = listing(archive, password);
    QStringList paths;
    for (const QByteArray& line : text.sliced(text.indexOf("\n----------\n") + 1).split('\n')) {
        if (line.startsWith("Path = "))
            paths.append(QString::fromUtf8(line.mid(7)));
    }
    return paths;
}

bool buildArchive(const QString& archive, const QList<Entry>& entries, const QString& scratchFolder)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries.at(i);
        const QString name = u"entry%1"_s.arg(i);
        const QString source = scratchFolder + u'/' + name;
        QFile::remove(source);
        QFile file(source);
        const bool made = entry.isLink ? QFile::link(QString::fromUtf8(entry.content), source)
                                       : file.open(QIODevice::WriteOnly) && file.write(entry.content) >= 0;
        file.close();
        if (!made || FileTree::run(u"7zz"_s, { u"a"_s, u"-t7z"_s, u"-snl"_s, archive, source }) != 0
            || FileTree::run(u"7zz"_s, { u"rn"_s, u"-t7z"_s, archive, name, entry.storedName }) != 0)
            return false;
    }
    return true;
}

bool makeLargeFile(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

std::optional<ChildProcess> findSevenZipChild()
{
    const QByteArray self = QByteArray::number(qint64(getpid()));
    const QStringList pids = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        const QString folder = u"/proc/"_s + pid;
        // "PID (name) STATE PPID ...": the name may hold anything but ")".
        const QByteArray stat = FileTree::readFile(folder + u"/stat"_s);
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields.at(1) != self)
            continue;
        if (QFileInfo(folder + u"/exe"_s).symLinkTarget().endsWith(u"/7zz"_s))
            return ChildProcess { pid.toLongLong(), FileTree::readFile(folder + u"/cmdline"_s),
                                  FileTree::readFile(folder + u"/environ"_s) };
    }
    return std::nullopt;
}

bool killAndWaitForDeath(qint64 pid)
{
    if (::kill(pid_t(pid), SIGKILL) != 0)
        return false;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const QByteArray stat = FileTree::readFile(u"/proc/%1/stat"_s.arg(pid));
        if (stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z")
            return true;
        QThread::msleep(5);
    }
    return false;
}

} // namespace SevenZipFixtures
