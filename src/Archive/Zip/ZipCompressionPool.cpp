#include "Archive/Zip/ZipCompressionPool.h"

#include "Archive/Extraction/FileDescriptor.h"
#include "Archive/Zip/DeflateChunkJoiner.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kCompressionLevel = 6;
// Room for the empty stored block a joinable piece ends with.
constexpr qsizetype kJoinMargin = 8;

} // namespace

ZipCompressionPool::ZipCompressionPool(int workerCount)
{
    for (int i = 0; i < std::max(workerCount, 1); ++i)
        m_workers.emplace_back(&ZipCompressionPool::work, this);
}

ZipCompressionPool::~ZipCompressionPool()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_jobWaiting.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void ZipCompressionPool::submit(const std::shared_ptr<Job>& job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(job);
    }
    m_jobWaiting.notify_one();
}

bool ZipCompressionPool::isDone(const std::shared_ptr<Job>& job)
{
    const std::lock_guard lock(m_mutex);
    return job->done;
}

bool ZipCompressionPool::waitFor(const std::shared_ptr<Job>& job, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    m_jobDone.wait_for(lock, timeout, [&] { return job->done || m_finished != m_finishedAtLastWait; });
    m_finishedAtLastWait = m_finished;
    return job->done;
}

void ZipCompressionPool::work()
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kCompressionLevel);
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(m_mutex);
            m_jobWaiting.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
            if (m_stopping)
                break;
            job = std::move(m_waiting.front());
            m_waiting.pop_front();
        }
        if (compressor)
            run(*job, compressor);
        else
            job->failed = true;
        {
            const std::lock_guard lock(m_mutex);
            job->done = true;
            ++m_finished;
        }
        m_jobDone.notify_all();
    }
    libdeflate_free_compressor(compressor);
}

void ZipCompressionPool::run(Job& job, libdeflate_compressor* compressor)
{
    QByteArray input;
    if (!readInput(job, input)) {
        job.failed = true;
        return;
    }
    job.crc = libdeflate_crc32(0, input.constData(), size_t(input.size()));
    if (job.mode == Job::Mode::store) {
        job.stored = true;
        job.output = std::move(input);
        return;
    }
    // Deciding, a result that is not smaller than the input does not fit.
    const qsizetype limit = job.mode == Job::Mode::decide
        ? input.size() - 1
        : qsizetype(libdeflate_deflate_compress_bound(compressor, size_t(input.size())));
    job.output.resize(std::max<qsizetype>(limit, 0) + kJoinMargin);
    const size_t length = limit <= 0
        ? 0
        : libdeflate_deflate_compress(compressor, input.constData(), size_t(input.size()), job.output.data(),
                                      size_t(limit));
    if (length == 0) {
        if (job.mode != Job::Mode::decide) {
            job.failed = true;
            return;
        }
        job.stored = true;
        job.output = std::move(input);
        return;
    }
    job.output.truncate(qsizetype(length));
    if (!job.lastOfEntry && !DeflateChunkJoiner::makeJoinable(job.output))
        job.failed = true;
}

bool ZipCompressionPool::readInput(Job& job, QByteArray& input)
{
    // Non-blocking and checked: the file may have been replaced by a pipe or
    // a link since it was listed.
    const FileDescriptor file(::open(job.path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status = {};
    if (!file.isValid() || fstat(file.get(), &status) != 0 || status.st_ino != job.inode
        || !S_ISREG(status.st_mode))
        return false;
    input.resize(job.length);
    // Exactly the size listed: a file that grows meanwhile is stored as it
    // was listed, one that shrinks fails the archive.
    for (qint64 done = 0; done < job.length;) {
        const ssize_t count
            = ::pread(file.get(), input.data() + done, size_t(job.length - done), off_t(job.offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += count;
    }
    return true;
}
