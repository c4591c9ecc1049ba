#include "Archive/ArchiveFile.h"
#include "Archive/Archiver.h"
#include "Archive/ArchiverFactory.h"
#include "Archive/PasswordPrompt.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "RarFixture.h"
#include "SevenZipFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {
// Keeps the question open until the test answers it.
class DeferredPasswordPrompt : public PasswordPrompt
{
public:
    DeferredPasswordPrompt() { PasswordPrompt::setCurrent(this); }
    ~DeferredPasswordPrompt() override { PasswordPrompt::setCurrent(nullptr); }

    void ask(const QString&, Answer answer) override { m_pending = std::move(answer); }
    bool asked() const { return bool(m_pending); }
    void answer(AlertResult result, const QString& text) { std::exchange(m_pending, {})(result, text); }

private:
    Answer m_pending;
};

// Files written by this process and the children it starts meanwhile cannot
// grow past `bytes`, as on a nearly full disk: writes beyond fail with EFBIG
// instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { bytes, m_saved.rlim_max };
        m_applied = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool applied() const { return m_applied; }

private:
    rlimit m_saved {};
    void (*m_savedHandler)(int) = SIG_DFL;
    bool m_applied = false;
};

// One row for each format named; "rar5" is a RAR made by our fixture.
void addFormatRows(const QStringList& formats = { u"zip"_s, u"7z"_s, u"rar5"_s })
{
    QTest::addColumn<QString>("format");
    for (const QString& format : formats)
        QTest::newRow(qPrintable(format.left(3))) << format;
}

std::unique_ptr<Archiver> archiverFor(const QString& format)
{
    return ArchiverFactory::make(*ArchiveType::fromRawValue(format.left(3)));
}

QString fileName(const QString& base, const QString& format)
{
    return base + u'.' + format.left(3);
}
} // namespace

// Things that go wrong around a running job: the job ends with a clear error
// (or as cancelled) and leaves nothing behind.
class TestArchiverFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void sevenZipChildKilledMidExtraction();
    void targetMovedAwayWhileExtracting_data();
    void targetMovedAwayWhileExtracting();
    void passwordAnsweredAfterCancel_data();
    void passwordAnsweredAfterCancel();
    void targetFillsUp_data();
    void targetFillsUp();
    void archiveTruncatedWhileExtracting_data();
    void archiveTruncatedWhileExtracting();
    void unusableTarget_data();
    void unusableTarget();

private:
    QString makeBigArchive(const QString& format);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestArchiverFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(m_target));
}

QString TestArchiverFaults::makeBigArchive(const QString& format)
{
    // Many files: each costs the engine a create and a close, so the job runs
    // long enough to be interfered with.
    QList<RarFixtureEntry> entries;
    for (int i = 0; i < 4000; ++i)
        entries.append(
            { u"Big/d%1/part%2.bin"_s.arg(i % 40).arg(i), FileTree::randomBytes(8 * 1024, i), false, {} });
    const QString archive = m_dir->filePath(fileName(u"Big"_s, format));
    if (format == u"rar5"_s) {
        writeRar(archive, RarVersion::rar5, entries);
        return archive;
    }
    for (const RarFixtureEntry& entry : std::as_const(entries))
        FileTree::writeFile(m_dir->path(), entry.name, entry.data);
    FileTree::run(u"7zz"_s, { u"a"_s, u"-t"_s + format, u"-mx=0"_s, archive, m_dir->filePath(u"Big"_s) });
    ArchiveFile::deletePath(m_dir->filePath(u"Big"_s));
    return archive;
}

