#pragma once

#include "Archive/Run/CancelToken.h"

#include <functional>
#include <mutex>

// The progress of one RAR extraction, shared between the job that owns it and
// the engine that advances it: the engine sets the completed fraction, the
// job observes it and may cancel. Safe to use from any thread.
class RarProgress
{
public:
    // Cancelled through `cancel`, or through this object.
    explicit RarProgress(CancelToken cancel = {})
        : m_cancel(std::move(cancel))
    {
    }

    double fractionCompleted() const;
    // Engine side. The observer runs on the calling thread, once per value
    // that differs from the previous one.
    void setFractionCompleted(double fraction);
    void setFractionObserver(std::function<void(double)> observer);

    void cancel() { m_cancel.cancel(); }
    bool isCancelled() const { return m_cancel.isCancelled(); }

private:
    mutable std::mutex m_mutex;
    double m_fraction = 0.0;
    std::function<void(double)> m_observer;
    CancelToken m_cancel;
};
