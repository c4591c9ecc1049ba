#include "Archive/LzmaArchiver.h"

#include "Resources/LocalizedText.h"
#include "Archive/ArchiveFile.h"
#include "Archive/ArchiveJobChecks.h"
#include "Archive/ArchiveQueue.h"
#include "Archive/Diagnostics.h"
#include "Archive/JobOutcome.h"
#include "Archive/MainQueue.h"
#include "Archive/PasswordPrompt.h"
#include "Archive/PathText.h"
#include "Archive/ProgressThrottle.h"
#include "Archive/SevenZip/SevenZipReader.h"
#include "Archive/SevenZip/SevenZipWriter.h"

#include <QMutex>
#include <QSemaphore>

namespace {
constexpr int kPromptPollMilliseconds = 100;

// What one extraction learns from its password prompts. `pendingError` is
// touched on the main thread only; the rest crosses threads under the lock.
struct PasswordState
{
    ArchiveErrorType pendingError = ArchiveErrorType::decompressUnknown;
    QMutex lock;
    std::optional<QString> accepted; // reused once 7-Zip has taken it
    std::optional<QString> lastAnswer;
};

// Runs on the archive queue whenever 7-Zip asks. Blocks until the main thread
// has an answer, the job is cancelled, or no prompt can be shown at all.
QString requestPassword(const std::shared_ptr<JobFlags>& flags, const std::shared_ptr<PasswordState>& state)
{
    {
        QMutexLocker locker(&state->lock);
        if (state->accepted)
            return *state->accepted;
    }

    auto answered = std::make_shared<QSemaphore>(0);
    auto text = std::make_shared<QString>();
    const bool posted = MainQueue::post([flags, state, answered, text] {
        PasswordPrompt::askCurrent(localizedText("enter_password"),
                                   [=](AlertResult result, const QString& entered) {
                                       switch (result) {
                                       case AlertResult::ok:
                                           *text = entered;
                                           if (entered.isEmpty())
                                               state->pendingError = ArchiveErrorType::passwordEmpty;
                                           Diagnostics::writeLine("确认按钮点击");
                                           break;
                                       case AlertResult::cancel:
                                           flags->continumDecompress = false;
                                           Diagnostics::writeLine("取消按钮点击");
                                           break;
                                       case AlertResult::fail:
                                           // Nobody can be asked: the same as a cancelled prompt, never a
                                           // wait.
                                           flags->continumDecompress = false;
                                           Diagnostics::writeLine("弹窗失败");
                                           break;
                                       case AlertResult::autoClose:
                                           Diagnostics::writeLine("自动关闭");
                                           break;
                                       }
                                       answered->release();
                                   });
    });
    if (!posted)
        return {};

    while (!answered->tryAcquire(1, kPromptPollMilliseconds)) {
        if (!flags->continumDecompress)
            return {};
    }
    QMutexLocker locker(&state->lock);
    state->lastAnswer = *text;
    return *text;
}

void configureWriter(SevenZipWriter& writer, const QStringList& files, const std::optional<QString>& password)
{
    const QString passwordText = password.value_or(QString());
    writer.setPasswordGetter([passwordText] { return passwordText; });
    for (const QString& file : files)
        writer.addPath(file, PathText::lastPathComponent(file));
    writer.setMethod(SevenZipWriter::Method::lzma2);
    writer.setSolid(true);
    writer.setCompressionLevel(6);
    // An empty password would encrypt with the empty password, and every
    // later extraction of the archive would ask for one: it means none.
    writer.setEncodeContent(password.has_value() && !password->isEmpty());
    writer.setEncodeHeader(false);
    writer.setCompressHeader(true);
    writer.setCompressHeaderFull(true);
    writer.setWriteModificationTime(false);
    writer.setWriteCreationTime(false);
    writer.setWriteAccessTime(false);
}
} // namespace

LzmaArchiver::LzmaArchiver()
    : m_flags(std::make_shared<JobFlags>())
{
}

LzmaArchiver::~LzmaArchiver() = default;

