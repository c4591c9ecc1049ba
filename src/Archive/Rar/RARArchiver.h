#pragma once

#include "Archive/Archiver.h"

#include <memory>

class RarArchive;
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
    // What the queued steps of one extraction carry; they reach the archiver
    // only through `archiver`, which is gone once the archiver is.
    struct Job
    {
        QString targetPath;
        QString archivePath;
        OnBegin onBegin;
        Completion completion;
        std::shared_ptr<RarProgress> progress;
        PasswordPrompt* prompt;
        EndedWithoutResult endedWithoutResult;
        std::weak_ptr<RARArchiver*> archiver;
    };

    // Main thread, once the archive was read: reserves the folder, asks for
    // the password when needed and starts the extraction.
    static void continueOpened(const Job& job, std::shared_ptr<RarArchive> archive);

    std::shared_ptr<RarProgress> m_progress;
    std::shared_ptr<RARArchiver*> m_alive;
};
