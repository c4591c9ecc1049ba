#pragma once

#include "Archive/Extraction/ExtractionTree.h"
#include "Archive/Extraction/LibarchiveEntryLoop.h"
#include "Archive/Zip/ZipCatalog.h"
#include "Archive/Zip/ZipEngine.h"

#include <optional>

// Extracts one zip archive into an existing folder through the shared entry
// loop: entries that would leave the folder are renamed or refused, links pointing outside it are not
// created, entries whose place is already taken (a second entry of the same name) are skipped.
class ZipExtractor
{
public:
    ZipExtractor(ZipEngine::ShouldContinue shouldContinue, ZipEngine::ExtractProgress progress);

    // Empty on success, otherwise one of ZipEngine::ErrorCode. `catalog` is
    // the archive's, read beforehand: it gives the total and the names that
    // are not UTF-8, which the legacy encoding is chosen from.
    std::optional<int> extract(const QString& archivePath, const ZipCatalog& catalog,
                               const QString& destination, const std::optional<QString>& password);

private:
    static std::optional<int> errorOf(const LibarchiveEntryLoop::Result& result);

    ZipEngine::ShouldContinue m_shouldContinue;
    ZipEngine::ExtractProgress m_progress;
    ExtractionTree m_tree;
};
