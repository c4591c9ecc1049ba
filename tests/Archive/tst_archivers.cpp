#include "Archive/ArchiveFile.h"
#include "Archive/Job/ArchiveJob.h"
#include "Archive/Job/ArchiverFactory.h"
#include "Archive/Run/Archiver.h"
#include "ChildProcess.h"
#include "FileTree.h"
#include "JobRecord.h"
#include "NearlyFullDisk.h"
#include "RarFixture.h"
#include "ScriptedPasswordPrompt.h"
#include "SevenZipFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
constexpr int kNoResult = -1;

// Formats are "zip", "7z", "rar4" and "rar5"; the archive's extension is the first three letters.
std::unique_ptr<Archiver> archiverFor(const QString& format)
{
    return ArchiverFactory::make(*ArchiveType::fromRawValue(format.left(3)));
}

QList<RarFixtureEntry> holidayEntries()
{
    return {
        { u"Holiday"_s, {}, true, {} },
        { u"Holiday/notes.txt"_s, "beach\n", false, {} },
        { u"Holiday/照片"_s, {}, true, {} },
        { u"Holiday/照片/海边.jpg"_s, FileTree::randomBytes(300 * 1024, 42), false, {} },
        { u"Holiday/empty"_s, {}, true, {} },
        { u"Holiday/empty/inner"_s, {}, true, {} },
    };
}

// Many files of 8 KiB: each costs the engine a create and a close, so a job
// runs long enough to be interfered with.
QList<RarFixtureEntry> manyEntries()
{
    QList<RarFixtureEntry> entries;
    for (int i = 0; i < 4000; ++i)
        entries.append(
            { u"Big/d%1/part%2.bin"_s.arg(i % 40).arg(i), FileTree::randomBytes(8 * 1024, i), false, {} });
    return entries;
}

} // namespace

Q_DECLARE_METATYPE(RarFixtureOptions)

// What the archivers themselves decide, each format against its real engine:
// argument checks, the folders they reserve, prompt answers, the order of
// begin and completion, and how engine failures reach the caller. Whatever
// goes wrong around a running job ends it with an error (or as cancelled) and
// leaves nothing behind.
class TestArchivers : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void roundTrip_data();
    void roundTrip();
    void unusableArgumentsFail_data();
    void unusableArgumentsFail();
    void passwordAnswers_data();
    void passwordAnswers();
    void damagedOrEmptyArchives_data();
    void damagedOrEmptyArchives();
    void cancelledJobsLeaveNothing_data();
    void cancelledJobsLeaveNothing();
    void interferenceEndsExtraction_data();
    void interferenceEndsExtraction();
    void jobEndsOnce_data();
    void jobEndsOnce();

private:
    QString writeArchive(const QString& name, const QString& format, const QList<RarFixtureEntry>& entries,
                         const RarFixtureOptions& options = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestArchivers::init()
{
    // Jobs run on pool threads: a warning (an object used across threads) is a fault.
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(m_target));
}

// `entries` packed by a real tool into in/`name`.<extension>: 7zz for zip and
// 7z, our writer for RAR, which no free tool creates.
QString TestArchivers::writeArchive(const QString& name, const QString& format,
                                    const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options)
{
    const QString archive = m_dir->filePath(u"in/"_s + name + u'.' + format.left(3));
    QDir().mkpath(m_dir->filePath(u"in"_s));
    if (format.startsWith(u"rar"_s)) {
        const RarVersion version = format == u"rar4"_s ? RarVersion::rar4 : RarVersion::rar5;
        return writeRar(archive, version, entries, options) ? archive : QString();
    }
    const QString content = m_dir->filePath(u"pack"_s);
    QStringList switches { u"-t"_s + format, u"-mx=0"_s };
    if (!options.password.isEmpty())
        switches << u"-p"_s + options.password;
    if (options.encryptHeaders)
        switches << u"-mhe=on"_s;
    const bool made = FileTree::write(content, extractedTree(entries))
        && SevenZipFixtures::pack(archive, content, switches);
    ArchiveFile::deletePath(content);
    return made ? archive : QString();
}

