#include "Archive/Zip/ZipParallelExtractor.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/FileDescriptor.h"
#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/PendingFile.h"
#include "Archive/Zip/ZipBytes.h"
#include "Archive/Zip/ZipEngine.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ZipBytes;

constexpr qsizetype kLocalHeaderSize = 30;
// Enough for the fixed header with a usual name and extra field.
constexpr qsizetype kLocalHeaderRead = 512;
constexpr qint64 kChunk = 1 << 20;
// Entries up to this size are inflated whole, in one call; bigger ones piece
// by piece.
constexpr quint64 kWholeEntryLimit = 8 << 20;
// What the queued and running entries may hold at once.
constexpr quint64 kBudget = 48 << 20;
// Each waiting file holds two descriptors: bound them well below the
// common limit of 1,024.
constexpr int kMaxJobsInFlight = 128;
constexpr quint64 kLinkTargetLimit = 64 * 1024;
constexpr int kMaxWorkers = 8;

// The stop a cancel causes; the caller knows it cancelled.
constexpr int kStopped = ZipEngine::internalError;

// What the local header adds to its directory record.
struct LocalHeader
{
    QByteArray name;
    // "Version needed" names MS-DOS, where backslashes may separate folders.
    bool fromDos = false;
    quint64 dataOffset = 0;
    std::optional<timespec> mtime;
};

// A DOS date and time, in local time as zip writers store it.
std::optional<timespec> dosTime(quint16 time, quint16 date)
{
    tm parts = {};
    parts.tm_year = ((date >> 9) & 0x7f) + 80;
    parts.tm_mon = ((date >> 5) & 0x0f) - 1;
    parts.tm_mday = date & 0x1f;
    parts.tm_hour = (time >> 11) & 0x1f;
    parts.tm_min = (time >> 5) & 0x3f;
    parts.tm_sec = (time << 1) & 0x3e;
    parts.tm_isdst = -1;
    const time_t seconds = mktime(&parts);
    if (seconds == time_t(-1))
        return std::nullopt;
    return timespec { seconds, 0 };
}

// The Unix time of the "UT" or old "UX" extra field, which wins over the DOS
// time.
std::optional<timespec> unixTime(const char* extra, qsizetype size)
{
    std::optional<timespec> mtime;
    for (qsizetype at = 0; at + 4 <= size;) {
        const quint16 id = le16(extra + at);
        const quint16 length = le16(extra + at + 2);
        at += 4;
        if (at + length > size)
            break;
        if (id == 0x5455 && length >= 5 && (extra[at] & 0x01))
            mtime = timespec { time_t(le32(extra + at + 1)), 0 };
        else if (id == 0x5855 && length >= 8)
            mtime = timespec { time_t(le32(extra + at + 4)), 0 };
        at += length;
    }
    return mtime;
}

// False when the header is not where the directory says, names another
// entry, or its data would run past the space the entry has.
bool readLocalHeader(int fd, const ZipDirectoryEntry& entry, LocalHeader& local)
{
    // One read takes the name and extra field along in nearly every archive.
    char head[kLocalHeaderRead];
    const qsizetype got = readUpTo(fd, head, kLocalHeaderRead, entry.localHeaderOffset);
    if (got < kLocalHeaderSize || memcmp(head, "PK\x03\x04", 4) != 0)
        return false;
    const quint16 flags = le16(head + 6);
    const quint16 nameSize = le16(head + 26);
    const quint16 extraSize = le16(head + 28);
    const qsizetype variableSize = nameSize + extraSize;
    QByteArray variable;
    if (kLocalHeaderSize + variableSize <= got) {
        variable = QByteArray(head + kLocalHeaderSize, variableSize);
    } else {
        variable.resize(variableSize);
        if (!readAt(fd, variable.data(), variableSize, entry.localHeaderOffset + kLocalHeaderSize))
            return false;
    }
    if (ZipDirectory::hashName(variable.constData(), nameSize) != entry.nameHash)
        return false;
    // Without a data descriptor the local header carries the sizes too; a
    // zip64 entry says 0xffffffff there and gives them in its extra field.
    if (!(flags & 0x0008) && le32(head + 14) != entry.crc)
        return false;
    local.name = variable.left(nameSize);
    local.fromDos = head[5] == 0;
    local.dataOffset = entry.localHeaderOffset + kLocalHeaderSize + nameSize + extraSize;
    if (local.dataOffset > entry.spaceEnd || entry.compressedSize > entry.spaceEnd - local.dataOffset)
        return false;
    // The local time conversion reads the time zone each call, so it is
    // left for entries that give no Unix time.
    local.mtime = unixTime(variable.constData() + nameSize, extraSize);
    if (!local.mtime)
        local.mtime = dosTime(le16(head + 10), le16(head + 12));
    return true;
}

