#pragma once

#include "Archive/ArchiveType.h"
#include "Archive/Job/BatchJob.h"
#include "Archive/PasswordPrompt.h"

#include <QWidget>

class DesktopNotifier;
class ProgressIndicator;
class QLabel;
class QPushButton;

// The small window of a batch started from a file manager: what is being
// worked on and where it goes, "2 of 5", the overall progress and Cancel.
// Passwords are asked on it, naming the archive. At the end it says nothing
// when all went well (a desktop notification does) and lists what failed
// otherwise; then it reports the exit status with done(). Main thread only.
class BatchWindow : public QWidget, public PasswordPrompt
{
    Q_OBJECT

public:
    // Extracts beside each archive unless `destination` is given.
    BatchWindow(BatchJob::Kind kind, const QStringList& files, ArchiveType type,
                const QString& destination = {}, QWidget* parent = nullptr);
    ~BatchWindow() override;

    // Shows the window and starts the first job.
    void start();

    BatchJob* job() const { return m_job; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* destinationLabel() const { return m_destination; }
    QLabel* countLabel() const { return m_count; }
    ProgressIndicator* indicator() const { return m_indicator; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Asks on this window, naming the archive being worked on.
    void ask(const QString& message, Answer answer) override;

signals:
    // Once: 0 when every job succeeded, 1 otherwise.
    void done(int exitCode);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void jobStarted(int index);
    void progressed(double fraction);
    void finished();
    void notifySuccess();
    void showFailures();
    QString failureList() const;

    BatchJob* const m_job;
    const QStringList m_files;
    const ArchiveType m_type;
    DesktopNotifier* const m_notifier;
    QLabel* const m_icon;
    QLabel* const m_title;
    QLabel* const m_destination;
    QLabel* const m_count;
    ProgressIndicator* const m_indicator;
    QPushButton* const m_cancel;
    bool m_finished = false;
};
