#pragma once

#include "Archive/Run/Archiver.h"

// Extracts RAR archives (RarHandle); RAR archives are never created, so
// compress and cancelCompress do nothing at all.
class RARArchiver : public Archiver
{
public:
    void compress(const QString& targetPath, const QStringList& files, const std::optional<QString>& password,
                  Progress progress, Completion completion) override;
    void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin, Progress progress,
                    Completion completion) override;
    void cancelCompress() override { }
    void cancelDecompress() override { cancelExtraction(); }
};
