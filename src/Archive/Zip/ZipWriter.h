#pragma once

#include "Archive/Zip/ZipCompressionPool.h"
#include "Archive/Zip/ZipContainerWriter.h"
#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipSourceCollector.h"

#include <deque>
#include <memory>

// Writes one zip archive from files and folders on disk (see
// ZipEngine::createZipFile), entries in the order listed.
//
// File data is cut into pieces of at most 4 MiB that worker threads read and
// deflate in parallel; a file whose first piece does not compress is stored.
// Pieces are handed out in order within 16 MiB in flight, so
// memory stays bounded whatever the tree and the piece the writer needs next
// has always been handed out. The archive is written under a temporary name
// beside the reserved one and replaces it only when complete.
class ZipWriter
{
public:
    ZipWriter(ZipEngine::ShouldContinue shouldContinue, ZipEngine::CreateProgress progress);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool create(const QString& archivePath, const QStringList& contents);

private:
    using Job = ZipCompressionPool::Job;

    bool writeArchive(int output, const QList<ZipSourceCollector::Source>& sources);
    bool writeEntry(ZipContainerWriter& container, const ZipSourceCollector::Source& source);
    bool writeFileData(ZipContainerWriter& container, ZipContainerWriter::Entry& entry);
    std::shared_ptr<Job> takeNextPiece();
    void handOutPieces();
    bool shouldContinue() const;

    ZipEngine::ShouldContinue m_shouldContinue;
    ZipEngine::CreateProgress m_progress;
    std::unique_ptr<ZipCompressionPool> m_pool;
    const QList<ZipSourceCollector::Source>* m_sources = nullptr;
    // Handed out, oldest first, with the bytes they were given.
    std::deque<std::shared_ptr<Job>> m_inFlight;
    qint64 m_bytesInFlight = 0;
    // The next piece to hand out.
    qsizetype m_nextSource = 0;
    qint64 m_nextOffset = 0;
    std::shared_ptr<Job> m_firstPieceOfNext; // decides how the rest is written
};
