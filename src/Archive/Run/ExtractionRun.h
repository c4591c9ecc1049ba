#pragma once

#include "Archive/Run/Archiver.h"
#include "Archive/Run/CancelToken.h"
#include "Archive/Run/ExtractionHandle.h"
#include "Archive/Run/JobOutput.h"

#include <memory>
#include <mutex>

// Drives one extraction, whatever the format: the argument checks, the
// reserved folder, opening the archive on the archive queue, the password,
// onBegin, extracting, the evaluation and the clean-up, and the end, reported
// once on the main thread.
//
// A password is asked at one of two points, as the format's handle needs it:
// before extracting, when the opened handle says the archive is protected
// (an empty answer fails at once, a dismissed question ends the job without
// a result), or while the engine works, which then waits on its thread
// (a refused question cancels the job).
class ExtractionRun : public std::enable_shared_from_this<ExtractionRun>
{
public:
    struct Request
    {
        QString targetPath;
        QString archivePath;
        Archiver::OnBegin onBegin;
        Archiver::Progress progress;
        Archiver::Completion completion;
        PasswordPrompt* prompt = nullptr;
        Archiver::EndedWithoutResult endedWithoutResult;
    };

    // Main thread. Null when the job ended in its checks: `completion` has
    // then been called, or posted when the folder could not be reserved.
    static std::shared_ptr<ExtractionRun> start(std::unique_ptr<ExtractionHandle> handle, Request request,
                                                const CancelToken& cancel);
    ~ExtractionRun();

    // Main thread. Stops the job for good; its folder goes now or, when the
    // engine writes by path, once the engine has stopped.
    void cancel();

    const JobOutput& output() const { return m_output; }

private:
    class OpenQuestion;

    ExtractionRun(std::unique_ptr<ExtractionHandle> handle, Request request, const CancelToken& cancel,
                  JobOutput output);

    void open();
    void opened(ArchiveErrorType error);
    void askBeforeExtracting();
    void begin();
    void extract();
    void fail(ArchiveErrorType error);
    std::optional<QString> askWhileWorking();

    const std::unique_ptr<ExtractionHandle> m_handle;
    const Request m_request;
    const JobOutput m_output;
    const bool m_folderMayGoAtCancel;
    ExtractionContext m_context;

    std::mutex m_questionLock;
    std::shared_ptr<OpenQuestion> m_question;
};
