#include "Archive/ArchiveFile.h"
#include "FileTree.h"
#include "Resources/LocalizedText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// "d:name" makes a folder, "f:name" a file, "l:name" a link that points nowhere.
void createEntries(const QString& folder, const QStringList& entries)
{
    QMap<QString, QByteArray> tree;
    for (const QString& entry : entries)
        tree.insert(entry.mid(2),
                    entry.startsWith(u"d:")       ? "<dir>"
                        : entry.startsWith(u"f:") ? "data"
                                                  : "-> gone");
    QVERIFY(FileTree::write(folder, tree));
}

} // namespace

class TestArchiveFile : public QObject
{
    Q_OBJECT

private slots:
    void freePaths_data();
    void freePaths();

    void reservationsClaimTheirPath();
    void concurrentReservationsNeverSharePath();

    void deletePathRemovesOnlyWhatItIsGiven();
    void deletePathRemovesTreesDeeperThanTheOpenFileLimit();

    void truncateUTF8_data();
    void truncateUTF8();

    void liftSoleEntry_data();
    void liftSoleEntry();
};

void TestArchiveFile::freePaths_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("call"); // "unique", "extract", or the type to compress to
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected");

    const auto unique
        = [](const char* name, const QStringList& existing, const QString& input, const QString& expected) {
              QTest::newRow(name) << existing << u"unique"_s << QStringList { input } << expected;
          };
    unique("free", {}, u"Report.zip"_s, u"Report.zip"_s);
    unique("counter reaches 3", { u"f:Report.zip"_s, u"f:Report 1.zip"_s, u"d:Report 2.zip"_s },
           u"Report.zip"_s, u"Report 3.zip"_s);
    unique("gap is used", { u"f:Report.zip"_s, u"f:Report 2.zip"_s }, u"Report.zip"_s, u"Report 1.zip"_s);
    unique("no extension", { u"d:Photos"_s, u"f:Photos 1"_s }, u"Photos"_s, u"Photos 2"_s);
    unique("dotted name", { u"d:my.photos"_s }, u"my.photos"_s, u"my 1.photos"_s);
    unique("hidden name", { u"f:.bashrc"_s }, u".bashrc"_s, u".bashrc 1"_s);
    unique("dangling link", { u"l:Report.zip"_s }, u"Report.zip"_s, u"Report 1.zip"_s);
    unique("non-ASCII", { u"f:报告.7z"_s }, u"报告.7z"_s, u"报告 1.7z"_s);

    QTest::newRow("extract, file in the way")
        << QStringList { u"f:Holiday"_s } << u"extract"_s << QStringList { u"/elsewhere/Holiday.rar"_s }
        << u"Holiday 1"_s;
    QTest::newRow("extract, dotted base taken")
        << QStringList { u"d:my.photos"_s, u"d:my 1.photos"_s } << u"extract"_s
        << QStringList { u"/elsewhere/my.photos.zip"_s } << u"my 2.photos"_s;

    const QString several = localizedText("archive_default");
    QTest::newRow("one file") << QStringList() << u"zip"_s << QStringList { u"/src/Notes.txt"_s }
                              << u"Notes.zip"_s;
    QTest::newRow("one folder, taken") << QStringList { u"f:Photos.7z"_s } << u"7z"_s
                                       << QStringList { u"/src/Photos/"_s } << u"Photos 1.7z"_s;
    QTest::newRow("dotted folder") << QStringList() << u"zip"_s << QStringList { u"/src/photos.2020"_s }
                                   << u"photos.zip"_s;
    QTest::newRow("several, taken") << QStringList { u"f:"_s + several + u".7z"_s } << u"7z"_s
                                    << QStringList { u"/src/a.txt"_s, u"/src/b"_s } << several + u" 1.7z"_s;
}

void TestArchiveFile::freePaths()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, call);
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    createEntries(dir.path(), existing);
    if (call == u"unique") {
        QCOMPARE(ArchiveFile::uniquePath(dir.filePath(inputs.first())), dir.filePath(expected));
        return;
    }
    // The target folder may be given with a trailing slash.
    for (const QString& folder : { dir.path(), QString(dir.path() + u'/') }) {
        const QString found = call == u"extract"
            ? ArchiveFile::extractFolderPath(inputs.first(), folder)
            : ArchiveFile::compressOutputPath(inputs, folder, *ArchiveType::fromRawValue(call));
        QCOMPARE(found, dir.filePath(expected));
    }
}

