#include "Archive/Zip/ZipHandle.h"

#include "Archive/Extraction/FileDescriptor.h"
#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipExtractor.h"
#include "Archive/Zip/ZipParallelExtractor.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

ArchiveErrorType ZipHandle::open(const QString& archivePath, const ExtractionContext&)
{
    m_archivePath = archivePath;
    {
        const FileDescriptor archive(
            ::open(QFile::encodeName(archivePath).constData(), O_RDONLY | O_CLOEXEC));
        struct stat status = {};
        if (archive.isValid() && fstat(archive.get(), &status) == 0 && S_ISREG(status.st_mode))
            m_directory = ZipDirectory::read(archive.get(), status.st_size);
    }
    if (m_directory.verdict == ZipDirectory::Verdict::libarchive) {
        const Utf8LocaleScope utf8Locale;
        m_catalog = ZipCatalog::read(archivePath);
    }
    return ArchiveErrorType::none;
}

bool ZipHandle::isProtected() const
{
    return m_catalog && m_catalog->hasEncryptedEntries;
}

ArchiveErrorType ZipHandle::extract(const QString& folder, const ExtractionContext& context)
{
    if (m_directory.verdict == ZipDirectory::Verdict::ours) {
        const std::optional<int> error
            = ZipParallelExtractor(m_directory, context).extract(m_archivePath, folder);
        return error ? errorFor(*error) : ArchiveErrorType(ArchiveErrorType::none);
    }
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
