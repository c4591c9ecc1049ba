#include "Archive/Zip/ZipCatalog.h"

#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/LibarchiveEntryLoop.h"
#include "Archive/Zip/ZipReader.h"

#include <QFile>
#include <QMutex>
#include <QtEndian>

#include <algorithm>

#include <archive.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <archive_entry.h>
#include <sys/stat.h>

namespace {

constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kMaxCommentSize = 0xffff;

// A zip archive without entries is only its end record, which libarchive does
// not recognise as an archive.
bool isEmptyZip(const QString& archivePath)
{
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() < kEndRecordSize)
        return false;
    const qint64 tailSize = std::min(file.size(), kEndRecordSize + kMaxCommentSize);
    if (!file.seek(file.size() - tailSize))
        return false;
    const QByteArray tail = file.read(tailSize);
    const qsizetype record = tail.lastIndexOf("PK\x05\x06");
    if (record < 0 || tail.size() - record < kEndRecordSize)
        return false;
    const auto field16
        = [&](int offset) { return qFromLittleEndian<quint16>(tail.constData() + record + offset); };
    const auto field32
        = [&](int offset) { return qFromLittleEndian<quint32>(tail.constData() + record + offset); };
    // No entries on this disk or in total, an empty directory, and the comment ends the file.
    return field16(8) == 0 && field16(10) == 0 && field32(12) == 0
        && record + kEndRecordSize + field16(20) == tail.size();
}

// Tells one version of a file from another: a file written again changes at
// least its change time.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};
    timespec changed = {};

    bool operator==(const FileStamp& other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec
            && changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const QString& path)
{
    struct stat status = {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileStamp { status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim };
}

// The catalog read last. An extraction asks whether the archive is protected
// and then extracts it, which reads the catalog again; walking the headers
// twice cost 6% of extracting an archive of many small files.
struct LastCatalog
{
    QMutex mutex;
    std::optional<std::pair<FileStamp, ZipCatalog>> entry;
};

LastCatalog& lastCatalog()
{
    // Never destroyed: a job thread may still read it while the process exits.
    static auto* last = new LastCatalog;
    return *last;
}

// libarchive indexes the whole central directory, about 150 bytes an entry.
// That index is freed with the walk's reader, but malloc keeps the pages (in
// another thread's arena, or below later allocations), and the extraction's
// own reader then builds its index beside them: the peak doubled.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

std::optional<ZipCatalog> ZipCatalog::read(const QString& archivePath)
{
    const std::optional<FileStamp> before = stampOf(archivePath);
    LastCatalog& last = lastCatalog();
    if (before) {
        const QMutexLocker locker(&last.mutex);
        if (last.entry && last.entry->first == *before)
            return last.entry->second;
    }
    std::optional<ZipCatalog> catalog = walkHeaders(archivePath);
    releaseFreedMemory();
    // Kept only when the file did not change while it was read.
    if (catalog && before && stampOf(archivePath) == before) {
        const QMutexLocker locker(&last.mutex);
        last.entry.emplace(*before, *catalog);
    }
    return catalog;
}

std::optional<ZipCatalog> ZipCatalog::walkHeaders(const QString& archivePath)
{
    ZipReader reader;
    if (!reader.open(archivePath))
        return isEmptyZip(archivePath) ? std::optional(ZipCatalog()) : std::nullopt;
    ZipCatalog catalog;
    archive_entry* entry = nullptr;
    for (;;) {
        const int result = archive_read_next_header(reader.handle(), &entry);
        if (result == ARCHIVE_EOF)
            break;
        if (result == ARCHIVE_FATAL)
            return std::nullopt;
        ++catalog.entryCount;
        if (QByteArray name = LibarchiveEntryLoop::rawPathname(entry); !LegacyNameDecoder::isUtf8(name))
            catalog.legacyNames.append(std::move(name));
        // After the first header the central directory has been read, which
        // makes the archive-wide answer reliable; entries are checked anyway.
        if (archive_entry_is_encrypted(entry) || archive_read_has_encrypted_entries(reader.handle()) > 0)
            catalog.hasEncryptedEntries = true;
    }
    return catalog;
}
