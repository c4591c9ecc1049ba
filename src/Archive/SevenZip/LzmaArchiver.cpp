#include "Archive/SevenZip/LzmaArchiver.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Plumbing/PathText.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Run/ArchiveJobChecks.h"
#include "Archive/Run/JobOutcome.h"
#include "Archive/SevenZip/SevenZipHandle.h"
#include "Archive/SevenZip/SevenZipWriter.h"

namespace {
void configureWriter(SevenZipWriter& writer, const QStringList& files, const std::optional<QString>& password)
{
    const QString passwordText = password.value_or(QString());
    writer.setPasswordGetter([passwordText] { return passwordText; });
    for (const QString& file : files)
        writer.addPath(file, PathText::lastPathComponent(file));
    writer.setMethod(SevenZipWriter::Method::lzma2);
    writer.setSolid(true);
    writer.setCompressionLevel(6);
    // An empty password would encrypt with the empty password, and every
    // later extraction of the archive would ask for one: it means none.
    writer.setEncodeContent(password.has_value() && !password->isEmpty());
    writer.setEncodeHeader(false);
    writer.setCompressHeader(true);
    writer.setCompressHeaderFull(true);
    writer.setWriteModificationTime(false);
    writer.setWriteCreationTime(false);
    writer.setWriteAccessTime(false);
}
} // namespace

void LzmaArchiver::compress(const QString& targetPath, const QStringList& files,
                            const std::optional<QString>& password, Progress progress, Completion completion)
{
    const ArchiveErrorType check = ArchiveJobChecks::checkCompressArguments(targetPath, files);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(completion, false, check);
        return;
    }
    const std::optional<QString> reserved
        = ArchiveFile::reserveCompressOutput(files, targetPath, ArchiveType::z7);
    if (!reserved) {
        JobOutcome::finish(completion, false, ArchiveErrorType::badArchive);
        return;
    }
    takeCompressOutput(*reserved);

    auto writer = std::make_shared<SevenZipWriter>(*reserved);
    configureWriter(*writer, files, password);
    writer->setCanContinue([cancel = m_compressCancel] { return !cancel.isCancelled(); });
    writer->setProgressHandler(
        [throttle = ProgressThrottle::make(progress)](float fraction) { throttle->report(fraction); });
    if (!writer->open()) {
        m_compressOutput.remove();
        JobOutcome::finish(completion, false, ArchiveErrorType::badArchive);
        return;
    }

    writeCompressOutput([writer] { return writer->write(); }, completion);
}

void LzmaArchiver::decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                              Progress progress, Completion completion)
{
    runExtraction(std::make_unique<SevenZipHandle>(), targetPath, archivePath, std::move(onBegin),
                  std::move(progress), std::move(completion));
}
