#include "Archive/Rar/RarProgress.h"

#include <algorithm>
#include <cmath>

double RarProgress::fractionCompleted() const
{
    const std::lock_guard lock(m_mutex);
    return m_fraction;
}

void RarProgress::setFractionCompleted(double fraction)
{
    if (std::isnan(fraction))
        return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    std::function<void(double)> observer;
    {
        const std::lock_guard lock(m_mutex);
        if (fraction == m_fraction)
            return;
        m_fraction = fraction;
        observer = m_observer;
    }
    // Called outside the lock so the observer may read the progress again.
    if (observer)
        observer(fraction);
}

void RarProgress::setFractionObserver(std::function<void(double)> observer)
{
    const std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}
