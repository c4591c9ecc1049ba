#pragma once

#include <atomic>
#include <memory>

// The one stop signal of a job: cancelled on the main thread, read by the
// engine wherever it runs. Copies share the signal, so queued work that
// outlives its archiver still reads a valid one. Never set back.
class CancelToken
{
public:
    CancelToken()
        : m_cancelled(std::make_shared<std::atomic_bool>(false))
    {
    }

    void cancel() const { m_cancelled->store(true); }
    bool isCancelled() const { return m_cancelled->load(); }

private:
    std::shared_ptr<std::atomic_bool> m_cancelled;
};