// The name sequence itself is shared with the free paths; reserving claims
// the path at once, making the target folder when it is missing.
void TestArchiveFile::reservationsClaimTheirPath()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"not/yet"_s);
    QCOMPARE(ArchiveFile::reserveExtractFolder(u"/src/Holiday.zip"_s, target), target + u"/Holiday"_s);
    QVERIFY(QFileInfo(target + u"/Holiday"_s).isDir());

    const QStringList files { u"/src/Notes.txt"_s };
    QCOMPARE(ArchiveFile::reserveCompressOutput(files, dir.path(), ArchiveType::z7),
             dir.filePath(u"Notes.7z"_s));
    QCOMPARE(QFileInfo(dir.filePath(u"Notes.7z"_s)).size(), 0);
    QCOMPARE(ArchiveFile::compressOutputPath(files, dir.path(), ArchiveType::z7),
             dir.filePath(u"Notes 1.7z"_s));

    // Nothing can be made where a file or nothing stands in for the folder.
    createEntries(dir.path(), { u"f:plain-file"_s });
    const QString notAFolder = dir.filePath(u"plain-file"_s);
    QCOMPARE(ArchiveFile::reserveExtractFolder(u"/src/Holiday.zip"_s, notAFolder), std::nullopt);
    QCOMPARE(ArchiveFile::reserveCompressOutput(files, notAFolder, ArchiveType::zip), std::nullopt);
    QCOMPARE(ArchiveFile::reserveCompressOutput(files, dir.filePath(u"missing"_s), ArchiveType::zip),
             std::nullopt);
}

void TestArchiveFile::concurrentReservationsNeverSharePath()
{
    QTemporaryDir dir;
    constexpr int threadCount = 4;
    constexpr int perThread = 25;
    QMutex mutex;
    QSet<QString> folders;
    QSet<QString> archives;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < threadCount; ++thread) {
        threads.emplace_back([&] {
            for (int i = 0; i < perThread; ++i) {
                const auto folder = ArchiveFile::reserveExtractFolder(u"/src/Holiday.zip"_s, dir.path());
                const auto archive
                    = ArchiveFile::reserveCompressOutput({ u"/a"_s, u"/b"_s }, dir.path(), ArchiveType::zip);
                const QMutexLocker locker(&mutex);
                folders << folder.value_or(QString());
                archives << archive.value_or(QString());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    // Every reservation took the next name in the sequence, none failed.
    QSet<QString> expected;
    for (int i = 0; i < threadCount * perThread; ++i)
        expected << dir.filePath(i == 0 ? u"Holiday"_s : u"Holiday %1"_s.arg(i));
    QCOMPARE(folders, expected);
    QCOMPARE(archives.size(), threadCount * perThread);
    QVERIFY(!archives.contains(QString()));
}

void TestArchiveFile::deletePathRemovesOnlyWhatItIsGiven()
{
    QTemporaryDir dir;
    createEntries(dir.path(),
                  { u"d:outside/sub"_s, u"f:outside/sub/keep.txt"_s, u"f:outside-file.txt"_s, u"d:tree/a/b"_s,
                    u"f:tree/a/b/deep.txt"_s, u"f:tree/.hidden"_s, u"l:tree/dangling"_s, u"d:sub"_s,
                    u"d:tree/locked"_s, u"f:tree/locked/file.txt"_s });
    // A folder that may not be written to is emptied all the same.
    QVERIFY(QFile::setPermissions(dir.filePath(u"tree/locked"_s), QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(QFile::link(dir.filePath(u"outside"_s), dir.filePath(u"tree/a/to-folder"_s)));
    QVERIFY(QFile::link(dir.filePath(u"outside-file.txt"_s), dir.filePath(u"tree/to-file"_s)));
    QVERIFY(QFile::link(dir.filePath(u"outside"_s), dir.filePath(u"link"_s)));
    QVERIFY(QFile::link(dir.filePath(u"outside"_s), dir.filePath(u"link-with-slash"_s)));

    // Nothing, and names that would stand for a folder the caller did not name.
    for (const QString& ignored : { dir.filePath(u"missing/deeper"_s), QString(), dir.filePath(u"sub/.."_s),
                                    dir.filePath(u"sub/."_s) })
        ArchiveFile::deletePath(ignored);
    // A tree goes without following its links; a link goes, never what it leads to.
    for (const QString& name : { u"tree"_s, u"link"_s, u"link-with-slash/"_s })
        ArchiveFile::deletePath(dir.filePath(name));

    QCOMPARE(FileTree::snapshot(dir.path()).keys(),
             QStringList({ u"outside"_s, u"outside-file.txt"_s, u"outside/sub"_s, u"outside/sub/keep.txt"_s,
                           u"sub"_s }));
}

void TestArchiveFile::deletePathRemovesTreesDeeperThanTheOpenFileLimit()
{
    QTemporaryDir dir;
    createEntries(dir.path(), { u"d:outside"_s, u"f:outside/keep.txt"_s });
    rlimit original {};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &original) == 0);
    rlimit lowered = original;
    lowered.rlim_cur = 64;
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &lowered) == 0);
    // Built one level at a time, holding one descriptor, as an extraction would.
    int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    const QByteArray outside = QFile::encodeName(dir.filePath(u"outside"_s));
    for (int level = 0; level < 300 && fd >= 0; ++level) {
        const char* name = level == 0 ? "tree" : "d";
        ::symlinkat(outside.constData(), fd, "link");
        const int next = ::mkdirat(fd, name, 0700) == 0 ? ::openat(fd, name, O_RDONLY | O_DIRECTORY) : -1;
        ::close(fd);
        fd = next;
    }
    QVERIFY(fd >= 0);
    QVERIFY(::close(::openat(fd, "file.txt", O_WRONLY | O_CREAT, 0600)) == 0);
    ::close(fd);

    ArchiveFile::deletePath(dir.filePath(u"tree"_s));

    QVERIFY(::setrlimit(RLIMIT_NOFILE, &original) == 0);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"tree"_s)));
    QVERIFY(QFileInfo::exists(dir.filePath(u"outside/keep.txt"_s)));
}

