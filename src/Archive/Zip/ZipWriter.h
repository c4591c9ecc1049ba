#pragma once

#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipSourceCollector.h"

#include <sys/types.h>

struct archive;

// Writes one deflate zip archive from files and folders on disk (see
// ZipEngine::createZipFile). Data goes in 64 KiB chunks so that a cancel is
// noticed inside large files too.
//
// libarchive writes through writeOutput(), which never reports a failure to
// it: a failed write is remembered and later output is dropped. A zip writer
// that libarchive saw fail can only be freed without being closed, and that
// leaks the deflate stream of the entry being written; this way an abandoned
// archive is always closed normally, into nothing.
class ZipWriter
{
public:
    ZipWriter(ZipEngine::ShouldContinue shouldContinue, ZipEngine::CreateProgress progress);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool create(const QString& archivePath, const QStringList& contents);

private:
    bool openArchive();
    bool writeSources(const QList<ZipSourceCollector::Source>& sources);
    bool writeEntry(const ZipSourceCollector::Source& source);
    bool writeData(const ZipSourceCollector::Source& source);
    void abandon();
    bool shouldContinue() const;
    bool outputFailed() const { return m_outputError != 0; }
    static ssize_t writeOutput(archive*, void* writer, const void* buffer, size_t length);

    ZipEngine::ShouldContinue m_shouldContinue;
    ZipEngine::CreateProgress m_progress;
    archive* m_archive = nullptr;
    int m_output = -1;
    bool m_discardOutput = false;
    int m_outputError = 0; // errno of the first failed write
};
