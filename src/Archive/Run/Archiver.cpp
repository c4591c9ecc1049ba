#include "Archive/Run/Archiver.h"

#include "Archive/Run/ExtractionRun.h"

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

void Archiver::cancelCompression()
{
    m_compressCancel.cancel();
    m_compressOutput.remove();
}
