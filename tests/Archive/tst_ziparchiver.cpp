#include "Archive/ArchiveFile.h"
#include "Archive/Zip/ZipEngine.h"
#include "Archive/ZipArchiver.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "ScriptedPasswordPrompt.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}
} // namespace

class TestZipArchiver : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void roundTripKeepsTheTree();
    void extractingTwiceFindsFreeFolders();
    void argumentChecksFailAtOnce_data();
    void argumentChecksFailAtOnce();
    void unprotectedArchiveBeginsBeforeReturning();
    void passwordAnswers_data();
    void passwordAnswers();
    void unansweredPromptLeavesNothing_data();
    void unansweredPromptLeavesNothing();
    void longPasswordIsCutTo128Bytes();
    void damagedArchivesFail_data();
    void damagedArchivesFail();
    void unusableTargetFails();
    void cancelledExtractionLeavesNothing();
    void cancelledCompressionLeavesNothing();
    void passwordIsIgnoredWhenCompressing();
    void concurrentJobsGetTheirOwnOutput();

private:
    QString makeTree();
    QString makeEncryptedZip(const QString& password, const QString& method);
    QString compressWithArchiver(const QStringList& files);

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
    FileTree::writeFile(root, u"照片/海边.jpg"_s, randomBytes(300 * 1024));
    FileTree::writeFile(root, u"deep/a/b/c.txt"_s, QByteArray(100000, 'c'));
    QDir(root).mkpath(u"empty/inner"_s);
    return root;
}

QString TestZipArchiver::makeEncryptedZip(const QString& password, const QString& method)
{
    const QString source = m_dir->filePath(u"secret"_s);
    FileTree::writeFile(source, u"plan.txt"_s, "the plan\n");
    const QString archive = m_dir->filePath(u"Secret.zip"_s);
    QByteArray output;
    const int code = FileTree::run(
        u"7zz"_s,
        { u"a"_s, u"-tzip"_s, u"-p"_s + password, u"-mem="_s + method, archive, source + u"/plan.txt"_s },
        &output);
    if (code != 0)
        qWarning() << output;
    return archive;
}

QString TestZipArchiver::compressWithArchiver(const QStringList& files)
{
    ZipArchiver archiver;
    JobRecord job;
    archiver.compress(m_target, files, std::nullopt, job.progressCallback(), job.completion());
    if (!QTest::qWaitFor([&] { return job.outcome.has_value(); }, 60000) || !job.succeeded())
        return {};
    return archiver.compressPath().value_or(QString());
}

void TestZipArchiver::roundTripKeepsTheTree()
{
    const QString tree = makeTree();
    const QString archive = compressWithArchiver({ tree });
    QCOMPARE(archive, m_target + u"/Holiday.zip"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"t"_s, archive }), 0);

    ZipArchiver archiver;
    JobRecord job;
    const QString extractTo = m_dir->filePath(u"extracted"_s);
    QDir().mkpath(extractTo);
    archiver.decompress(extractTo, archive, job.onBegin(), job.progressCallback(), job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.succeeded());
    QCOMPARE(job.events, QStringList({ u"begin"_s, u"completion"_s }));
    QCOMPARE(archiver.decompressPath(), extractTo + u"/Holiday"_s);
    QCOMPARE(FileTree::snapshot(extractTo + u"/Holiday/Holiday"_s), FileTree::snapshot(tree));
    QVERIFY(!job.progress.isEmpty());
    QCOMPARE(job.progress.last(), 1.0f);
}

void TestZipArchiver::extractingTwiceFindsFreeFolders()
{
    const QString archive = compressWithArchiver({ makeTree() });
    QVERIFY(QDir(m_target).mkdir(u"Holiday"_s));
    for (const QString& expected : { u"Holiday 1"_s, u"Holiday 2"_s }) {
        ZipArchiver archiver;
        JobRecord job;
        archiver.decompress(m_target, archive, {}, {}, job.completion());
        QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
        QVERIFY(job.succeeded());
        QCOMPARE(archiver.decompressPath(), m_target + u'/' + expected);
    }
}

