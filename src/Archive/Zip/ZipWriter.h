#pragma once

#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipSourceCollector.h"

struct archive;

// Writes one deflate zip archive from files and folders on disk (see
// ZipEngine::createZipFile). Data goes in 64 KiB chunks so that a cancel is
// noticed inside large files too.
class ZipWriter
{
public:
    ZipWriter(ZipEngine::ShouldContinue shouldContinue, ZipEngine::CreateProgress progress);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool create(const QString& archivePath, const QStringList& contents);

private:
    bool openArchive(int fd);
    bool writeSources(const QList<ZipSourceCollector::Source>& sources);
    bool writeEntry(const ZipSourceCollector::Source& source);
    bool writeData(const ZipSourceCollector::Source& source);
    void abandon();
    bool shouldContinue() const;

    ZipEngine::ShouldContinue m_shouldContinue;
    ZipEngine::CreateProgress m_progress;
    archive* m_archive = nullptr;
};
