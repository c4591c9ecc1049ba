#include "Archive/Run/ExtractionRun.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Plumbing/ArchiveQueue.h"
#include "Archive/Plumbing/Diagnostics.h"
#include "Archive/Plumbing/MainQueue.h"
#include "Archive/Plumbing/ProgressThrottle.h"
#include "Archive/Run/ArchiveJobChecks.h"
#include "Archive/Run/JobOutcome.h"
#include "Archive/Run/PasswordStep.h"

#include <condition_variable>

// A question the engine's thread waits on until the main thread answers it
// or the job is cancelled.
class ExtractionRun::OpenQuestion
{
public:
    void answer(const std::optional<QString>& text)
    {
        const std::lock_guard lock(m_mutex);
        if (m_answered)
            return;
        m_answered = true;
        m_text = text;
        m_changed.notify_all();
    }

    std::optional<QString> wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_answered; });
        return m_text;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_answered = false;
    std::optional<QString> m_text;
};

std::shared_ptr<ExtractionRun> ExtractionRun::start(std::unique_ptr<ExtractionHandle> handle, Request request,
                                                    const CancelToken& cancel)
{
    const ArchiveErrorType check
        = ArchiveJobChecks::checkDecompressArguments(request.targetPath, request.archivePath);
    if (check != ArchiveErrorType::none) {
        JobOutcome::finish(request.completion, false, check);
        return nullptr;
    }
    // Created now rather than when extraction starts: a name that is only
    // checked could be taken by another job before we write into it.
    const std::optional<QString> reserved
        = ArchiveFile::reserveExtractFolder(request.archivePath, request.targetPath);
    if (!reserved) {
        JobOutcome::postFailure({}, ArchiveErrorType::targetPathError, request.completion);
        return nullptr;
    }
    std::shared_ptr<ExtractionRun> run(
        new ExtractionRun(std::move(handle), std::move(request), cancel, JobOutput::adopt(*reserved)));
    run->open();
    return run;
}

ExtractionRun::ExtractionRun(std::unique_ptr<ExtractionHandle> handle, Request request,
                             const CancelToken& cancel, JobOutput output)
    : m_handle(std::move(handle))
    , m_request(std::move(request))
    , m_output(std::move(output))
    , m_folderMayGoAtCancel(m_handle->folderMayGoAtCancel())
{
    m_context.cancel = cancel;
    if (m_request.progress) {
        m_context.progress = [throttle = ProgressThrottle::make(m_request.progress)](float fraction) {
            throttle->report(fraction);
        };
    }
    // The handle is the run's own and asks only while queued work holds the run.
    m_context.askPassword = [this] { return askWhileWorking(); };
}

ExtractionRun::~ExtractionRun() = default;

void ExtractionRun::cancel()
{
    m_context.cancel.cancel();
    {
        const std::lock_guard lock(m_questionLock);
        if (m_question)
            m_question->answer(std::nullopt);
    }
    if (m_folderMayGoAtCancel)
        m_output.remove();
}

// Reading the catalogue of a large or hostile archive takes time: never on
// the main thread. An archive that needs nothing more is extracted right
// there, with onBegin posted ahead of its progress.
void ExtractionRun::open()
{
    ArchiveQueue::run([self = shared_from_this()] {
        const ArchiveErrorType error = self->m_handle->open(self->m_request.archivePath, self->m_context);
        const bool needsMainThread = error != ArchiveErrorType::none || self->m_context.cancel.isCancelled()
            || self->m_handle->isEmpty() || self->m_handle->isProtected();
        if (needsMainThread) {
            MainQueue::post([self, error] { self->opened(error); });
            return;
        }
        if (self->m_request.onBegin)
            MainQueue::post(self->m_request.onBegin);
        self->extract();
    });
}

void ExtractionRun::opened(ArchiveErrorType error)
{
    if (m_context.cancel.isCancelled())
        fail(ArchiveErrorType::cancelled);
    else if (error != ArchiveErrorType::none)
        fail(error);
    else if (m_handle->isEmpty())
        JobOutcome::finish(m_request.completion, true, ArchiveErrorType::none);
    else if (m_handle->isProtected())
        askBeforeExtracting();
    else
        begin();
}

void ExtractionRun::askBeforeExtracting()
{
    PasswordStep::ask(m_request.prompt,
                      [self = shared_from_this()](const std::optional<QString>& text, AlertResult result) {
                          if (!text) {
                              self->m_output.remove();
                              if (self->m_request.endedWithoutResult)
                                  self->m_request.endedWithoutResult(result);
                          } else if (text->isEmpty()) {
                              self->fail(ArchiveErrorType::passwordEmpty);
                          } else if (self->m_context.cancel.isCancelled()) {
                              // Too late: nothing starts.
                              self->fail(ArchiveErrorType::cancelled);
                          } else {
                              const qsizetype limit = self->m_handle->passwordByteLimit();
                              self->m_handle->setPassword(limit > 0 ? ArchiveFile::truncateUTF8(*text, limit)
                                                                    : *text);
                              self->begin();
                          }
                      });
}

void ExtractionRun::begin()
{
    if (m_request.onBegin)
        m_request.onBegin();
    ArchiveQueue::run([self = shared_from_this()] { self->extract(); });
}

// On the archive queue.
void ExtractionRun::extract()
{
    ArchiveErrorType error = ArchiveErrorType::cancelled;
    // Made again under the same name, the folder would not be ours to fill.
    if (!m_context.cancel.isCancelled() && !m_output.isStillThere())
        error = ArchiveErrorType::targetPathError;
    else if (!m_context.cancel.isCancelled())
        error = m_handle->extract(m_output.path(), m_context);
    MainQueue::post([self = shared_from_this(), error] {
        JobOutcome::evaluate(self->m_output, self->m_context.cancel.isCancelled(),
                             error == ArchiveErrorType::none, error, self->m_request.completion);
    });
}

void ExtractionRun::fail(ArchiveErrorType error)
{
    m_output.remove();
    JobOutcome::finish(m_request.completion, false, error);
}

// On the engine's thread, which waits here; the main thread shows the prompt.
std::optional<QString> ExtractionRun::askWhileWorking()
{
    auto question = std::make_shared<OpenQuestion>();
    {
        const std::lock_guard lock(m_questionLock);
        m_question = question;
    }
    if (m_context.cancel.isCancelled())
        return std::nullopt;
    const bool posted = MainQueue::post([prompt = m_request.prompt, cancel = m_context.cancel, question] {
        PasswordStep::ask(prompt, [cancel, question](const std::optional<QString>& text, AlertResult result) {
            if (text)
                Diagnostics::writeLine("确认按钮点击");
            else if (result != AlertResult::autoClose)
                cancel.cancel(); // refused, or nobody can be asked: stop rather than wait
            question->answer(text);
        });
    });
    return posted ? question->wait() : std::nullopt;
}
