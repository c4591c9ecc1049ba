#include "Archive/LzmaArchiver.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "ScriptedPasswordPrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

class TestLzmaArchiver : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void roundTrip_data();
    void roundTrip();
    void promptAnswers_data();
    void promptAnswers();
    void emptyArchiveGivesEmptyFolder();
    void damagedArchivesFail_data();
    void damagedArchivesFail();
    void cancelledJobsLeaveNothing();

private:
    QString makeTree(const QString& name);
    QString compress(const QStringList& files, const std::optional<QString>& password);
    JobRecord extract(const QString& archive, LzmaArchiver& archiver);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestLzmaArchiver::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(m_target));
}

QString TestLzmaArchiver::makeTree(const QString& name)
{
    const QString root = m_dir->filePath(name);
    FileTree::writeFile(root, u"readme.txt"_s, "hello\n");
    FileTree::writeFile(root, u"图片/大海.bin"_s, FileTree::randomBytes(200 * 1024, 7));
    QDir(root).mkpath(u"empty"_s);
    return root;
}

QString TestLzmaArchiver::compress(const QStringList& files, const std::optional<QString>& password)
{
    LzmaArchiver archiver;
    JobRecord job;
    archiver.compress(m_target, files, password, {}, job.completion());
    if (!QTest::qWaitFor([&] { return job.outcome.has_value(); }, 60000) || !job.succeeded())
        return {};
    return archiver.compressPath().value_or(QString());
}

JobRecord TestLzmaArchiver::extract(const QString& archive, LzmaArchiver& archiver)
{
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    [[maybe_unused]] const bool ended = QTest::qWaitFor([&] { return job.outcome.has_value(); }, 60000);
    return job;
}

void TestLzmaArchiver::roundTrip_data()
{
    QTest::addColumn<QString>("password");
    // Empty means none: nothing is encrypted and extracting asks nothing.
    QTest::newRow("empty password") << QString();
    QTest::newRow("password") << u"密码 pass"_s;
}

void TestLzmaArchiver::roundTrip()
{
    QFETCH(QString, password);
    const QString tree = makeTree(u"Photos"_s);
    const QString archive = compress({ tree }, password);
    QCOMPARE(archive, m_target + u"/Photos.7z"_s);
    QByteArray listing;
    QCOMPARE(FileTree::run(u"7zz"_s, { u"l"_s, u"-slt"_s, u"-p-"_s, archive }, &listing), 0);
    QCOMPARE(listing.contains("Encrypted = +"), !password.isEmpty());

    // Two jobs at once, each in its own folder and with its own result.
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, password }, { AlertResult::ok, password } });
    LzmaArchiver first, second;
    JobRecord firstJob, secondJob;
    first.decompress(m_target, archive, firstJob.onBegin(), {}, firstJob.completion());
    second.decompress(m_target, archive, {}, {}, secondJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(firstJob.outcome && secondJob.outcome, 60000);
    QVERIFY(firstJob.succeeded() && secondJob.succeeded());
    QCOMPARE(prompt.messages().size(), password.isEmpty() ? 0 : 2);
    QCOMPARE(firstJob.events, QStringList({ u"begin"_s, u"completion"_s }));
    QCOMPARE(FileTree::snapshot(m_target + u"/Photos/Photos"_s), FileTree::snapshot(tree));
    QCOMPARE(FileTree::snapshot(m_target + u"/Photos 1/Photos"_s), FileTree::snapshot(tree));
}

void TestLzmaArchiver::promptAnswers_data()
{
    QTest::addColumn<bool>("encryptedNames");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");

    QTest::newRow("wrong") << false << int(AlertResult::ok) << u"guess"_s
                           << int(ArchiveErrorType::decompressUnknown);
    QTest::newRow("empty") << false << int(AlertResult::ok) << QString()
                           << int(ArchiveErrorType::passwordEmpty);
    QTest::newRow("cancel") << false << int(AlertResult::cancel) << QString()
                            << int(ArchiveErrorType::cancelled);
    QTest::newRow("no window") << false << int(AlertResult::fail) << QString()
                               << int(ArchiveErrorType::cancelled);
    // Names and content share the password: asked once.
    QTest::newRow("names, right") << true << int(AlertResult::ok) << u"s3cret"_s
                                  << int(ArchiveErrorType::none);
    // A wrong password for the names fails at opening: the archive can't be read.
    QTest::newRow("names, wrong") << true << int(AlertResult::ok) << u"guess"_s
                                  << int(ArchiveErrorType::badArchive);
}

