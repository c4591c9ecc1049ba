#pragma once

#include "Archive/PasswordPrompt.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class ArchiveJob;
class CommonAlert;
class ProgressAlert;

// What covers the window while one job runs, from the moment its folder is
// chosen until its result: the progress sheet, or the password prompt in
// its place while the job asks for a password. Cancel in either ends the job;
// nothing else in the window can be used meanwhile. The progress also shows
// on the application's taskbar entry. Main thread only.
class JobSheet : public QObject, public PasswordPrompt
{
    Q_OBJECT

public:
    // A new progress sheet, not yet shown; called again after each prompt.
    using MakeSheet = std::function<QPointer<ProgressAlert>()>;

    // Sheets go on the window of `view`; `subject` (an archive's file name)
    // is named by the password prompt.
    JobSheet(QWidget* view, MakeSheet makeSheet, const QString& subject, QObject* parent = nullptr);
    ~JobSheet() override;

    // The job that Cancel stops.
    void setJob(ArchiveJob* job);

    // Puts the progress sheet up unless it is already there.
    void show();
    // The job's progress, 0 to 1; a sheet put up later starts from it.
    void setFraction(double fraction);
    // Takes down whatever is up, without a result.
    void end();

    // The sheet that is up now, if it is the progress sheet.
    ProgressAlert* progressSheet() const { return m_sheet; }

    // Asks in place of the progress sheet, which comes back once answered.
    void ask(const QString& message, Answer answer) override;

private:
    QPointer<QWidget> m_view;
    MakeSheet m_makeSheet;
    QString m_subject;
    QPointer<ArchiveJob> m_job;
    QPointer<ProgressAlert> m_sheet;
    QPointer<CommonAlert> m_prompt;
    double m_fraction = 0.0;
    bool m_ended = false;
};