void TestArchivers::roundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("password"); // given to compress
    QTest::addColumn<bool>("encrypted");

    // Zip archives are written without encryption; for 7z an empty password means none.
    QTest::newRow("zip, password ignored") << u"zip"_s << u"secret"_s << false;
    QTest::newRow("7z, empty password") << u"7z"_s << QString() << false;
    QTest::newRow("7z, password") << u"7z"_s << u"密码 pass"_s << true;
    QTest::newRow("rar4") << u"rar4"_s << QString() << false;
    QTest::newRow("rar5") << u"rar5"_s << QString() << false;
}

void TestArchivers::roundTrip()
{
    QFETCH(QString, format);
    QFETCH(QString, password);
    QFETCH(bool, encrypted);

    const QString tree = m_dir->filePath(u"src/Holiday"_s);
    QVERIFY(FileTree::write(m_dir->filePath(u"src"_s), extractedTree(holidayEntries())));
    QString archive;
    if (format.startsWith(u"rar"_s)) {
        archive = writeArchive(u"Holiday"_s, format, holidayEntries());
    } else {
        // Our writers keep links as links.
        QVERIFY(QFile::link(u"notes.txt"_s, tree + u"/link"_s));
        auto compressor = archiverFor(format);
        JobRecord job;
        compressor->compress(m_target, { tree }, password, job.progressCallback(), job.completion());
        QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
        QVERIFY(job.succeeded());
        QVERIFY(std::is_sorted(job.progress.cbegin(), job.progress.cend()));
        QCOMPARE(job.progress.value(job.progress.size() - 1), 1.0f);
        archive = compressor->compressPath().value_or(QString());
        QCOMPARE(archive, m_target + u"/Holiday."_s + format);
        QCOMPARE(ChildProcess::run(u"7zz"_s, { u"t"_s, encrypted ? u"-p"_s + password : u"-p-"_s, archive }),
                 0);
        // Names stay readable without the password. 7z archives are solid
        // LZMA2 without times.
        QByteArray listing;
        QCOMPARE(ChildProcess::run(u"7zz"_s, { u"l"_s, u"-slt"_s, u"-p-"_s, archive }, &listing), 0);
        QCOMPARE(listing.contains("Encrypted = +"), encrypted);
        if (format == u"7z"_s) {
            QVERIFY(listing.contains("Method = LZMA2:") && listing.contains("Solid = +"));
            for (const char* time : { "Modified = 2", "Created = ", "Accessed = " })
                QVERIFY2(!listing.contains(time), time);
        }
    }

    // Two jobs at once, each in its own folder and with its own result.
    ScriptedPasswordPrompt prompt({ { AlertResult::ok, password }, { AlertResult::ok, password } });
    auto first = archiverFor(format);
    auto second = archiverFor(format);
    JobRecord firstJob, secondJob;
    first->decompress(m_target, archive, firstJob.onBegin(), firstJob.progressCallback(),
                      firstJob.completion());
    second->decompress(m_target, archive, {}, {}, secondJob.completion());
    QTRY_VERIFY_WITH_TIMEOUT(firstJob.outcome && secondJob.outcome, 60000);
    QVERIFY(firstJob.succeeded() && secondJob.succeeded());
    QCOMPARE(prompt.messages().size(), encrypted ? 2 : 0);
    QCOMPARE(firstJob.events, QStringList({ u"begin"_s, u"completion"_s }));
    QVERIFY(!firstJob.progress.isEmpty());
    QCOMPARE(firstJob.progress.last(), 1.0f);
    // Whichever job is ready first takes the first free name.
    const QStringList folders { first->decompressPath().value_or(QString()),
                                second->decompressPath().value_or(QString()) };
    QVERIFY(folders.contains(m_target + u"/Holiday"_s) && folders.contains(m_target + u"/Holiday 1"_s));
    QCOMPARE(FileTree::snapshot(m_target + u"/Holiday/Holiday"_s), FileTree::snapshot(tree));
    QCOMPARE(FileTree::snapshot(m_target + u"/Holiday 1/Holiday"_s), FileTree::snapshot(tree));
}

