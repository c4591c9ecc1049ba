#pragma once

#include "Archive/Extraction/ExtractionTree.h"
#include "Archive/Zip/ZipEngine.h"

#include <optional>

struct archive_entry;
class LegacyNameDecoder;
class PendingFile;
class ZipReader;

// Extracts one zip archive into an existing folder (see ZipEngine::unzipFile).
// Entries that would leave the folder are renamed or refused, links pointing
// outside it are not created, entries whose place is already taken (a second
// entry of the same name) are skipped: the first one stays.
class ZipExtractor
{
public:
    ZipExtractor(ZipEngine::ShouldContinue shouldContinue, ZipEngine::ExtractProgress progress);

    // Empty on success, otherwise one of ZipEngine::ErrorCode.
    std::optional<int> extract(const QString& archivePath, const QString& destination,
                               const std::optional<QString>& password);

private:
    std::optional<int> extractEntries(ZipReader& reader, const LegacyNameDecoder& decoder, qint64 total);
    std::optional<int> extractEntry(ZipReader& reader, archive_entry* entry, const QString& path,
                                    const LegacyNameDecoder& decoder);
    std::optional<int> extractFile(ZipReader& reader, archive_entry* entry, const QString& path);
    std::optional<int> copyData(ZipReader& reader, PendingFile& file, bool encrypted);
    std::optional<int> outcomeError(ExtractionTree::Outcome outcome) const;
    bool shouldContinue() const;

    ZipEngine::ShouldContinue m_shouldContinue;
    ZipEngine::ExtractProgress m_progress;
    ExtractionTree m_tree;
};
