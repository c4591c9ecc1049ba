#include "ChildProcess.h"
#include "CommandLine/BatchArguments.h"
#include "CommandLine/CommandLineMode.h"
#include "FileTree.h"
#include "RarFixture.h"
#include "Resources/LocalizedText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// One in-process run of the command line, with its streams captured.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A null `input` leaves the run without one.
Run runCommandLine(const QStringList& arguments, const QByteArray& input = {})
{
    const bool hasInput = !input.isNull();
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    int fds[2] = { -1, -1 };
    if (hasInput) {
        if (::pipe(fds) != 0)
            return run;
        [[maybe_unused]] const ssize_t written = ::write(fds[1], input.constData(), size_t(input.size()));
        ::close(fds[1]);
    }
    CommandLineMode mode({ out, err, hasInput ? fds[0] : -1, false, false });
    run.exitCode = mode.run(arguments);
    out.flush();
    err.flush();
    if (hasInput)
        ::close(fds[0]);
    return run;
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void compressPrintsTheArchiveOfTheChosenFormat();
    void realBinaryReadsThePasswordAndPrintsOnlyThePath();
    void failureGivesOneLineAndCreatesNothing_data();
    void failureGivesOneLineAndCreatesNothing();
    void wrongUsage_data();
    void wrongUsage();
    void interruptCancelsAndCleansUp();
    void killedProcessTakesItsChildAlong();
    void batchArguments_data();
    void batchArguments();

private:
    QString makeEncrypted(const QString& format);

    std::unique_ptr<QTemporaryDir> m_dir;
};

// A terminal speaks the user's language, detail included; the event log's
// fixed texts are not for people.
void TestCommandLine::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
}

void TestCommandLine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// Secret.<format> holding plan.txt under the password "pw"; 7z hides the names too.
QString TestCommandLine::makeEncrypted(const QString& format)
{
    FileTree::writeFile(m_dir->path(), u"secret/plan.txt"_s, "the plan\n");
    const QString archive = m_dir->filePath(u"Secret."_s + format);
    const QString hiding = format == u"zip" ? u"-mem=AES256"_s : u"-mhe=on"_s;
    ChildProcess::run(
        u"7zz"_s,
        { u"a"_s, u"-t"_s + format, u"-ppw"_s, hiding, archive, m_dir->filePath(u"secret/plan.txt"_s) });
    return archive;
}

// Each engine's round trip is checked with the archivers; here the command
// line's choice of format and the path it prints.
void TestCommandLine::compressPrintsTheArchiveOfTheChosenFormat()
{
    QVERIFY(FileTree::writeFile(m_dir->filePath(u"Project"_s), u"src/main.txt"_s, "main\n"));
    const Run run = runCommandLine(
        { u"compress"_s, m_dir->filePath(u"Project"_s), u"--to"_s, m_dir->path(), u"--format"_s, u"7z"_s });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, m_dir->filePath(u"Project.7z"_s) + u'\n');
    QCOMPARE(ChildProcess::run(u"7zz"_s, { u"t"_s, u"-t7z"_s, m_dir->filePath(u"Project.7z"_s) }), 0);
}

// The real binary reads the password from its standard input, and its
// standard output is the created path and nothing else.
void TestCommandLine::realBinaryReadsThePasswordAndPrintsOnlyThePath()
{
    QByteArray out;
    QCOMPARE(ChildProcess::run(
                 QStringLiteral(KESTREL_BINARY),
                 { u"extract"_s, makeEncrypted(u"zip"_s), u"--to"_s, m_dir->path(), u"--password-stdin"_s },
                 &out, {}, "pw\n"),
             0);
    QCOMPARE(out, (m_dir->filePath(u"Secret"_s) + u'\n').toUtf8());
    QCOMPARE(FileTree::readFile(m_dir->filePath(u"Secret/plan.txt"_s)), "the plan\n");
}

