#include "Archive/Run/Archiver.h"

#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Run/ExtractionRun.h"
#include "Archive/Run/JobOutcome.h"

Archiver::Archiver() = default;

Archiver::~Archiver() = default;

std::optional<QString> Archiver::compressPath() const
{
    if (m_compressOutput.isEmpty())
        return std::nullopt;
    return m_compressOutput.path();
}

std::optional<QString> Archiver::decompressPath() const
{
    if (!m_extraction)
        return std::nullopt;
    return m_extraction->output().path();
}

void Archiver::runExtraction(std::unique_ptr<ExtractionHandle> handle, const QString& targetPath,
                             const QString& archivePath, OnBegin onBegin, Progress progress,
                             Completion completion)
{
    ExtractionRun::Request request { targetPath,          archivePath,           std::move(onBegin),
                                     std::move(progress), std::move(completion), m_passwordPrompt,
                                     m_endedWithoutResult };
    m_extraction = ExtractionRun::start(std::move(handle), std::move(request), m_extractionCancel);
}

void Archiver::cancelExtraction()
{
    if (m_extraction)
        m_extraction->cancel();
    else
        m_extractionCancel.cancel();
}

void Archiver::writeCompressOutput(std::function<bool()> write, Completion completion)
{
    ArchiveQueue::run([write = std::move(write), reserved = m_compressOutput, cancel = m_compressCancel,
                       completion = std::move(completion)] {
        const bool written = write();
        // The finished archive was moved over the reserved file: it is the
        // job's output now, under a new identity.
        const JobOutput output = written ? JobOutput::adopt(reserved.path()) : reserved;
        MainQueue::post([output, cancel, written, completion] {
            JobOutcome::evaluate(output, cancel.isCancelled(), written, ArchiveErrorType::compressunknown,
                                 completion);
        });
    });
}

void Archiver::cancelCompression()
{
    m_compressCancel.cancel();
    m_compressOutput.remove();
}