void TestLzmaArchiver::promptAnswers()
{
    QFETCH(bool, encryptedNames);
    QFETCH(int, result);
    QFETCH(QString, text);
    QFETCH(int, error);

    const QString archive = m_dir->filePath(u"Secret.7z"_s);
    QStringList arguments { u"a"_s, u"-t7z"_s, u"-ps3cret"_s, archive, makeTree(u"Secret"_s) };
    if (encryptedNames)
        arguments.append(u"-mhe=on"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, arguments), 0);

    ScriptedPasswordPrompt prompt({ { AlertResult(result), text } });
    LzmaArchiver archiver;
    const JobRecord job = extract(archive, archiver);
    QVERIFY(job.outcome.has_value());
    QCOMPARE(prompt.messages().size(), 1);
    // Only names that cannot be read stop the job before it begins.
    QCOMPARE(job.events.contains(u"begin"_s), error != ArchiveErrorType::badArchive);
    if (error == ArchiveErrorType::none) {
        QVERIFY(job.succeeded());
        QCOMPARE(FileTree::snapshot(m_target + u"/Secret/Secret"_s).value(u"readme.txt"_s), "hello\n");
    } else {
        QVERIFY2(job.failedWith(ArchiveErrorType::Value(error)), qPrintable(job.outcome->second.message()));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestLzmaArchiver::emptyArchiveGivesEmptyFolder()
{
    const QString nothing = m_dir->filePath(u"nothing"_s);
    QDir().mkpath(nothing);
    const QString archive = m_dir->filePath(u"Empty.7z"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"a"_s, u"-t7z"_s, archive, u"."_s }, nullptr, nothing), 0);

    LzmaArchiver archiver;
    const JobRecord job = extract(archive, archiver);
    QVERIFY(job.succeeded());
    QCOMPARE(job.events, QStringList { u"completion"_s });
    QVERIFY(QFileInfo(m_target + u"/Empty"_s).isDir());
    QCOMPARE(FileTree::entries(m_target + u"/Empty"_s), QStringList());
}

void TestLzmaArchiver::damagedArchivesFail_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("garbage") << u"garbage"_s;
    QTest::newRow("truncated") << u"truncated"_s;
}

void TestLzmaArchiver::damagedArchivesFail()
{
    QFETCH(QString, kind);
    QString archive = compress({ makeTree(u"Photos"_s) }, QString());
    QFile file(archive);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (kind == u"garbage")
        file.write(FileTree::randomBytes(4096, 3));
    else
        file.resize(file.size() / 2);
    file.close();

    LzmaArchiver archiver;
    const JobRecord job = extract(archive, archiver);
    QVERIFY(job.failedWith(ArchiveErrorType::badArchive)
            || job.failedWith(ArchiveErrorType::decompressUnknown));
    QCOMPARE(FileTree::entries(m_target), QStringList { u"Photos.7z"_s });
}

void TestLzmaArchiver::cancelledJobsLeaveNothing()
{
    const QString big = m_dir->filePath(u"Big"_s);
    for (int i = 0; i < 16; ++i)
        FileTree::writeFile(big, u"part%1.bin"_s.arg(i), FileTree::randomBytes(4 * 1024 * 1024, i));

    LzmaArchiver compressor;
    JobRecord compressJob;
    compressor.compress(
        m_target, { big }, QString(), [&](float) { compressor.cancelCompress(); }, compressJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(compressJob.outcome.has_value(), 60000);
    QVERIFY(compressJob.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList());

    const QString archive = m_dir->filePath(u"Big.7z"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"a"_s, u"-t7z"_s, u"-mx=1"_s, archive, big }), 0);
    LzmaArchiver extractor;
    JobRecord extractJob;
    extractor.decompress(
        m_target, archive, {}, [&](float) { extractor.cancelDecompress(); }, extractJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(extractJob.outcome.has_value(), 60000);
    QVERIFY(extractJob.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

QTEST_GUILESS_MAIN(TestLzmaArchiver)
#include "tst_lzmaarchiver.moc"
