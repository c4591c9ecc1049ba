#include "Archive/Plumbing/ArchiveQueue.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace {

// A job may block on a password prompt for as long as the user takes; enough
// threads keep another job from waiting behind it.
constexpr int kMinimumThreadCount = 8;

} // namespace

QThreadPool& ArchiveQueue::shared()
{
    // Never destroyed: a job still running at exit is not waited for.
    static QThreadPool* const pool = [] {
        auto* created = new QThreadPool;
        created->setObjectName(QStringLiteral("archive_queue"));
        created->setMaxThreadCount(std::max(kMinimumThreadCount, QThread::idealThreadCount()));
        return created;
    }();
    return *pool;
}

void ArchiveQueue::run(std::function<void()> work)
{
    shared().start(std::move(work));
}
