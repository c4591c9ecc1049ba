#include "ZipFixtures.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QtEndian>

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xffffffff;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

template<typename T> void put(QByteArray& out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof(T));
}

// The fields local and central headers share, from "version needed" to the name length.
void putCommon(QByteArray& out, const ZipFixtures::Entry& entry)
{
    put<quint16>(out, 20);
    put<quint16>(out, entry.flags);
    put<quint16>(out, entry.method);
    put<quint32>(out, 0x5a210000); // 2025-01-01 00:00:00, DOS format
    put<quint32>(out, crc32(entry.data));
    put<quint32>(out, quint32(entry.data.size()));
    put<quint32>(out, quint32(entry.data.size()));
    put<quint16>(out, quint16(entry.name.size()));
}

} // namespace

QByteArray ZipFixtures::rawZip(const QList<Entry>& entries)
{
    QByteArray body;
    QByteArray directory;
    for (const Entry& entry : entries) {
        const auto offset = quint32(body.size());
        put<quint32>(body, 0x04034b50);
        putCommon(body, entry);
        put<quint16>(body, 0);
        body += entry.name + entry.data;
        put<quint32>(directory, 0x02014b50);
        put<quint16>(directory, 0x0314); // made on Unix: the mode is in the high half of the attributes
        putCommon(directory, entry);
        for (const quint16 zero : { 0, 0, 0, 0 })
            put<quint16>(directory, zero);
        put<quint32>(directory, entry.mode << 16);
        put<quint32>(directory, offset);
        directory += entry.name;
    }
    QByteArray end;
    put<quint32>(end, 0x06054b50);
    put<quint32>(end, 0);
    put<quint16>(end, quint16(entries.size()));
    put<quint16>(end, quint16(entries.size()));
    put<quint32>(end, quint32(directory.size()));
    put<quint32>(end, quint32(body.size()));
    put<quint16>(end, 0);
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
