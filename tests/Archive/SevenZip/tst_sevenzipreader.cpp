#include "Archive/SevenZip/OutwardLinkSweeper.h"
#include "Archive/SevenZip/SevenZipProcess.h"
#include "Archive/SevenZip/SevenZipReader.h"
#include "ChildProcess.h"
#include "FileTree.h"
#include "SevenZipFixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Entries = QList<SevenZipFixtures::Entry>;
using Links = QList<std::pair<QString, QString>>; // link path -> target, made in order

Q_DECLARE_METATYPE(Entries)

namespace {

const QString kPassword = u"Zebra-Quartz-917"_s;

struct Walk
{
    QStringList paths;
    int calls = 0;
    QStringList errors; // "path: message"
};

Walk walk(const SevenZipReader& reader)
{
    Walk result;
    reader.iterate([&result](const SevenZipItem* item, const QString* error) {
        ++result.calls;
        if (error)
            result.errors.append((item ? item->path : QString()) + u": "_s + *error);
        if (item)
            result.paths.append(item->path);
        return true;
    });
    return result;
}

} // namespace

class tst_SevenZipReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void refusesAnotherFormat();
    void refusesAFolderInUse();
    void hostileArchives_data();
    void hostileArchives();
    void sweepsOutwardLinks_data();
    void sweepsOutwardLinks();
    void atThePrompt_data();
    void atThePrompt();
    void cancelStopsPromptly();
    void listingErrorsReachTheLastItem();

private:
    QString fixture(const QString& name) const { return m_fixtures.filePath(name); }

    QTemporaryDir m_fixtures;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_source;
    QString m_dest;
};

void tst_SevenZipReader::initTestCase()
{
    QVERIFY(!SevenZipProcess::executable().isEmpty());
    m_source = m_fixtures.filePath(u"src"_s);
    QVERIFY(SevenZipFixtures::writeSampleTree(m_source));

    const QString password = u"-p"_s + kPassword;
    QVERIFY(SevenZipFixtures::pack(fixture(u"plain.7z"_s), m_source, { u"-t7z"_s }));
    QVERIFY(SevenZipFixtures::pack(fixture(u"encrypted.7z"_s), m_source, { u"-t7z"_s, password }));
    QVERIFY(SevenZipFixtures::pack(fixture(u"zip.7z"_s), m_source, { u"-tzip"_s }));
}

void tst_SevenZipReader::init()
{
    m_work = std::make_unique<QTemporaryDir>();
    m_dest = m_work->filePath(u"parent/dest"_s);
    QVERIFY(QDir().mkpath(m_dest));
}

// 7zz reads many formats: an archive of another kind under a 7z name is
// refused, not read past our checks. Damage and wrong passwords are the
// archivers' tables.
void tst_SevenZipReader::refusesAnotherFormat()
{
    SevenZipReader reader(fixture(u"zip.7z"_s));
    QVERIFY(!reader.open());
    QVERIFY(!reader.extract(reader.items(), m_dest, true));
    QCOMPARE(FileTree::entries(m_dest), QStringList());
}

void tst_SevenZipReader::refusesAFolderInUse()
{
    QVERIFY(FileTree::writeFile(m_dest, u"readme.txt"_s, "mine"));
    SevenZipReader reader(fixture(u"plain.7z"_s));
    QVERIFY(reader.open());
    QVERIFY(!reader.extract(reader.items(), m_dest, true));
    QCOMPARE(FileTree::snapshot(m_dest), (QMap<QString, QByteArray> { { u"readme.txt"_s, "mine" } }));
}

void tst_SevenZipReader::hostileArchives_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QStringList>("inside"); // files holding "evil" in the folder on success

    const auto file = [](const QString& name) { return SevenZipFixtures::Entry { name, "evil", false }; };
    const auto link = [](const QString& name, const QByteArray& target) {
        return SevenZipFixtures::Entry { name, target, true };
    };
    // 7zz itself keeps names inside and writes nothing through links; what
    // links it makes leading out are swept away after it.
    QTest::newRow("climbing name") << Entries { file(u"../evil"_s) } << true << QStringList { u"evil"_s };
    QTest::newRow("absolute name") << Entries { file(u"<parent>/evil"_s) } << true
                                   << QStringList { u"<parent-relative>/evil"_s };
    // Links out are refused, and nothing is written through them.
    QTest::newRow("link out, then a file through it")
        << Entries { link(u"lnk"_s, "../outside"), file(u"lnk/evil"_s) } << false << QStringList();
    // The first of two entries of the same name stays.
    QTest::newRow("same name twice") << Entries { file(u"same"_s), { u"same"_s, "second", false } } << true
                                     << QStringList { u"same"_s };
}

