#pragma once

#include "Archive/Archiver.h"

#include <memory>

class RarProgress;

// Extracts RAR archives; RAR archives are never created, so compress and
// cancelCompress do nothing at all. Progress and cancellation go through a
// progress object shared with the engine.
class RARArchiver : public Archiver
{
public:
    RARArchiver();
    ~RARArchiver() override;

    void compress(const QString& targetPath, const QStringList& files, const std::optional<QString>& password,
                  Progress progress, Completion completion) override;
    void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin, Progress progress,
                    Completion completion) override;
    void cancelCompress() override;
    void cancelDecompress() override;

    // The engine's error codes as job outcomes.
    static ArchiveErrorType errorForCode(int code);

private:
    std::shared_ptr<RarProgress> m_progress;
};
