#include "Archive/Zip/ZipArchiver.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Run/ArchiveJobChecks.h"
#include "Archive/Run/JobOutcome.h"
#include "Archive/Run/PasswordStep.h"
#include "Archive/Zip/ZipEngine.h"

namespace {
constexpr qsizetype kPasswordByteLimit = 128;

ArchiveErrorType errorForCode(std::optional<int> code)
{
    if (!code)
        return ArchiveErrorType::decompressUnknown;
    switch (*code) {
    case ZipEngine::internalError:
        return ArchiveErrorType::decompressUnknown;
    case ZipEngine::unsupportedEncryption:
    case ZipEngine::unsupportedCompression:
        return ArchiveErrorType::unsupported;
    case ZipEngine::wrongPassword:
        return ArchiveErrorType::passwordInvalid;
    default: // archiveUnreadable, writeFailed and anything unknown
        return ArchiveErrorType::badArchive;
    }
}
} // namespace

ZipArchiver::ZipArchiver()
    : m_flags(std::make_shared<JobFlags>())
{
}

ZipArchiver::~ZipArchiver() = default;

void ZipArchiver::compress(const QString& targetPath, const QStringList& files, const std::optional<QString>&,
                           Progress progress, Completion completion)
{
    const ArchiveErrorType check = ArchiveJobChecks::checkCompressArguments(targetPath, files);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(completion, false, check);
        return;
    }

    // The name is taken by creating the file, so no other job can pick it too.
    const std::optional<QString> reserved
        = ArchiveFile::reserveCompressOutput(files, targetPath, ArchiveType::zip);
    if (!reserved) {
        JobOutcome::postFailure({}, ArchiveErrorType::compressunknown, completion);
        return;
    }
    takeOutput(*reserved, true);

    const QString archivePath = *reserved;
    ArchiveQueue::run([archivePath, reservedOutput = m_output, files, flags = m_flags, progress, completion] {
        const bool written = ZipEngine::createZipFile(
            archivePath, files, [flags] { return flags->continueCompress.load(); },
            [throttle = ProgressThrottle::make(progress)](quint64 entry, quint64 total) {
                if (total != 0)
                    throttle->report(float(entry) / float(total));
            });
        // The finished archive was moved over the reserved file: it is the
        // job's output now, under a new identity.
        const JobOutput output = written ? JobOutput::adopt(reservedOutput.path()) : reservedOutput;
        MainQueue::post([output, flags, written, completion] {
            JobOutcome::evaluate(output, !flags->continueCompress, written, ArchiveErrorType::compressunknown,
                                 completion);
        });
    });
}

void ZipArchiver::decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                             Progress progress, Completion completion)
{
    const ArchiveErrorType check = ArchiveJobChecks::checkDecompressArguments(targetPath, archivePath);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(completion, false, check);
        return;
    }

    // Created now rather than when extraction starts: a name that is only
    // checked could be taken by another job before we write into it.
    const std::optional<QString> reserved = ArchiveFile::reserveExtractFolder(archivePath, targetPath);
    if (!reserved) {
        JobOutcome::postFailure({}, ArchiveErrorType::targetPathError, completion);
        return;
    }
    takeOutput(*reserved, false);

    // Telling a protected archive takes a walk over all its headers: never
    // on the main thread.
    const PasswordStep::Extraction job { m_passwordPrompt, m_output,
                                         [flags = m_flags] { return !flags->continumDecompress; }, completion,
                                         m_endedWithoutResult };
    ArchiveQueue::run([archivePath, job, flags = m_flags, onBegin, progress] {
        const bool isProtected = ZipEngine::isFilePasswordProtected(archivePath);
        MainQueue::post([archivePath, job, flags, onBegin, progress, isProtected] {
            if (!flags->continumDecompress) {
                JobOutcome::evaluate(job.output, true, false, ArchiveErrorType::cancelled, job.completion);
                return;
            }
            auto start = [=](const std::optional<QString>& password) {
                if (onBegin)
                    onBegin();
                startExtraction(archivePath, job.output, flags, password, progress, job.completion);
            };
            if (!isProtected) {
                start(std::nullopt);
                return;
            }
            PasswordStep::askBeforeExtracting(job, [start](const QString& text) {
                start(ArchiveFile::truncateUTF8(text, kPasswordByteLimit));
            });
        });
    });
}

void ZipArchiver::startExtraction(const QString& archivePath, const JobOutput& output,
                                  std::shared_ptr<JobFlags> flags, const std::optional<QString>& password,
                                  Progress progress, Completion completion)
{
    ArchiveQueue::run([archivePath, output, password, flags, progress, completion] {
        auto evaluate = [output, flags, completion](bool succeeded, std::optional<int> code) {
            MainQueue::post([output, flags, completion, succeeded, code] {
                JobOutcome::evaluate(output, !flags->continumDecompress, succeeded, errorForCode(code),
                                     completion);
            });
        };

        // A cancel before we got here has already removed the folder.
        if (!flags->continumDecompress) {
            evaluate(false, std::nullopt);
            return;
        }
        // Made again under the same name it would not be ours to remove.
        if (!output.isStillThere()) {
            JobOutcome::postFailure({}, ArchiveErrorType::targetPathError, completion);
            return;
        }
        ZipEngine::unzipFile(
            archivePath, output.path(), password, [flags] { return flags->continumDecompress.load(); },
            [throttle = ProgressThrottle::make(progress)](const QString&, qint64 entry, qint64 total) {
                if (total != 0)
                    throttle->report(float(entry) / float(total));
            },
            [evaluate](const QString&, bool succeeded, std::optional<int> code) {
                evaluate(succeeded, code);
            });
    });
}

void ZipArchiver::cancelCompress()
{
    m_flags->continueCompress = false;
    m_output.remove();
}

void ZipArchiver::cancelDecompress()
{
    m_flags->continumDecompress = false;
    m_output.remove();
}
