#include "Archive/Rar/RarLibarchiveExtractor.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/PendingFile.h"
#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarErrorClassifier.h"
#include "Archive/Rar/RarProgressMeter.h"
#include "Archive/Zip/ZipReader.h"

#include <QFile>
#include <QLocale>

#include <memory>
#include <vector>

#include <archive.h>
#include <archive_entry.h>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

using ArchivePointer = std::unique_ptr<archive, decltype(&archive_read_free)>;

ArchivePointer openVolumes(const QStringList& volumes)
{
    ArchivePointer reader(archive_read_new(), archive_read_free);
    std::vector<QByteArray> names;
    for (const QString& volume : volumes)
        names.push_back(QFile::encodeName(volume));
    std::vector<const char*> pointers;
    for (const QByteArray& name : names)
        pointers.push_back(name.constData());
    pointers.push_back(nullptr);
    if (!reader || archive_read_support_format_rar(reader.get()) != ARCHIVE_OK
        || archive_read_support_format_rar5(reader.get()) != ARCHIVE_OK
        || archive_read_open_filenames(reader.get(), pointers.data(), kBlockSize) != ARCHIVE_OK)
        return ArchivePointer(nullptr, archive_read_free);
    return reader;
}

// RAR5 names are always UTF-8; RAR4 names without the Unicode flag are bytes
// in the writer's code page, chosen for the whole archive from all its names.
QList<QByteArray> legacyNames(const QStringList& volumes, const RarProgressMeter& meter)
{
    QList<QByteArray> names;
    const ArchivePointer reader = openVolumes(volumes);
    if (!reader)
        return names;
    archive_entry* entry = nullptr;
    for (;;) {
        const int result = archive_read_next_header(reader.get(), &entry);
        if ((result != ARCHIVE_OK && result != ARCHIVE_WARN)
            || archive_format(reader.get()) != ARCHIVE_FORMAT_RAR || meter.isCancelled())
            break;
        names.append(ZipReader::rawPathname(entry));
    }
    return names;
}

std::optional<timespec> modificationTime(archive_entry* entry)
{
    if (!archive_entry_mtime_is_set(entry))
        return std::nullopt;
    return timespec { archive_entry_mtime(entry), archive_entry_mtime_nsec(entry) };
}

QByteArray errorText(archive* reader)
{
    const char* text = archive_error_string(reader);
    return text ? QByteArray(text) : QByteArray();
}

} // namespace

RarLibarchiveExtractor::RarLibarchiveExtractor(RarProgressMeter& meter, qsizetype expectedEntries,
                                               qint64 totalBytes)
    : m_meter(meter)
    , m_expectedEntries(expectedEntries)
    , m_totalBytes(totalBytes)
{
}

RarOutcome RarLibarchiveExtractor::extract(const QStringList& volumes, const QString& folder)
{
    const Utf8LocaleScope utf8Locale;
    if (!m_tree.open(folder))
        return RarOutcome::failure(RarArchive::writeFailed);
    const LegacyNameDecoder decoder(legacyNames(volumes, m_meter), QLocale::system().name());
    const ArchivePointer reader = openVolumes(volumes);
    if (!reader)
        return RarOutcome::failure(RarArchive::badArchive);
    m_meter.begin(m_totalBytes + m_expectedEntries);
    const RarOutcome outcome = extractEntries(reader.get(), decoder);
    if (!outcome.succeeded())
        return outcome;
    return m_tree.finish() ? outcome : RarOutcome::failure(RarArchive::writeFailed);
}

RarOutcome RarLibarchiveExtractor::extractEntries(archive* reader, const LegacyNameDecoder& decoder)
{
    archive_entry* entry = nullptr;
    for (qsizetype count = 0;; ++count) {
        if (m_meter.isCancelled())
            return RarOutcome::cancellation();
        const int result = archive_read_next_header(reader, &entry);
        if (result == ARCHIVE_EOF) {
            return count < m_expectedEntries ? RarOutcome::failure(RarArchive::badArchive)
                                             : RarOutcome::success();
        }
        if (result < ARCHIVE_WARN)
            return RarOutcome::failure(RarErrorClassifier::fromLibarchive(errorText(reader)));
        const QString path = EntryPathSanitizer::sanitize(decoder.decode(ZipReader::rawPathname(entry)));
        // A name with nothing left after sanitising ("/", "../") is dropped.
        if (!path.isEmpty()) {
            if (const RarOutcome outcome = extractEntry(reader, entry, path, decoder); !outcome.succeeded())
                return outcome;
        }
        m_meter.advance(1);
    }
}

RarOutcome RarLibarchiveExtractor::extractEntry(archive* reader, archive_entry* entry, const QString& path,
                                                const LegacyNameDecoder& decoder)
{
    if (const char* hardlink = archive_entry_hardlink(entry)) {
        const QString target = EntryPathSanitizer::sanitize(decoder.decode(QByteArray(hardlink)));
        return target.isEmpty() ? RarOutcome::success() : outcomeOf(m_tree.makeHardLink(path, target));
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
        return extractFile(reader, entry, path);
    case AE_IFDIR:
        return outcomeOf(m_tree.makeDirectory(path, archive_entry_perm(entry), modificationTime(entry)));
    case AE_IFLNK: {
        const QString target = decoder.decode(ZipReader::rawSymlink(entry));
        if (!EntryPathSanitizer::isLinkTargetInside(path, target))
            return RarOutcome::success();
        return outcomeOf(m_tree.makeSymlink(path, target, modificationTime(entry)));
    }
    default:
        // Devices, pipes and sockets have no place in an extraction.
        return RarOutcome::success();
    }
}

RarOutcome RarLibarchiveExtractor::extractFile(archive* reader, archive_entry* entry, const QString& path)
{
    std::unique_ptr<PendingFile> file;
    if (const RarOutcome outcome = outcomeOf(m_tree.createFile(path, file)); !outcome.succeeded() || !file)
        return outcome;
    qint64 written = 0;
    if (const RarOutcome outcome = copyData(reader, *file, written); !outcome.succeeded())
        return outcome;
    // With a volume missing libarchive can end a file early without an error.
    if (archive_entry_size_is_set(entry) && written != archive_entry_size(entry))
        return RarOutcome::failure(RarArchive::badData);
    if (file->commit(archive_entry_perm(entry), modificationTime(entry)) != 0)
        return RarOutcome::failure(RarArchive::writeFailed);
    return RarOutcome::success();
}

RarOutcome RarLibarchiveExtractor::copyData(archive* reader, PendingFile& file, qint64& written)
{
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int result = archive_read_data_block(reader, &block, &size, &offset);
        if (result == ARCHIVE_EOF)
            return RarOutcome::success();
        // A bad checksum arrives as a warning: the data is not what was stored.
        if (result != ARCHIVE_OK)
            return RarOutcome::failure(RarErrorClassifier::fromLibarchive(errorText(reader)));
        if (m_meter.isCancelled())
            return RarOutcome::cancellation();
        if (size > 0 && file.write(static_cast<const char*>(block), size) != 0)
            return RarOutcome::failure(RarArchive::writeFailed);
        written += qint64(size);
        m_meter.advance(qint64(size));
    }
}

RarOutcome RarLibarchiveExtractor::outcomeOf(ExtractionTree::Outcome outcome)
{
    if (outcome == ExtractionTree::Outcome::failed)
        return RarOutcome::failure(RarArchive::writeFailed);
    return RarOutcome::success();
}
