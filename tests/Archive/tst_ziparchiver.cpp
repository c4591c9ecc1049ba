#include "Archive/Zip/ZipEngine.h"
#include "Archive/ZipArchiver.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "ScriptedPasswordPrompt.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
constexpr int kNoResult = -1;

} // namespace

class TestZipArchiver : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void roundTripKeepsTheTree();
    void argumentChecksFailAtOnce();
    void passwordAnswers_data();
    void passwordAnswers();
    void damagedArchivesFail_data();
    void damagedArchivesFail();
    void compressingIntoAFileFails();
    void cancelledJobsLeaveNothing();

private:
    QString makeTree();
    QString compress(const QStringList& files, const std::optional<QString>& password = std::nullopt);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestZipArchiver::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(m_target));
}

QString TestZipArchiver::makeTree()
{
    const QString root = m_dir->filePath(u"Holiday"_s);
    FileTree::writeFile(root, u"notes.txt"_s, "beach\n");
    FileTree::writeFile(root, u"照片/海边.jpg"_s, FileTree::randomBytes(300 * 1024, 42));
    FileTree::writeFile(root, u"deep/a/b/c.txt"_s, QByteArray(100000, 'c'));
    QDir(root).mkpath(u"empty/inner"_s);
    return root;
}

QString TestZipArchiver::compress(const QStringList& files, const std::optional<QString>& password)
{
    ZipArchiver archiver;
    JobRecord job;
    archiver.compress(m_target, files, password, job.progressCallback(), job.completion());
    if (!QTest::qWaitFor([&] { return job.outcome.has_value(); }, 60000) || !job.succeeded())
        return {};
    return archiver.compressPath().value_or(QString());
}

void TestZipArchiver::roundTripKeepsTheTree()
{
    const QString tree = makeTree();
    // Zip archives are written without encryption: a password is ignored.
    const QString archive = compress({ tree }, u"secret"_s);
    QCOMPARE(archive, m_target + u"/Holiday.zip"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"t"_s, archive }), 0);
    QVERIFY(!ZipEngine::isFilePasswordProtected(archive));

    // Two jobs at once, each in its own folder.
    ZipArchiver first, second;
    JobRecord firstJob, secondJob;
    first.decompress(m_target, archive, firstJob.onBegin(), firstJob.progressCallback(),
                     firstJob.completion());
    QCOMPARE(firstJob.events, QStringList { u"begin"_s }); // no password to wait for
    second.decompress(m_target, archive, {}, {}, secondJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(firstJob.outcome && secondJob.outcome, 60000);
    QVERIFY(firstJob.succeeded() && secondJob.succeeded());
    QCOMPARE(firstJob.events, QStringList({ u"begin"_s, u"completion"_s }));
    QCOMPARE(firstJob.progress.last(), 1.0f);
    QCOMPARE(first.decompressPath(), m_target + u"/Holiday"_s);
    QCOMPARE(second.decompressPath(), m_target + u"/Holiday 1"_s);
    QCOMPARE(FileTree::snapshot(m_target + u"/Holiday/Holiday"_s), FileTree::snapshot(tree));
    QCOMPARE(FileTree::snapshot(m_target + u"/Holiday 1/Holiday"_s), FileTree::snapshot(tree));
}

void TestZipArchiver::argumentChecksFailAtOnce()
{
    ZipArchiver archiver;
    JobRecord extract, compress;
    archiver.decompress(QString(), u"/a.zip"_s, extract.onBegin(), {}, extract.completion());
    archiver.compress(u"/a/b/c"_s, { u"/x"_s, u"/a/b"_s }, std::nullopt, {}, compress.completion());
    QVERIFY(extract.failedWith(ArchiveErrorType::targetPathNone));
    QCOMPARE(extract.events, QStringList { u"completion"_s });
    QVERIFY(compress.failedWith(ArchiveErrorType::targetPathError));
    QVERIFY(!archiver.compressPath() && !archiver.decompressPath());
}

