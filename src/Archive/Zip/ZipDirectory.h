#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// One entry of a zip archive's central directory, kept small: an archive of
// a million entries holds a million of these. The name is read again from
// the local header, which must carry the same one (compared by hash).
struct ZipDirectoryEntry
{
    quint64 localHeaderOffset = 0;
    quint64 compressedSize = 0;
    quint64 uncompressedSize = 0;
    // Where the entry's data ends: the next local header, or the directory.
    quint64 spaceEnd = 0;
    quint32 crc = 0;
    quint32 externalAttributes = 0;
    quint32 nameHash = 0;
    quint16 madeBy = 0;
    quint16 flags = 0;
    quint16 method = 0;

    bool hasDataDescriptor() const { return flags & 0x0008; }
    bool hasUtf8Name() const { return flags & 0x0800; }
};

// Reads a zip archive's end records and central directory, and tells who may
// extract it: our reader (one disk, stored and deflated entries only, nothing
// encrypted, every record where it claims to be), libarchive (what our reader
// leaves alone, among it what only looks odd, like a self-extractor's stub in
// front), or nobody: an archive whose records contradict the file.
class ZipDirectory
{
public:
    enum class Verdict
    {
        ours,
        libarchive,
        hostile,
    };

    static ZipDirectory read(int fd, qint64 fileSize);

    static quint32 hashName(const char* name, qsizetype size);

    Verdict verdict = Verdict::libarchive;
    // Why the archive is hostile.
    QString problem;
    // By local header offset, which is the order they are extracted in.
    std::vector<ZipDirectoryEntry> entries;
    // The names that are not UTF-8, which the legacy encoding is chosen from.
    QList<QByteArray> legacyNames;
    quint64 totalUncompressed = 0;

private:
    bool readEndRecords(int fd, qint64 fileSize);
    bool readEntries(int fd);
    bool placeEntries();
    void refuse(const QString& why);

    quint64 m_directoryOffset = 0;
    quint64 m_directorySize = 0;
    quint64 m_entryCount = 0;
    // Where the end records begin: the directory must end there.
    quint64 m_endRecordsOffset = 0;
};
