#pragma once

#include "Archive/Archiver.h"
#include "Archive/JobFlags.h"

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
    // Both work only on what they are given, so queued work never reaches
    // back into an archiver that may be gone.
    static void askForPassword(const QString& archivePath, const QString& folder,
                               std::shared_ptr<JobFlags> flags, OnBegin onBegin, Progress progress,
                               Completion completion);
    static void startExtraction(const QString& archivePath, const QString& folder,
                                std::shared_ptr<JobFlags> flags, const std::optional<QString>& password,
                                Progress progress, Completion completion);

    std::shared_ptr<JobFlags> m_flags;
};
