#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What a RAR archive (RAR 2.9-4.x or RAR5, one file or a volume set) holds,
// read from its headers in process: the entries with their names, sizes,
// kinds and CRCs, whether data or headers are encrypted, whether it is solid,
// and whether the walk reached the end-of-archive marker. An archive cut
// short is known here, before anything is written. Data areas are skipped,
// never read; only the headers are held, one compact entry each.
class RarCatalog
{
public:
    enum class Status
    {
        complete, // every header read, up to the end of the last volume
        namesEncrypted, // headers are encrypted: nothing can be listed without the password
        notRar, // no RAR signature where one belongs
        damaged, // cut short, a header checksum fails, a volume is missing
        unreadable, // the file cannot be opened or read
    };

    struct Entry
    {
        enum Flag : quint8
        {
            directory = 0x01,
            linked = 0x02, // symbolic or hard link, junction, file copy: no data of its own
            encrypted = 0x04,
            hasCrc = 0x08,
            sizeUnknown = 0x10,
            // `name` is in the writer's code page, not UTF-8 (RAR4 without Unicode names).
            legacyName = 0x20,
        };

        QByteArray name; // as stored, '/' or '\' separated
        qint64 size = 0;
        quint32 crc = 0; // of the unpacked data, with hasCrc
        quint8 flags = 0;

        bool is(Flag flag) const { return flags & flag; }
    };

    // Walks `path` and, when it is a volume of a set, every volume from the
    // first. Reads headers only; safe on any thread.
    static RarCatalog read(const QString& path);

    Status status() const { return m_status; }
    bool isRar5() const { return m_rar5; }
    bool isSolid() const { return m_solid; }
    // Some entry's data is encrypted (or, with namesEncrypted, everything is).
    bool hasEncryptedData() const;
    // The volumes in order, first first; just the archive for a single file.
    QStringList volumes() const { return m_volumes; }
    const QList<Entry>& entries() const { return m_entries; }
    qint64 totalSize() const;

    // For the walkers.
    void setStatus(Status status) { m_status = status; }
    void setRar5(bool rar5) { m_rar5 = rar5; }
    void setSolid(bool solid) { m_solid = m_solid || solid; }
    void addEntry(Entry entry) { m_entries.append(std::move(entry)); }
    // The entry a slice continues: the last one, when it exists.
    Entry* lastEntry() { return m_entries.isEmpty() ? nullptr : &m_entries.last(); }

private:
    Status m_status = Status::damaged;
    bool m_rar5 = false;
    bool m_solid = false;
    QStringList m_volumes;
    QList<Entry> m_entries;
};
