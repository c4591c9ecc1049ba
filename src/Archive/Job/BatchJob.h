#pragma once

#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class ArchiveJob;
class PasswordPrompt;

// Jobs started from a file manager, run one after another: each archive
// extracted beside itself, or all the given files packed into one archive
// beside the first. Each job follows the same naming, safety and clean-up
// rules as the window's and reports the same usage events.
//
// Main thread only. start() once; finished() comes exactly once, after the
// last job or after a cancel, and outcomes() then holds one entry per job
// that ran (a cancelled one included, the ones after it left out).
class BatchJob : public QObject
{
    Q_OBJECT

public:
    enum class Kind
    {
        extractHere,
        compressHere
    };

    struct Outcome
    {
        QString input;
        bool success = false;
        ArchiveErrorType error = ArchiveErrorType::none;
        // What was made, when it succeeded.
        QString output;
        // The job ended without an answer to its password question.
        bool unanswered = false;
    };

    // `archives` extracted one by one, beside themselves or all into
    // `destination` when one is given: an archive whose entries all sit in
    // one folder (or that holds one file) puts that folder or file straight
    // there; any other goes into a new folder named after it.
    static BatchJob* extractHere(const QStringList& archives, PasswordPrompt* prompt,
                                 QObject* parent = nullptr, const QString& destination = {});
    // `files` packed into one new archive of `type` in the folder of the first.
    static BatchJob* compressHere(const QStringList& files, ArchiveType type, PasswordPrompt* prompt,
                                  QObject* parent = nullptr);

    void start();
    // Stops the running job (its partial output goes) and everything after it.
    void cancel();

    Kind kind() const { return m_kind; }
    int count() const { return int(m_inputs.size()); }
    // The job running now, from 0; count() once finished.
    int currentIndex() const { return m_index; }
    // The archive being extracted, or the first file being packed.
    QString currentInput() const;
    // The folder the current job writes into.
    QString currentDestination() const;
    bool wasCancelled() const { return m_cancelled; }
    const QList<Outcome>& outcomes() const { return m_outcomes; }
    bool allSucceeded() const;

signals:
    void jobStarted(int index);
    // Over the whole batch, 0 to 1.
    void progressed(double fraction);
    void finished();

private:
    BatchJob(Kind kind, const QList<QStringList>& inputs, ArchiveType type, PasswordPrompt* prompt,
             const QString& destination, QObject* parent);

    void runNext();
    ArchiveJob* startJob(ArchiveType type, const QString& event);
    void jobEnded(Outcome outcome);

    const Kind m_kind;
    // One entry per job: the archive, or all the files of the one archive.
    const QList<QStringList> m_inputs;
    const ArchiveType m_type;
    PasswordPrompt* const m_prompt;
    const QString m_destination;
    QPointer<ArchiveJob> m_job;
    QList<Outcome> m_outcomes;
    int m_index = -1;
    bool m_cancelled = false;
};
