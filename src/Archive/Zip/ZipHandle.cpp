#include "Archive/Zip/ZipHandle.h"

#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipExtractor.h"

ArchiveErrorType ZipHandle::open(const QString& archivePath, const ExtractionContext&)
{
    const Utf8LocaleScope utf8Locale;
    m_archivePath = archivePath;
    m_catalog = ZipCatalog::read(archivePath);
    return ArchiveErrorType::none;
}

bool ZipHandle::isProtected() const
{
    return m_catalog && m_catalog->hasEncryptedEntries;
}

ArchiveErrorType ZipHandle::extract(const QString& folder, const ExtractionContext& context)
{
    if (!m_catalog)
        return errorFor(ZipEngine::archiveUnreadable);
    ZipExtractor extractor([cancel = context.cancel] { return !cancel.isCancelled(); },
                           [progress = context.progress](const QString&, qint64 entry, qint64 total) {
                               if (progress && total != 0)
                                   progress(float(entry) / float(total));
                           });
    const std::optional<int> error = extractor.extract(m_archivePath, *m_catalog, folder, m_password);
    return error ? errorFor(*error) : ArchiveErrorType(ArchiveErrorType::none);
}

ArchiveErrorType ZipHandle::errorFor(int code)
{
    switch (code) {
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
