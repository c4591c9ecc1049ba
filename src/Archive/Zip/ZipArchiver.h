#pragma once

#include "Archive/Run/Archiver.h"

// Creates and extracts zip archives. Compressing ignores the password: zip
// archives are always written without encryption. Extracting a protected
// archive asks for its password first.
class ZipArchiver : public Archiver
{
public:
    void compress(const QString& targetPath, const QStringList& files, const std::optional<QString>& password,
                  Progress progress, Completion completion) override;
    void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin, Progress progress,
                    Completion completion) override;
    void cancelCompress() override { cancelCompression(); }
    void cancelDecompress() override { cancelExtraction(); }
};
