#include "Archive/SevenZip/OutwardLinkSweeper.h"
#include "FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Links = QList<std::pair<QString, QString>>; // link path -> target, made in order

class tst_OutwardLinkSweeper : public QObject
{
    Q_OBJECT

private slots:
    void sweep_data();
    void sweep();
};

void tst_OutwardLinkSweeper::sweep_data()
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

void tst_OutwardLinkSweeper::sweep()
{
    QFETCH(Links, links);
    QFETCH(QStringList, removed);

    QTemporaryDir parent;
    const QString root = parent.filePath(u"root"_s);
    QVERIFY(FileTree::writeFile(root, u"top.txt"_s, "top"));
    QVERIFY(FileTree::writeFile(root, u"sub/file.txt"_s, "file"));
    QVERIFY(FileTree::writeFile(parent.path(), u"outside.txt"_s, "outside"));
    for (const auto& [path, target] : links)
        QVERIFY(QFile::link(QString(target).replace(u"<root>"_s, root), root + u'/' + path));
    const QMap<QString, QByteArray> before = FileTree::snapshot(parent.path());

    QCOMPARE(OutwardLinkSweeper::sweep(root), removed.isEmpty());

    QMap<QString, QByteArray> expected = before;
    for (const QString& path : removed)
        QVERIFY(expected.remove(u"root/"_s + path) == 1);
    QCOMPARE(FileTree::snapshot(parent.path()), expected);
}

QTEST_GUILESS_MAIN(tst_OutwardLinkSweeper)
#include "tst_outwardlinksweeper.moc"