void TestArchiverFaults::sevenZipChildKilledMidExtraction()
{
    const QString archive = makeBigArchive(u"7z"_s);
    auto archiver = archiverFor(u"7z"_s);
    JobRecord job;
    archiver->decompress(m_target, archive, {}, {}, job.completion());

    // Kill the first 7zz the job starts, whether it lists or extracts.
    bool killed = false;
    QDeadlineTimer deadline(20000);
    while (!killed && !job.outcome && !deadline.hasExpired()) {
        if (const auto child = SevenZipFixtures::findSevenZipChild())
            killed = ::kill(pid_t(child->pid), SIGKILL) == 0;
        QCoreApplication::processEvents();
    }
    QVERIFY(killed);
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(!job.outcome->first);
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestArchiverFaults::targetMovedAwayWhileExtracting_data()
{
    addFormatRows({ u"zip"_s, u"7z"_s });
}

void TestArchiverFaults::targetMovedAwayWhileExtracting()
{
    QFETCH(QString, format);
    const QString archive = makeBigArchive(format);
    auto archiver = archiverFor(format);
    JobRecord job;
    archiver->decompress(m_target, archive, {}, {}, job.completion());

    // As soon as the first entry shows up, the target is moved away: the
    // output is no longer where the job would say it is.
    const QString folder = m_target + u"/Big"_s;
    QDeadlineTimer deadline(20000);
    while (!job.outcome && !deadline.hasExpired() && FileTree::entries(folder).isEmpty())
        QCoreApplication::processEvents();
    if (job.outcome)
        QSKIP("the job ended before the target could be moved");
    QVERIFY(QDir().rename(m_target, m_target + u".moved"_s));

    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(!job.outcome->first);
    QVERIFY(!QFileInfo::exists(folder));
}

void TestArchiverFaults::passwordAnsweredAfterCancel_data()
{
    addFormatRows({ u"zip"_s, u"7z"_s });
}

void TestArchiverFaults::passwordAnsweredAfterCancel()
{
    QFETCH(QString, format);
    FileTree::writeFile(m_dir->filePath(u"s"_s), u"plan.txt"_s, "plan");
    const QString archive = m_dir->filePath(u"Secret."_s + format);
    QStringList arguments { u"a"_s, u"-t"_s + format, u"-ppw"_s, archive, m_dir->filePath(u"s/plan.txt"_s) };
    QCOMPARE(FileTree::run(u"7zz"_s, arguments), 0);

    DeferredPasswordPrompt prompt;
    auto archiver = archiverFor(format);
    JobRecord job;
    archiver->decompress(m_target, archive, {}, {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(prompt.asked(), 20000);
    archiver->cancelDecompress();
    QCOMPARE(FileTree::entries(m_target), QStringList());
    prompt.answer(AlertResult::ok, u"pw"_s);

    // The answer comes too late to start anything: the job ends cancelled
    // with nothing on disk.
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 20000);
    QVERIFY(job.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestArchiverFaults::targetFillsUp_data()
{
    addFormatRows();
}

void TestArchiverFaults::targetFillsUp()
{
    QFETCH(QString, format);
    const QString archive = makeBigArchive(format);
    auto archiver = archiverFor(format);
    JobRecord job;
    {
        // Every entry is 8 KiB: the first one does not fit.
        const FileSizeLimit nearlyFull(4096);
        QVERIFY(nearlyFull.applied());
        archiver->decompress(m_target, archive, {}, {}, job.completion());
        QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    }
    QVERIFY(!job.outcome->first);
    QVERIFY(job.outcome->second != ArchiveErrorType::cancelled);
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestArchiverFaults::archiveTruncatedWhileExtracting_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("error");
    QTest::newRow("zip") << u"zip"_s << int(ArchiveErrorType::badArchive);
    // Whatever goes wrong once 7zz extracts is reported as such.
    QTest::newRow("7z") << u"7z"_s << int(ArchiveErrorType::decompressUnknown);
    QTest::newRow("rar") << u"rar5"_s << int(ArchiveErrorType::badArchive);
}

void TestArchiverFaults::archiveTruncatedWhileExtracting()
{
    QFETCH(QString, format);
    QFETCH(int, error);
    const QString archive = makeBigArchive(format);
    auto archiver = archiverFor(format);
    JobRecord job;
    float progress = 0;
    archiver->decompress(
        m_target, archive, {}, [&progress](float value) { progress = value; }, job.completion());

    QFile file(archive);
    QDeadlineTimer deadline(20000);
    if (format == u"7z"_s) {
        // 7zz copies a stored archive faster than its progress reaches us:
        // hold the extracting 7zz still while most of the archive goes.
        std::optional<SevenZipFixtures::ChildProcess> extractor;
        while (!extractor && !job.outcome && !deadline.hasExpired()) {
            extractor = SevenZipFixtures::findSevenZipChild();
            if (extractor && extractor->commandLine.split('\0').value(1) != "x")
                extractor.reset();
            QCoreApplication::processEvents();
        }
        QVERIFY2(extractor, "7zz never started to extract");
        QCOMPARE(::kill(pid_t(extractor->pid), SIGSTOP), 0);
        QVERIFY(file.resize(file.size() / 4));
        QCOMPARE(::kill(pid_t(extractor->pid), SIGCONT), 0);
    } else {
        // As soon as the extraction is under way, most of the archive goes.
        while (!job.outcome && !deadline.hasExpired() && progress <= 0)
            QCoreApplication::processEvents();
        if (job.outcome)
            QSKIP("the job ended before the archive could be cut");
        QVERIFY(file.resize(file.size() / 4));
    }

    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(!job.outcome->first);
    QCOMPARE(int(job.outcome->second), error);
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestArchiverFaults::unusableTarget_data()
{
    addFormatRows();
}

void TestArchiverFaults::unusableTarget()
{
    // A file where the target folder should be: nothing can be made inside
    // it, whatever rights the test runs with (a read-only folder is no
    // obstacle to root).
    QFETCH(QString, format);
    FileTree::writeFile(m_dir->path(), u"archive.txt"_s, "content");
    const QString archive = m_dir->filePath(fileName(u"Small"_s, format));
    if (format == u"rar5"_s)
        QVERIFY(writeRar(archive, RarVersion::rar5, { { u"archive.txt"_s, "content", false, {} } }));
    else
        QCOMPARE(
            FileTree::run(u"7zz"_s, { u"a"_s, u"-t"_s + format, archive, m_dir->filePath(u"archive.txt"_s) }),
            0);
    const QString notAFolder = m_dir->filePath(u"archive.txt"_s);

    auto archiver = archiverFor(format);
    JobRecord job;
    archiver->decompress(notAFolder, archive, job.onBegin(), {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 20000);
    QVERIFY(job.failedWith(ArchiveErrorType::targetPathError));
    QCOMPARE(job.events, QStringList { u"completion"_s });
    QCOMPARE(FileTree::entries(m_dir->path()),
             QStringList({ archive.section(u'/', -1), u"archive.txt"_s, u"out"_s }));
}

QTEST_GUILESS_MAIN(TestArchiverFaults)
#include "tst_archiverfaults.moc"
