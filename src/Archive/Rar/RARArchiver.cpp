#include "Archive/Rar/RARArchiver.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarProgress.h"
#include "Archive/Run/ArchiveJobChecks.h"
#include "Archive/Run/JobOutcome.h"
#include "Archive/Run/PasswordStep.h"

namespace {
// Runs the engine on the archive queue and reports on the main queue.
// A cancelled job is reported as cancelled whatever the engine returned.
void runExtraction(std::shared_ptr<RarArchive> archive, std::shared_ptr<RarProgress> progress,
                   const JobOutput& output, const Archiver::Completion& completion)
{
    // Made again under the same name it would not be ours to remove.
    if (!output.isStillThere()) {
        JobOutcome::finish(completion, false, ArchiveErrorType::targetPathError);
        return;
    }
    ArchiveQueue::run([archive, progress, output, completion] {
        int code = 0;
        const bool extracted = archive->extractFilesTo(output.path(), false, &code);
        MainQueue::post([progress, output, completion, extracted, code] {
            JobOutcome::evaluate(output, progress->isCancelled(), extracted, RARArchiver::errorForCode(code),
                                 completion);
        });
    });
}
} // namespace

RARArchiver::RARArchiver()
    : m_progress(std::make_shared<RarProgress>())
    , m_alive(std::make_shared<RARArchiver*>(this))
{
}

RARArchiver::~RARArchiver()
{
    m_progress->setFractionObserver({});
}

void RARArchiver::compress(const QString&, const QStringList&, const std::optional<QString>&, Progress,
                           Completion)
{
}

void RARArchiver::cancelCompress() { }

ArchiveErrorType RARArchiver::errorForCode(int code)
{
    switch (code) {
    case RarArchive::missingPassword:
        return ArchiveErrorType::passwordEmpty;
    case RarArchive::unknown:
        return ArchiveErrorType::decompressUnknown;
    case RarArchive::unknownFormat:
        return ArchiveErrorType::unsupported;
    case RarArchive::badPassword:
        // A wrong password is not a damaged archive.
        return ArchiveErrorType::passwordInvalid;
    default:
        return ArchiveErrorType::badArchive;
    }
}

void RARArchiver::decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                             Progress progress, Completion completion)
{
    const ArchiveErrorType check = ArchiveJobChecks::checkDecompressArguments(targetPath, archivePath);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(completion, false, check);
        return;
    }
    m_progress->setFractionObserver([throttle = ProgressThrottle::make(progress)](double fraction) {
        throttle->report(float(fraction));
    });

    // Reading the catalogue of a large or hostile archive takes time: never
    // on the main thread.
    const Job job { targetPath,       archivePath,          onBegin, completion, m_progress,
                    m_passwordPrompt, m_endedWithoutResult, m_alive };
    ArchiveQueue::run([job] {
        int openError = 0;
        std::shared_ptr<RarArchive> archive = RarArchive::open(job.archivePath, &openError);
        MainQueue::post([job, archive] { continueOpened(job, archive); });
    });
}

void RARArchiver::continueOpened(const Job& job, std::shared_ptr<RarArchive> archive)
{
    if (job.progress->isCancelled()) {
        JobOutcome::finish(job.completion, false, ArchiveErrorType::cancelled);
        return;
    }
    if (!archive) {
        JobOutcome::finish(job.completion, false, ArchiveErrorType::originPathError);
        return;
    }
    // Taken now, so no other job can choose the same folder.
    const std::optional<QString> reserved
        = ArchiveFile::reserveExtractFolder(job.archivePath, job.targetPath);
    if (!reserved) {
        JobOutcome::finish(job.completion, false, ArchiveErrorType::targetPathError);
        return;
    }
    const JobOutput output = JobOutput::adopt(*reserved);
    if (const std::shared_ptr<RARArchiver*> self = job.archiver.lock()) {
        (*self)->m_output = output;
        (*self)->m_outputIsArchive = false;
    }

    archive->setProgress(job.progress);
    auto start = [job, archive, output] {
        if (job.onBegin)
            job.onBegin();
        runExtraction(archive, job.progress, output, job.completion);
    };
    if (!archive->isPasswordProtected()) {
        start();
        return;
    }
    const PasswordStep::Extraction asking { job.prompt, output,
                                            [progress = job.progress] { return progress->isCancelled(); },
                                            job.completion, job.endedWithoutResult };
    PasswordStep::askBeforeExtracting(asking, [archive, start](const QString& text) {
        archive->setPassword(text);
        start();
    });
}

void RARArchiver::cancelDecompress()
{
    m_progress->cancel();
    m_output.remove();
}
