#include "Archive/Rar/RarProgressMeter.h"

#include "Archive/Rar/RarProgress.h"

#include <algorithm>

RarProgressMeter::RarProgressMeter(std::shared_ptr<RarProgress> progress)
    : m_progress(std::move(progress))
{
}

void RarProgressMeter::begin(qint64 total)
{
    m_total = std::max<qint64>(total, 1);
    m_done = 0;
}

void RarProgressMeter::advance(qint64 units)
{
    m_done = std::min(m_done + std::max<qint64>(units, 0), m_total);
    publish(double(m_done) / double(m_total));
}

void RarProgressMeter::finish()
{
    publish(1.0);
}

bool RarProgressMeter::isCancelled() const
{
    return m_progress && m_progress->isCancelled();
}

void RarProgressMeter::publish(double fraction)
{
    if (fraction <= m_published)
        return;
    m_published = fraction;
    if (m_progress)
        m_progress->setFractionCompleted(fraction);
}
