#include "Archive/Zip/ZipWriter.h"

#include "Archive/Extraction/FileDescriptor.h"
#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipContainerWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

// Smaller pieces cost size: each starts without the previous one's history.
constexpr qint64 kPieceSize = 4 * 1024 * 1024;
// Bytes of file data read but not yet written. A piece being deflated holds
// its input and output, so the data in memory stays below twice this.
constexpr qint64 kBytesInFlightLimit = 16 * 1024 * 1024;
// More would only wait on the budget above.
constexpr int kWorkerLimit = 8;
// Many tiny files: a bound on the bookkeeping too.
constexpr size_t kPiecesInFlightLimit = 256;
// How often a cancel is looked for while waiting on the workers.
constexpr std::chrono::milliseconds kCancelPoll(100);

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

bool isFreeOrEmptyFile(const QByteArray& path, struct stat& status)
{
    if (lstat(path.constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_size == 0;
}

// A new file beside `archivePath`, hidden, that no one else can have opened.
int createScratchFile(const QString& archivePath, QByteArray& scratchPath)
{
    const QFileInfo archive(archivePath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate64(), 36);
        scratchPath = QFile::encodeName(archive.absolutePath() + u"/."_s + archive.fileName().left(64)
                                        + u".partial-"_s + suffix);
        const int file = ::open(scratchPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file >= 0 || errno != EEXIST)
            return file;
    }
    return -1;
}

} // namespace

ZipWriter::ZipWriter(ZipEngine::ShouldContinue shouldContinue, ZipEngine::CreateProgress progress)
    : m_shouldContinue(std::move(shouldContinue))
    , m_progress(std::move(progress))
{
}

ZipWriter::~ZipWriter() = default;

bool ZipWriter::create(const QString& archivePath, const QStringList& contents)
{
    const Utf8LocaleScope utf8Locale;
    // Only nothing or the empty file the caller reserved is ever replaced.
    const QByteArray target = QFile::encodeName(archivePath);
    struct stat reserved = {};
    if (!isFreeOrEmptyFile(target, reserved))
        return false;
    QByteArray scratchPath;
    FileDescriptor file(createScratchFile(archivePath, scratchPath));
    struct stat scratch = {};
    if (!file.isValid())
        return false;
    auto removeScratch = qScopeGuard([&scratchPath] { ::unlink(scratchPath.constData()); });
    if (fstat(file.get(), &scratch) != 0)
        return false;
    ZipSourceCollector collector(
        { { reserved.st_dev, reserved.st_ino }, { scratch.st_dev, scratch.st_ino } });
    for (const QString& input : contents) {
        if (!collector.add(input))
            return false;
    }
    // A stop that comes after the last entry still leaves no archive.
    if (!writeArchive(file.get(), collector.sources()) || !file.close() || !shouldContinue()
        || !isFreeOrEmptyFile(target, reserved)
        || std::rename(scratchPath.constData(), target.constData()) != 0)
        return false;
    removeScratch.dismiss();
    return true;
}

bool ZipWriter::writeArchive(int output, const QList<ZipSourceCollector::Source>& sources)
{
    m_sources = &sources;
    m_pool = std::make_unique<ZipCompressionPool>(std::min(QThread::idealThreadCount(), kWorkerLimit));
    // Waits for the workers' current pieces, then drops what is left.
    const auto stopWorkers = qScopeGuard([this] {
        m_pool.reset();
        m_inFlight.clear();
    });
    ZipContainerWriter container(output);
    const auto total = quint64(sources.size());
    quint64 written = 0;
    for (const ZipSourceCollector::Source& source : sources) {
        if (!shouldContinue() || !writeEntry(container, source))
            return false;
        if (m_progress)
            m_progress(++written, total);
    }
    return container.finish();
}