void TestZipArchiver::argumentChecksFailAtOnce_data()
{
    QTest::addColumn<bool>("compressing");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<int>("error");

    QTest::newRow("extract, no target")
        << false << QString() << QStringList() << int(ArchiveErrorType::targetPathNone);
    QTest::newRow("extract, no archive")
        << false << u"/tmp"_s << QStringList { QString() } << int(ArchiveErrorType::originPathNone);
    QTest::newRow("compress, no target")
        << true << QString() << QStringList { u"/a"_s } << int(ArchiveErrorType::targetPathNone);
    QTest::newRow("compress, no files")
        << true << u"/tmp"_s << QStringList() << int(ArchiveErrorType::originPathNone);
    QTest::newRow("compress into an input") << true << u"/a/b/c"_s << QStringList { u"/x"_s, u"/a/b"_s }
                                            << int(ArchiveErrorType::targetPathError);
}

void TestZipArchiver::argumentChecksFailAtOnce()
{
    QFETCH(bool, compressing);
    QFETCH(QString, target);
    QFETCH(QStringList, inputs);
    QFETCH(int, error);

    ZipArchiver archiver;
    JobRecord job;
    if (compressing)
        archiver.compress(target, inputs, std::nullopt, {}, job.completion());
    else
        archiver.decompress(target, inputs.value(0), job.onBegin(), {}, job.completion());
    QVERIFY(job.failedWith(ArchiveErrorType::Value(error)));
    QCOMPARE(job.events, QStringList { u"completion"_s });
    QVERIFY(!archiver.compressPath() && !archiver.decompressPath());
}

void TestZipArchiver::unprotectedArchiveBeginsBeforeReturning()
{
    const QString archive = compressWithArchiver({ makeTree() });
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    QCOMPARE(job.events, QStringList { u"begin"_s });
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
}

void TestZipArchiver::passwordAnswers_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("begins");

    for (const QString& method : { u"ZipCrypto"_s, u"AES256"_s }) {
        QTest::addRow("%s, right", qPrintable(method))
            << method << u"s3cret"_s << int(ArchiveErrorType::none) << true;
        QTest::addRow("%s, wrong", qPrintable(method))
            << method << u"guess"_s << int(ArchiveErrorType::passwordInvalid) << true;
        QTest::addRow("%s, empty", qPrintable(method))
            << method << QString() << int(ArchiveErrorType::passwordEmpty) << false;
    }
}

void TestZipArchiver::passwordAnswers()
{
    QFETCH(QString, method);
    QFETCH(QString, answer);
    QFETCH(int, error);
    QFETCH(bool, begins);

    const QString archive = makeEncryptedZip(u"s3cret"_s, method);
    QVERIFY(ZipEngine::isFilePasswordProtected(archive));
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, answer } });
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);

    QCOMPARE(prompt.messages(), QStringList { u"enter_password"_s });
    QCOMPARE(job.events.contains(u"begin"_s), begins);
    if (error == ArchiveErrorType::none) {
        QVERIFY(job.succeeded());
        QFile plan(m_target + u"/Secret/plan.txt"_s);
        QVERIFY(plan.open(QIODevice::ReadOnly));
        QCOMPARE(plan.readAll(), "the plan\n");
    } else {
        QVERIFY(job.failedWith(ArchiveErrorType::Value(error)));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestZipArchiver::unansweredPromptLeavesNothing_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("diagnostic");
    QTest::newRow("cancel") << int(AlertResult::cancel) << QByteArray("取消按钮点击");
    QTest::newRow("fail") << int(AlertResult::fail) << QByteArray("弹窗失败");
    QTest::newRow("autoClose") << int(AlertResult::autoClose) << QByteArray("自动关闭");
}

void TestZipArchiver::unansweredPromptLeavesNothing()
{
    QFETCH(int, result);
    const QString archive = makeEncryptedZip(u"s3cret"_s, u"AES256"_s);
    ScriptedPasswordPrompt prompt({ { AlertResult(result), u"ignored"_s } });
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    QTRY_COMPARE(prompt.messages().size(), 1);
    // The reserved folder is gone and no result ever comes.
    QTRY_COMPARE(FileTree::entries(m_target), QStringList());
    QTest::qWait(50);
    QVERIFY(job.events.isEmpty());
}

