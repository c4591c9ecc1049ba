#include "Archive/Run/JobOutcome.h"

#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Run/JobOutput.h"

void JobOutcome::finish(const Archiver::Completion& completion, bool success, ArchiveErrorType error)
{
    if (completion)
        completion(success, error);
}

void JobOutcome::evaluate(const JobOutput& output, bool cancelled, bool succeeded, ArchiveErrorType failure,
                          const Archiver::Completion& completion)
{
    if (cancelled) {
        output.remove();
        finish(completion, false, ArchiveErrorType::cancelled);
    } else if (!succeeded) {
        output.remove();
        finish(completion, false, failure);
    } else {
        finish(completion, true, ArchiveErrorType::none);
    }
}

void JobOutcome::postFailure(const JobOutput& output, ArchiveErrorType error,
                             const Archiver::Completion& completion)
{
    MainQueue::post([output, error, completion] {
        output.remove();
        finish(completion, false, error);
    });
}
