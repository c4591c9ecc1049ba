#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarOutcome.h"
#include "Archive/Rar/RarProgress.h"
#include "Archive/Rar/RarProgressMeter.h"
#include "Archive/Rar/UnarExtractor.h"
#include "FileTree.h"
#include "RarBytes.h"
#include "RarFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace RarBytes;

using FileMap = QMap<QString, QByteArray>;

Q_DECLARE_METATYPE(RarVersion)

namespace {

RarFixtureEntry file(const QString& name, const QByteArray& data)
{
    return { name, data, false, {} };
}

const QList<RarFixtureEntry> kSample = rarSampleEntries(70000);

ino_t inodeOf(const QString& path)
{
    struct stat status = {};
    return lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

const QString kPassword = u"Kestrel§pw-42 😀"_s;

struct Extraction
{
    bool isPasswordProtected = false;
    bool succeeded = false;
    int errorCode = 0;
    QList<double> fractions;

    // Progress was reported, above 0 from the first report, never went back, and ended at 1.
    bool progressRoseToOne() const
    {
        return !fractions.isEmpty() && std::is_sorted(fractions.cbegin(), fractions.cend())
            && fractions.constFirst() > 0.0 && fractions.constLast() == 1.0;
    }
};

// Opens `archivePath` (failing the test when that fails) and extracts it
// into `folder`.
Extraction extract(const QString& archivePath, const QString& folder)
{
    Extraction result;
    const std::unique_ptr<RarArchive> archive = RarArchive::open(archivePath, &result.errorCode);
    if (!archive) {
        QTest::qFail(qPrintable(u"open failed with %1"_s.arg(result.errorCode)), __FILE__, __LINE__);
        return result;
    }
    const auto progress = std::make_shared<RarProgress>();
    progress->setFractionObserver([&result](double fraction) { result.fractions.append(fraction); });
    archive->setProgress(progress);
    result.isPasswordProtected = archive->isPasswordProtected();
    const std::optional<RarArchive::ErrorCode> error = archive->extractFilesTo(folder);
    result.succeeded = !error;
    result.errorCode = error.value_or(RarArchive::ErrorCode(0));
    progress->setFractionObserver({});
    return result;
}

// Staging folders an extraction left beside `folder`.
QStringList stagingLeftovers(const QString& folder)
{
    return QFileInfo(folder).dir().entryList({ u".kestrel-staging-*"_s }, QDir::AllEntries | QDir::Hidden);
}

// A RAR5 file header and the file's data; for a link (`linkType` 1: Unix
// symbolic link, 4: hard link) a redirection record: type, no flags, target.
QByteArray rar5File(const QByteArray& name, const QByteArray& data, quint64 linkType = 0,
                    const QByteArray& target = {})
{
    QByteArray extra;
    if (linkType != 0) {
        const QByteArray record = vints({ 5, linkType, 0, quint64(target.size()) }) + target;
        extra = vints({ quint64(record.size()) }) + record;
    }
    // "CRC present", unpacked size, mode, CRC, compression, host OS, name.
    QByteArray fields = vints({ 0x04, quint64(data.size()), linkType == 1 ? 0120777u : 0100644u });
    appendLe32(fields, crc32(data));
    fields += vints({ 0, 1, quint64(name.size()) }) + name;
    return rar5Block(2, 0, fields, data.size(), extra) + data;
}

// "file.txt", a hard link "hard.txt" and a symbolic link "sym.txt" to it.
// The fixture builder writes no links.
QByteArray rar5WithLinks()
{
    return QByteArray("Rar!\x1a\x07\x01\x00", 8) + rar5Block(1, 0, vints({ 0 }))
        + rar5File("file.txt", "content") + rar5File("hard.txt", {}, 4, "file.txt")
        + rar5File("sym.txt", {}, 1, "file.txt") + rar5Block(5, 0, vints({ 0 }));
}

// A RAR 3.x archive of a Unix file whose attributes hold permission bits
// only, as some writers stored them.
QByteArray rar3WithoutFileType(const QByteArray& content)
{
    const QByteArray name = "notes.txt";
    QByteArray fields;
    appendLe32(fields, quint32(content.size())); // PACK_SIZE
    appendLe32(fields, quint32(content.size())); // UNP_SIZE
    fields.append(char(3)); // HOST_OS: Unix
    appendLe32(fields, crc32(content));
    appendLe32(fields, 0x52a10000); // FTIME
    fields.append(char(29)).append(char(0x30)); // UNP_VER 2.9, METHOD store
    appendLe16(fields, quint16(name.size()));
    appendLe32(fields, 0644); // ATTR: no S_IFREG
    return QByteArray("Rar!\x1a\x07\x00", 7) + rar4Block(0x73, 0, QByteArray(6, '\0'))
        + rar4Block(0x74, 0x8000, fields + name) + content + rar4Block(0x7b, 0x4000, {});
}

} // namespace

class tst_RarArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void extractsEverything_data();
    void extractsEverything();
    void refusesWhatIsNoReadableRar();
    void handBuiltArchives_data();
    void handBuiltArchives();
    void cancelStopsAndLeavesNothing();
    void unarTakesThePasswordAtItsPrompt_data();
    void unarTakesThePasswordAtItsPrompt();

private:
    // Writes `content` into the input folder; empty when that fails.
    QString input(const QString& name, const QByteArray& content);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_destination;
};

