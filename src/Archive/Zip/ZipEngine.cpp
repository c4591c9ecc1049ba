#include "Archive/Zip/ZipEngine.h"

#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipCatalog.h"
#include "Archive/Zip/ZipExtractor.h"
#include "Archive/Zip/ZipWriter.h"

bool ZipEngine::createZipFile(const QString& archivePath, const QStringList& contents,
                              const ShouldContinue& shouldContinue, const CreateProgress& progress)
{
    return ZipWriter(shouldContinue, progress).create(archivePath, contents);
}

bool ZipEngine::isFilePasswordProtected(const QString& archivePath)
{
    const Utf8LocaleScope utf8Locale;
    const std::optional<ZipCatalog> catalog = ZipCatalog::read(archivePath);
    return catalog && catalog->hasEncryptedEntries;
}

void ZipEngine::unzipFile(const QString& archivePath, const QString& destination,
                          const std::optional<QString>& password, const ShouldContinue& shouldContinue,
                          const ExtractProgress& progress, const ExtractCompletion& completion)
{
    const std::optional<int> error
        = ZipExtractor(shouldContinue, progress).extract(archivePath, destination, password);
    if (completion)
        completion(destination, !error, error);
}
