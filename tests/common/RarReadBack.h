#pragma once

#include "RarFixture.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Reads a RAR archive back with libarchive, as the RAR engine extracts
// unencrypted archives, so tests can compare what it yields.
namespace RarReadBack {

struct Entry
{
    QByteArray data; // not read when encrypted
    qint64 mtime = 0;
    bool isDirectory = false;
    bool isEncrypted = false;
};

struct Result
{
    QMap<QString, Entry> entries; // by UTF-8 path
    QString error; // libarchive's first error; empty when everything was read
};

// One archive, or every volume of a set in order.
Result read(const QStringList& volumes);
inline Result read(const QString& path)
{
    return read(QStringList { path });
}

// The first way `read` differs from the `written` entries, libarchive's error
// included, or an empty string.
QString mismatch(const Result& read, const QList<RarFixtureEntry>& written);

} // namespace RarReadBack
