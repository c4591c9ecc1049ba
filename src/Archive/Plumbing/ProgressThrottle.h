#pragma once

#include <QElapsedTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Brings a job's progress to the main thread at a bounded rate, however often
// the engine reports it: at most one delivery is queued at a time, at most one
// per interval, and each carries the newest fraction. A fraction of 1 is never
// held back, so the last value the caller sees is the last one reported.
class ProgressThrottle : public std::enable_shared_from_this<ProgressThrottle>
{
public:
    static constexpr int kDefaultIntervalMilliseconds = 33; // about a display frame or two

    // `deliver` runs on the main thread; an empty one makes report() a no-op.
    static std::shared_ptr<ProgressThrottle> make(std::function<void(float)> deliver,
                                                  int intervalMilliseconds = kDefaultIntervalMilliseconds);

    // Any thread.
    void report(float fraction);

private:
    ProgressThrottle(std::function<void(float)> deliver, int intervalMilliseconds);
    void deliverLatest();

    std::function<void(float)> m_deliver;
    const int m_interval;
    std::atomic<float> m_latest { 0.0f };
    std::atomic_bool m_pending { false };
    std::mutex m_clockLock;
    QElapsedTimer m_sinceLastPost;
};
