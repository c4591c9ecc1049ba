#include "Archive/Extraction/LibarchiveEntryLoop.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/ExtractionTree.h"
#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/PendingFile.h"

#include <memory>
#include <optional>

#include <archive.h>
#include <archive_entry.h>

namespace {

using Ending = LibarchiveEntryLoop::Ending;
using Result = LibarchiveEntryLoop::Result;

std::optional<timespec> modificationTime(archive_entry* entry)
{
    if (!archive_entry_mtime_is_set(entry))
        return std::nullopt;
    return timespec { archive_entry_mtime(entry), archive_entry_mtime_nsec(entry) };
}

Result ended(Ending ending, qint64 entries = 0)
{
    Result result;
    result.ending = ending;
    result.entries = entries;
    return result;
}

Result endingOf(ExtractionTree::Outcome outcome)
{
    return ended(outcome == ExtractionTree::Outcome::failed ? Ending::writeFailed : Ending::finished);
}

bool succeeded(const Result& result)
{
    return result.ending == Ending::finished;
}

} // namespace

LibarchiveEntryLoop::LibarchiveEntryLoop(archive* reader, ExtractionTree& tree,
                                         const LegacyNameDecoder& decoder, Callbacks callbacks)
    : m_reader(reader)
    , m_tree(tree)
    , m_decoder(decoder)
    , m_callbacks(std::move(callbacks))
{
}

LibarchiveEntryLoop::Result LibarchiveEntryLoop::run()
{
    archive_entry* entry = nullptr;
    for (qint64 number = 1;; ++number) {
        if (isCancelled())
            return ended(Ending::cancelled, number - 1);
        const int status = archive_read_next_header(m_reader, &entry);
        if (status == ARCHIVE_EOF)
            return ended(Ending::finished, number - 1);
        if (status < ARCHIVE_WARN) {
            Result failure = readFailure(false);
            failure.entries = number - 1;
            return failure;
        }
        const QString name = m_decoder.decode(rawPathname(entry));
        const QString path = EntryPathSanitizer::sanitize(name);
        // A name with nothing left after sanitising ("/", "../") is dropped.
        if (!path.isEmpty()) {
            if (Result result = extractEntry(entry, path); !succeeded(result)) {
                result.entries = number;
                return result;
            }
        }
        if (m_callbacks.entryDone)
            m_callbacks.entryDone(path.isEmpty() ? name : path, number);
    }
}

QByteArray LibarchiveEntryLoop::rawPathname(archive_entry* entry)
{
    if (const char* name = archive_entry_pathname(entry))
        return QByteArray(name);
    const char* utf8 = archive_entry_pathname_utf8(entry);
    return utf8 ? QByteArray(utf8) : QByteArray();
}

QByteArray LibarchiveEntryLoop::rawSymlink(archive_entry* entry)
{
    if (const char* target = archive_entry_symlink(entry))
        return QByteArray(target);
    const char* utf8 = archive_entry_symlink_utf8(entry);
    return utf8 ? QByteArray(utf8) : QByteArray();
}

LibarchiveEntryLoop::Result LibarchiveEntryLoop::extractEntry(archive_entry* entry, const QString& path)
{
    if (const char* hardlink = archive_entry_hardlink(entry)) {
        const QString target = EntryPathSanitizer::sanitize(m_decoder.decode(QByteArray(hardlink)));
        return target.isEmpty() ? Result() : endingOf(m_tree.makeHardLink(path, target));
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
        return extractFile(entry, path);
    case AE_IFDIR:
        return endingOf(m_tree.makeDirectory(path, archive_entry_perm(entry), modificationTime(entry)));
    case AE_IFLNK: {
        const QString target = m_decoder.decode(rawSymlink(entry));
        if (!EntryPathSanitizer::isLinkTargetInside(path, target))
            return {};
        return endingOf(m_tree.makeSymlink(path, target, modificationTime(entry)));
    }
    default:
        // Devices, pipes and sockets have no place in an extraction.
        return {};
    }
}

LibarchiveEntryLoop::Result LibarchiveEntryLoop::extractFile(archive_entry* entry, const QString& path)
{
    std::unique_ptr<PendingFile> file;
    if (Result result = endingOf(m_tree.createFile(path, file)); !succeeded(result) || !file)
        return result;
    qint64 written = 0;
    if (Result result = copyData(*file, archive_entry_is_encrypted(entry), written); !succeeded(result))
        return result;
    if (archive_entry_size_is_set(entry) && written != archive_entry_size(entry))
        return ended(Ending::shortFile);
    if (file->commit(archive_entry_perm(entry), modificationTime(entry)) != 0)
        return ended(Ending::writeFailed);
    return {};
}

LibarchiveEntryLoop::Result LibarchiveEntryLoop::copyData(PendingFile& file, bool encrypted, qint64& written)
{
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int status = archive_read_data_block(m_reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF)
            return {};
        // A bad checksum or a wrong size arrives as a warning: the data is not what was stored.
        if (status != ARCHIVE_OK)
            return readFailure(encrypted);
        if (isCancelled())
            return ended(Ending::cancelled);
        if (size > 0 && file.write(static_cast<const char*>(block), size) != 0)
            return ended(Ending::writeFailed);
        written += qint64(size);
        if (m_callbacks.bytesWritten)
            m_callbacks.bytesWritten(qint64(size));
    }
}

LibarchiveEntryLoop::Result LibarchiveEntryLoop::readFailure(bool encrypted) const
{
    const char* text = archive_error_string(m_reader);
    Result result = ended(Ending::readFailed);
    result.message = text ? QByteArray(text) : QByteArray();
    result.entryEncrypted = encrypted;
    return result;
}

bool LibarchiveEntryLoop::isCancelled() const
{
    return m_callbacks.isCancelled && m_callbacks.isCancelled();
}
