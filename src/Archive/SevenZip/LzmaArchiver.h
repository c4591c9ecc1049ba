#pragma once

#include "Archive/Run/Archiver.h"

// Creates and extracts 7z archives. A password given to compress encrypts
// the content (the names stay readable); an empty one means no encryption.
// Extraction asks for a password whenever 7-Zip needs one (SevenZipHandle).
class LzmaArchiver : public Archiver
{
public:
    void compress(const QString& targetPath, const QStringList& files, const std::optional<QString>& password,
                  Progress progress, Completion completion) override;
    void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin, Progress progress,
                    Completion completion) override;
    void cancelCompress() override { cancelCompression(); }
    void cancelDecompress() override { cancelExtraction(); }
};
