#include "Archive/Job/BatchJob.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Job/ArchiveJob.h"
#include "Archive/Plumbing/PathText.h"
#include "Report/ReportQuery.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
void reportResult(const QString& type, bool success, ArchiveErrorType error)
{
    QVariantMap detail { { u"success"_s, success ? u"success"_s : u"failed"_s } };
    if (!success)
        detail.insert(u"error"_s, error.message());
    ReportQuery::report(type, detail);
}
} // namespace

BatchJob* BatchJob::extractHere(const QStringList& archives, PasswordPrompt* prompt, QObject* parent,
                                const QString& destination)
{
    QList<QStringList> inputs;
    for (const QString& archive : archives)
        inputs.append({ archive });
    return new BatchJob(Kind::extractHere, inputs, ArchiveType::zip, prompt, destination, parent);
}

BatchJob* BatchJob::compressHere(const QStringList& files, ArchiveType type, PasswordPrompt* prompt,
                                 QObject* parent)
{
    return new BatchJob(Kind::compressHere, { files }, type, prompt, {}, parent);
}

BatchJob::BatchJob(Kind kind, const QList<QStringList>& inputs, ArchiveType type, PasswordPrompt* prompt,
                   const QString& destination, QObject* parent)
    : QObject(parent)
    , m_kind(kind)
    , m_inputs(inputs)
    , m_type(type)
    , m_prompt(prompt)
    , m_destination(destination)
{
}

void BatchJob::start()
{
    if (m_index >= 0)
        return;
    runNext();
}

void BatchJob::cancel()
{
    if (m_index >= count() || m_cancelled)
        return;
    m_cancelled = true;
    if (m_job)
        m_job->cancel();
}

QString BatchJob::currentInput() const
{
    return m_index >= 0 && m_index < count() ? m_inputs.at(m_index).value(0) : QString();
}

QString BatchJob::currentDestination() const
{
    return m_destination.isEmpty() ? PathText::deletingLastPathComponent(currentInput()) : m_destination;
}

bool BatchJob::allSucceeded() const
{
    if (m_cancelled || m_outcomes.size() != count())
        return false;
    return std::all_of(m_outcomes.cbegin(), m_outcomes.cend(),
                       [](const Outcome& outcome) { return outcome.success; });
}

// Queued between jobs, so a job that ends inside its starting call does not
// start the next one from within itself.
void BatchJob::runNext()
{
    ++m_index;
    if (m_cancelled || m_index >= count()) {
        m_index = count();
        emit progressed(1.0);
        emit finished();
        return;
    }
    emit jobStarted(m_index);
    emit progressed(double(m_index) / count());
    const QStringList& input = m_inputs.at(m_index);
    if (m_kind == Kind::compressHere) {
        startJob(m_type, u"compress"_s)->compress(currentDestination(), input, QString());
        return;
    }
    const std::optional<ArchiveType> type
        = ArchiveType::fromRawValue(PathText::pathExtension(input.first()).toLower());
    if (!type) {
        reportResult(u"decompress_result"_s, false, ArchiveErrorType::unsupported);
        QMetaObject::invokeMethod(
            this,
            [this] {
                jobEnded({ currentInput(), false, ArchiveErrorType::unsupported, {}, false });
            },
            Qt::QueuedConnection);
        return;
    }
    startJob(*type, u"decompress"_s)->decompress(currentDestination(), input.first());
}

// The job of the current input, reporting "<event>_click" now and
// "<event>_result" at its end, as the window does.
ArchiveJob* BatchJob::startJob(ArchiveType type, const QString& event)
{
    ReportQuery::report(event + u"_click"_s, { { u"file_type"_s, type.rawValue() } });
    m_job = new ArchiveJob(type, m_prompt, this);
    connect(m_job, &ArchiveJob::completed, this,
            [this, event, job = m_job.data()](bool success, ArchiveErrorType error) {
                reportResult(event + u"_result"_s, success, error);
                QString output = success ? job->outputPath().value_or(QString()) : QString();
                if (success && m_kind == Kind::extractHere)
                    output = ArchiveFile::liftSoleEntry(output);
                jobEnded({ currentInput(), success, error, output, false });
            });
    connect(m_job, &ArchiveJob::endedWithoutResult, this, [this] {
        jobEnded({ currentInput(), false, ArchiveErrorType::passwordEmpty, {}, true });
    });
    connect(m_job, &ArchiveJob::progressed, this,
            [this](float fraction) { emit progressed((m_index + double(fraction)) / count()); });
    return m_job;
}

void BatchJob::jobEnded(Outcome outcome)
{
    if (m_job)
        m_job->deleteLater();
    m_job = nullptr;
    if (outcome.error == ArchiveErrorType::cancelled)
        m_cancelled = true;
    m_outcomes.append(std::move(outcome));
    QMetaObject::invokeMethod(this, &BatchJob::runNext, Qt::QueuedConnection);
}
