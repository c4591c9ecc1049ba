#include "Archive/Rar/RarHandle.h"

#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarProgress.h"

RarHandle::RarHandle() = default;

RarHandle::~RarHandle() = default;

ArchiveErrorType RarHandle::open(const QString& archivePath, const ExtractionContext&)
{
    int error = 0;
    m_archive = RarArchive::open(archivePath, &error);
    if (!m_archive)
        return ArchiveErrorType::originPathError;
    return ArchiveErrorType::none;
}

bool RarHandle::isProtected() const
{
    return m_archive->isPasswordProtected();
}

void RarHandle::setPassword(const QString& password)
{
    m_archive->setPassword(password);
}

ArchiveErrorType RarHandle::extract(const QString& folder, const ExtractionContext& context)
{
    auto progress = std::make_shared<RarProgress>(context.cancel);
    if (context.progress)
        progress->setFractionObserver([sink = context.progress](double fraction) { sink(float(fraction)); });
    m_archive->setProgress(progress);
    const std::optional<RarArchive::ErrorCode> error = m_archive->extractFilesTo(folder);
    return error ? errorFor(*error) : ArchiveErrorType(ArchiveErrorType::none);
}

ArchiveErrorType RarHandle::errorFor(int code)
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