void TestZipArchiver::passwordAnswers_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("password"); // the archive's
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("error"); // kNoResult: the job ends without one
    QTest::addColumn<bool>("begins");

    const auto aes = [](const char* name, AlertResult result, const QString& answer, int error, bool begins) {
        QTest::newRow(name) << u"AES256"_s << u"s3cret"_s << int(result) << answer << error << begins;
    };
    aes("right", AlertResult::ok, u"s3cret"_s, ArchiveErrorType::none, true);
    aes("wrong", AlertResult::ok, u"guess"_s, ArchiveErrorType::passwordInvalid, true);
    aes("empty", AlertResult::ok, QString(), ArchiveErrorType::passwordEmpty, false);
    aes("cancel", AlertResult::cancel, u"ignored"_s, kNoResult, false);
    aes("fail", AlertResult::fail, u"ignored"_s, kNoResult, false);
    aes("autoClose", AlertResult::autoClose, u"ignored"_s, kNoResult, false);
    // 7-Zip refuses AES passwords over 99 bytes; ZipCrypto takes any length.
    QTest::newRow("cut to 128 bytes") << u"ZipCrypto"_s << QString(128, u'p') << int(AlertResult::ok)
                                      << QString(200, u'p') << int(ArchiveErrorType::none) << true;
}

void TestZipArchiver::passwordAnswers()
{
    QFETCH(QString, method);
    QFETCH(QString, password);
    QFETCH(int, result);
    QFETCH(QString, answer);
    QFETCH(int, error);
    QFETCH(bool, begins);

    FileTree::writeFile(m_dir->filePath(u"secret"_s), u"plan.txt"_s, "the plan\n");
    const QString archive = m_dir->filePath(u"Secret.zip"_s);
    QCOMPARE(FileTree::run(u"7zz"_s,
                           { u"a"_s, u"-tzip"_s, u"-p"_s + password, u"-mem="_s + method, archive,
                             m_dir->filePath(u"secret/plan.txt"_s) }),
             0);
    QVERIFY(ZipEngine::isFilePasswordProtected(archive));

    ScriptedPasswordPrompt prompt({ { AlertResult(result), answer } });
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    QTRY_COMPARE(prompt.messages(), QStringList { u"enter_password"_s });
    if (error == kNoResult) {
        // The reserved folder is gone and no result ever comes.
        QTRY_COMPARE(FileTree::entries(m_target), QStringList());
        QTest::qWait(50);
        QVERIFY(job.events.isEmpty());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QCOMPARE(job.events.contains(u"begin"_s), begins);
    if (error == ArchiveErrorType::none) {
        QVERIFY(job.succeeded());
        QCOMPARE(FileTree::snapshot(m_target + u"/Secret"_s).value(u"plan.txt"_s), "the plan\n");
    } else {
        QVERIFY(job.failedWith(ArchiveErrorType::Value(error)));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestZipArchiver::damagedArchivesFail_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << FileTree::randomBytes(4096, 42);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("zip signature only") << QByteArray("PK\x03\x04", 4);
}

void TestZipArchiver::damagedArchivesFail()
{
    QFETCH(QByteArray, content);
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Broken.zip"_s, content));
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, m_dir->filePath(u"Broken.zip"_s), {}, {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.failedWith(ArchiveErrorType::badArchive));
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestZipArchiver::compressingIntoAFileFails()
{
    QVERIFY(FileTree::writeFile(m_dir->path(), u"file"_s, "x"));
    ZipArchiver archiver;
    JobRecord job;
    archiver.compress(m_dir->filePath(u"file"_s), { makeTree() }, std::nullopt, {}, job.completion());
    QTRY_VERIFY(job.outcome.has_value());
    QVERIFY(job.failedWith(ArchiveErrorType::compressunknown));
}

void TestZipArchiver::cancelledJobsLeaveNothing()
{
    const QString big = m_dir->filePath(u"Big"_s);
    for (int i = 0; i < 40; ++i)
        FileTree::writeFile(big, u"part%1.bin"_s.arg(i), FileTree::randomBytes(1024 * 1024, 42));

    ZipArchiver compressor;
    JobRecord compressJob;
    compressor.compress(
        m_target, { big }, std::nullopt, [&](float) { compressor.cancelCompress(); },
        compressJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(compressJob.outcome.has_value(), 60000);
    QVERIFY(compressJob.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList());

    const QString archive = compress({ big });
    QVERIFY(!archive.isEmpty());
    ZipArchiver extractor;
    JobRecord extractJob;
    extractor.decompress(
        m_target, archive, {}, [&](float) { extractor.cancelDecompress(); }, extractJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(extractJob.outcome.has_value(), 60000);
    // Cancel wins even when the engine got to the end in the meantime.
    QVERIFY(extractJob.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList { u"Big.zip"_s });
}

QTEST_GUILESS_MAIN(TestZipArchiver)
#include "tst_ziparchiver.moc"