bool ZipWriter::writeEntry(ZipContainerWriter& container, const ZipSourceCollector::Source& source)
{
    ZipContainerWriter::Entry entry;
    entry.name = source.name.toUtf8();
    entry.mode = source.status.st_mode;
    entry.modified = source.status.st_mtime;
    if (S_ISDIR(source.status.st_mode))
        entry.name += '/';
    if (S_ISREG(source.status.st_mode) && source.status.st_size > 0) {
        entry.size = quint64(source.status.st_size);
        return writeFileData(container, entry);
    }
    QByteArray data;
    if (S_ISLNK(source.status.st_mode)) {
        // A link is stored with its target as data, as other zip tools do.
        const QByteArray target = linkTarget(source.path, source.status.st_size);
        if (target.isEmpty())
            return false;
        data = QFile::decodeName(target).toUtf8();
    }
    entry.size = quint64(data.size());
    entry.compressedSize = entry.size;
    entry.crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
    return container.beginEntry(entry) && container.writeData(data.constData(), data.size())
        && container.endEntry(entry.crc, entry.compressedSize);
}

bool ZipWriter::writeFileData(ZipContainerWriter& container, ZipContainerWriter::Entry& entry)
{
    quint32 crc = 0;
    quint64 compressedSize = 0;
    quint64 done = 0;
    while (done < entry.size) {
        const std::shared_ptr<Job> piece = takeNextPiece();
        if (!piece || piece->failed)
            return false;
        const auto length = quint64(piece->length);
        const auto outputSize = quint64(piece->output.size());
        if (done == 0) {
            entry.method
                = piece->stored ? ZipContainerWriter::Method::stored : ZipContainerWriter::Method::deflated;
            // Known up front for a file in one piece; otherwise written back.
            if (length == entry.size) {
                entry.crc = piece->crc;
                entry.compressedSize = outputSize;
            }
            if (!container.beginEntry(entry))
                return false;
        }
        if (!container.writeData(piece->output.constData(), piece->output.size()))
            return false;
        crc = done == 0 ? piece->crc : quint32(crc32_combine(crc, piece->crc, z_off_t(length)));
        compressedSize += outputSize;
        done += length;
    }
    return container.endEntry(crc, compressedSize);
}

std::shared_ptr<ZipWriter::Job> ZipWriter::takeNextPiece()
{
    if (!shouldContinue())
        return nullptr;
    handOutPieces();
    // Never empty here: with nothing in flight the next piece is always handed out.
    const std::shared_ptr<Job> piece = m_inFlight.front();
    while (!m_pool->waitFor(piece, kCancelPoll)) {
        if (!shouldContinue())
            return nullptr;
        handOutPieces();
    }
    m_inFlight.pop_front();
    m_bytesInFlight -= piece->length;
    handOutPieces();
    return piece;
}

void ZipWriter::handOutPieces()
{
    const QList<ZipSourceCollector::Source>& sources = *m_sources;
    while (m_nextSource < sources.size() && m_inFlight.size() < kPiecesInFlightLimit) {
        const ZipSourceCollector::Source& source = sources.at(m_nextSource);
        const qint64 size = S_ISREG(source.status.st_mode) ? qint64(source.status.st_size) : 0;
        if (m_nextOffset >= size) {
            ++m_nextSource;
            m_nextOffset = 0;
            continue;
        }
        const qint64 length = std::min(kPieceSize, size - m_nextOffset);
        if (!m_inFlight.empty() && m_bytesInFlight + length > kBytesInFlightLimit)
            return;
        auto piece = std::make_shared<Job>();
        if (m_nextOffset == 0) {
            piece->mode = Job::Mode::decide;
            m_firstPieceOfNext = piece;
        } else {
            // The rest of a file is stored or deflated as its first piece was.
            if (!m_pool->isDone(m_firstPieceOfNext))
                return;
            piece->mode = m_firstPieceOfNext->stored ? Job::Mode::store : Job::Mode::deflate;
        }
        piece->path = source.path;
        piece->inode = source.status.st_ino;
        piece->offset = m_nextOffset;
        piece->length = length;
        piece->lastOfEntry = m_nextOffset + length == size;
        m_pool->submit(piece);
        m_inFlight.push_back(piece);
        m_bytesInFlight += length;
        m_nextOffset += length;
    }
}

bool ZipWriter::shouldContinue() const
{
    return !m_shouldContinue || m_shouldContinue();
}
