#include "Archive/SevenZip/LzmaArchiver.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/Diagnostics.h"
#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Plumbing/PathText.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Run/ArchiveJobChecks.h"
#include "Archive/Run/JobOutcome.h"
#include "Archive/Run/PasswordStep.h"
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
QString requestPassword(const std::shared_ptr<JobFlags>& flags, const std::shared_ptr<PasswordState>& state,
                        PasswordPrompt* prompt)
{
    {
        QMutexLocker locker(&state->lock);
        if (state->accepted)
            return *state->accepted;
    }

    auto answered = std::make_shared<QSemaphore>(0);
    auto text = std::make_shared<QString>();
    const bool posted = MainQueue::post([flags, state, answered, text, prompt] {
        PasswordStep::ask(prompt, [=](const std::optional<QString>& entered, AlertResult result) {
            if (entered) {
                *text = *entered;
                if (entered->isEmpty())
                    state->pendingError = ArchiveErrorType::passwordEmpty;
                Diagnostics::writeLine("确认按钮点击");
            } else if (result != AlertResult::autoClose) {
                // Refused, or nobody can be asked: the job stops, never waits.
                flags->continumDecompress = false;
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
    takeOutput(*reserved, true);

    auto writer = std::make_shared<SevenZipWriter>(*reserved);
    configureWriter(*writer, files, password);
    auto flags = m_flags;
    writer->setCanContinue([flags] { return flags->continueCompress.load(); });
    writer->setProgressHandler(
        [throttle = ProgressThrottle::make(progress)](float fraction) { throttle->report(fraction); });
    if (!writer->open()) {
        m_output.remove();
        JobOutcome::finish(completion, false, ArchiveErrorType::badArchive);
        return;
    }

    ArchiveQueue::run([writer, reserved = m_output, flags, completion] {
        const bool written = writer->write();
        // The finished archive was moved over the reserved file: it is the
        // job's output now, under a new identity.
        const JobOutput output = written ? JobOutput::adopt(reserved.path()) : reserved;
        MainQueue::post([output, flags, written, completion] {
            JobOutcome::evaluate(output, !flags->continueCompress, written, ArchiveErrorType::compressunknown,
                                 completion);
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
    takeOutput(*reserved, false);

    auto flags = m_flags;
    auto passwords = std::make_shared<PasswordState>();
    auto reader = std::make_shared<SevenZipReader>(archivePath);
    reader->setPasswordGetter(
        [flags, passwords, prompt = m_passwordPrompt] { return requestPassword(flags, passwords, prompt); });
    reader->setCanContinue([flags] { return flags->continumDecompress.load(); });
    reader->setProgressHandler(
        [throttle = ProgressThrottle::make(progress)](float fraction) { throttle->report(fraction); });

    ArchiveQueue::run([reader, output = m_output, flags, passwords, onBegin, completion] {
        auto report = [output, completion](ArchiveErrorType error) {
            MainQueue::post([output, completion, error] {
                output.remove();
                JobOutcome::finish(completion, false, error);
            });
        };
        if (!reader->open()) {
            // Names that stay hidden because the question was refused are
            // no sign of damage.
            report(flags->continumDecompress ? ArchiveErrorType::badArchive : ArchiveErrorType::cancelled);
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
            MainQueue::post([output, flags, completion] {
                if (!flags->continumDecompress) {
                    output.remove();
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
        const bool extracted = reader->extract(items, output.path(), true);
        MainQueue::post([output, flags, passwords, extracted, completion] {
            JobOutcome::evaluate(output, !flags->continumDecompress, extracted, passwords->pendingError,
                                 completion);
        });
    });
}

void LzmaArchiver::cancelCompress()
{
    m_flags->continueCompress = false;
    m_output.remove();
}

void LzmaArchiver::cancelDecompress()
{
    // 7zz writes by path and would make a removed folder again before it
    // stops; the folder goes once it has, before the job reports.
    m_flags->continumDecompress = false;
}