// The entry's type and permissions, read as libarchive reads them.
mode_t modeOf(const ZipDirectoryEntry& entry, bool namesAFolder)
{
    mode_t mode = 0;
    switch (entry.madeBy >> 8) {
    case 3: // Unix
        mode = mode_t(entry.externalAttributes >> 16);
        break;
    case 0: // MS-DOS
        mode = (entry.externalAttributes & 0x10) ? (S_IFDIR | 0775) : (S_IFREG | 0664);
        if (entry.externalAttributes & 0x01)
            mode &= ~mode_t(0222);
        break;
    default:
        break;
    }
    if (S_ISFIFO(mode))
        mode = (mode & ~mode_t(S_IFMT)) | S_IFREG;
    if (mode == 0)
        mode = 0664;
    if (!S_ISDIR(mode)) {
        if (namesAFolder)
            mode = (mode & ~mode_t(S_IFMT)) | S_IFDIR | 0111;
        else if ((mode & S_IFMT) == 0)
            mode |= S_IFREG;
    }
    return mode;
}

// One file whose data a worker writes.
struct Job
{
    std::unique_ptr<PendingFile> file;
    quint64 dataOffset = 0;
    quint64 compressedSize = 0;
    quint64 uncompressedSize = 0;
    quint32 crc = 0;
    quint16 method = 0;
    mode_t mode = 0;
    std::optional<timespec> mtime;

    bool isWhole() const
    {
        return method == 8 && compressedSize <= kWholeEntryLimit && uncompressedSize <= kWholeEntryLimit;
    }
    quint64 cost() const { return isWhole() ? compressedSize + uncompressedSize : 2 * kChunk; }
};

