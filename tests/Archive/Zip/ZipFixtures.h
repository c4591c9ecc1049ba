#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Builds zip archives byte by byte (for what no well-behaved writer makes:
// legacy names, hostile paths, odd methods) and describes folder trees.
class ZipFixtures
{
public:
    struct Entry
    {
        QByteArray name;
        QByteArray data; // a link's target for S_IFLNK
        quint32 mode = 0100644;
        quint16 method = 0; // data is stored as given whatever the method says
        quint16 flags = 0; // 0x800: name is UTF-8
    };

    static QByteArray rawZip(const QList<Entry>& entries);
    static Entry link(const QByteArray& name, const QByteArray& target) { return { name, target, 0120777 }; }
    static bool writeFile(const QString& path, const QByteArray& data);
    // Relative path -> "file <mode> <mtime> <content hash>", "dir <mode> <mtime>" or
    // "link <target>", for everything below `root`.
    static QMap<QString, QString> snapshot(const QString& root);
};
