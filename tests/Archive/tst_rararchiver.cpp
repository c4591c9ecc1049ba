#include "Archive/ArchiveFile.h"
#include "Archive/RARArchiver.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "RarFixture.h"
#include "ScriptedPasswordPrompt.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QList<RarFixtureEntry> sampleEntries()
{
    return {
        { u"docs"_s, {}, true, {} },
        { u"docs/说明.txt"_s, "read me\n", false, {} },
        { u"docs/empty"_s, {}, true, {} },
        { u"data.bin"_s, randomBytes(256 * 1024, 1), false, {} },
    };
}
} // namespace

Q_DECLARE_METATYPE(RarVersion)

class TestRARArchiver : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void extractsPlainArchives_data();
    void extractsPlainArchives();
    void unreadableArchiveFailsAtOnce();
    void noPasswordGivenLeavesNothing_data();
    void noPasswordGivenLeavesNothing();
    void encryptedArchives_data();
    void encryptedArchives();
    void cancelledExtractionLeavesNothing();

private:
    QString writeFixture(RarVersion version, const QList<RarFixtureEntry>& entries,
                         const RarFixtureOptions& options = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestRARArchiver::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(m_target));
}

QString TestRARArchiver::writeFixture(RarVersion version, const QList<RarFixtureEntry>& entries,
                                      const RarFixtureOptions& options)
{
    // One archive per folder: lsar looks at neighbours when it guesses volumes.
    const QString folder = m_dir->filePath(u"fixture"_s);
    QDir().mkpath(folder);
    const QString path = folder + u"/Report.rar"_s;
    return writeRar(path, version, entries, options) ? path : QString();
}

void TestRARArchiver::extractsPlainArchives_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::newRow("RAR4") << RarVersion::rar4;
    QTest::newRow("RAR5") << RarVersion::rar5;
}

void TestRARArchiver::extractsPlainArchives()
{
    QFETCH(RarVersion, version);
    const QString archive = writeFixture(version, sampleEntries());
    QVERIFY(!archive.isEmpty());

    RARArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), job.progressCallback(), job.completion());
    QCOMPARE(job.events, QStringList { u"begin"_s });
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.succeeded());
    QCOMPARE(archiver.decompressPath(), m_target + u"/Report"_s);

    const auto tree = FileTree::snapshot(m_target + u"/Report"_s);
    QCOMPARE(tree.value(u"docs/说明.txt"_s), "read me\n");
    QCOMPARE(tree.value(u"docs/empty"_s), "<dir>");
    QCOMPARE(tree.value(u"data.bin"_s), sampleEntries().last().data);
    QVERIFY(!job.progress.isEmpty());
    QCOMPARE(job.progress.last(), 1.0f);
}

void TestRARArchiver::unreadableArchiveFailsAtOnce()
{
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Broken.rar"_s, randomBytes(4096, 9)));
    RARArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, m_dir->filePath(u"Broken.rar"_s), job.onBegin(), {}, job.completion());
    QVERIFY(job.failedWith(ArchiveErrorType::originPathError));
    QCOMPARE(job.events, QStringList { u"completion"_s });
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

void TestRARArchiver::noPasswordGivenLeavesNothing_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("empty password") << int(AlertResult::ok);
    QTest::newRow("prompt cancelled") << int(AlertResult::cancel);
}

// An empty password ends the job at once; a cancelled prompt ends it without a result.
void TestRARArchiver::noPasswordGivenLeavesNothing()
{
    QFETCH(int, answer);
    const QString archive = writeFixture(RarVersion::rar4, sampleEntries(), { u"s3cret"_s });
    ScriptedPasswordPrompt prompt({ { AlertResult(answer), QString() } });
    RARArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    QTRY_COMPARE(prompt.messages(), QStringList { u"enter_password"_s });
    if (AlertResult(answer) == AlertResult::ok) {
        QTRY_VERIFY(job.failedWith(ArchiveErrorType::passwordEmpty));
        QCOMPARE(job.events, QStringList { u"completion"_s });
    }
    QTRY_COMPARE(FileTree::entries(m_target), QStringList());
    QTest::qWait(50);
    QCOMPARE(job.events.isEmpty(), AlertResult(answer) != AlertResult::ok);
}

void TestRARArchiver::encryptedArchives_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<bool>("encryptHeaders");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("error");

    for (const RarVersion version : { RarVersion::rar4, RarVersion::rar5 }) {
        const char* name = version == RarVersion::rar4 ? "RAR4" : "RAR5";
        for (const bool headers : { false, true }) {
            const char* what = headers ? "names" : "entries";
            QTest::addRow("%s encrypted %s, right", name, what)
                << version << headers << u"s3cret"_s << int(ArchiveErrorType::none);
            QTest::addRow("%s encrypted %s, wrong", name, what)
                << version << headers << u"wrong"_s << int(ArchiveErrorType::passwordInvalid);
        }
    }
}

void TestRARArchiver::encryptedArchives()
{
    QFETCH(RarVersion, version);
    QFETCH(bool, encryptHeaders);
    QFETCH(QString, password);
    QFETCH(int, error);

    const QString archive = writeFixture(version, sampleEntries(), { u"s3cret"_s, encryptHeaders });
    QVERIFY(!archive.isEmpty());
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, password } });
    RARArchiver archiver;
    JobRecord job;
    archiver.decompress(m_target, archive, job.onBegin(), {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QCOMPARE(prompt.messages().size(), 1);
    if (error == ArchiveErrorType::none) {
        QVERIFY2(job.succeeded(), qPrintable(job.outcome->second.message()));
        const auto tree = FileTree::snapshot(m_target + u"/Report"_s);
        QCOMPARE(tree.value(u"docs/说明.txt"_s), "read me\n");
        QCOMPARE(tree.value(u"data.bin"_s), sampleEntries().last().data);
    } else {
        QVERIFY2(job.failedWith(ArchiveErrorType::Value(error)), qPrintable(job.outcome->second.message()));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestRARArchiver::cancelledExtractionLeavesNothing()
{
    QList<RarFixtureEntry> entries;
    for (int i = 0; i < 24; ++i)
        entries.append({ u"part%1.bin"_s.arg(i), randomBytes(2 * 1024 * 1024, i), false, {} });
    const QString archive = writeFixture(RarVersion::rar5, entries);

    RARArchiver archiver;
    JobRecord job;
    archiver.decompress(
        m_target, archive, {}, [&](float) { archiver.cancelDecompress(); }, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.failedWith(ArchiveErrorType::cancelled));
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

QTEST_GUILESS_MAIN(TestRARArchiver)
#include "tst_rararchiver.moc"
