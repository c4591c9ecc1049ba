#pragma once

#include "Archive/Run/Archiver.h"

class JobOutput;

// How every archiver ends a job, on the main thread.
class JobOutcome
{
public:
    JobOutcome() = delete;

    // Calls `completion`, when there is one.
    static void finish(const Archiver::Completion& completion, bool success, ArchiveErrorType error);

    // The evaluation after the engine returned: a cancelled job is reported
    // as cancelled whatever the engine said, a failed one as `failure`; both
    // remove `output` first. A finished job keeps it.
    static void evaluate(const JobOutput& output, bool cancelled, bool succeeded, ArchiveErrorType failure,
                         const Archiver::Completion& completion);

    // Queues a failure onto the main thread: `output` (if any) is removed
    // first.
    static void postFailure(const JobOutput& output, ArchiveErrorType error,
                            const Archiver::Completion& completion);
};