void TestCommandLine::failureGivesOneLineAndCreatesNothing_data()
{
    QTest::addColumn<QString>("archiveName"); // Secret.*: protected by "pw"; others hold garbage
    QTest::addColumn<QByteArray>("input"); // null: no --password-stdin
    QTest::addColumn<QString>("message");

    QTest::newRow("damaged") << u"Broken.zip"_s << QByteArray() << u"(the archive is damaged)"_s;
    QTest::newRow("unknown format") << u"notes.txt"_s << QByteArray() << u"(unsupported format)"_s;
    QTest::newRow("no password source") << u"Secret.7z"_s << QByteArray() << u"--password-stdin"_s;
    QTest::newRow("input closed") << u"Secret.zip"_s << ""_ba << u"no password was given"_s;
    QTest::newRow("empty password") << u"Secret.zip"_s << "\n"_ba << u"(no password was entered)"_s;
}

void TestCommandLine::failureGivesOneLineAndCreatesNothing()
{
    QFETCH(QString, archiveName);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);

    const bool isProtected = archiveName.startsWith(u"Secret.");
    if (!isProtected)
        QVERIFY(FileTree::writeFile(m_dir->path(), archiveName, QByteArray(5000, 'x')));
    const QString archive
        = isProtected ? makeEncrypted(QFileInfo(archiveName).suffix()) : m_dir->filePath(archiveName);
    const QString out = m_dir->filePath(u"out"_s);
    QDir().mkpath(out);
    QStringList arguments { u"extract"_s, archive, u"--to"_s, out };
    if (!input.isNull())
        arguments << u"--password-stdin"_s;
    const Run run = runCommandLine(arguments, input);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(u"kestrel-archive: "_s) && run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.err.count(u'\n'), 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(FileTree::entries(out), QStringList());
}

void TestCommandLine::wrongUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("extract without --to") << QStringList { u"extract"_s, u"a.zip"_s };
    QTest::newRow("extract two archives")
        << QStringList { u"extract"_s, u"a.zip"_s, u"b.zip"_s, u"--to"_s, u"/tmp"_s };
    QTest::newRow("compress nothing") << QStringList { u"compress"_s, u"--to"_s, u"/tmp"_s };
    QTest::newRow("compress as rar") << QStringList { u"compress"_s, u"a"_s,        u"--to"_s,
                                                      u"/tmp"_s,     u"--format"_s, u"rar"_s };
    QTest::newRow("unknown option") << QStringList { u"extract"_s, u"a.zip"_s, u"--to"_s, u"/tmp"_s,
                                                     u"--fast"_s };
}

void TestCommandLine::wrongUsage()
{
    QFETCH(QStringList, arguments);
    const Run run = runCommandLine(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains(u"Usage:"_s));
}

void TestCommandLine::interruptCancelsAndCleansUp()
{
    // Large enough that extraction is still running when the signal comes.
    const QString big = m_dir->filePath(u"Big"_s);
    for (int i = 0; i < 24; ++i)
        FileTree::writeFile(big, u"part%1.bin"_s.arg(i), FileTree::randomBytes(8 * 1024 * 1024, i));
    const QString out = m_dir->filePath(u"out"_s);
    QDir().mkpath(out);
    QCOMPARE(runCommandLine({ u"compress"_s, big, u"--to"_s, m_dir->path() }).exitCode, 0);

    // At the lowest priority, so a busy machine slows the extraction before
    // it slows this test; held still while the signal is sent.
    QProcess process;
    process.start(u"nice"_s,
                  { u"-n"_s, u"19"_s, QStringLiteral(KESTREL_BINARY), u"extract"_s,
                    m_dir->filePath(u"Big.zip"_s), u"--to"_s, out });
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!FileTree::entries(out).isEmpty(), 20000);
    const pid_t pid = pid_t(process.processId());
    ::kill(pid, SIGSTOP);
    ::kill(pid, SIGINT);
    ::kill(pid, SIGCONT);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(FileTree::entries(out), QStringList());
}

