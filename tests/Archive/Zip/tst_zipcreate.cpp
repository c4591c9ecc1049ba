#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipHandle.h"
#include "FileTree.h"
#include "NearlyFullDisk.h"
#include "ZipFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr time_t kPast = 1'600'000'000;

// Entry name -> zip method (0 stored, 8 deflated).
using Methods = QMap<QString, int>;

void setTimes(const QString& path)
{
    const timespec times[2] = { { kPast, 0 }, { kPast, 0 } };
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

bool extract(const QString& archive, const QString& destination)
{
    QDir().mkpath(destination);
    ZipHandle handle;
    return handle.open(archive, {}) == ArchiveErrorType::none
        && handle.extract(destination, {}) == ArchiveErrorType::none;
}

} // namespace

class tst_ZipCreate : public QObject
{
    Q_OBJECT

private slots:
    void readersAcceptWhatWeWrite_data();
    void readersAcceptWhatWeWrite();
    void archiveAmongItsInputsIsSkipped();
    void stopsOnCancelAndUnreadableInput();
};

// Every row is packed, then tested and read back by unzip, 7zz, Python and
// bsdtar and by our own extraction, each of which must see the source tree
// as it was: names, content, modes, times and links.
void tst_ZipCreate::readersAcceptWhatWeWrite_data()
{
    QTest::addColumn<QString>("kind");
    // Entries whose method is checked: 0 stored, 8 deflated.
    QTest::addColumn<Methods>("methods");
    QTest::newRow("tree") << u"tree"_s
                          << Methods { { u"Tree/notes.txt"_s, 8 }, { u"Tree/empty.txt"_s, 0 },
                                       { u"Tree/sub/big.bin"_s, 0 } };
    QTest::newRow("multi-piece") << u"multi-piece"_s << Methods { { u"Tree/log.txt"_s, 8 } };
    QTest::newRow("incompressible start")
        << u"incompressible start"_s << Methods { { u"Tree/mixed.bin"_s, 0 } };
    QTest::newRow("zip64 by count") << u"many"_s << Methods();
}

void tst_ZipCreate::readersAcceptWhatWeWrite()
{
    QFETCH(QString, kind);
    QFETCH(Methods, methods);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"src"_s);
    const QString tree = source + u"/Tree"_s;
    QVERIFY(QDir().mkpath(tree + u"/sub/empty folder"_s));
    // A folder given with a trailing slash still lands under its name.
    QStringList contents { tree + u'/' };
    if (kind == u"tree"_s) {
        QVERIFY(ZipFixtures::writeFile(tree + u"/notes.txt"_s, QByteArray("notes, notes\n").repeated(5000)));
        QVERIFY(ZipFixtures::writeFile(tree + u"/empty.txt"_s, QByteArray()));
        QVERIFY(ZipFixtures::writeFile(tree + u"/Ünïcode 文件.txt"_s, "unicode"));
        QVERIFY(ZipFixtures::writeFile(tree + u"/run.sh"_s, "#!/bin/sh\n"));
        QVERIFY(ZipFixtures::writeFile(tree + u"/sub/big.bin"_s, FileTree::randomBytes(300 * 1024, 7)));
        QVERIFY(ZipFixtures::writeFile(source + u"/single.txt"_s, QByteArray()));
        contents << source + u"/single.txt"_s;
        QCOMPARE(chmod(QFile::encodeName(tree + u"/run.sh"_s).constData(), 0755), 0);
        QCOMPARE(chmod(QFile::encodeName(tree + u"/empty.txt"_s).constData(), 0640), 0);
        QCOMPARE(chmod(QFile::encodeName(tree + u"/sub/empty folder"_s).constData(), 0700), 0);
        QVERIFY(QFile::link(u"notes.txt"_s, tree + u"/link"_s));
        QVERIFY(QFile::link(u"."_s, tree + u"/loop"_s)); // followed, it would never end
    } else if (kind == u"multi-piece"_s) {
        QByteArray log;
        for (int i = 0; log.size() < 11 * 1024 * 1024; ++i)
            log += "line " + QByteArray::number(qint64(i) * 7919 % 100003) + " of the log\n";
        QVERIFY(ZipFixtures::writeFile(tree + u"/log.txt"_s, log));
    } else if (kind == u"incompressible start"_s) {
        QVERIFY(ZipFixtures::writeFile(tree + u"/mixed.bin"_s,
                                       FileTree::randomBytes(5 * 1024 * 1024, 5)
                                           + QByteArray(5 * 1024 * 1024, 0)));
    } else {
        for (int i = 0; i < 65'600; ++i)
            QVERIFY(ZipFixtures::writeFile(tree + u"/"_s + QString::number(i), QByteArray()));
    }
    // Times in the past, which an extraction made now cannot get by chance;
    // children before their folders, whose times the children's changes would move.
    const QStringList paths = ZipFixtures::snapshot(source).keys();
    for (auto it = paths.crbegin(); it != paths.crend(); ++it)
        setTimes(source + u'/' + *it);
    const QMap<QString, QString> expected = ZipFixtures::snapshot(source);

    // Written over the empty file a job reserves.
    const QString archive = dir.filePath(u"out.zip"_s);
    QVERIFY(ZipFixtures::writeFile(archive, QByteArray()));
    QList<QPair<quint64, quint64>> progress;
    QVERIFY(ZipEngine::createZipFile(archive, contents, [] { return true; },
                                     [&](quint64 entry, quint64 total) { progress.append({ entry, total }); }));
    const auto entries = quint64(expected.size());
    QCOMPARE(quint64(progress.size()), entries);
    for (qsizetype i = 0; i < progress.size(); ++i)
        QCOMPARE(progress.at(i), qMakePair(quint64(i + 1), entries));

    QCOMPARE(FileTree::run(u"unzip"_s, { u"-tqq"_s, archive }), 0);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"t"_s, archive }), 0);
    // Python checks every CRC and the content, and names each entry's method.
    const QString script = uR"(import os, stat, sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
