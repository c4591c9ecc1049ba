#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What `lsar -j` tells about an archive. Parsing is pure: the output of a run
// goes in, nothing is read from disk.
class LsarListing
{
public:
    struct Entry
    {
        QString name;
        qint64 size = 0;
        bool isDirectory = false;
        bool isLink = false;
        bool isEncrypted = false;
        // Where the entry's packed data ends, counted over all volumes as one
        // stream; 0 when lsar did not say.
        qint64 dataEnd = 0;
    };

    // Never fails: missing fields keep their defaults. Output cut short (lsar
    // stops mid-listing when it needs a password for encrypted headers) is
    // parsed up to its last complete value and marked truncated.
    static LsarListing parse(const QByteArray& output);

    bool isTruncated() const { return m_truncated; }
    // "RAR", "RAR 5", "Zip"...; empty when lsar recognised nothing or stopped
    // before naming the format.
    QString formatName() const { return m_formatName; }
    bool isRar() const;
    // lsar's own error number (0 when none was reported).
    int error() const { return m_error; }
    // Entries or the archive as a whole are encrypted.
    bool isEncrypted() const;
    // Every volume of the set, as lsar found them; one path for a single file.
    QStringList volumes() const { return m_volumes; }
    const QList<Entry>& entries() const { return m_entries; }
    qint64 totalSize() const;
    // The largest dataEnd of all entries: the archive is cut short when its
    // volumes together are smaller.
    qint64 dataEnd() const;

private:
    bool m_truncated = false;
    QString m_formatName;
    int m_error = 0;
    bool m_archiveEncrypted = false;
    QStringList m_volumes;
    QList<Entry> m_entries;
};