void tst_RarArchive::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_destination = m_root->filePath(u"out"_s);
    QVERIFY(QDir().mkdir(m_destination));
    QVERIFY(QDir().mkdir(m_root->filePath(u"in"_s)));
}

QString tst_RarArchive::input(const QString& name, const QByteArray& content)
{
    return FileTree::writeFile(m_root->filePath(u"in"_s), name, content) ? m_root->filePath(u"in/"_s + name)
                                                                         : QString();
}

void tst_RarArchive::extractsEverything_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<bool>("solid");
    QTest::addColumn<qsizetype>("volumeSize");
    QTest::addColumn<QByteArray>("stub");

    QTest::newRow("RAR4 solid") << RarVersion::rar4 << true << qsizetype(0) << QByteArray();
    QTest::newRow("RAR5 solid") << RarVersion::rar5 << true << qsizetype(0) << QByteArray();
    QTest::newRow("RAR4 volumes") << RarVersion::rar4 << false << qsizetype(20000) << QByteArray();
    // libarchive reads RAR5 part 1 alone as an empty archive.
    QTest::newRow("RAR5 volumes") << RarVersion::rar5 << false << qsizetype(20000) << QByteArray();
    QTest::newRow("RAR4 self-extracting")
        << RarVersion::rar4 << false << qsizetype(0) << rarSelfExtractorStub();
}

void tst_RarArchive::extractsEverything()
{
    QFETCH(RarVersion, version);
    QFETCH(bool, solid);
    QFETCH(qsizetype, volumeSize);
    QFETCH(QByteArray, stub);
    RarFixtureOptions options;
    options.solid = solid;
    QString archive;
    if (volumeSize > 0) {
        const QStringList volumes
            = writeRarVolumes(m_root->filePath(u"in"_s), u"sample"_s, version, kSample, volumeSize, options);
        QVERIFY(volumes.size() > 2);
        archive = volumes.constFirst();
    } else {
        archive = input(u"sample.rar"_s, stub + buildRar(version, kSample, options));
    }

    const Extraction result = extract(archive, m_destination);
    QVERIFY2(result.succeeded, qPrintable(QString::number(result.errorCode)));
    QVERIFY(!result.isPasswordProtected);
    QCOMPARE(FileTree::snapshot(m_destination), extractedTree(kSample));
    QVERIFY2(result.progressRoseToOne(), qPrintable(QString::number(result.fractions.size())));
    QCOMPARE(QFileInfo(m_destination + u"/readme.txt"_s).lastModified(), kSample.constFirst().modified);
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
}

// The catalog tells damage; any of it, or no archive to read, refuses the open.
void tst_RarArchive::refusesWhatIsNoReadableRar()
{
    const QByteArray rar5 = buildRar(RarVersion::rar5, kSample);
    int code = 0;
    QVERIFY(!RarArchive::open(input(u"cut.rar"_s, rar5.left(rar5.size() - 40000)), &code));
    QCOMPARE(code, int(RarArchive::unknownFormat));
    QVERIFY(!RarArchive::open(m_root->filePath(u"in/missing.rar"_s), &code));
    QCOMPARE(code, int(RarArchive::openFailed));
    QVERIFY(!RarArchive::open(m_root->filePath(u"in"_s), &code));
    QCOMPARE(code, int(RarArchive::openFailed));
}

void tst_RarArchive::handBuiltArchives_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<FileMap>("expected");

    // Behind a self-extractor's program only unar reads the archive, and it
    // names climbing entries its own way ("../" becomes "__Parent__/"): the
    // check that nothing went missing must still find them.
    QTest::newRow("climbing name, renamed by unar") << rarSelfExtractorStub()
            + buildRar(RarVersion::rar4, { file(u"../up.txt"_s, "up one\n"), file(u"ok.txt"_s, "fine\n") })
                                                    << FileMap { { u"__Parent__"_s, "<dir>" },
                                                                 { u"__Parent__/up.txt"_s, "up one\n" },
                                                                 { u"ok.txt"_s, "fine\n" } };
    QTest::newRow("links") << rar5WithLinks()
                           << FileMap { { u"file.txt"_s, "content" },
                                        { u"hard.txt"_s, "content" },
                                        { u"sym.txt"_s, "-> file.txt" } };
    // libarchive takes a Unix file's type from its attributes; without one an
    // entry comes without an error, and would be dropped.
    const QByteArray content = QByteArray("sixty-four bytes of text that must not go missing on the way out");
    QTest::newRow("entry of no type")
        << rar3WithoutFileType(content) << FileMap { { u"notes.txt"_s, content } };
}