void LzmaArchiver::compress(const QString& targetPath, const QStringList& files,
                            const std::optional<QString>& password, Progress progress, Completion completion)
{
    const ArchiveErrorType check = ArchiveJobChecks::checkCompressArguments(targetPath, files);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(completion, false, check);
        return;
    }
    const std::optional<QString> reserved
        = ArchiveFile::reserveCompressOutput(files, targetPath, ArchiveType::z7);
    if (!reserved) {
        JobOutcome::finish(completion, false, ArchiveErrorType::badArchive);
        return;
    }
    m_compressPath = *reserved;

    auto writer = std::make_shared<SevenZipWriter>(*reserved);
    configureWriter(*writer, files, password);
    auto flags = m_flags;
    writer->setCanContinue([flags] { return flags->continueCompress.load(); });
    writer->setProgressHandler(
        [throttle = ProgressThrottle::make(progress)](float fraction) { throttle->report(fraction); });
    if (!writer->open()) {
        ArchiveFile::deletePath(*reserved);
        JobOutcome::finish(completion, false, ArchiveErrorType::badArchive);
        return;
    }

    const QString archivePath = *reserved;
    ArchiveQueue::run([writer, archivePath, flags, completion] {
        const bool written = writer->write();
        MainQueue::post([archivePath, flags, written, completion] {
            JobOutcome::evaluate(archivePath, !flags->continueCompress, written,
                                 ArchiveErrorType::compressunknown, completion);
        });
    });
}

void LzmaArchiver::decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                              Progress progress, Completion completion)
{
    const ArchiveErrorType check = ArchiveJobChecks::checkDecompressArguments(targetPath, archivePath);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(completion, false, check);
        return;
    }
    // Taken now, so no other job can choose the same folder.
    const std::optional<QString> reserved = ArchiveFile::reserveExtractFolder(archivePath, targetPath);
    if (!reserved) {
        JobOutcome::postFailure({}, ArchiveErrorType::targetPathError, completion);
        return;
    }
    m_decompressPath = *reserved;

    auto flags = m_flags;
    auto passwords = std::make_shared<PasswordState>();
    auto reader = std::make_shared<SevenZipReader>(archivePath);
    reader->setPasswordGetter([flags, passwords] { return requestPassword(flags, passwords); });
    reader->setCanContinue([flags] { return flags->continumDecompress.load(); });
    reader->setProgressHandler(
        [throttle = ProgressThrottle::make(progress)](float fraction) { throttle->report(fraction); });

    const QString folder = *reserved;
    ArchiveQueue::run([reader, folder, flags, passwords, onBegin, completion] {
        auto report = [folder, completion](ArchiveErrorType error) {
            MainQueue::post([folder, completion, error] {
                ArchiveFile::deletePath(folder);
                JobOutcome::finish(completion, false, error);
            });
        };
        if (!reader->open()) {
            report(ArchiveErrorType::badArchive);
            return;
        }
        {
            // 7-Zip lists and extracts in two runs; a password that opened
            // the names is not asked for again.
            QMutexLocker locker(&passwords->lock);
            passwords->accepted = passwords->lastAnswer;
        }

        QList<SevenZipItem> items;
        std::optional<QString> lastError;
        reader->iterate([&](const SevenZipItem* item, const QString* error) {
            if (item)
                items.append(*item);
            lastError = error ? std::optional<QString>(*error) : std::nullopt;
            return true;
        });
        if (items.isEmpty()) {
            MainQueue::post([folder, flags, completion] {
                if (!flags->continumDecompress) {
                    ArchiveFile::deletePath(folder);
                    JobOutcome::finish(completion, false, ArchiveErrorType::cancelled);
                    return;
                }
                JobOutcome::finish(completion, true, ArchiveErrorType::none);
            });
            return;
        }
        if (lastError) {
            report(ArchiveErrorType::badArchive);
            return;
        }

        if (onBegin)
            MainQueue::post(onBegin);
        const bool extracted = reader->extract(items, folder, true);
        MainQueue::post([folder, flags, passwords, extracted, completion] {
            JobOutcome::evaluate(folder, !flags->continumDecompress, extracted, passwords->pendingError,
                                 completion);
        });
    });
}

void LzmaArchiver::cancelCompress()
{
    m_flags->continueCompress = false;
    if (m_compressPath)
        ArchiveFile::deletePath(*m_compressPath);
}

void LzmaArchiver::cancelDecompress()
{
    m_flags->continumDecompress = false;
    if (m_decompressPath)
        ArchiveFile::deletePath(*m_decompressPath);
}
