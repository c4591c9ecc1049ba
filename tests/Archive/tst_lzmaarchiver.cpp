#include "Archive/LzmaArchiver.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "ScriptedPasswordPrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Whether 7-Zip lists any entry of the archive as encrypted.
bool listsEncryptedEntries(const QString& archive)
{
    QByteArray listing;
    FileTree::run(u"7zz"_s, { u"l"_s, u"-slt"_s, u"-p-"_s, archive }, &listing);
    return listing.contains("Encrypted = +");
}
} // namespace

class TestLzmaArchiver : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyPasswordMeansNoEncryption();
    void passwordEncryptsTheContent();
    void sameNamedInputsAreBothKept();
    void promptAnswers_data();
    void promptAnswers();
    void encryptedNamesAskOnce();
    void emptyArchiveGivesEmptyFolder();
    void damagedArchivesFail_data();
    void damagedArchivesFail();
    void cancelledJobsLeaveNothing();
    void concurrentJobsGetTheirOwnFolders();

private:
    QString makeTree(const QString& name);
    QString compress(const QStringList& files, const std::optional<QString>& password);
    QString makeArchive(const QStringList& switches);
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
    FileTree::writeFile(root, u"图片/大海.bin"_s, randomBytes(200 * 1024, 7));
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

QString TestLzmaArchiver::makeArchive(const QStringList& switches)
{
    const QString source = makeTree(u"Secret"_s);
    const QString archive = m_dir->filePath(u"Secret.7z"_s);
    FileTree::run(u"7zz"_s, QStringList { u"a"_s, u"-t7z"_s } + switches + QStringList { archive, source });
    return archive;
}

JobRecord TestLzmaArchiver::extract(const QString& archive, LzmaArchiver& archiver)
{
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    [[maybe_unused]] const bool ended = QTest::qWaitFor([&] { return job.outcome.has_value(); }, 60000);
    return job;
}

void TestLzmaArchiver::emptyPasswordMeansNoEncryption()
{
    const QString tree = makeTree(u"Photos"_s);
    const QString archive = compress({ tree }, QString());
    QCOMPARE(archive, m_target + u"/Photos.7z"_s);
    QVERIFY(!listsEncryptedEntries(archive));

    ScriptedPasswordPrompt prompt; // any question would fail the extraction
    LzmaArchiver archiver;
    const JobRecord job = extract(archive, archiver);
    QVERIFY(job.succeeded());
    QCOMPARE(prompt.messages(), QStringList());
    QCOMPARE(job.events, QStringList({ u"begin"_s, u"completion"_s }));
    QCOMPARE(FileTree::snapshot(m_target + u"/Photos/Photos"_s), FileTree::snapshot(tree));
}

void TestLzmaArchiver::passwordEncryptsTheContent()
{
    const QString archive = compress({ makeTree(u"Photos"_s) }, u"密码 pass"_s);
    QVERIFY(listsEncryptedEntries(archive));
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, u"密码 pass"_s } });
    LzmaArchiver archiver;
    QVERIFY(extract(archive, archiver).succeeded());
    QCOMPARE(prompt.messages(), QStringList { u"enter_password"_s });
}

void TestLzmaArchiver::sameNamedInputsAreBothKept()
{
    FileTree::writeFile(m_dir->filePath(u"a"_s), u"notes.txt"_s, "first");
    FileTree::writeFile(m_dir->filePath(u"b"_s), u"notes.txt"_s, "second");
    const QString archive
        = compress({ m_dir->filePath(u"a/notes.txt"_s), m_dir->filePath(u"b/notes.txt"_s) }, QString());
    QByteArray listing;
    FileTree::run(u"7zz"_s, { u"l"_s, u"-slt"_s, archive }, &listing);
    QCOMPARE(listing.count("Path = notes.txt\n"), 2);
}

void TestLzmaArchiver::promptAnswers_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("begins");

    QTest::newRow("right") << int(AlertResult::ok) << u"s3cret"_s << int(ArchiveErrorType::none) << true;
    QTest::newRow("wrong") << int(AlertResult::ok) << u"guess"_s << int(ArchiveErrorType::decompressUnknown)
                           << true;
    QTest::newRow("empty") << int(AlertResult::ok) << QString() << int(ArchiveErrorType::passwordEmpty)
                           << true;
    QTest::newRow("cancel") << int(AlertResult::cancel) << QString() << int(ArchiveErrorType::cancelled)
                            << true;
    QTest::newRow("no window") << int(AlertResult::fail) << QString() << int(ArchiveErrorType::cancelled)
                               << true;
}

void TestLzmaArchiver::promptAnswers()
{
    QFETCH(int, result);
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(bool, begins);

    const QString archive = makeArchive({ u"-ps3cret"_s });
    ScriptedPasswordPrompt prompt({ { AlertResult(result), text } });
    LzmaArchiver archiver;
    const JobRecord job = extract(archive, archiver);
    QVERIFY(job.outcome.has_value());
    QCOMPARE(job.events.contains(u"begin"_s), begins);
    if (error == ArchiveErrorType::none) {
        QVERIFY(job.succeeded());
        QCOMPARE(FileTree::snapshot(m_target + u"/Secret/Secret"_s).value(u"readme.txt"_s), "hello\n");
    } else {
        QVERIFY2(job.failedWith(ArchiveErrorType::Value(error)), qPrintable(job.outcome->second.message()));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestLzmaArchiver::encryptedNamesAskOnce()
{
    const QString archive = makeArchive({ u"-ps3cret"_s, u"-mhe=on"_s });
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, u"s3cret"_s } });
    LzmaArchiver archiver;
    QVERIFY(extract(archive, archiver).succeeded());
    QCOMPARE(prompt.messages().size(), 1);

    // A wrong password for the names fails at opening: the archive can't be read.
    ScriptedPasswordPrompt wrong({ { AlertResult::ok, u"guess"_s } });
    LzmaArchiver second;
    QVERIFY(extract(archive, second).failedWith(ArchiveErrorType::badArchive));
    QCOMPARE(FileTree::entries(m_target), QStringList { u"Secret"_s });
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
        file.write(randomBytes(4096, 3));
    else
        file.resize(file.size() / 2);
    file.close();

    LzmaArchiver archiver;
    const JobRecord job = extract(archive, archiver);
    QVERIFY(!job.succeeded());
    QVERIFY(job.failedWith(ArchiveErrorType::badArchive)
            || job.failedWith(ArchiveErrorType::decompressUnknown));
    QCOMPARE(FileTree::entries(m_target), QStringList { u"Photos.7z"_s });
}

void TestLzmaArchiver::cancelledJobsLeaveNothing()
{
    const QString big = m_dir->filePath(u"Big"_s);
    for (int i = 0; i < 16; ++i)
        FileTree::writeFile(big, u"part%1.bin"_s.arg(i), randomBytes(4 * 1024 * 1024, i));

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

void TestLzmaArchiver::concurrentJobsGetTheirOwnFolders()
{
    // Two 7z jobs at once, each in its own folder and with its own result.
    const QString archive = compress({ makeTree(u"Photos"_s) }, QString());
    LzmaArchiver first, second;
    JobRecord firstJob, secondJob;
    first.decompress(m_target, archive, {}, {}, firstJob.completion());
    second.decompress(m_target, archive, {}, {}, secondJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(firstJob.outcome && secondJob.outcome, 60000);
    QVERIFY(firstJob.succeeded() && secondJob.succeeded());
    QVERIFY(first.decompressPath() != second.decompressPath());
}

QTEST_GUILESS_MAIN(TestLzmaArchiver)
#include "tst_lzmaarchiver.moc"
