#include "Archive/Zip/ZipEngine.h"
#include "FileTree.h"
#include "ZipFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr time_t kPast = 1'600'000'000;

void setTimes(const QString& path)
{
    const timespec times[2] = { { kPast, 0 }, { kPast, 0 } };
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

bool extract(const QString& archive, const QString& destination)
{
    bool succeeded = false;
    QDir().mkpath(destination);
    ZipEngine::unzipFile(archive, destination, std::nullopt, {}, {},
                         [&](const QString&, bool ok, std::optional<int>) { succeeded = ok; });
    return succeeded;
}

} // namespace

class tst_ZipCreate : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsTreeAndAttributes();
    void archiveAmongItsInputsIsSkipped();
    void stopsOnCancelAndUnreadableInput();
};

void tst_ZipCreate::roundTripKeepsTreeAndAttributes()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"src"_s);
    const QString folder = source + u"/Folder"_s;
    QVERIFY(QDir().mkpath(folder + u"/sub/empty"_s));
    QVERIFY(ZipFixtures::writeFile(folder + u"/a.txt"_s, "alpha"));
    QVERIFY(ZipFixtures::writeFile(folder + u"/Ünïcode 文件.txt"_s, "unicode"));
    QVERIFY(ZipFixtures::writeFile(folder + u"/sub/big.bin"_s, FileTree::randomBytes(300 * 1024, 7)));
    QVERIFY(ZipFixtures::writeFile(source + u"/single.txt"_s, QByteArray()));
    QVERIFY(QFile::link(u"a.txt"_s, folder + u"/link"_s));
    QVERIFY(QFile::link(u"."_s, folder + u"/loop"_s)); // followed, it would never end
    QCOMPARE(chmod(QFile::encodeName(folder + u"/a.txt"_s).constData(), 0640), 0);
    QCOMPARE(chmod(QFile::encodeName(folder + u"/sub/empty"_s).constData(), 0750), 0);
    // Children before their folders, whose times the children's changes would move.
    const QStringList paths = ZipFixtures::snapshot(source).keys();
    for (auto it = paths.crbegin(); it != paths.crend(); ++it)
        setTimes(source + u'/' + *it);

    const QString archive = dir.filePath(u"out.zip"_s);
    QVERIFY(ZipFixtures::writeFile(archive, QByteArray()));
    QList<QPair<quint64, quint64>> progress;
    QVERIFY(ZipEngine::createZipFile(
        archive, { folder + u'/', source + u"/single.txt"_s }, [] { return true; },
        [&](quint64 entry, quint64 total) {
            progress.append({ entry, total });
        }));
    QCOMPARE(progress.size(), 9);
    for (qsizetype i = 0; i < progress.size(); ++i)
        QCOMPARE(progress.at(i), qMakePair(quint64(i + 1), quint64(9)));

    QByteArray listing;
    QCOMPARE(FileTree::run(u"7zz"_s, { u"t"_s, archive }), 0);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"l"_s, u"-slt"_s, u"-ba"_s, archive }, &listing), 0);
    QVERIFY(listing.contains(u"Path = Folder/Ünïcode 文件.txt"_s.toUtf8()));
    QVERIFY(listing.contains("Method = Deflate"));

    const QString output = dir.filePath(u"out"_s);
    QVERIFY(extract(archive, output));
    QCOMPARE(ZipFixtures::snapshot(output), ZipFixtures::snapshot(source));
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
    QVERIFY(ZipFixtures::writeFile(big, QByteArray(1024 * 1024, 'x')));
    const QString archive = dir.filePath(u"out.zip"_s);

    QVERIFY(!ZipEngine::createZipFile(archive, { big }, [] { return false; }, {}));
    // Asked before the entry and between chunks: a large file is stopped inside.
    int asked = 0;
    QVERIFY(!ZipEngine::createZipFile(archive, { big }, [&] { return ++asked < 3; }, {}));
    QCOMPARE(asked, 3);

    QVERIFY(!ZipEngine::createZipFile(archive, { big, dir.filePath(u"missing"_s) }, {}, {}));
    QVERIFY(!ZipEngine::createZipFile(archive, { u"/"_s }, {}, {}));
    // Every write fails as on a full disk, at the end or (for data that does
    // not compress) inside the entry; the entry being written is released
    // either way (the sanitizer build checks for leaks).
    const QString random = dir.filePath(u"random.bin"_s);
    QVERIFY(ZipFixtures::writeFile(random, FileTree::randomBytes(1024 * 1024, 3)));
    QVERIFY(!ZipEngine::createZipFile(u"/dev/full"_s, { big }, {}, {}));
    QVERIFY(!ZipEngine::createZipFile(u"/dev/full"_s, { random }, {}, {}));
    QVERIFY(ZipEngine::createZipFile(archive, { big }, {}, {}));
}

QTEST_GUILESS_MAIN(tst_ZipCreate)
#include "tst_zipcreate.moc"
