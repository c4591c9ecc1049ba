#pragma once

#include "Archive/Run/ExtractionHandle.h"

#include <memory>

class RarArchive;

// A RAR archive (or volume set) to extract, through RarArchive.
class RarHandle : public ExtractionHandle
{
public:
    RarHandle();
    ~RarHandle() override;

    // originPathError when the archive cannot be read as RAR.
    ArchiveErrorType open(const QString& archivePath, const ExtractionContext& context) override;
    bool isProtected() const override;
    void setPassword(const QString& password) override;
    ArchiveErrorType extract(const QString& folder, const ExtractionContext& context) override;

    // RarArchive's error codes as job outcomes.
    static ArchiveErrorType errorFor(int code);

private:
    std::unique_ptr<RarArchive> m_archive;
};
