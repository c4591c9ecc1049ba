#include "Archive/PasswordPrompt.h"
#include "Archive/Run/ExtractionRun.h"
#include "FileTree.h"
#include "JobRecord.h"

#include <QFileInfo>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A format whose engine the test holds: opening waits until released, or
// asks the user from the engine's thread.
class HeldHandle : public ExtractionHandle
{
public:
    explicit HeldHandle(bool asksWhileOpening)
        : m_asks(asksWhileOpening)
    {
    }

    ArchiveErrorType open(const QString&, const ExtractionContext& context) override
    {
        openedOn = QThread::currentThread();
        if (m_asks)
            context.askPassword();
        else
            release.tryAcquire(1, 10000); // never for good, should it run on the main thread
        return ArchiveErrorType::none;
    }
    bool isProtected() const override { return false; }
    void setPassword(const QString&) override { }
    ArchiveErrorType extract(const QString& folder, const ExtractionContext&) override
    {
        extractedOn = QThread::currentThread();
        extractedInto = folder;
        return ArchiveErrorType::none;
    }

    QSemaphore release;
    std::atomic<QThread*> openedOn = nullptr;
    std::atomic<QThread*> extractedOn = nullptr;
    QString extractedInto;

private:
    const bool m_asks;
};

// A question nobody answers.
class SilentPrompt : public PasswordPrompt
{
public:
    void ask(const QString&, Answer) override { ++asked; }
    int asked = 0;
};

} // namespace

// The run's own threading, which the format tables cannot hold still: the
// engine works off the main thread, and a cancel reaches an engine waiting
// for an answer at once.
class TestExtractionRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void engineWorkLeavesTheMainThreadFree();
    void cancelWakesAnEngineWaitingForAnAnswer();

private:
    std::shared_ptr<ExtractionRun> start(bool asks, JobRecord& job, PasswordPrompt* prompt = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    HeldHandle* m_handle = nullptr;
};

void TestExtractionRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Holiday.zip"_s, "any"));
}

std::shared_ptr<ExtractionRun> TestExtractionRun::start(bool asks, JobRecord& job, PasswordPrompt* prompt)
{
    auto handle = std::make_unique<HeldHandle>(asks);
    m_handle = handle.get();
    ExtractionRun::Request request {
        m_dir->path(), m_dir->filePath(u"Holiday.zip"_s), job.onBegin(), {}, job.completion(), prompt, {}
    };
    return ExtractionRun::start(std::move(handle), std::move(request), CancelToken());
}

void TestExtractionRun::engineWorkLeavesTheMainThreadFree()
{
    JobRecord job;
    const auto run = start(false, job);
    QVERIFY(run);
    bool ticked = false;
    QTimer::singleShot(0, this, [&] { ticked = true; });
    QTRY_VERIFY(ticked);
    QVERIFY(job.events.isEmpty());

    m_handle->release.release();
    QTRY_VERIFY(job.outcome.has_value());
    QCOMPARE(job.events, QStringList({ u"begin"_s, u"completion"_s }));
    QVERIFY(job.succeeded());
    QVERIFY(m_handle->openedOn != QThread::currentThread());
    QVERIFY(m_handle->extractedOn != QThread::currentThread());
    QCOMPARE(m_handle->extractedInto, m_dir->filePath(u"Holiday"_s));
}

void TestExtractionRun::cancelWakesAnEngineWaitingForAnAnswer()
{
    SilentPrompt prompt;
    JobRecord job;
    const auto run = start(true, job, &prompt);
    QTRY_COMPARE(prompt.asked, 1);
    run->cancel();
    QTRY_VERIFY(job.outcome.has_value());
    QVERIFY(job.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(job.events, QStringList { u"completion"_s });
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"Holiday"_s)));
}

QTEST_GUILESS_MAIN(TestExtractionRun)
#include "tst_extractionrun.moc"
