#include "Archive/Zip/ZipWriter.h"

#include "Archive/Extraction/FileDescriptor.h"
#include "Archive/Extraction/Utf8LocaleScope.h"

#include <QFile>

#include <algorithm>
#include <climits>
#include <memory>

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kChunkSize = 64 * 1024;

using EntryPointer = std::unique_ptr<archive_entry, decltype(&archive_entry_free)>;

QByteArray linkTarget(const QByteArray& path, off_t size)
{
    // Some file systems report links as size 0.
    QByteArray target(std::max<qsizetype>(qsizetype(size) + 1, PATH_MAX), Qt::Uninitialized);
    const ssize_t length = readlink(path.constData(), target.data(), size_t(target.size()));
    // A link that changed length since it was listed is reported as unreadable.
    if (length < 0 || length >= target.size())
        return {};
    target.truncate(length);
    return target;
}

} // namespace

ZipWriter::ZipWriter(ZipEngine::ShouldContinue shouldContinue, ZipEngine::CreateProgress progress)
    : m_shouldContinue(std::move(shouldContinue))
    , m_progress(std::move(progress))
{
}

ZipWriter::~ZipWriter()
{
    abandon();
}

bool ZipWriter::create(const QString& archivePath, const QStringList& contents)
{
    const Utf8LocaleScope utf8Locale;
    // The caller reserved the file; it is replaced, never created exclusively.
    FileDescriptor file(
        ::open(QFile::encodeName(archivePath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    struct stat status = {};
    if (!file.isValid() || fstat(file.get(), &status) != 0)
        return false;
    ZipSourceCollector collector(status.st_dev, status.st_ino);
    for (const QString& input : contents) {
        if (!collector.add(input))
            return false;
    }
    m_output = file.get();
    if (!openArchive() || !writeSources(collector.sources())) {
        abandon();
        return false;
    }
    const bool closed = archive_write_close(m_archive) == ARCHIVE_OK && !outputFailed();
    archive_write_free(std::exchange(m_archive, nullptr));
    return closed && file.close();
}

bool ZipWriter::openArchive()
{
    m_archive = archive_write_new();
    return m_archive && archive_write_set_format_zip(m_archive) == ARCHIVE_OK
        && archive_write_zip_set_compression_deflate(m_archive) == ARCHIVE_OK
        // Sets the UTF-8 flag on names whatever the locale.
        && archive_write_set_option(m_archive, "zip", "hdrcharset", "UTF-8") == ARCHIVE_OK
        && archive_write_set_bytes_in_last_block(m_archive, 1) == ARCHIVE_OK
        && archive_write_open(m_archive, this, nullptr, &ZipWriter::writeOutput, nullptr) == ARCHIVE_OK;
}

ssize_t ZipWriter::writeOutput(archive*, void* writer, const void* buffer, size_t length)
{
    auto* self = static_cast<ZipWriter*>(writer);
    if (self->m_discardOutput || self->outputFailed())
        return ssize_t(length);
    const auto* bytes = static_cast<const char*>(buffer);
    size_t written = 0;
    while (written < length) {
        const ssize_t count = ::write(self->m_output, bytes + written, length - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            self->m_outputError = count < 0 ? errno : ENOSPC;
            break;
        }
        written += size_t(count);
    }
    return ssize_t(length);
}

bool ZipWriter::writeSources(const QList<ZipSourceCollector::Source>& sources)
{
    const auto total = quint64(sources.size());
    quint64 written = 0;
    for (const ZipSourceCollector::Source& source : sources) {
        if (!shouldContinue() || !writeEntry(source) || outputFailed())
            return false;
        if (m_progress)
            m_progress(++written, total);
    }
    return true;
}

bool ZipWriter::writeEntry(const ZipSourceCollector::Source& source)
{
    const EntryPointer entry(archive_entry_new(), archive_entry_free);
    if (!entry)
        return false;
    archive_entry_copy_stat(entry.get(), &source.status);
    // Only the modification time is restored on extraction; the others
    // would cost 16 bytes an entry.
    archive_entry_unset_atime(entry.get());
    archive_entry_unset_ctime(entry.get());
    archive_entry_unset_birthtime(entry.get());
    archive_entry_set_pathname_utf8(entry.get(), source.name.toUtf8().constData());
    if (S_ISLNK(source.status.st_mode)) {
        const QByteArray target = linkTarget(source.path, source.status.st_size);
        if (target.isEmpty())
            return false;
        archive_entry_set_symlink_utf8(entry.get(), QFile::decodeName(target).toUtf8().constData());
    }
    if (!S_ISREG(source.status.st_mode))
        archive_entry_set_size(entry.get(), 0);
    if (archive_write_header(m_archive, entry.get()) != ARCHIVE_OK)
        return false;
    return !S_ISREG(source.status.st_mode) || writeData(source);
}

bool ZipWriter::writeData(const ZipSourceCollector::Source& source)
{
    // Non-blocking and checked: the file may have been replaced by a pipe or
    // a link since it was listed.
    const FileDescriptor file(
        ::open(source.path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status = {};
    if (!file.isValid() || fstat(file.get(), &status) != 0 || status.st_ino != source.status.st_ino
        || !S_ISREG(status.st_mode))
        return false;
    QByteArray chunk(kChunkSize, Qt::Uninitialized);
    // Exactly the size the header announced: a file that grows meanwhile is
    // stored as it was listed, one that shrinks fails the archive.
    auto remaining = qint64(source.status.st_size);
    while (remaining > 0) {
        if (!shouldContinue())
            return false;
        const ssize_t count = read(file.get(), chunk.data(), size_t(std::min<qint64>(remaining, kChunkSize)));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0 || archive_write_data(m_archive, chunk.constData(), size_t(count)) != count
            || outputFailed())
            return false;
        remaining -= count;
    }
    return true;
}

void ZipWriter::abandon()
{
    if (!m_archive)
        return;
    // Closed normally so that libarchive releases the entry it was writing;
    // what it still has to write goes nowhere.
    m_discardOutput = true;
    archive_write_close(m_archive);
    archive_write_free(std::exchange(m_archive, nullptr));
}

bool ZipWriter::shouldContinue() const
{
    return !m_shouldContinue || m_shouldContinue();
}
