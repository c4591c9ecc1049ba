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
    void reservations_data();
    void reservations();
    void concurrentReservationsNeverSharePath();

    void deletePathRemovesOnlyWhatItIsGiven();
    void deletePathRemovesTreesDeeperThanTheOpenFileLimit();

    void truncateUTF8_data();
    void truncateUTF8();

    void liftSoleEntry_data();
    void liftSoleEntry();
};

void TestArchiveFile::reservations_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("target"); // added to the test folder's path
    QTest::addColumn<QString>("call"); // "extract", or the type to compress to
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected"); // empty: nothing reserved

    const QStringList holiday { u"/elsewhere/Holiday.rar"_s };
    const QStringList notes { u"/src/Notes.txt"_s };
    const auto extract = [](const char* name, const QStringList& existing, const QString& archive,
                            const QString& expected) {
        QTest::newRow(name) << existing << QString() << u"extract"_s << QStringList { archive } << expected;
    };
    extract("free", {}, holiday.first(), u"Holiday"_s);
    extract("file in the way", { u"f:Holiday"_s }, holiday.first(), u"Holiday 1"_s);
    extract("counter reaches 3", { u"f:Holiday"_s, u"f:Holiday 1"_s, u"d:Holiday 2"_s }, holiday.first(),
            u"Holiday 3"_s);
    extract("gap is used", { u"f:Holiday"_s, u"f:Holiday 2"_s }, holiday.first(), u"Holiday 1"_s);
    extract("dangling link", { u"l:Holiday"_s }, holiday.first(), u"Holiday 1"_s);
    extract("dotted base taken", { u"d:my.photos"_s, u"d:my 1.photos"_s }, u"/elsewhere/my.photos.zip"_s,
            u"my 2.photos"_s);
    extract("hidden name", { u"f:.bashrc"_s }, u"/elsewhere/.bashrc.zip"_s, u".bashrc 1"_s);

    const auto compress = [](const char* name, const QStringList& existing, const QString& type,
                             const QStringList& inputs, const QString& expected) {
        QTest::newRow(name) << existing << QString() << type << inputs << expected;
    };
    const QString several = localizedText("archive_default");
    compress("one file", {}, u"zip"_s, notes, u"Notes.zip"_s);
    compress("one folder, taken", { u"f:Photos.7z"_s }, u"7z"_s, { u"/src/Photos/"_s }, u"Photos 1.7z"_s);
    compress("dotted folder", {}, u"zip"_s, { u"/src/photos.2020"_s }, u"photos.zip"_s);
    compress("non-ASCII, taken", { u"f:报告.7z"_s }, u"7z"_s, { u"/src/报告"_s }, u"报告 1.7z"_s);
    compress("several, taken", { u"f:"_s + several + u".7z"_s }, u"7z"_s, { u"/src/a.txt"_s, u"/src/b"_s },
             several + u" 1.7z"_s);

    QTest::newRow("extract, trailing slash")
        << QStringList() << u"/"_s << u"extract"_s << holiday << u"Holiday"_s;
    QTest::newRow("compress, trailing slash")
        << QStringList() << u"/"_s << u"zip"_s << notes << u"Notes.zip"_s;
    QTest::newRow("extract, target missing")
        << QStringList() << u"/not/yet"_s << u"extract"_s << holiday << u"not/yet/Holiday"_s;
    QTest::newRow("compress, target missing")
        << QStringList() << u"/not/yet"_s << u"zip"_s << notes << QString();
    const QStringList file { u"f:file"_s };
    QTest::newRow("extract, target a file") << file << u"/file"_s << u"extract"_s << holiday << QString();
    QTest::newRow("compress, target a file") << file << u"/file"_s << u"zip"_s << notes << QString();
}

// Names come from the archive or the inputs, counted up past whatever is in
// the way; the reservation claims its path at once, making a missing target
// folder for an extraction. Nothing is made where a file stands in for the
// folder, nor a missing one for an archive.
void TestArchiveFile::reservations()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, target);
    QFETCH(QString, call);
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);

    const QTemporaryDir dir;
    createEntries(dir.path(), existing);
    const QMap<QString, QByteArray> before = FileTree::snapshot(dir.path());
    const std::optional<QString> reserved = call == u"extract"
        ? ArchiveFile::reserveExtractFolder(inputs.first(), dir.path() + target)
        : ArchiveFile::reserveCompressOutput(inputs, dir.path() + target, *ArchiveType::fromRawValue(call));
    if (expected.isEmpty()) {
        QCOMPARE(reserved, std::nullopt);
        QCOMPARE(FileTree::snapshot(dir.path()), before);
        return;
    }
    QCOMPARE(reserved, dir.filePath(expected));
    QCOMPARE(FileTree::snapshot(dir.path()).value(expected), call == u"extract" ? "<dir>" : "");
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
