#include "Archive/ZipArchiver.h"

#include "Resources/LocalizedText.h"
#include "Archive/ArchiveFile.h"
#include "Archive/ArchiveJobChecks.h"
#include "Archive/ArchiveQueue.h"
#include "Archive/Diagnostics.h"
#include "Archive/JobOutcome.h"
#include "Archive/MainQueue.h"
#include "Archive/PasswordPrompt.h"
#include "Archive/ProgressThrottle.h"
#include "Archive/Zip/ZipEngine.h"

#include <QDir>

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
    m_compressPath = *reserved;

    const QString archivePath = *reserved;
    auto flags = m_flags;
    ArchiveQueue::run([archivePath, files, flags, progress, completion] {
        const bool written = ZipEngine::createZipFile(
            archivePath, files, [flags] { return flags->continueCompress.load(); },
            [throttle = ProgressThrottle::make(progress)](quint64 entry, quint64 total) {
                if (total != 0)
                    throttle->report(float(entry) / float(total));
            });
        MainQueue::post([archivePath, flags, written, completion] {
            JobOutcome::evaluate(archivePath, !flags->continueCompress, written,
                                 ArchiveErrorType::compressunknown, completion);
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
    m_decompressPath = *reserved;

    const QString folder = *reserved;
    if (!ZipEngine::isFilePasswordProtected(archivePath)) {
        if (onBegin)
            onBegin();
        startExtraction(archivePath, folder, m_flags, std::nullopt, progress, completion);
        return;
    }
    MainQueue::post([archivePath, folder, flags = m_flags, onBegin, progress, completion] {
        askForPassword(archivePath, folder, flags, onBegin, progress, completion);
    });
}

void ZipArchiver::askForPassword(const QString& archivePath, const QString& folder,
                                 std::shared_ptr<JobFlags> flags, OnBegin onBegin, Progress progress,
                                 Completion completion)
{
    PasswordPrompt::askCurrent(localizedText("enter_password"), [=](AlertResult result, const QString& text) {
        switch (result) {
        case AlertResult::ok:
            if (text.isEmpty()) {
                ArchiveFile::deletePath(folder);
                JobOutcome::finish(completion, false, ArchiveErrorType::passwordEmpty);
                return;
            }
            if (!flags->continumDecompress) {
                ArchiveFile::deletePath(folder);
                JobOutcome::finish(completion, false, ArchiveErrorType::cancelled);
                return;
            }
            if (onBegin)
                onBegin();
            startExtraction(archivePath, folder, flags, ArchiveFile::truncateUTF8(text, kPasswordByteLimit),
                            progress, completion);
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
}

void ZipArchiver::startExtraction(const QString& archivePath, const QString& folder,
                                  std::shared_ptr<JobFlags> flags, const std::optional<QString>& password,
                                  Progress progress, Completion completion)
{
    ArchiveQueue::run([archivePath, folder, password, flags, progress, completion] {
        auto evaluate = [folder, flags, completion](bool succeeded, std::optional<int> code) {
            MainQueue::post([folder, flags, completion, succeeded, code] {
                JobOutcome::evaluate(folder, !flags->continumDecompress, succeeded, errorForCode(code),
                                     completion);
            });
        };

        // A cancel before we got here has already removed the folder; making
        // it again would leave an empty folder behind.
        if (!flags->continumDecompress) {
            evaluate(false, std::nullopt);
            return;
        }
        if (!QDir().mkpath(folder)) {
            JobOutcome::postFailure({}, ArchiveErrorType::targetPathError, completion);
            return;
        }
        ZipEngine::unzipFile(
            archivePath, folder, password, [flags] { return flags->continumDecompress.load(); },
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
    if (m_compressPath)
        ArchiveFile::deletePath(*m_compressPath);
}

void ZipArchiver::cancelDecompress()
{
    m_flags->continumDecompress = false;
    if (m_decompressPath)
        ArchiveFile::deletePath(*m_decompressPath);
}
