#include "Archive/JobOutcome.h"

#include "Archive/ArchiveFile.h"
#include "Archive/MainQueue.h"

void JobOutcome::finish(const Archiver::Completion& completion, bool success, ArchiveErrorType error)
{
    if (completion)
        completion(success, error);
}

void JobOutcome::evaluate(const QString& output, bool cancelled, bool succeeded, ArchiveErrorType failure,
                          const Archiver::Completion& completion)
{
    if (cancelled) {
        ArchiveFile::deletePath(output);
        finish(completion, false, ArchiveErrorType::cancelled);
    } else if (!succeeded) {
        ArchiveFile::deletePath(output);
        finish(completion, false, failure);
    } else {
        finish(completion, true, ArchiveErrorType::none);
    }
}

void JobOutcome::postFailure(const QString& output, ArchiveErrorType error,
                             const Archiver::Completion& completion)
{
    MainQueue::post([output, error, completion] {
        if (!output.isEmpty())
            ArchiveFile::deletePath(output);
        finish(completion, false, error);
    });
}
