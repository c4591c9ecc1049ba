#pragma once

#include <atomic>

// The go-on flags of one archiver's job: written on the main thread, read by
// the engine on the archive queue. Shared with queued work, so a job that
// outlives its archiver still reads valid flags. Cleared for good.
struct JobFlags
{
    std::atomic_bool continueCompress { true };
    std::atomic_bool continumDecompress { true };
};
