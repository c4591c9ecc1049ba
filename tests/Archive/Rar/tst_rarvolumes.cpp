#include "Archive/Rar/RarVolumes.h"
#include "FileTree.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_RarVolumes : public QObject
{
    Q_OBJECT

private slots:
    void find_data();
    void find();
};

void tst_RarVolumes::find_data()
{
    QTest::addColumn<QStringList>("onDisk");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("expected");

    const QStringList numbered { u"a.part1.rar"_s, u"a.part2.rar"_s, u"a.part3.rar"_s };
    QTest::newRow("first part") << numbered << u"a.part1.rar"_s << numbered;
    QTest::newRow("a later part leads to the first") << numbered << u"a.part3.rar"_s << numbered;
    QTest::newRow("padded numbers") << QStringList { u"b.part01.rar"_s, u"b.part02.rar"_s, u"b.part10.rar"_s }
                                    << u"b.part02.rar"_s
                                    << QStringList { u"b.part01.rar"_s, u"b.part02.rar"_s };
    QTest::newRow("stops at a gap") << QStringList { u"c.part1.rar"_s, u"c.part2.rar"_s, u"c.part4.rar"_s }
                                    << u"c.part1.rar"_s << QStringList { u"c.part1.rar"_s, u"c.part2.rar"_s };
    QTest::newRow("other sets beside it")
        << QStringList { u"d.part1.rar"_s, u"d.part2.rar"_s, u"dd.part1.rar"_s, u"d.part1.rar.bak"_s }
        << u"d.part1.rar"_s << QStringList { u"d.part1.rar"_s, u"d.part2.rar"_s };
    QTest::newRow("old style") << QStringList { u"e.rar"_s, u"e.r00"_s, u"e.r01"_s } << u"e.rar"_s
                               << QStringList { u"e.rar"_s, u"e.r00"_s, u"e.r01"_s };
    QTest::newRow("old style from a continuation")
        << QStringList { u"f.rar"_s, u"f.r00"_s } << u"f.r00"_s << QStringList { u"f.rar"_s, u"f.r00"_s };
    QTest::newRow("single archive") << QStringList { u"h.rar"_s } << u"h.rar"_s << QStringList { u"h.rar"_s };
    QTest::newRow("other extension") << QStringList { u"j.cbr"_s, u"j.r00"_s } << u"j.cbr"_s
                                     << QStringList { u"j.cbr"_s };
}

void tst_RarVolumes::find()
{
    QFETCH(QStringList, onDisk);
    QFETCH(QString, opened);
    QFETCH(QStringList, expected);
    const QTemporaryDir folder;
    for (const QString& name : std::as_const(onDisk))
        QVERIFY(FileTree::writeFile(folder.path(), name, "x"));

    QStringList found;
    for (const QString& path : RarVolumes::find(folder.filePath(opened)))
        found.append(path.mid(folder.path().size() + 1));
    QCOMPARE(found, expected);
}

QTEST_GUILESS_MAIN(tst_RarVolumes)
#include "tst_rarvolumes.moc"
