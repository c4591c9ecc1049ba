#include "Archive/Zip/ZipEngine.h"

#include "Archive/Zip/ZipWriter.h"

bool ZipEngine::createZipFile(const QString& archivePath, const QStringList& contents,
                              const ShouldContinue& shouldContinue, const CreateProgress& progress)
{
    return ZipWriter(shouldContinue, progress).create(archivePath, contents);
}
