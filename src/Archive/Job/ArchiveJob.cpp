#include "Archive/Job/ArchiveJob.h"

#include "Archive/Job/ArchiverFactory.h"
#include "Archive/Run/Archiver.h"

#include <QPointer>

ArchiveJob::ArchiveJob(ArchiveType type, PasswordPrompt* prompt, QObject* parent)
    : QObject(parent)
    , m_type(type)
    , m_archiver(ArchiverFactory::make(type))
{
    m_archiver->setPasswordPrompt(prompt);
    m_archiver->setEndedWithoutResult([self = QPointer(this)](AlertResult how) {
        if (!self || !self->m_running)
            return;
        self->finish();
        emit self->endedWithoutResult(how);
    });
}

// A job deleted while running is cancelled: its queued work still cleans up,
// but nothing reaches this object any more.
ArchiveJob::~ArchiveJob()
{
    cancel();
}

void ArchiveJob::compress(const QString& targetPath, const QStringList& files,
                          const std::optional<QString>& password)
{
    if (!start())
        return;
    m_compressing = true;
    if (!ArchiveType::compressTypes().contains(m_type)) {
        finish();
        emit completed(false, ArchiveErrorType::unsupported);
        return;
    }
    m_archiver->compress(targetPath, files, password, forwardProgress(), forwardCompletion());
}

void ArchiveJob::decompress(const QString& targetPath, const QString& archivePath)
{
    if (!start())
        return;
    m_archiver->decompress(
        targetPath, archivePath,
        [self = QPointer(this)] {
            if (self && self->m_running)
                emit self->begun();
        },
        forwardProgress(), forwardCompletion());
}

// The archiver's callbacks may come after this job is gone or has ended:
// they then go nowhere.
std::function<void(float)> ArchiveJob::forwardProgress()
{
    return [self = QPointer(this)](float fraction) {
        if (self && self->m_running)
            emit self->progressed(fraction);
    };
}

std::function<void(bool, ArchiveErrorType)> ArchiveJob::forwardCompletion()
{
    return [self = QPointer(this)](bool success, ArchiveErrorType error) {
        if (!self || !self->m_running)
            return;
        self->finish();
        emit self->completed(success, error);
    };
}

void ArchiveJob::cancel()
{
    if (!m_running)
        return;
    if (m_compressing)
        m_archiver->cancelCompress();
    else
        m_archiver->cancelDecompress();
}

std::optional<QString> ArchiveJob::outputPath() const
{
    return m_compressing ? m_archiver->compressPath() : m_archiver->decompressPath();
}

bool ArchiveJob::start()
{
    if (m_started)
        return false;
    m_started = m_running = true;
    return true;
}

void ArchiveJob::finish()
{
    m_running = false;
}
