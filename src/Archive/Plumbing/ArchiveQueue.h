#pragma once

#include <functional>

class QThreadPool;

// The one process-wide pool on which archive jobs do their long work. Jobs of
// different archivers may run at the same time.
class ArchiveQueue
{
public:
    ArchiveQueue() = delete;

    // Created on first use, safely from any thread; lives until the process ends.
    static QThreadPool& shared();

    // Queues `work` on the pool.
    static void run(std::function<void()> work);
};
