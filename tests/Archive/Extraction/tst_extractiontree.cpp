#include "Archive/Extraction/ExtractionTree.h"
#include "Archive/Extraction/PendingFile.h"
#include "FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Outcome = ExtractionTree::Outcome;

namespace {

struct stat statusOf(const QString& path)
{
    struct stat status = {};
    lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

} // namespace

class tst_ExtractionTree : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void neverWritesThroughLinksOrReplaces();
    void entriesLandWhereNamedInAnyOrder();
    void hardLinksOnlyToExtractedFiles();
    void unfinishedFileIsRemoved();
    void attributesWithoutSpecialBits();
    void destinationRemovedIsAFailure();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_destination;
    ExtractionTree m_tree;
};

void tst_ExtractionTree::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_destination = m_root->filePath(u"dest"_s);
    QVERIFY(QDir().mkdir(m_destination));
    m_tree = ExtractionTree();
    QVERIFY(m_tree.open(m_destination));
}

void tst_ExtractionTree::neverWritesThroughLinksOrReplaces()
{
    const QString outside = m_root->filePath(u"outside"_s);
    QVERIFY(QDir().mkdir(outside));
    QVERIFY(QFile::link(outside, m_destination + u"/link"_s));
    QVERIFY(FileTree::writeFile(m_destination, u"file"_s, "old"));

    std::unique_ptr<PendingFile> file;
    QCOMPARE(m_tree.createFile(u"link/evil"_s, file), Outcome::skipped);
    QCOMPARE(m_tree.makeDirectory(u"link/sub"_s, 0755, std::nullopt), Outcome::skipped);
    QCOMPARE(m_tree.makeSymlink(u"link/x"_s, u"y"_s, std::nullopt), Outcome::skipped);
    QCOMPARE(m_tree.createFile(u"link"_s, file), Outcome::skipped);
    QCOMPARE(m_tree.createFile(u"file"_s, file), Outcome::skipped);
    QCOMPARE(m_tree.createFile(u"file/x"_s, file), Outcome::skipped);
    QCOMPARE(m_tree.makeDirectory(u"file"_s, 0755, std::nullopt), Outcome::skipped);
    QCOMPARE(m_tree.makeSymlink(u"file"_s, u"y"_s, std::nullopt), Outcome::skipped);
    QVERIFY(!file);
    QVERIFY(QDir(outside).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QCOMPARE(FileTree::readFile(m_destination + u"/file"_s), "old"_ba);
    QVERIFY(m_tree.finish());
}

// Folders are kept open between entries: an entry in a folder met long ago,
// in a sibling whose name starts alike, or below a link made since must still
// land where its path says.
void tst_ExtractionTree::entriesLandWhereNamedInAnyOrder()
{
    QMap<QString, QByteArray> expected;
    const auto add = [&](const QString& path) {
        std::unique_ptr<PendingFile> file;
        QCOMPARE(m_tree.createFile(path, file), Outcome::created);
        QCOMPARE(file->write(path.toUtf8().constData(), size_t(path.size())), 0);
        QCOMPARE(file->commit(0644, std::nullopt), 0);
        expected.insert(path, path.toUtf8());
    };
    QString deep = u"deep"_s;
    for (int level = 0; level < 40; ++level) {
        deep += u"/d"_s + QString::number(level);
        add(deep + u"/f"_s);
        add(u"wide/w"_s + QString::number(level) + u"/f"_s);
    }
    add(u"deep/d0/d1/g"_s);
    add(u"wide/w1/g"_s);
    add(u"wide/w10/g"_s);
    add(u"deep/d0/d1/d2/d3/d4/new/f"_s);
    QCOMPARE(m_tree.makeSymlink(u"alias"_s, u"deep/d0"_s, std::nullopt), Outcome::created);
    std::unique_ptr<PendingFile> file;
    QCOMPARE(m_tree.createFile(u"alias/d1/evil"_s, file), Outcome::skipped);
    QVERIFY(m_tree.finish());

    QMap<QString, QByteArray> files = FileTree::snapshot(m_destination);
    files.removeIf([](const auto& entry) { return entry.value() == "<dir>"; });
    expected.insert(u"alias"_s, "-> deep/d0");
    QCOMPARE(files, expected);
}

void tst_ExtractionTree::hardLinksOnlyToExtractedFiles()
{
    const QString outside = m_root->filePath(u"outside"_s);
    QVERIFY(FileTree::writeFile(outside, u"target"_s, "outside"));
    QVERIFY(QFile::link(outside, m_destination + u"/door"_s));
    std::unique_ptr<PendingFile> file;
    QCOMPARE(m_tree.createFile(u"a/original"_s, file), Outcome::created);
    QCOMPARE(file->commit(0644, std::nullopt), 0);
    QCOMPARE(m_tree.makeSymlink(u"a/symlink"_s, u"original"_s, std::nullopt), Outcome::created);

    QCOMPARE(m_tree.makeHardLink(u"b/copy"_s, u"a/original"_s), Outcome::created);
    QCOMPARE(statusOf(m_destination + u"/b/copy"_s).st_ino,
             statusOf(m_destination + u"/a/original"_s).st_ino);
    // Taken, a link, through a link, nothing, a folder.
    for (const auto& [link, target] : { std::pair { u"b/copy"_s, u"a/original"_s },
                                        { u"l1"_s, u"a/symlink"_s },
                                        { u"l2"_s, u"door/target"_s },
                                        { u"l3"_s, u"a/missing"_s },
                                        { u"l4"_s, u"a"_s } })
        QCOMPARE(m_tree.makeHardLink(link, target), Outcome::skipped);
    QCOMPARE(statusOf(outside + u"/target"_s).st_nlink, nlink_t(1));
    QVERIFY(m_tree.finish());
}

void tst_ExtractionTree::unfinishedFileIsRemoved()
{
    std::unique_ptr<PendingFile> file;
    QCOMPARE(m_tree.createFile(u"a/b/partial.bin"_s, file), Outcome::created);
    QCOMPARE(file->write("data", 4), 0);
    file.reset();
    QVERIFY(!QFileInfo::exists(m_destination + u"/a/b/partial.bin"_s));
    QVERIFY(QFileInfo(m_destination + u"/a/b"_s).isDir());
}

void tst_ExtractionTree::attributesWithoutSpecialBits()
{
    const timespec past { 1'500'000'000, 0 };
    QCOMPARE(m_tree.makeDirectory(u"locked"_s, 0555, past), Outcome::created);
    std::unique_ptr<PendingFile> file;
    QCOMPARE(m_tree.createFile(u"locked/tool"_s, file), Outcome::created);
    QCOMPARE(file->write("#!/bin/sh\n", 10), 0);
    QCOMPARE(file->commit(06755, past), 0);
    QCOMPARE(m_tree.makeSymlink(u"locked/alias"_s, u"tool"_s, past), Outcome::created);
    QVERIFY(m_tree.finish());

    // Owner rwx is added so the extracted tree can always be removed again.
    const QMap<QString, QByteArray> tree = FileTree::snapshot(m_destination, true);
    QCOMPARE(tree.value(u"locked"_s), "755 1500000000 <dir>");
    QCOMPARE(tree.value(u"locked/tool"_s), "755 1500000000 #!/bin/sh\n");
    QCOMPARE(tree.value(u"locked/alias"_s), "-> tool");
}

void tst_ExtractionTree::destinationRemovedIsAFailure()
{
    QVERIFY(QDir(m_destination).removeRecursively());
    std::unique_ptr<PendingFile> file;
    QCOMPARE(m_tree.createFile(u"a.txt"_s, file), Outcome::failed);
    QCOMPARE(m_tree.error(), ENOENT);
    QCOMPARE(m_tree.makeDirectory(u"sub/dir"_s, 0755, std::nullopt), Outcome::failed);
    QVERIFY(!QFileInfo::exists(m_destination));

    ExtractionTree missing;
    QVERIFY(!missing.open(m_destination));
}

QTEST_GUILESS_MAIN(tst_ExtractionTree)
#include "tst_extractiontree.moc"
