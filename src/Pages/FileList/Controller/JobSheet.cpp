#include "Pages/FileList/Controller/JobSheet.h"

#include "Alerts/ProgressAlert.h"
#include "Alerts/ProgressIndicator.h"
#include "Alerts/TaskbarProgress.h"
#include "Alerts/TextFieldAlert.h"
#include "Archive/Job/ArchiveJob.h"
#include "Archive/Plumbing/Diagnostics.h"

JobSheet::JobSheet(QWidget* view, MakeSheet makeSheet, const QString& subject, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_makeSheet(std::move(makeSheet))
    , m_subject(subject)
{
}

JobSheet::~JobSheet()
{
    end();
}

void JobSheet::setJob(ArchiveJob* job)
{
    m_job = job;
}

void JobSheet::show()
{
    if (m_sheet || m_ended)
        return;
    m_sheet = m_makeSheet();
    m_sheet->indicator()->setDoubleValue(m_fraction);
    m_sheet->show(m_view, [job = m_job](AlertResult result) {
        if (result == AlertResult::cancel && job)
            job->cancel();
        else if (result == AlertResult::ok)
            Diagnostics::writeLine("确认按钮点击");
    });
}

void JobSheet::setFraction(double fraction)
{
    m_fraction = fraction;
    TaskbarProgress::show(fraction);
    if (m_sheet)
        m_sheet->indicator()->setDoubleValue(fraction);
}

void JobSheet::end()
{
    if (!m_ended)
        TaskbarProgress::clear();
    m_ended = true;
    // Ended from code, the sheet reports autoClose, which cancels nothing; a
    // prompt still up belongs to a job that is over.
    if (m_sheet)
        m_sheet->endSheet();
    m_sheet = nullptr;
    if (m_prompt)
        m_prompt->endSheet();
}

void JobSheet::ask(const QString& message, Answer answer)
{
    if (m_sheet)
        m_sheet->endSheet();
    m_sheet = nullptr;
    m_prompt = TextFieldAlert::ask(m_view, message, m_subject,
                                   [guard = QPointer(this), answer = std::move(answer)](AlertResult result,
                                                                                        const QString& text) {
                                       // Back before the job hears the answer, so the window is
                                       // never free while the job winds down or goes on.
                                       if (guard)
                                           guard->show();
                                       if (answer)
                                           answer(result, text);
                                   })
                   .data();
}