void tst_SevenZipReader::hostileArchives()
{
    QFETCH(Entries, entries);
    QFETCH(bool, succeeds);
    QFETCH(QStringList, inside);

    const QString parent = m_work->filePath(u"parent"_s);
    for (SevenZipFixtures::Entry& entry : entries) {
        entry.storedName.replace(u"<parent>"_s, parent);
        entry.content.replace("<parent>", parent.toUtf8());
    }
    const QString scratch = m_work->filePath(u"scratch"_s);
    QVERIFY(QDir().mkpath(scratch));
    const QString archive = m_work->filePath(u"hostile.7z"_s);
    QVERIFY(SevenZipFixtures::buildArchive(archive, entries, scratch));
    QStringList stored;
    for (const SevenZipFixtures::Entry& entry : std::as_const(entries))
        stored.append(entry.storedName);
    QCOMPARE(SevenZipFixtures::listedPaths(archive), stored);

    SevenZipReader reader(archive);
    QVERIFY(reader.open());
    QCOMPARE(reader.extract(reader.items(), m_dest, true), succeeds);
    QCOMPARE(FileTree::entries(parent), QStringList { u"dest"_s });
    QCOMPARE(FileTree::entries(m_work->path()), QStringList({ u"hostile.7z"_s, u"parent"_s, u"scratch"_s }));
    // Nothing left for the sweep (its own table follows) to find: it ran.
    QVERIFY(OutwardLinkSweeper::sweep(m_dest));
    for (QString path : std::as_const(inside)) {
        path.replace(u"<parent-relative>"_s, parent.mid(1));
        QCOMPARE(FileTree::snapshot(m_dest).value(path), QByteArray("evil"));
    }
}

void tst_SevenZipReader::sweepsOutwardLinks_data()
{
    QTest::addColumn<Links>("links");
    QTest::addColumn<QStringList>("removed");

    const auto one = [](const QString& target) { return Links { { u"sub/link"_s, target } }; };
    QTest::newRow("sibling") << one(u"file.txt"_s) << QStringList();
    QTest::newRow("up into the root") << one(u"../top.txt"_s) << QStringList();
    QTest::newRow("the root itself") << one(u".."_s) << QStringList();
    QTest::newRow("dangling inside") << one(u"missing/deeper"_s) << QStringList();
    QTest::newRow("up out of the root") << one(u"../.."_s) << QStringList { u"sub/link"_s };
    QTest::newRow("dangling outside") << one(u"../../elsewhere"_s) << QStringList { u"sub/link"_s };
    QTest::newRow("absolute outside") << one(u"/etc"_s) << QStringList { u"sub/link"_s };
    QTest::newRow("absolute inside") << one(u"<root>/top.txt"_s) << QStringList();
    // Climbing after a missing folder is judged from where the path stops existing.
    QTest::newRow("climbing past a missing folder")
        << one(u"missing/../../.."_s) << QStringList { u"sub/link"_s };
    // "dot" is the root, so "dot/.." is its parent, although the text stays inside.
    QTest::newRow("through a link to the root")
        << Links { { u"dot"_s, u"."_s }, { u"escape"_s, u"dot/.."_s } } << QStringList { u"escape"_s };
    QTest::newRow("dangling through a link to the root")
        << Links { { u"dot"_s, u"."_s }, { u"escape"_s, u"dot/../gone"_s } } << QStringList { u"escape"_s };
    QTest::newRow("loop") << Links { { u"a"_s, u"b"_s }, { u"b"_s, u"a"_s } } << QStringList();
    QTest::newRow("only the outward one goes")
        << Links { { u"in"_s, u"sub"_s }, { u"sub/out"_s, u"/"_s } } << QStringList { u"sub/out"_s };
}

// The sweep runs after 7zz, in the folder it extracted to; only links leading
// out of that folder go, and nothing else changes.
void tst_SevenZipReader::sweepsOutwardLinks()
{
    QFETCH(Links, links);
    QFETCH(QStringList, removed);

    const QString parent = m_work->filePath(u"parent"_s);
    QVERIFY(FileTree::writeFile(m_dest, u"top.txt"_s, "top"));
    QVERIFY(FileTree::writeFile(m_dest, u"sub/file.txt"_s, "file"));
    QVERIFY(FileTree::writeFile(parent, u"outside.txt"_s, "outside"));
    for (const auto& [path, target] : links)
        QVERIFY(QFile::link(QString(target).replace(u"<root>"_s, m_dest), m_dest + u'/' + path));
    QMap<QString, QByteArray> expected = FileTree::snapshot(parent);

    QCOMPARE(OutwardLinkSweeper::sweep(m_dest), removed.isEmpty());

    for (const QString& path : removed)
        QVERIFY(expected.remove(u"dest/"_s + path) == 1);
    QCOMPARE(FileTree::snapshot(parent), expected);
}

