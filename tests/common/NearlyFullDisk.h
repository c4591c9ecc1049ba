#pragma once

#include <csignal>

#include <sys/resource.h>

// A disk about to fill up, for as long as the object lives: files this
// process (and the children it starts meanwhile) write cannot grow past
// `bytes`, and writes beyond fail with EFBIG instead of raising SIGXFSZ.
// Root's privileges ignore a full disk's reserve; a size limit does not.
class NearlyFullDisk
{
public:
    explicit NearlyFullDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { bytes, m_saved.rlim_max };
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~NearlyFullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    NearlyFullDisk(const NearlyFullDisk&) = delete;
    NearlyFullDisk& operator=(const NearlyFullDisk&) = delete;

    // Whether the limit took effect.
    bool isActive() const { return m_active; }

private:
    rlimit m_saved {};
    void (*m_savedHandler)(int) = nullptr;
    bool m_active = false;
};
