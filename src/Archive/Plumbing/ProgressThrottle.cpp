#include "Archive/Plumbing/ProgressThrottle.h"

#include "Archive/Plumbing/MainQueue.h"

std::shared_ptr<ProgressThrottle> ProgressThrottle::make(std::function<void(float)> deliver,
                                                         int intervalMilliseconds)
{
    return std::shared_ptr<ProgressThrottle>(new ProgressThrottle(std::move(deliver), intervalMilliseconds));
}

ProgressThrottle::ProgressThrottle(std::function<void(float)> deliver, int intervalMilliseconds)
    : m_deliver(std::move(deliver))
    , m_interval(intervalMilliseconds)
{
}

void ProgressThrottle::report(float fraction)
{
    if (!m_deliver)
        return;
    m_latest.store(fraction);
    {
        std::lock_guard locker(m_clockLock);
        const bool due
            = !m_sinceLastPost.isValid() || m_sinceLastPost.elapsed() >= m_interval || fraction >= 1.0f;
        if (!due || m_pending.exchange(true))
            return;
        m_sinceLastPost.start();
    }
    MainQueue::post([self = shared_from_this()] { self->deliverLatest(); });
}

void ProgressThrottle::deliverLatest()
{
    m_pending.store(false);
    m_deliver(m_latest.load());
}