void tst_SevenZipReader::atThePrompt_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("look at 7zz") << u"look"_s;
    // As when the user cancels the password prompt.
    QTest::newRow("cancel") << u"cancel"_s;
    // The answer then goes into a pipe nobody reads.
    QTest::newRow("7zz dies") << u"kill"_s;
}

// 7zz waits for the answer while the getter acts.
void tst_SevenZipReader::atThePrompt()
{
    QFETCH(QString, action);
    SevenZipReader reader(fixture(u"encrypted.7z"_s));
    QVERIFY(reader.open());
    std::optional<ChildProcess::Info> child;
    bool cancelled = false;
    reader.setPasswordGetter([&] {
        child = ChildProcess::find(u"7zz"_s);
        cancelled = action == u"cancel"_s;
        if (action == u"kill"_s && child && !ChildProcess::kill(child->pid))
            child.reset();
        return kPassword;
    });
    reader.setCanContinue([&cancelled] { return !cancelled; });
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(reader.extract(reader.items(), m_dest, true), action == u"look"_s);
    QVERIFY(child);
    if (cancelled) // 7zz at a prompt ends on end of file, long before it would be killed
        QCOMPARE_LT(timer.elapsed(), 2000);
    QVERIFY(child->commandLine.startsWith(QByteArray(SevenZipProcess::executable().toUtf8() + '\0' + "x")));
    QVERIFY(!child->environment.isEmpty());
    QVERIFY(!QByteArray(child->commandLine + child->environment).contains(kPassword.toUtf8()));
}

void tst_SevenZipReader::cancelStopsPromptly()
{
    const QString large = m_work->filePath(u"large.bin"_s);
    QVERIFY(SevenZipFixtures::makeLargeFile(large, 256 << 20));
    const QString archive = m_work->filePath(u"large.7z"_s);
    QCOMPARE(ChildProcess::run(u"7zz"_s, { u"a"_s, u"-t7z"_s, u"-mx=1"_s, archive, large }), 0);

    SevenZipReader reader(archive);
    bool started = false;
    QElapsedTimer sinceCancel;
    reader.setProgressHandler([&started](float) { started = true; });
    reader.setCanContinue([&] {
        if (started && !sinceCancel.isValid())
            sinceCancel.start();
        return !started;
    });
    QVERIFY(reader.open());
    QVERIFY(!reader.extract(reader.items(), m_dest, true));
    QVERIFY(sinceCancel.isValid());
    QCOMPARE_LT(sinceCancel.elapsed(), 5000);
    QVERIFY(!ChildProcess::find(u"7zz"_s));
    QCOMPARE_LT(QFileInfo(m_dest + u"/large.bin"_s).size(), 256 << 20);
}

// Real 7zz either lists everything or nothing; a stand-in first on PATH
// lists two entries and then fails.
void tst_SevenZipReader::listingErrorsReachTheLastItem()
{
    const QString bin = m_work->filePath(u"bin"_s);
    QVERIFY(FileTree::writeFile(bin, u"7zz"_s,
                                "#!/bin/sh\nprintf 'Path = a\\nSize = 1\\n\\nPath = b\\nSize = 2\\n'\n"
                                "echo 'ERROR: Headers Error' >&2\nexit 2\n"));
    QVERIFY(QFile::setPermissions(bin + u"/7zz"_s, QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([path] { qputenv("PATH", path); });
    qputenv("PATH", QFile::encodeName(bin) + ':' + path);

    SevenZipReader reader(fixture(u"plain.7z"_s));
    QVERIFY(reader.open());
    const Walk listed = walk(reader);
    QCOMPARE(listed.paths, QStringList({ u"a"_s, u"b"_s }));
    QCOMPARE(listed.errors.size(), 1);
    QVERIFY(listed.errors.first().startsWith(u"b: "_s) && listed.errors.first().contains(u"Headers Error"_s));
}

QTEST_GUILESS_MAIN(tst_SevenZipReader)
#include "tst_sevenzipreader.moc"
