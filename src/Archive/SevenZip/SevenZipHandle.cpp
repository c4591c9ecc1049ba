#include "Archive/SevenZip/SevenZipHandle.h"

#include "Archive/SevenZip/SevenZipReader.h"

SevenZipHandle::SevenZipHandle() = default;

SevenZipHandle::~SevenZipHandle() = default;

// The reader calls back on the thread it runs on, so its password state needs
// no lock.
ArchiveErrorType SevenZipHandle::open(const QString& archivePath, const ExtractionContext& context)
{
    m_reader = std::make_unique<SevenZipReader>(archivePath);
    m_reader->setPasswordGetter([this, context] { return nextPassword(context); });
    m_reader->setCanContinue([cancel = context.cancel] { return !cancel.isCancelled(); });
    m_reader->setProgressHandler(context.progress);
    if (!m_reader->open())
        return ArchiveErrorType::badArchive;
    // 7-Zip lists and extracts in two runs; a password that opened the names
    // is not asked for again.
    m_accepted = m_lastAnswer;

    std::optional<QString> lastError;
    m_reader->iterate([&](const SevenZipItem* item, const QString* error) {
        if (item)
            m_items.append(*item);
        lastError = error ? std::optional<QString>(*error) : std::nullopt;
        return true;
    });
    if (!m_items.isEmpty() && lastError)
        return ArchiveErrorType::badArchive;
    return ArchiveErrorType::none;
}

ArchiveErrorType SevenZipHandle::extract(const QString& folder, const ExtractionContext&)
{
    if (m_reader->extract(m_items, folder, true))
        return ArchiveErrorType::none;
    if (m_answeredEmpty)
        return ArchiveErrorType::passwordEmpty;
    return ArchiveErrorType::decompressUnknown;
}

// Without an answer 7zz still gets the empty text; a refused question has
// cancelled the job, which stops 7zz at its next question.
QString SevenZipHandle::nextPassword(const ExtractionContext& context)
{
    if (m_accepted)
        return *m_accepted;
    const std::optional<QString> answer = context.askPassword ? context.askPassword() : std::nullopt;
    if (answer && answer->isEmpty())
        m_answeredEmpty = true;
    m_lastAnswer = answer.value_or(QString());
    return *m_lastAnswer;
}
