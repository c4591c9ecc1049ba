#pragma once

#include "Archive/AlertResult.h"
#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Archiver;
class PasswordPrompt;

// One compress or extract job, as both front-ends run it: picks the archiver
// for the format, holds it until the job has ended, and tells how it ended.
//
// Main thread only; every signal is emitted there. A job is started once,
// with compress() or decompress(), and then ends in exactly one of:
// - completed(success, error): the archiver's own result; on failure and on
//   cancel the partial output is already gone;
// - endedWithoutResult(how): the password question ended without an answer
//   (the prompt was cancelled, could not be shown, or closed itself); the
//   reserved folder is already gone.
// begun() comes at most once, before anything is written; progressed() only
// between the start and the end. A failed argument check ends the job inside
// the starting call; everything else arrives queued. Once ended, the job
// emits nothing more and can be deleted.
class ArchiveJob : public QObject
{
    Q_OBJECT

public:
    // Password questions go to `prompt` (not owned; it must outlive the job).
    ArchiveJob(ArchiveType type, PasswordPrompt* prompt, QObject* parent = nullptr);
    ~ArchiveJob() override;

    // Packs `files` into a new archive inside `targetPath`. A format that
    // cannot be created ends as `unsupported`.
    void compress(const QString& targetPath, const QStringList& files,
                  const std::optional<QString>& password);

    // Extracts `archivePath` into a new folder inside `targetPath`.
    void decompress(const QString& targetPath, const QString& archivePath);

    // Stops the running job for good; it then ends as cancelled (or without
    // a result, when its password question is still open). Does nothing once
    // the job has ended.
    void cancel();

    bool isRunning() const { return m_running; }

    // The created archive or folder, once the job has decided it.
    std::optional<QString> outputPath() const;

signals:
    void begun();
    void progressed(float fraction);
    void completed(bool success, ArchiveErrorType error);
    void endedWithoutResult(AlertResult how);

private:
    bool start();
    void finish();
    std::function<void(float)> forwardProgress();
    std::function<void(bool, ArchiveErrorType)> forwardCompletion();

    const ArchiveType m_type;
    std::unique_ptr<Archiver> m_archiver;
    bool m_compressing = false;
    bool m_started = false;
    bool m_running = false;
};