void TestZipArchiver::longPasswordIsCutTo128Bytes()
{
    // 7-Zip refuses AES passwords over 99 bytes; ZipCrypto takes any length.
    const QString full = QString(200, u'p');
    const QString archive = makeEncryptedZip(full.left(128), u"ZipCrypto"_s);
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, full } });
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, {}, {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.succeeded());
}

void TestZipArchiver::damagedArchivesFail_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << randomBytes(4096);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("zip signature only") << QByteArray("PK\x03\x04", 4);
}

void TestZipArchiver::damagedArchivesFail()
{
    QFETCH(QByteArray, content);
    const QString archive = m_dir->filePath(u"Broken.zip"_s);
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Broken.zip"_s, content));
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, {}, {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.failedWith(ArchiveErrorType::badArchive));
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestZipArchiver::unusableTargetFails()
{
    // A file where the target folder should be: nothing can be made inside it,
    // whatever rights the test runs with.
    const QString notAFolder = m_dir->filePath(u"file"_s);
    QVERIFY(FileTree::writeFile(m_dir->path(), u"file"_s, "x"));
    const QString archive = compressWithArchiver({ makeTree() });

    ZipArchiver extractor;
    JobRecord extract;
    extractor.decompress(notAFolder, archive, extract.onBegin(), {}, extract.completion());
    QTRY_VERIFY(extract.outcome.has_value());
    QVERIFY(extract.failedWith(ArchiveErrorType::targetPathError));
    QVERIFY(extract.events == QStringList { u"completion"_s });

    ZipArchiver compressor;
    JobRecord compress;
    compressor.compress(notAFolder, { makeTree() }, std::nullopt, {}, compress.completion());
    QTRY_VERIFY(compress.outcome.has_value());
    QVERIFY(compress.failedWith(ArchiveErrorType::compressunknown));
}

void TestZipArchiver::cancelledExtractionLeavesNothing()
{
    const QString big = m_dir->filePath(u"Big"_s);
    for (int i = 0; i < 40; ++i)
        FileTree::writeFile(big, u"part%1.bin"_s.arg(i), randomBytes(1024 * 1024));
    const QString archive = compressWithArchiver({ big });
    QVERIFY(!archive.isEmpty());

    const QString extractTo = m_dir->filePath(u"extract"_s);
    QDir().mkpath(extractTo);
    ZipArchiver archiver;
    JobRecord job;
    archiver.decompress(
        extractTo, archive, {}, [&](float) { archiver.cancelDecompress(); }, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    // Cancel wins even when the engine got to the end in the meantime.
    QVERIFY(job.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(extractTo), QStringList());
}

void TestZipArchiver::cancelledCompressionLeavesNothing()
{
    const QString big = m_dir->filePath(u"Big"_s);
    for (int i = 0; i < 40; ++i)
        FileTree::writeFile(big, u"part%1.bin"_s.arg(i), randomBytes(1024 * 1024));
    ZipArchiver archiver;
    JobRecord job;
    archiver.compress(
        m_target, { big }, std::nullopt, [&](float) { archiver.cancelCompress(); }, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestZipArchiver::passwordIsIgnoredWhenCompressing()
{
    ZipArchiver archiver;
    JobRecord job;
    archiver.compress(m_target, { makeTree() }, u"secret"_s, {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.succeeded());
    QVERIFY(!ZipEngine::isFilePasswordProtected(*archiver.compressPath()));
}

void TestZipArchiver::concurrentJobsGetTheirOwnOutput()
{
    const QString archive = compressWithArchiver({ makeTree() });
    ZipArchiver first, second;
    JobRecord firstJob, secondJob;
    first.decompress(m_target, archive, {}, {}, firstJob.completion());
    second.decompress(m_target, archive, {}, {}, secondJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(firstJob.outcome && secondJob.outcome, 60000);
    QVERIFY(firstJob.succeeded() && secondJob.succeeded());
    QCOMPARE(first.decompressPath(), m_target + u"/Holiday"_s);
    QCOMPARE(second.decompressPath(), m_target + u"/Holiday 1"_s);
    QCOMPARE(FileTree::snapshot(*first.decompressPath()), FileTree::snapshot(*second.decompressPath()));
}

QTEST_GUILESS_MAIN(TestZipArchiver)
#include "tst_ziparchiver.moc"