void TestArchivers::unusableArgumentsFail_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("intoAFile"); // compressing into a file; kNoResult: the format is never created
    QTest::newRow("zip") << u"zip"_s << int(ArchiveErrorType::compressunknown);
    QTest::newRow("7z") << u"7z"_s << int(ArchiveErrorType::badArchive);
    QTest::newRow("rar") << u"rar5"_s << kNoResult;
}

void TestArchivers::unusableArgumentsFail()
{
    QFETCH(QString, format);
    QFETCH(int, intoAFile);

    // Argument checks answer inside the call, before anything begins.
    auto archiver = archiverFor(format);
    JobRecord extract;
    archiver->decompress(QString(), u"/a.zip"_s, extract.onBegin(), {}, extract.completion());
    QVERIFY(extract.failedWith(ArchiveErrorType::targetPathNone));
    QCOMPARE(extract.events, QStringList { u"completion"_s });
    QVERIFY(!archiver->decompressPath());

    // A file where the target folder should be: nothing can be made inside
    // it, whatever rights the test runs with (a read-only folder is no
    // obstacle to root).
    QVERIFY(FileTree::writeFile(m_dir->path(), u"file"_s, "x"));
    const QString notAFolder = m_dir->filePath(u"file"_s);
    const QString archive = writeArchive(u"Small"_s, format, { { u"notes.txt"_s, "notes", false, {} } });
    auto extractor = archiverFor(format);
    JobRecord intoFile;
    extractor->decompress(notAFolder, archive, intoFile.onBegin(), {}, intoFile.completion());
    QTRY_VERIFY_WITH_TIMEOUT(intoFile.outcome.has_value(), 20000);
    QVERIFY(intoFile.failedWith(ArchiveErrorType::targetPathError));
    QCOMPARE(intoFile.events, QStringList { u"completion"_s });
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList({ u"file"_s, u"in"_s, u"out"_s }));
    if (intoAFile == kNoResult)
        return;

    JobRecord compress;
    archiver->compress(u"/a/b/c"_s, { u"/x"_s, u"/a/b"_s }, std::nullopt, {}, compress.completion());
    QVERIFY(compress.failedWith(ArchiveErrorType::targetPathError));
    QVERIFY(!archiver->compressPath());
    auto compressor = archiverFor(format);
    JobRecord job;
    compressor->compress(notAFolder, { archive }, std::nullopt, {}, job.completion());
    QTRY_VERIFY(job.outcome.has_value());
    QVERIFY(job.failedWith(ArchiveErrorType::Value(intoAFile)));
}