// The workers and what they share: the queue, the byte budget, the first
// error and the progress.
class WorkerPool
{
public:
    WorkerPool(int archive, const ExtractionContext& context, quint64 totalBytes)
        : m_archive(archive)
        , m_context(context)
        , m_totalBytes(std::max<quint64>(totalBytes, 1))
    {
        const int workers = std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxWorkers);
        for (int i = 0; i < workers; ++i)
            m_threads.emplace_back([this] { work(); });
    }

    ~WorkerPool() { finish(); }

    // Waits while the budget is spent; a job bigger than the whole budget
    // runs alone.
    void submit(Job job)
    {
        std::unique_lock lock(m_mutex);
        const quint64 cost = job.cost();
        m_changed.wait(lock, [&] {
            return m_error != 0 || m_inFlight == 0
                || (m_spent + cost <= kBudget && m_inFlight < kMaxJobsInFlight);
        });
        m_spent += cost;
        ++m_inFlight;
        m_jobs.push_back(std::move(job));
        m_workReady.notify_one();
    }

    void finish()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
            m_workReady.notify_all();
        }
        for (std::thread& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

    void fail(int error)
    {
        const std::lock_guard lock(m_mutex);
        if (m_error == 0)
            m_error = error;
        m_changed.notify_all();
    }

    int error()
    {
        const std::lock_guard lock(m_mutex);
        return m_error;
    }

    // One report at a time, so that the fractions only grow.
    void advance(quint64 bytes)
    {
        const std::lock_guard lock(m_progressMutex);
        m_doneBytes += bytes;
        if (m_context.progress && bytes > 0)
            m_context.progress(float(double(m_doneBytes) / double(m_totalBytes)));
    }

private:
    void work()
    {
        libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
        for (;;) {
            Job job;
            {
                std::unique_lock lock(m_mutex);
                m_workReady.wait(lock, [this] { return !m_jobs.empty() || m_closing; });
                if (m_jobs.empty())
                    break;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            if (error() == 0 && !m_context.cancel.isCancelled()) {
                if (const int failure = run(job, inflater); failure != 0)
                    fail(failure);
            }
            // An unfinished file is removed here, with its job.
            const quint64 cost = job.cost();
            job.file.reset();
            const std::lock_guard lock(m_mutex);
            m_spent -= cost;
            --m_inFlight;
            m_changed.notify_one();
        }
        libdeflate_free_decompressor(inflater);
    }

    int run(Job& job, libdeflate_decompressor* inflater)
    {
        quint32 crc = 0;
        int failure = 0;
        // Some writers deflate an empty file into no bytes at all, which
        // libarchive reads as the empty file it is.
        const bool emptyDeflated = job.compressedSize == 0 && job.uncompressedSize == 0;
        if (job.method == 0 || emptyDeflated)
            failure = copyStored(job, crc);
        else if (job.isWhole())
            failure = inflateWhole(job, inflater, crc);
        else
            failure = inflatePieces(job, crc);
        if (failure != 0)
            return failure;
        if (crc != job.crc)
            return ZipEngine::archiveUnreadable;
        if (job.file->commit(job.mode, job.mtime) != 0)
            return ZipEngine::writeFailed;
        return 0;
    }

    int copyStored(Job& job, quint32& crc)
    {
        QByteArray buffer(qsizetype(std::min<quint64>(job.compressedSize, kChunk)), Qt::Uninitialized);
        for (quint64 done = 0; done < job.compressedSize;) {
            if (m_context.cancel.isCancelled())
                return kStopped;
            const qint64 size = qint64(std::min<quint64>(job.compressedSize - done, kChunk));
            if (!readAt(m_archive, buffer.data(), size, job.dataOffset + done))
                return ZipEngine::archiveUnreadable;
            crc = quint32(libdeflate_crc32(crc, buffer.constData(), size_t(size)));
            if (job.file->write(buffer.constData(), size_t(size)) != 0)
                return ZipEngine::writeFailed;
            done += quint64(size);
            advance(quint64(size));
        }
        return 0;
    }

    int inflateWhole(Job& job, libdeflate_decompressor* inflater, quint32& crc)
    {
        QByteArray input(qsizetype(job.compressedSize), Qt::Uninitialized);
        QByteArray output(qsizetype(job.uncompressedSize), Qt::Uninitialized);
        if (!readAt(m_archive, input.data(), input.size(), job.dataOffset))
            return ZipEngine::archiveUnreadable;
        // Without a place for the actual size, anything but exactly the
        // declared size is an error.
        if (libdeflate_deflate_decompress(inflater, input.constData(), size_t(input.size()), output.data(),
                                          size_t(output.size()), nullptr)
            != LIBDEFLATE_SUCCESS)
            return ZipEngine::archiveUnreadable;
        crc = quint32(libdeflate_crc32(0, output.constData(), size_t(output.size())));
        if (job.file->write(output.constData(), size_t(output.size())) != 0)
            return ZipEngine::writeFailed;
        advance(job.uncompressedSize);
        return 0;
    }

    // ISA-L inflates a stream piece by piece about three times as fast as
    // zlib, which keeps big entries from holding the job up.
    int inflatePieces(Job& job, quint32& crc)
    {
        inflate_state state;
        isal_inflate_init(&state);
        state.crc_flag = ISAL_DEFLATE;
        QByteArray input(kChunk, Qt::Uninitialized);
        QByteArray output(kChunk, Qt::Uninitialized);
        quint64 read = 0;
        quint64 written = 0;
        while (state.block_state != ISAL_BLOCK_FINISH) {
            if (m_context.cancel.isCancelled())
                return kStopped;
            if (state.avail_in == 0) {
                const qint64 size = qint64(std::min<quint64>(job.compressedSize - read, kChunk));
                if (size == 0 || !readAt(m_archive, input.data(), size, job.dataOffset + read))
                    return ZipEngine::archiveUnreadable;
                read += quint64(size);
                state.next_in = reinterpret_cast<uint8_t*>(input.data());
                state.avail_in = quint32(size);
            }
            state.next_out = reinterpret_cast<uint8_t*>(output.data());
            state.avail_out = quint32(output.size());
            if (isal_inflate(&state) < 0)
                return ZipEngine::archiveUnreadable;
            const quint64 produced = quint64(output.size()) - state.avail_out;
            // More than the declared size is refused before it is written.
            if (produced > job.uncompressedSize - written)
                return ZipEngine::archiveUnreadable;
            crc = quint32(libdeflate_crc32(crc, output.constData(), size_t(produced)));
            if (produced > 0 && job.file->write(output.constData(), size_t(produced)) != 0)
                return ZipEngine::writeFailed;
            written += produced;
            advance(produced);
        }
        return written == job.uncompressedSize ? 0 : ZipEngine::archiveUnreadable;
    }

    const int m_archive;
    const ExtractionContext& m_context;
    const quint64 m_totalBytes;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    // Workers wait for work; the walk waits for room in the budget.
    std::condition_variable m_workReady;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    quint64 m_spent = 0;
    int m_inFlight = 0;
    int m_error = 0;
    bool m_closing = false;
    std::mutex m_progressMutex;
    quint64 m_doneBytes = 0;
};

// A link's target is its data, small by nature.
std::optional<QByteArray> readLinkTarget(int archive, const ZipDirectoryEntry& entry, quint64 dataOffset)
{
    if (entry.compressedSize > kLinkTargetLimit || entry.uncompressedSize > kLinkTargetLimit)
        return std::nullopt;
    QByteArray data(qsizetype(entry.compressedSize), Qt::Uninitialized);
    if (!readAt(archive, data.data(), data.size(), dataOffset))
        return std::nullopt;
    if (entry.method == 0)
        return data;
    QByteArray target(qsizetype(entry.uncompressedSize), Qt::Uninitialized);
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    const libdeflate_result result = libdeflate_deflate_decompress(
        inflater, data.constData(), size_t(data.size()), target.data(), size_t(target.size()), nullptr);
    libdeflate_free_decompressor(inflater);
    if (result != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    return target;
}

} // namespace

ZipParallelExtractor::ZipParallelExtractor(const ZipDirectory& directory, ExtractionContext context)
    : m_directory(directory)
    , m_context(std::move(context))
{
}

std::optional<int> ZipParallelExtractor::extract(const QString& archivePath, const QString& destination)
{
    const FileDescriptor archive(::open(QFile::encodeName(archivePath).constData(), O_RDONLY | O_CLOEXEC));
    if (!archive.isValid())
        return ZipEngine::archiveUnreadable;
    if (!m_tree.open(destination))
        return ZipEngine::writeFailed;
    const LegacyNameDecoder decoder(m_directory.legacyNames, QLocale::system().name());
    WorkerPool pool(archive.get(), m_context, m_directory.totalUncompressed);
    const auto stop = [&pool](int error) {
        pool.fail(error);
        return error;
    };

    for (const ZipDirectoryEntry& entry : m_directory.entries) {
        if (m_context.cancel.isCancelled())
            break;
        if (pool.error() != 0)
            break;
        LocalHeader local;
        if (!readLocalHeader(archive.get(), entry, local)) {
            stop(ZipEngine::archiveUnreadable);
            break;
        }
        QString name = entry.hasUtf8Name() ? QString::fromUtf8(local.name) : decoder.decode(local.name);
        // Windows archivers may separate folders with backslashes alone.
        if (local.fromDos && !name.contains(u'/'))
            name.replace(u'\\', u'/');
        const QString path = EntryPathSanitizer::sanitize(name);
        // A name with nothing left after sanitising ("/", "../") is dropped.
        if (path.isEmpty()) {
            pool.advance(entry.uncompressedSize);
            continue;
        }
        const mode_t mode = modeOf(entry, name.endsWith(u'/'));
        ExtractionTree::Outcome outcome = ExtractionTree::Outcome::skipped;
        if (S_ISDIR(mode)) {
            outcome = m_tree.makeDirectory(path, mode & 07777, local.mtime);
        } else if (S_ISLNK(mode)) {
            const std::optional<QByteArray> raw = readLinkTarget(archive.get(), entry, local.dataOffset);
            if (!raw) {
                stop(ZipEngine::archiveUnreadable);
                break;
            }
            const QString target = entry.hasUtf8Name() ? QString::fromUtf8(*raw) : decoder.decode(*raw);
            if (EntryPathSanitizer::isLinkTargetInside(path, target))
                outcome = m_tree.makeSymlink(path, target, local.mtime);
        } else if (S_ISREG(mode)) {
            Job job;
            outcome = m_tree.createFile(path, job.file);
            if (outcome == ExtractionTree::Outcome::created) {
                job.dataOffset = local.dataOffset;
                job.compressedSize = entry.compressedSize;
                job.uncompressedSize = entry.uncompressedSize;
                job.crc = entry.crc;
                job.method = entry.method;
                job.mode = mode;
                job.mtime = local.mtime;
                pool.submit(std::move(job));
            }
        }
        // Workers count the files they fill; everything else is done here,
        // so the progress still ends at the archive's total.
        if (!S_ISREG(mode) || outcome != ExtractionTree::Outcome::created)
            pool.advance(entry.uncompressedSize);
        // Devices, pipes and sockets have no place in an extraction.
        if (outcome == ExtractionTree::Outcome::failed) {
            stop(ZipEngine::writeFailed);
            break;
        }
    }
    pool.finish();
    if (m_context.cancel.isCancelled())
        return kStopped;
    if (const int error = pool.error(); error != 0)
        return error;
    if (!m_tree.finish())
        return ZipEngine::writeFailed;
    return std::nullopt;
}
