#include "Archive/Rar/RARArchiver.h"

#include "Archive/Rar/RarHandle.h"

void RARArchiver::compress(const QString&, const QStringList&, const std::optional<QString>&, Progress,
                           Completion)
{
}

void RARArchiver::decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                             Progress progress, Completion completion)
{
    runExtraction(std::make_unique<RarHandle>(), targetPath, archivePath, std::move(onBegin),
                  std::move(progress), std::move(completion));
}