void TestArchivers::passwordAnswers_data()
{
    QTest::addColumn<QString>("format");
    // The archive's password, whether names are hidden and, for RAR, whether it is solid.
    QTest::addColumn<RarFixtureOptions>("protection");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("error"); // kNoResult: the job ends without one
    QTest::addColumn<bool>("begins");
    QTest::addColumn<bool>("cancelFirst"); // the job is cancelled while the question is open

    const RarFixtureOptions entries { u"s3cret"_s };
    const RarFixtureOptions names { u"s3cret"_s, true };
    const RarFixtureOptions solid { u"s3cret"_s, false, true };
    const RarFixtureOptions solidNames { u"s3cret"_s, true, true };
    const auto row
        = [](const char* name, const QString& format, const RarFixtureOptions& protection, AlertResult result,
             const QString& answer, int error, bool begins, bool cancelFirst = false) {
              QTest::newRow(name) << format << protection << int(result) << answer << error << begins
                                  << cancelFirst;
          };
    using enum AlertResult;
    row("zip, right", u"zip"_s, entries, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("zip, wrong", u"zip"_s, entries, ok, u"guess"_s, ArchiveErrorType::passwordInvalid, true);
    row("zip, empty", u"zip"_s, entries, ok, QString(), ArchiveErrorType::passwordEmpty, false);
    row("zip, cancel", u"zip"_s, entries, cancel, u"ignored"_s, kNoResult, false);
    row("zip, autoClose", u"zip"_s, entries, autoClose, u"ignored"_s, kNoResult, false);
    // An answer after a cancel comes too late to start anything.
    row("zip, answered after cancel", u"zip"_s, entries, ok, u"s3cret"_s, ArchiveErrorType::cancelled, false,
        true);
    // Answers are cut to 128 bytes.
    row("zip, cut to 128 bytes", u"zip"_s, { QString(128, u'p') }, ok, QString(200, u'p'),
        ArchiveErrorType::none, true);

    // 7-Zip asks once extraction has begun; whatever then fails is reported as such.
    row("7z, wrong", u"7z"_s, entries, ok, u"guess"_s, ArchiveErrorType::decompressUnknown, true);
    row("7z, empty", u"7z"_s, entries, ok, QString(), ArchiveErrorType::passwordEmpty, true);
    row("7z, cancel", u"7z"_s, entries, cancel, QString(), ArchiveErrorType::cancelled, true);
    row("7z, no window", u"7z"_s, entries, fail, QString(), ArchiveErrorType::cancelled, true);
    row("7z, answered after cancel", u"7z"_s, entries, ok, u"s3cret"_s, ArchiveErrorType::cancelled, true,
        true);
    // Names and content share the password: asked once. Names that cannot be
    // read stop the job before it begins.
    row("7z names, right", u"7z"_s, names, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("7z names, wrong", u"7z"_s, names, ok, u"guess"_s, ArchiveErrorType::badArchive, false);

    row("rar4, empty", u"rar4"_s, entries, ok, QString(), ArchiveErrorType::passwordEmpty, false);
    row("rar4, cancel", u"rar4"_s, entries, cancel, QString(), kNoResult, false);
    row("rar4, right", u"rar4"_s, entries, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("rar4 names, right", u"rar4"_s, names, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("rar4 names, wrong", u"rar4"_s, names, ok, u"wrong"_s, ArchiveErrorType::passwordInvalid, true);
    // libarchive reads no entry after the first of a solid RAR4, even decrypted.
    row("rar4 solid, right", u"rar4"_s, solid, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("rar4 solid, wrong", u"rar4"_s, solid, ok, u"wrong"_s, ArchiveErrorType::passwordInvalid, true);
    row("rar4 solid names, right", u"rar4"_s, solidNames, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("rar4 solid names, wrong", u"rar4"_s, solidNames, ok, u"wrong"_s, ArchiveErrorType::passwordInvalid,
        true);
    row("rar5, right", u"rar5"_s, entries, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    row("rar5 names, right", u"rar5"_s, names, ok, u"s3cret"_s, ArchiveErrorType::none, true);
    // A newline cannot be typed at unar's prompt.
    row("rar5, wrong", u"rar5"_s, entries, ok, u"cannot be\ntyped"_s, ArchiveErrorType::passwordInvalid,
        true);
    row("rar5, answered after cancel", u"rar5"_s, entries, ok, u"s3cret"_s, ArchiveErrorType::cancelled,
        false, true);
}

void TestArchivers::passwordAnswers()
{
    QFETCH(QString, format);
    QFETCH(RarFixtureOptions, protection);
    QFETCH(int, result);
    QFETCH(QString, answer);
    QFETCH(int, error);
    QFETCH(bool, begins);
    QFETCH(bool, cancelFirst);

    // A solid archive's second entry is read through the first.
    QList<RarFixtureEntry> entries { { u"plan.txt"_s, "the plan\n", false, {} } };
    if (protection.solid)
        entries.append({ u"notes/more.txt"_s, "more\n", false, {} });
    const QString archive = writeArchive(u"Secret"_s, format, entries, protection);
    QVERIFY(!archive.isEmpty());
    auto archiver = archiverFor(format);
    ScriptedPasswordPrompt prompt({ { AlertResult(result), answer } });
    // 7zz is still running when the question is open: its folder goes once
    // it has stopped, the others' at the cancel.
    bool goneOnCancel = true;
    if (cancelFirst) {
        prompt.setBeforeAnswer([&] {
            archiver->cancelDecompress();
            goneOnCancel = FileTree::entries(m_target).isEmpty();
        });
    }
    std::optional<AlertResult> endedWithout;
    std::optional<QStringList> leftAtEnd;
    archiver->setEndedWithoutResult([&](AlertResult how) {
        endedWithout = how;
        leftAtEnd = FileTree::entries(m_target);
    });
    JobRecord job;
    archiver->decompress(m_target, archive, job.onBegin(), job.progressCallback(), job.completion());
    if (error == kNoResult) {
        // The reserved folder is gone before the job says it ended, and no
        // result ever comes.
        QTRY_VERIFY_WITH_TIMEOUT(endedWithout.has_value(), 20000);
        QCOMPARE(int(*endedWithout), result);
        QCOMPARE(*leftAtEnd, QStringList());
        QCOMPARE(prompt.messages(), QStringList { u"enter_password"_s });
        QCoreApplication::processEvents();
        QVERIFY(job.events.isEmpty());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(!endedWithout);
    QCOMPARE(prompt.messages(), QStringList { u"enter_password"_s });
    QVERIFY(goneOnCancel || format == u"7z"_s);
    QCOMPARE(job.events.contains(u"begin"_s), begins);
    if (error == ArchiveErrorType::none) {
        QVERIFY2(job.succeeded(), qPrintable(job.outcome->second.message()));
        QCOMPARE(FileTree::snapshot(m_target + u"/Secret"_s), extractedTree(entries));
        QCOMPARE(job.progress.value(job.progress.size() - 1), 1.0f);
    } else {
        QVERIFY2(job.failedWith(ArchiveErrorType::Value(error)), qPrintable(job.outcome->second.message()));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestArchivers::damagedOrEmptyArchives_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("error");

    const QByteArray garbage = FileTree::randomBytes(4096, 42);
    QTest::newRow("zip, garbage") << u"zip"_s << garbage << int(ArchiveErrorType::badArchive);
    QTest::newRow("7z, garbage") << u"7z"_s << garbage << int(ArchiveErrorType::badArchive);
    QTest::newRow("rar, garbage") << u"rar"_s << garbage << int(ArchiveErrorType::originPathError);
    // What 7zz writes for an empty folder: no damage, but nothing to begin.
    QTest::newRow("7z, no entries") << u"7z"_s
                                    << QByteArray::fromHex("377abcaf271c00048d9bd50f").leftJustified(32, '\0')
                                    << int(ArchiveErrorType::none);
}

void TestArchivers::damagedOrEmptyArchives()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, content);
    QFETCH(int, error);

    QVERIFY(FileTree::writeFile(m_dir->path(), u"Odd."_s + format, content));
    auto archiver = archiverFor(format);
    JobRecord job;
    archiver->decompress(m_target, m_dir->filePath(u"Odd."_s + format), job.onBegin(), {}, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    if (error == ArchiveErrorType::none) {
        QVERIFY(job.succeeded());
        QCOMPARE(job.events, QStringList { u"completion"_s });
        QCOMPARE(FileTree::entries(m_target), QStringList { u"Odd"_s });
        QVERIFY(QFileInfo(m_target + u"/Odd"_s).isDir());
    } else {
        QVERIFY2(job.failedWith(ArchiveErrorType::Value(error)), qPrintable(job.outcome->second.message()));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    }
}

void TestArchivers::cancelledJobsLeaveNothing_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("compressing");
    for (const QString& format : { u"zip"_s, u"7z"_s, u"rar5"_s }) {
        if (format != u"rar5"_s)
            QTest::addRow("%s, compressing", qPrintable(format)) << format << true;
        QTest::addRow("%s, extracting", qPrintable(format)) << format << false;
    }
}

// Cancelled at the first progress, a job ends cancelled even when its engine
// got to the end in the meantime, and leaves nothing of its own. A job that
// takes the freed name meanwhile keeps its output.
void TestArchivers::cancelledJobsLeaveNothing()
{
    QFETCH(QString, format);
    QFETCH(bool, compressing);
    const QList<RarFixtureEntry> entries = manyEntries();
    const QStringList sources { m_dir->filePath(u"src/Big"_s) };
    QString archive;
    if (compressing)
        QVERIFY(FileTree::write(m_dir->filePath(u"src"_s), extractedTree(entries)));
    else
        archive = writeArchive(u"Big"_s, format, entries);
    QVERIFY(compressing || !archive.isEmpty());

    auto archiver = archiverFor(format);
    QString newcomer;
    const auto cancelAndTakeTheName = [&](float) {
        compressing ? archiver->cancelCompress() : archiver->cancelDecompress();
        if (!newcomer.isEmpty())
            return;
        // Another job's output, made under the name this one had while it stops.
        newcomer = (compressing ? ArchiveFile::reserveCompressOutput(sources, m_target,
                                                                     *ArchiveType::fromRawValue(format))
                                : ArchiveFile::reserveExtractFolder(archive, m_target))
                       .value_or(QString());
        QVERIFY(compressing ? FileTree::writeFile(m_target, QFileInfo(newcomer).fileName(), "mine")
                            : FileTree::writeFile(newcomer, u"mine.txt"_s, "mine"));
    };
    JobRecord job;
    if (compressing)
        archiver->compress(m_target, sources, std::nullopt, cancelAndTakeTheName, job.completion());
    else
        archiver->decompress(m_target, archive, {}, cancelAndTakeTheName, job.completion());
    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    QVERIFY(job.failedWith(ArchiveErrorType::cancelled));
    const QString mine = QFileInfo(newcomer).fileName() + (compressing ? QString() : u"/mine.txt"_s);
    QCOMPARE(FileTree::snapshot(m_target).value(mine), "mine");
    QCOMPARE(FileTree::snapshot(m_target).size(), compressing ? 1 : 2);
}

void TestArchivers::interferenceEndsExtraction_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("interference");
    QTest::addColumn<int>("error"); // kNoResult: any but cancelled

    for (const QString& format : { u"zip"_s, u"7z"_s, u"rar5"_s }) {
        const auto row = [&format](const char* interference, int error) {
            QTest::addRow("%s, %s", qPrintable(format), interference)
                << format << QString::fromLatin1(interference) << error;
        };
        row("target moved away", kNoResult);
        // Every entry is 8 KiB: the first one does not fit.
        row("target full", kNoResult);
        // Whatever goes wrong once 7zz extracts is reported as such.
        row("archive cut",
            format == u"7z"_s ? ArchiveErrorType::decompressUnknown : ArchiveErrorType::badArchive);
    }
}

// As soon as the extraction is under way, its target is moved away (the
// output is no longer where the job would say it is) or most of its archive
// goes; or the disk is full from the start. The job fails and leaves nothing.
void TestArchivers::interferenceEndsExtraction()
{
    QFETCH(QString, format);
    QFETCH(QString, interference);
    QFETCH(int, error);
    const QString archive = writeArchive(u"Big"_s, format, manyEntries());
    auto archiver = archiverFor(format);
    JobRecord job;
    float progress = 0;
    std::optional<NearlyFullDisk> nearlyFull;
    if (interference == u"target full") {
        nearlyFull.emplace(4096);
        QVERIFY(nearlyFull->isActive());
    }
    archiver->decompress(
        m_target, archive, {}, [&progress](float value) { progress = value; }, job.completion());

    if (!nearlyFull) {
        // 7zz copies a stored archive faster than its progress reaches us: the
        // extracting 7zz (its "x" run, not the listing) is held still meanwhile,
        // once it has begun to write when the target is to move.
        std::optional<ChildProcess::Info> extractor;
        const auto isExtractor
            = [&extractor] { return extractor && extractor->commandLine.split('\0').value(1) == "x"; };
        const auto underWay = [&] {
            if (format != u"7z"_s)
                return progress > 0;
            if (!isExtractor())
                extractor = ChildProcess::find(u"7zz"_s);
            return isExtractor()
                && (interference == u"archive cut"_s || !FileTree::entries(m_target + u"/Big"_s).isEmpty());
        };
        QDeadlineTimer deadline(20000);
        while (!job.outcome && !deadline.hasExpired() && !underWay())
            QCoreApplication::processEvents();
        QVERIFY2(job.outcome || underWay(), "the extraction never got under way");
        if (isExtractor())
            QCOMPARE(::kill(pid_t(extractor->pid), SIGSTOP), 0);
        if (job.outcome)
            QSKIP("the job ended before it could be interfered with");
        if (interference == u"archive cut") {
            QFile file(archive);
            QVERIFY(file.resize(file.size() / 4));
        } else {
            QVERIFY(QDir().rename(m_target, m_target + u".moved"_s));
        }
        if (isExtractor())
            QCOMPARE(::kill(pid_t(extractor->pid), SIGCONT), 0);
    }

    QTRY_VERIFY_WITH_TIMEOUT(job.outcome.has_value(), 60000);
    nearlyFull.reset();
    QVERIFY(!job.outcome->first);
    if (error == kNoResult)
        QVERIFY(job.outcome->second != ArchiveErrorType::cancelled);
    else
        QCOMPARE(int(job.outcome->second), error);
    QCOMPARE(FileTree::entries(m_target), QStringList());
}

QTEST_GUILESS_MAIN(TestArchivers)
#include "tst_archivers.moc"

void TestArchivers::jobEndsOnce_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("ending");
    QTest::newRow("zip, extracted") << u"zip"_s << int(AlertResult::ok) << u"completed true"_s;
    QTest::newRow("zip, prompt closed") << u"zip"_s << int(AlertResult::autoClose) << u"without 3"_s;
    QTest::newRow("7z, nobody to ask") << u"7z"_s << int(AlertResult::fail) << u"completed false"_s;
    QTest::newRow("rar5, prompt cancelled") << u"rar5"_s << int(AlertResult::cancel) << u"without 1"_s;
    QTest::newRow("rar, never created") << u"rar5"_s << -1 << u"completed false"_s;
}

// Whatever happens, a job tells its end exactly once, and only after its
// reserved output is gone when it failed.
void TestArchivers::jobEndsOnce()
{
    QFETCH(QString, format);
    QFETCH(int, answer);
    QFETCH(QString, ending);

    const QString archive = writeArchive(u"Secret"_s, format, { { u"plan.txt"_s, "plan", false, {} } },
                                         RarFixtureOptions { u"pw"_s });
    ScriptedPasswordPrompt prompt({ { AlertResult(qMax(answer, 0)), u"pw"_s } });
    ArchiveJob job(*ArchiveType::fromRawValue(format.left(3)), &prompt);
    QStringList endings;
    connect(&job, &ArchiveJob::completed, this, [&](bool success, ArchiveErrorType) {
        endings.append(u"completed "_s + (success ? u"true"_s : u"false"_s));
        QCOMPARE(FileTree::entries(m_target).isEmpty(), !success);
    });
    connect(&job, &ArchiveJob::endedWithoutResult, this, [&](AlertResult how) {
        endings.append(u"without %1"_s.arg(int(how)));
        QCOMPARE(FileTree::entries(m_target), QStringList());
    });
    if (answer < 0)
        job.compress(m_target, { archive }, std::nullopt);
    else
        job.decompress(m_target, archive);
    QTRY_VERIFY_WITH_TIMEOUT(!job.isRunning(), 60000);
    job.cancel();
    QCoreApplication::processEvents();
    QCOMPARE(endings, QStringList { ending });
}
