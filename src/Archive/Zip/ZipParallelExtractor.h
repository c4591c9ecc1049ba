#pragma once

#include "Archive/Extraction/ExtractionTree.h"
#include "Archive/Run/ExtractionHandle.h"
#include "Archive/Zip/ZipDirectory.h"

#include <optional>

// Extracts a zip archive our own reader takes (ZipDirectory::Verdict::ours)
// into an existing folder. One thread walks the entries in the order of their
// data, checks each local header against the directory and makes folders,
// links and empty files through the extraction tree, with every rule it
// keeps; a pool of workers (one per core, at most 8) inflates the files'
// data with libdeflate, or with ISA-L piece by piece when an entry is too big
// to hold, checks its size and CRC-32 and writes it. The bytes held at once
// stay within a fixed budget whatever the archive.
class ZipParallelExtractor
{
public:
    ZipParallelExtractor(const ZipDirectory& directory, ExtractionContext context);

    // Empty on success, otherwise one of ZipEngine::ErrorCode.
    std::optional<int> extract(const QString& archivePath, const QString& destination);

private:
    const ZipDirectory& m_directory;
    ExtractionContext m_context;
    ExtractionTree m_tree;
};