// Extracted whole, and nothing beside the destination.
void tst_RarArchive::handBuiltArchives()
{
    QFETCH(QByteArray, archive);
    QFETCH(FileMap, expected);
    const Extraction result = extract(input(u"odd.rar"_s, archive), m_destination);
    QVERIFY2(result.succeeded, qPrintable(QString::number(result.errorCode)));
    QCOMPARE(FileTree::entries(m_root->path()), QStringList({ u"in"_s, u"out"_s }));
    QCOMPARE(FileTree::snapshot(m_destination), expected);
    // A hard link, not an empty file or a copy.
    if (expected.contains(u"hard.txt"_s))
        QCOMPARE(inodeOf(m_destination + u"/hard.txt"_s), inodeOf(m_destination + u"/file.txt"_s));
}

void tst_RarArchive::cancelStopsAndLeavesNothing()
{
    const QList<RarFixtureEntry> entries = {
        file(u"first.txt"_s, "first\n"),
        file(u"big.bin"_s, QByteArray(48 * 1024 * 1024, '\x01')),
        file(u"last.txt"_s, "last\n"),
    };
    const auto progress = std::make_shared<RarProgress>();
    double cancelledAt = 0.0;
    progress->setFractionObserver([&](double fraction) {
        if (fraction > 0.2 && !progress->isCancelled()) {
            cancelledAt = fraction;
            progress->cancel();
        }
    });
    int code = 0;
    const std::unique_ptr<RarArchive> opened
        = RarArchive::open(input(u"big.rar"_s, buildRar(RarVersion::rar5, entries)), &code);
    QVERIFY(opened);
    opened->setProgress(progress);

    QCOMPARE(opened->extractFilesTo(m_destination), std::nullopt);
    QVERIFY(cancelledAt > 0.2 && cancelledAt < 0.9);
    QVERIFY(progress->fractionCompleted() < 0.9);
    QCOMPARE(FileTree::entries(m_destination) + stagingLeftovers(m_destination), QStringList());
}

void tst_RarArchive::unarTakesThePasswordAtItsPrompt_data()
{
    QTest::addColumn<QString>("atPrompt");
    QTest::newRow("answered") << QString();
    QTest::newRow("cancelled while unar waits") << u"cancel"_s;
    QTest::newRow("unar killed as it is answered") << u"kill"_s;
}

// RarArchive decrypts single archives itself; unar still serves volume sets
// and kinds the decryptor refuses, so its dialogue is tested directly. The
// password goes through the terminal only, never the command line or environment.
void tst_RarArchive::unarTakesThePasswordAtItsPrompt()
{
    QFETCH(QString, atPrompt);
    const auto progress = std::make_shared<RarProgress>();
    RarProgressMeter meter(progress);
    UnarExtractor extractor(meter, 0);
    qint64 child = 0;
    QByteArray commandLine;
    QByteArray environment;
    QElapsedTimer sinceCancel;
    extractor.setPromptObserver([&](qint64 pid) {
        child = pid;
        commandLine = FileTree::readFile(u"/proc/%1/cmdline"_s.arg(pid));
        environment = FileTree::readFile(u"/proc/%1/environ"_s.arg(pid));
        if (atPrompt == u"cancel") {
            progress->cancel();
            sinceCancel.start();
        } else if (atPrompt == u"kill") {
            ::kill(pid_t(pid), SIGKILL);
        }
    });
    const RarOutcome outcome
        = extractor.extract(input(u"encrypted.rar"_s, buildRar(RarVersion::rar5, kSample, { kPassword })),
                            m_destination, kPassword);

    QVERIFY(commandLine.contains("unar") && !environment.isEmpty());
    const QByteArray seenByUnar = commandLine + '\0' + environment;
    QVERIFY(!seenByUnar.contains(kPassword.toUtf8()) && !seenByUnar.contains("Kestrel"));
    if (atPrompt.isEmpty()) {
        QVERIFY(outcome.succeeded());
        QCOMPARE(FileTree::snapshot(m_destination), extractedTree(kSample));
        return;
    }
    if (atPrompt == u"kill") {
        // A crash says nothing about the password.
        QVERIFY(outcome.failed());
        QCOMPARE(outcome.errorCode, int(RarArchive::unknown));
    } else {
        QVERIFY(outcome.cancelled());
        QVERIFY2(sinceCancel.elapsed() < 3000, qPrintable(QString::number(sinceCancel.elapsed())));
    }
    // Reaped, not left running or as a zombie.
    QCOMPARE(kill(pid_t(child), 0), -1);
    QCOMPARE(errno, ESRCH);
}

QTEST_GUILESS_MAIN(tst_RarArchive)
#include "tst_rararchive.moc"