assert archive.testzip() is None
for info in archive.infolist():
    if not info.is_dir() and not stat.S_ISLNK(info.external_attr >> 16):
        with open(os.path.join(sys.argv[2], info.filename), 'rb') as f:
            assert f.read() == archive.read(info), info.filename
    sys.stdout.buffer.write(b'%d %s\n' % (info.compress_type, info.filename.encode()))
)"_s;
    QByteArray listing;
    QCOMPARE(FileTree::run(u"python3"_s, { u"-c"_s, script, archive, source }, &listing), 0);
    for (auto it = methods.cbegin(); it != methods.cend(); ++it)
        QVERIFY2(
            listing.contains(QByteArray(QByteArray::number(it.value()) + ' ' + it.key().toUtf8() + '\n')),
            qPrintable(it.key()));

    const QString byBsdtar = dir.filePath(u"bsdtar"_s);
    QVERIFY(QDir().mkpath(byBsdtar));
    QCOMPARE(FileTree::run(u"bsdtar"_s, { u"-xpf"_s, archive, u"-C"_s, byBsdtar }), 0);
    QCOMPARE(ZipFixtures::snapshot(byBsdtar), expected);
    const QString byUs = dir.filePath(u"ours"_s);
    QVERIFY(extract(archive, byUs));
    QCOMPARE(ZipFixtures::snapshot(byUs), expected);
}

void tst_ZipCreate::archiveAmongItsInputsIsSkipped()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"Folder"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(ZipFixtures::writeFile(folder + u"/file.txt"_s, "content"));
    // The same file under another path text.
    QVERIFY(QFile::link(folder, dir.filePath(u"alias"_s)));
    const QString archive = dir.filePath(u"alias/../alias/Folder.zip"_s);
    QVERIFY(ZipFixtures::writeFile(archive, QByteArray()));

    QVERIFY(ZipEngine::createZipFile(archive, { folder }, {}, {}));
    const QString output = dir.filePath(u"out"_s);
    QVERIFY(extract(archive, output));
    QCOMPARE(ZipFixtures::snapshot(output).keys(), QStringList({ u"Folder"_s, u"Folder/file.txt"_s }));
}

void tst_ZipCreate::stopsOnCancelAndUnreadableInput()
{
    QTemporaryDir dir;
    const QString big = dir.filePath(u"big.bin"_s);
    // Three pieces.
    QVERIFY(ZipFixtures::writeFile(big, QByteArray(10 * 1024 * 1024, 'x')));
    const QString archive = dir.filePath(u"out.zip"_s);
    QVERIFY(ZipFixtures::writeFile(archive, QByteArray()));
    const QString random = dir.filePath(u"random.bin"_s);
    QVERIFY(ZipFixtures::writeFile(random, FileTree::randomBytes(3 * 1024 * 1024, 3)));
    const QStringList untouched { u"big.bin"_s, u"out.zip"_s, u"random.bin"_s };

    QVERIFY(!ZipEngine::createZipFile(archive, { big }, [] { return false; }, {}));
    // Asked before the entry and before each piece: a large file is stopped inside.
    int asked = 0;
    QVERIFY(!ZipEngine::createZipFile(archive, { big }, [&] { return ++asked < 3; }, {}));
    QCOMPARE(asked, 3);
    QCOMPARE(FileTree::entries(dir.path()), untouched);

    QVERIFY(!ZipEngine::createZipFile(archive, { big, dir.filePath(u"missing"_s) }, {}, {}));
    QVERIFY(!ZipEngine::createZipFile(archive, { u"/"_s }, {}, {}));
    QCOMPARE(FileTree::entries(dir.path()), untouched);
    {
        // A full disk past 1 MiB.
        const NearlyFullDisk nearlyFull(1024 * 1024);
        QVERIFY(nearlyFull.isActive());
        QVERIFY(!ZipEngine::createZipFile(archive, { random }, {}, {}));
    }
    QCOMPARE(FileTree::entries(dir.path()), untouched);
    QCOMPARE(QFileInfo(archive).size(), 0);

    // Something else than the empty reserved file is never replaced.
    QVERIFY(ZipFixtures::writeFile(archive, "taken"));
    QVERIFY(!ZipEngine::createZipFile(archive, { big }, {}, {}));
    QCOMPARE(FileTree::readFile(archive), QByteArray("taken"));
    QCOMPARE(FileTree::entries(dir.path()), untouched);
}

QTEST_GUILESS_MAIN(tst_ZipCreate)
#include "tst_zipcreate.moc"
