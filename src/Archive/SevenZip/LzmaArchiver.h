#pragma once

#include "Archive/Archiver.h"
#include "Archive/Run/JobFlags.h"

#include <memory>

// Creates and extracts 7z archives. A password given to compress encrypts
// the content (the names stay readable); an empty one means no encryption.
// Extraction asks for a password whenever 7-Zip needs one: the job's thread
// waits while the main thread shows the prompt.
class LzmaArchiver : public Archiver
{
public:
    LzmaArchiver();
    ~LzmaArchiver() override;

    void compress(const QString& targetPath, const QStringList& files, const std::optional<QString>& password,
                  Progress progress, Completion completion) override;
    void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin, Progress progress,
                    Completion completion) override;
    void cancelCompress() override;
    void cancelDecompress() override;

private:
    std::shared_ptr<JobFlags> m_flags;
};
