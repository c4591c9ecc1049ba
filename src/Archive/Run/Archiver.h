#pragma once

#include "Archive/AlertResult.h"
#include "Archive/ArchiveErrorType.h"
#include "Archive/Run/CancelToken.h"
#include "Archive/Run/JobOutput.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ExtractionHandle;
class ExtractionRun;
class PasswordPrompt;

// The interface of the format archivers. An archiver object serves one job.
//
// Callbacks may be empty. `progress` gets the fraction done (0 to 1),
// `completion` runs at most once per job with (true, none) or (false, error),
// `onBegin` at most once, right before files are written. All of them reach
// the caller on the main thread: failed argument checks synchronously inside
// the call, everything else queued. A job whose password question ends
// without an answer ends without a completion: `endedWithoutResult` (set
// before the job starts) then tells how the question ended, after the
// reserved output is gone.
class Archiver
{
public:
    using OnBegin = std::function<void()>;
    using Progress = std::function<void(float)>;
    using Completion = std::function<void(bool success, ArchiveErrorType error)>;
    using EndedWithoutResult = std::function<void(AlertResult how)>;

    virtual ~Archiver();

    // Creates one archive from `files` (full paths, in list order) inside the
    // folder `targetPath`. What an empty or present `password` means is up to
    // the format.
    virtual void compress(const QString& targetPath, const QStringList& files,
                          const std::optional<QString>& password, Progress progress, Completion completion)
        = 0;

    // Extracts `archivePath` into a new folder inside `targetPath`.
    virtual void decompress(const QString& targetPath, const QString& archivePath, OnBegin onBegin,
                            Progress progress, Completion completion)
        = 0;

    // Stop the running job for good and delete its partial output. Main thread.
    virtual void cancelCompress() = 0;
    virtual void cancelDecompress() = 0;

    // Where password questions go; the process's prompt when none is set.
    void setPasswordPrompt(PasswordPrompt* prompt) { m_passwordPrompt = prompt; }
    void setEndedWithoutResult(EndedWithoutResult ended) { m_endedWithoutResult = std::move(ended); }

    // The output of the current job, absent until the job has decided it.
    std::optional<QString> compressPath() const;
    std::optional<QString> decompressPath() const;

protected:
    Archiver();
    Archiver(const Archiver&) = delete;
    Archiver& operator=(const Archiver&) = delete;

    // The whole extraction, through the format's `handle`.
    void runExtraction(std::unique_ptr<ExtractionHandle> handle, const QString& targetPath,
                       const QString& archivePath, OnBegin onBegin, Progress progress, Completion completion);
    void cancelExtraction();

    // Takes `path`, just reserved, as the archive the compress job creates.
    void takeCompressOutput(const QString& path) { m_compressOutput = JobOutput::adopt(path); }
    // Runs `write` on the archive queue, which replaces the reserved file with
    // the finished archive and tells whether it did, then ends the job.
    void writeCompressOutput(std::function<bool()> write, Completion completion);
    // Stops the compress job and removes its archive while it is still the job's own.
    void cancelCompression();

    PasswordPrompt* m_passwordPrompt = nullptr;
    EndedWithoutResult m_endedWithoutResult;
    JobOutput m_compressOutput;
    CancelToken m_compressCancel;

private:
    CancelToken m_extractionCancel;
    std::shared_ptr<ExtractionRun> m_extraction;
};
