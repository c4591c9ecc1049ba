#pragma once

#include "Archive/Archiver.h"
#include "Archive/Run/JobFlags.h"

#include <memory>

// Creates and extracts zip archives. Compressing ignores the password: zip
// archives are always written without encryption. Extracting a protected
// archive asks for its password first.
class ZipArchiver : public Archiver
{
public:
    ZipArchiver();
    ~ZipArchiver() override;

    void compress(const QString& targetPath, const QStringList& files, const std::optional<QString>& password,
                  Progress progress, Completion completion) override;
    void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin, Progress progress,
                    Completion completion) override;
    void cancelCompress() override;
    void cancelDecompress() override;

private:
    // Works only on what it is given, so queued work never reaches
    // back into an archiver that may be gone.
    static void startExtraction(const QString& archivePath, const JobOutput& output,
                                std::shared_ptr<JobFlags> flags, const std::optional<QString>& password,
                                Progress progress, Completion completion);

    std::shared_ptr<JobFlags> m_flags;
};