void TestCommandLine::killedProcessTakesItsChildAlong()
{
    // Behind a self-extractor's program only unar reads the archive (it finds
    // RAR 4 there, not RAR 5): it becomes a child of ours, held still once
    // found so it cannot finish first.
    const QByteArray archive = rarSelfExtractorStub()
        + buildRar(RarVersion::rar4,
                   { { u"big.bin"_s, FileTree::randomBytes(64 * 1024 * 1024, 7), false, {} } });
    QVERIFY(FileTree::writeFile(m_dir->path(), u"self.rar"_s, archive));

    QProcess process;
    process.start(QStringLiteral(KESTREL_BINARY),
                  { u"extract"_s, m_dir->filePath(u"self.rar"_s), u"--to"_s, m_dir->path() });
    QVERIFY(process.waitForStarted());
    // Looked for without pauses: unar copies the data in a fraction of a second.
    std::optional<ChildProcess::Info> child;
    QElapsedTimer waited;
    waited.start();
    while (!(child = ChildProcess::find(u"unar"_s, process.processId()))
           && process.state() == QProcess::Running && waited.elapsed() < 20000)
        process.waitForFinished(1);
    QVERIFY2(child, process.readAllStandardError().constData());
    ::kill(pid_t(child->pid), SIGSTOP);
    ::kill(pid_t(process.processId()), SIGKILL);
    QVERIFY(process.waitForFinished(20000));
    // Nobody is left to wait for it: unar must not run on.
    QTRY_VERIFY_WITH_TIMEOUT(ChildProcess::hasEnded(child->pid), 20000);
}

void TestCommandLine::batchArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // kind, format and file names, or the problem

    QTest::newRow("extract here") << QStringList { u"--extract-here"_s, u"a.zip"_s, u"/srv/b.rar"_s }
                                  << u"extract zip a.zip,/srv/b.rar"_s;
    QTest::newRow("extract to") << QStringList { u"--extract-to"_s, u"/out"_s, u"/srv/b.rar"_s }
                                << u"extract zip /srv/b.rar to /out"_s;
    QTest::newRow("extract to nowhere") << QStringList { u"--extract-to"_s } << u"--extract-to needs a DIR"_s;
    QTest::newRow("compress here as 7z")
        << QStringList { u"--compress-here"_s, u"--format"_s, u"7z"_s, u"--"_s, u"-odd"_s }
        << u"compress 7z -odd"_s;
    QTest::newRow("format joined") << QStringList { u"--compress-here"_s, u"--format=zip"_s, u"x"_s }
                                   << u"compress zip x"_s;
    QTest::newRow("no files") << QStringList { u"--extract-here"_s }
                              << u"--extract-here needs at least one FILE"_s;
    QTest::newRow("format to extract")
        << QStringList { u"--extract-here"_s, u"--format"_s, u"7z"_s, u"a.zip"_s }
        << u"--format is for --compress-here"_s;
    QTest::newRow("rar cannot be made") << QStringList { u"--compress-here"_s, u"--format=rar"_s, u"x"_s }
                                        << u"--format must be zip or 7z, not 'rar'"_s;
    QTest::newRow("unknown option") << QStringList { u"--extract-here"_s, u"--fast"_s, u"a.zip"_s }
                                    << u"unknown option '--fast'"_s;
}

void TestCommandLine::batchArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QVERIFY(BatchArguments::isBatch(arguments));
    QString problem;
    const std::optional<BatchArguments> batch = BatchArguments::parse(arguments, &problem);
    if (!batch) {
        QCOMPARE(problem, expected);
        return;
    }
    QStringList names;
    for (const QString& file : batch->files)
        names.append(file.startsWith(QDir::currentPath() + u'/') ? QDir::current().relativeFilePath(file)
                                                                 : file);
    const bool extracting = batch->kind == BatchJob::Kind::extractHere;
    QString described = u"%1 %2 %3"_s.arg(extracting ? u"extract"_s : u"compress"_s, batch->type.rawValue(),
                                          names.join(u','));
    if (!batch->destination.isEmpty())
        described += u" to "_s + batch->destination;
    QCOMPARE(described, expected);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
