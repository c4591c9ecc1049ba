#pragma once

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

struct libdeflate_compressor;

// Worker threads that read pieces of files and deflate them, one libdeflate
// compressor (level 6) each. Jobs start in the order they are submitted.
class ZipCompressionPool
{
public:
    struct Job
    {
        enum class Mode
        {
            decide, // deflate, or store when deflating saves nothing
            deflate,
            store,
        };

        QByteArray path;
        ino_t inode = 0; // the file must still be the one listed
        qint64 offset = 0;
        qint64 length = 0;
        Mode mode = Mode::decide;
        // A deflated piece that is not the entry's last is made joinable
        // with the next (see DeflateChunkJoiner).
        bool lastOfEntry = true;

        // Results, to be read once the job is done.
        QByteArray output;
        bool stored = false;
        quint32 crc = 0;
        bool failed = false;
        bool done = false; // guarded by the pool
    };

    explicit ZipCompressionPool(int workerCount);
    ~ZipCompressionPool();
    ZipCompressionPool(const ZipCompressionPool&) = delete;
    ZipCompressionPool& operator=(const ZipCompressionPool&) = delete;

    void submit(const std::shared_ptr<Job>& job);
    bool isDone(const std::shared_ptr<Job>& job);
    // Waits until `job` is done (true), another job finished since the last
    // wait, or `timeout` passed.
    bool waitFor(const std::shared_ptr<Job>& job, std::chrono::milliseconds timeout);

private:
    void work();
    static void run(Job& job, libdeflate_compressor* compressor);
    static bool readInput(Job& job, QByteArray& input);

    std::mutex m_mutex;
    std::condition_variable m_jobWaiting;
    std::condition_variable m_jobDone;
    std::deque<std::shared_ptr<Job>> m_waiting;
    quint64 m_finished = 0; // jobs done so far
    quint64 m_finishedAtLastWait = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};
