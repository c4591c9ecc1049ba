#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Reads a RAR archive back with libarchive, as the RAR engine extracts
// unencrypted archives, so tests can compare what it yields.
namespace RarReadBack {

struct Entry
{
    QByteArray data;
    qint64 mtime = 0;
    bool isDirectory = false;
    bool isEncrypted = false;
};

struct Result
{
    QMap<QString, Entry> entries; // by UTF-8 path
    QString error; // libarchive's first error; empty when everything was read
};

Result read(const QString& path);

} // namespace RarReadBack
