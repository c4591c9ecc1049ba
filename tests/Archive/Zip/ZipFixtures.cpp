#include "ZipFixtures.h"

#include "RarBytes.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using RarBytes::appendLe16;
using RarBytes::appendLe32;

namespace {

// The fields local and central headers share, from "version needed" to the name length.
void putCommon(QByteArray& out, const ZipFixtures::Entry& entry)
{
    appendLe16(out, 20);
    appendLe16(out, entry.flags);
    appendLe16(out, entry.method);
    appendLe32(out, 0x5a210000); // 2025-01-01 00:00:00, DOS format
    appendLe32(out, RarBytes::crc32(entry.data));
    appendLe32(out, quint32(entry.data.size()));
    appendLe32(out, quint32(entry.data.size()));
    appendLe16(out, quint16(entry.name.size()));
}

} // namespace

QByteArray ZipFixtures::rawZip(const QList<Entry>& entries)
{
    QByteArray body;
    QByteArray directory;
    for (const Entry& entry : entries) {
        const auto offset = quint32(body.size());
        appendLe32(body, 0x04034b50);
        putCommon(body, entry);
        appendLe16(body, 0);
        body += entry.name + entry.data;
        appendLe32(directory, 0x02014b50);
        // Made on Unix: the mode is in the high half of the external attributes.
        appendLe16(directory, 0x0314);
        putCommon(directory, entry);
        directory.append(8, '\0'); // extra and comment lengths, disk, internal attributes
        appendLe32(directory, entry.mode << 16);
        appendLe32(directory, offset);
        directory += entry.name;
    }
    QByteArray end;
    appendLe32(end, 0x06054b50);
    appendLe32(end, 0);
    appendLe16(end, quint16(entries.size()));
    appendLe16(end, quint16(entries.size()));
    appendLe32(end, quint32(directory.size()));
    appendLe32(end, quint32(body.size()));
    appendLe16(end, 0);
    return body + directory + end;
}

bool ZipFixtures::writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QMap<QString, QString> ZipFixtures::snapshot(const QString& root)
{
    QMap<QString, QString> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status = {};
        lstat(QFile::encodeName(path).constData(), &status);
        const QString attributes
            = QString::number(status.st_mode & 07777, 8) + u' ' + QString::number(status.st_mtime);
        QString description;
        if (S_ISLNK(status.st_mode)) {
            char target[PATH_MAX];
            const ssize_t length = readlink(QFile::encodeName(path).constData(), target, sizeof target);
            description = "link "_L1 + QFile::decodeName(QByteArray(target, qMax<ssize_t>(length, 0)));
        } else if (S_ISDIR(status.st_mode)) {
            description = "dir "_L1 + attributes;
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            description = "file "_L1 + attributes + u' '
                + QString::fromLatin1(
                              QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex());
        }
        tree.insert(path.mid(root.size() + 1), description);
    }
    return tree;
}
