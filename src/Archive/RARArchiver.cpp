#include "Archive/RARArchiver.h"

#include "Resources/LocalizedText.h"
#include "Archive/ArchiveFile.h"
#include "Archive/ArchiveJobChecks.h"
#include "Archive/ArchiveQueue.h"
#include "Archive/Diagnostics.h"
#include "Archive/JobOutcome.h"
#include "Archive/MainQueue.h"
#include "Archive/PasswordPrompt.h"
#include "Archive/ProgressThrottle.h"
#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarProgress.h"

#include <QDir>

namespace {
// Runs the engine on the archive queue and reports on the main queue.
// A cancelled job is reported as cancelled whatever the engine returned.
void runExtraction(std::shared_ptr<RarArchive> archive, std::shared_ptr<RarProgress> progress,
                   const QString& folder, const Archiver::Completion& completion)
{
    if (!QDir().mkpath(folder)) {
        JobOutcome::finish(completion, false, ArchiveErrorType::targetPathError);
        return;
    }
    ArchiveQueue::run([archive, progress, folder, completion] {
        int code = 0;
        const bool extracted = archive->extractFilesTo(folder, false, &code);
        MainQueue::post([progress, folder, completion, extracted, code] {
            JobOutcome::evaluate(folder, progress->isCancelled(), extracted, RARArchiver::errorForCode(code),
                                 completion);
        });
    });
}
} // namespace

RARArchiver::RARArchiver()
    : m_progress(std::make_shared<RarProgress>())
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

    int openError = 0;
    std::shared_ptr<RarArchive> archive = RarArchive::open(archivePath, &openError);
    if (!archive) {
        JobOutcome::finish(completion, false, ArchiveErrorType::originPathError);
        return;
    }
    // Taken now, so no other job can choose the same folder.
    const std::optional<QString> reserved = ArchiveFile::reserveExtractFolder(archivePath, targetPath);
    if (!reserved) {
        JobOutcome::postFailure({}, ArchiveErrorType::targetPathError, completion);
        return;
    }
    m_decompressPath = *reserved;
    const QString folder = *reserved;

    archive->setProgress(m_progress);
    m_progress->setFractionObserver([throttle = ProgressThrottle::make(progress)](double fraction) {
        throttle->report(float(fraction));
    });

    if (!archive->isPasswordProtected()) {
        if (onBegin)
            onBegin();
        runExtraction(archive, m_progress, folder, completion);
        return;
    }

    MainQueue::post([archive, progress = m_progress, folder, onBegin, completion] {
        PasswordPrompt::askCurrent(
            localizedText("enter_password"), [=](AlertResult result, const QString& text) {
                switch (result) {
                case AlertResult::ok:
                    if (text.isEmpty()) {
                        ArchiveFile::deletePath(folder);
                        JobOutcome::finish(completion, false, ArchiveErrorType::passwordEmpty);
                        return;
                    }
                    if (progress->isCancelled()) {
                        // Too late: the folder went with the cancel and nothing starts.
                        ArchiveFile::deletePath(folder);
                        JobOutcome::finish(completion, false, ArchiveErrorType::cancelled);
                        return;
                    }
                    archive->setPassword(text);
                    if (onBegin)
                        onBegin();
                    runExtraction(archive, progress, folder, completion);
                    return;
                case AlertResult::cancel:
                    Diagnostics::writeLine("取消按钮点击");
                    break;
                case AlertResult::fail:
                    Diagnostics::writeLine("弹窗失败");
                    break;
                case AlertResult::autoClose:
                    Diagnostics::writeLine("自动关闭");
                    break;
                }
                // The job ends here without a result; the folder it had reserved goes.
                ArchiveFile::deletePath(folder);
            });
    });
}

void RARArchiver::cancelDecompress()
{
    m_progress->cancel();
    if (m_decompressPath)
        ArchiveFile::deletePath(*m_decompressPath);
}
