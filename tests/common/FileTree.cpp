#include "FileTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

namespace FileTree {

bool writeFile(const QString& root, const QString& relativePath, const QByteArray& content)
{
    const QString path = root + u'/' + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QByteArray> snapshot(const QString& root, bool attributes)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray name = QFile::encodeName(path);
        struct stat status = {};
        lstat(name.constData(), &status);
        const QString relative = path.mid(root.size() + 1);
        if (S_ISLNK(status.st_mode)) {
            char target[PATH_MAX];
            const ssize_t length = readlink(name.constData(), target, sizeof target);
            tree.insert(relative, "-> " + QByteArray(target, qMax<ssize_t>(length, 0)));
            continue;
        }
        const QByteArray described = S_ISDIR(status.st_mode) ? QByteArray("<dir>")
            : S_ISREG(status.st_mode)                        ? readFile(path)
                                                             : QByteArray("<special>");
        tree.insert(relative,
                    attributes ? QByteArray::number(status.st_mode & 07777, 8) + ' '
                            + QByteArray::number(qint64(status.st_mtime)) + ' ' + described
                               : described);
    }
    return tree;
}

bool write(const QString& root, const QMap<QString, QByteArray>& tree)
{
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString path = root + u'/' + it.key();
        const bool made = it.value() == "<dir>" ? QDir().mkpath(path)
            : it.value().startsWith("-> ")      ? QDir().mkpath(QFileInfo(path).absolutePath())
                && QFile::link(QString::fromUtf8(it.value().mid(3)), path)
                                           : writeFile(root, it.key(), it.value());
        if (!made)
            return false;
    }
    return true;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace FileTree