void TestArchiveFile::truncateUTF8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("expected");

    const QString a126(126, u'a');
    const QString a127(127, u'a');
    const QString han = u"中"_s; // three bytes

    QTest::newRow("200 ASCII") << QString(200, u'x') << 128 << QString(128, u'x');
    QTest::newRow("exactly the limit") << QString(128, u'x') << 128 << QString(128, u'x');
    QTest::newRow("cut after first of three bytes") << a127 + han + u"z"_s << 128 << a127;
    QTest::newRow("cut after second of three bytes") << a126 + han + u"z"_s << 128 << a126 + han + u"z"_s;
    QTest::newRow("all Chinese, on a boundary") << QString(50, u'中') << 129 << QString(43, u'中');
    QTest::newRow("lone surrogate") << QString(200, u'x') + QChar(0xD800) << 128
                                    << QString(200, u'x') + QChar(0xD800);
    QTest::newRow("limit 0") << u"abc"_s << 0 << QString();
}

void TestArchiveFile::truncateUTF8()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, expected);

    QCOMPARE(ArchiveFile::truncateUTF8(text, limit), expected);
}

void TestArchiveFile::liftSoleEntry_data()
{
    QTest::addColumn<QStringList>("beside"); // what the archive's folder holds already
    QTest::addColumn<QStringList>("extracted"); // what the extraction folder "Holiday" holds
    QTest::addColumn<QString>("result"); // where the output ends up
    QTest::addColumn<QStringList>("after"); // the archive's folder afterwards

    const QStringList none;
    QTest::newRow("one folder, its name taken")
        << QStringList { u"d:Trip"_s } << QStringList { u"d:Trip"_s, u"f:Trip/a.txt"_s } << u"Trip 1"_s
        << QStringList { u"Trip"_s, u"Trip 1"_s, u"Trip 1/a.txt"_s };
    QTest::newRow("one file") << QStringList { u"f:notes.txt"_s } << QStringList { u"f:notes.txt"_s }
                              << u"notes 1.txt"_s << QStringList { u"notes 1.txt"_s, u"notes.txt"_s };
    QTest::newRow("a lone link stays where it was made")
        << none << QStringList { u"l:link"_s } << u"Holiday"_s
        << QStringList { u"Holiday"_s, u"Holiday/link"_s };
    QTest::newRow("empty stays") << none << none << u"Holiday"_s << QStringList { u"Holiday"_s };
}

void TestArchiveFile::liftSoleEntry()
{
    QFETCH(QStringList, beside);
    QFETCH(QStringList, extracted);
    QFETCH(QString, result);
    QFETCH(QStringList, after);

    QTemporaryDir dir;
    createEntries(dir.path(), beside);
    const QString folder = dir.filePath(u"Holiday"_s);
    QVERIFY(QDir().mkpath(folder));
    createEntries(folder, extracted);

    // No folder is no folder: not the working one.
    const QString workingFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    QCOMPARE(ArchiveFile::liftSoleEntry(QString()), QString());
    QVERIFY(QDir::setCurrent(workingFolder));

    QCOMPARE(ArchiveFile::liftSoleEntry(folder), dir.filePath(result));
    QCOMPARE(FileTree::snapshot(dir.path()).keys(), after);
}

QTEST_GUILESS_MAIN(TestArchiveFile)
#include "tst_archivefile.moc"
