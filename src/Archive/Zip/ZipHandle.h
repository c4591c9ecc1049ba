#pragma once

#include "Archive/Run/ExtractionHandle.h"
#include "Archive/Zip/ZipCatalog.h"
#include "Archive/Zip/ZipDirectory.h"

// A zip archive to extract, in process. Opening reads the central directory
// once: an archive of stored and deflated entries goes to our own reader,
// which extracts on every core (ZipParallelExtractor); everything else
// (encryption, other methods, split or odd archives) to libarchive, whose
// header walk then gives the catalogue. An archive whose records contradict
// the file is refused. Extraction is safe whatever the archive says: nothing
// is written outside the folder, nothing existing is replaced, nothing is
// written through a link.
class ZipHandle : public ExtractionHandle
{
public:
    // The longest password handed to libarchive.
    static constexpr qsizetype kPasswordByteLimit = 128;

    // An archive whose headers cannot be read still opens: it fails when
    // extracted, once the job has begun.
    ArchiveErrorType open(const QString& archivePath, const ExtractionContext& context) override;
    bool isProtected() const override;
    void setPassword(const QString& password) override { m_password = password; }
    qsizetype passwordByteLimit() const override { return kPasswordByteLimit; }
    ArchiveErrorType extract(const QString& folder, const ExtractionContext& context) override;

    // The extraction's error codes as job outcomes.
    static ArchiveErrorType errorFor(int code);

private:
    QString m_archivePath;
    ZipDirectory m_directory;
    std::optional<ZipCatalog> m_catalog;
    std::optional<QString> m_password;
};
