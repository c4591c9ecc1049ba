#include "Archive/Zip/ZipExtractor.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/PendingFile.h"
#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipCatalog.h"
#include "Archive/Zip/ZipErrorClassifier.h"
#include "Archive/Zip/ZipReader.h"

#include <QLocale>

#include <archive.h>
#include <archive_entry.h>

namespace {

// A stop asked for by the caller; the caller knows it cancelled.
constexpr int kStopped = ZipEngine::internalError;

std::optional<timespec> modificationTime(archive_entry* entry)
{
    if (!archive_entry_mtime_is_set(entry))
        return std::nullopt;
    return timespec { archive_entry_mtime(entry), archive_entry_mtime_nsec(entry) };
}

} // namespace

ZipExtractor::ZipExtractor(ZipEngine::ShouldContinue shouldContinue, ZipEngine::ExtractProgress progress)
    : m_shouldContinue(std::move(shouldContinue))
    , m_progress(std::move(progress))
{
}

std::optional<int> ZipExtractor::extract(const QString& archivePath, const QString& destination,
                                         const std::optional<QString>& password)
{
    const Utf8LocaleScope utf8Locale;
    // A first walk over the headers gives the total and all the names, which
    // the legacy encoding is chosen from.
    const std::optional<ZipCatalog> catalog = ZipCatalog::read(archivePath);
    if (!catalog)
        return ZipEngine::archiveUnreadable;
    if (!m_tree.open(destination))
        return ZipEngine::writeFailed;
    if (catalog->entryCount == 0)
        return std::nullopt;
    ZipReader reader;
    if (!reader.open(archivePath, password))
        return ZipEngine::archiveUnreadable;
    const LegacyNameDecoder decoder(catalog->rawNames, QLocale::system().name());
    if (const std::optional<int> error = extractEntries(reader, decoder, catalog->entryCount))
        return error;
    if (!m_tree.finish())
        return ZipEngine::writeFailed;
    return std::nullopt;
}

std::optional<int> ZipExtractor::extractEntries(ZipReader& reader, const LegacyNameDecoder& decoder,
                                                qint64 total)
{
    archive_entry* entry = nullptr;
    for (qint64 number = 1;; ++number) {
        if (!shouldContinue())
            return kStopped;
        const int result = archive_read_next_header(reader.handle(), &entry);
        if (result == ARCHIVE_EOF)
            return std::nullopt;
        if (result < ARCHIVE_WARN)
            return ZipErrorClassifier::classify(reader.errorString(), false);
        const QString name = decoder.decode(ZipReader::rawPathname(entry));
        const QString path = EntryPathSanitizer::sanitize(name);
        // A name with nothing left after sanitising ("/", "../") is dropped.
        if (!path.isEmpty()) {
            if (const std::optional<int> error = extractEntry(reader, entry, path, decoder))
                return error;
        }
        if (m_progress)
            m_progress(path.isEmpty() ? name : path, number, std::max(total, number));
    }
}

std::optional<int> ZipExtractor::extractEntry(ZipReader& reader, archive_entry* entry, const QString& path,
                                              const LegacyNameDecoder& decoder)
{
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
        return extractFile(reader, entry, path);
    case AE_IFDIR:
        return outcomeError(m_tree.makeDirectory(path, archive_entry_perm(entry), modificationTime(entry)));
    case AE_IFLNK: {
        const QString target = decoder.decode(ZipReader::rawSymlink(entry));
        if (!EntryPathSanitizer::isLinkTargetInside(path, target))
            return std::nullopt;
        return outcomeError(m_tree.makeSymlink(path, target, modificationTime(entry)));
    }
    default:
        // Devices, pipes and sockets have no place in an extraction.
        return std::nullopt;
    }
}

std::optional<int> ZipExtractor::extractFile(ZipReader& reader, archive_entry* entry, const QString& path)
{
    std::unique_ptr<PendingFile> file;
    if (const std::optional<int> error = outcomeError(m_tree.createFile(path, file)); error || !file)
        return error;
    if (const std::optional<int> error = copyData(reader, *file, archive_entry_is_encrypted(entry)))
        return error;
    if (file->commit(archive_entry_perm(entry), modificationTime(entry)) != 0)
        return ZipEngine::writeFailed;
    return std::nullopt;
}

std::optional<int> ZipExtractor::copyData(ZipReader& reader, PendingFile& file, bool encrypted)
{
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int result = archive_read_data_block(reader.handle(), &block, &size, &offset);
        if (result == ARCHIVE_EOF)
            return std::nullopt;
        // A bad CRC or a wrong size arrives as a warning: the data is not what was stored.
        if (result != ARCHIVE_OK)
            return ZipErrorClassifier::classify(reader.errorString(), encrypted);
        if (!shouldContinue())
            return kStopped;
        if (size > 0 && file.write(static_cast<const char*>(block), size) != 0)
            return ZipEngine::writeFailed;
    }
}

std::optional<int> ZipExtractor::outcomeError(ExtractionTree::Outcome outcome) const
{
    if (outcome == ExtractionTree::Outcome::failed)
        return ZipEngine::writeFailed;
    return std::nullopt;
}

bool ZipExtractor::shouldContinue() const
{
    return !m_shouldContinue || m_shouldContinue();
}
