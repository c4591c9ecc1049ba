#pragma once

#include <atomic>
#include <functional>
#include <mutex>

// The progress of one RAR extraction, shared between the job that owns it and
// the engine that advances it: the engine sets the completed fraction, the
// job observes it and may cancel. Safe to use from any thread.
class RarProgress
{
public:
    double fractionCompleted() const;
    // Engine side. The observer runs on the calling thread, once per value
    // that differs from the previous one.
    void setFractionCompleted(double fraction);
    void setFractionObserver(std::function<void(double)> observer);

    void cancel() { m_cancelled.store(true); }
    bool isCancelled() const { return m_cancelled.load(); }

private:
    mutable std::mutex m_mutex;
    double m_fraction = 0.0;
    std::function<void(double)> m_observer;
    std::atomic<bool> m_cancelled { false };
};
