#include "Archive/Zip/ZipCatalog.h"

#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/LibarchiveEntryLoop.h"
#include "Archive/Zip/ZipReader.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

#include <archive.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <archive_entry.h>

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
    std::optional<ZipCatalog> catalog = walkHeaders(archivePath);
    releaseFreedMemory();
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
