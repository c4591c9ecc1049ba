#include "Archive/Zip/ZipArchiver.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Run/ArchiveJobChecks.h"
#include "Archive/Run/JobOutcome.h"
#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipHandle.h"

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
    takeCompressOutput(*reserved);

    writeCompressOutput(
        [archivePath = *reserved, files, cancel = m_compressCancel, progress] {
            return ZipEngine::createZipFile(
                archivePath, files, [cancel] { return !cancel.isCancelled(); },
                [throttle = ProgressThrottle::make(progress)](quint64 entry, quint64 total) {
                    if (total != 0)
                        throttle->report(float(entry) / float(total));
                });
        },
        completion);
}

void ZipArchiver::decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                             Progress progress, Completion completion)
{
    runExtraction(std::make_unique<ZipHandle>(), targetPath, archivePath, std::move(onBegin),
                  std::move(progress), std::move(completion));
}
