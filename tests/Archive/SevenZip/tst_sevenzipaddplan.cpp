#include "Archive/SevenZip/SevenZipAddPlan.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "path>name" pairs in, one line per step out: "add p1 p2 | rn a>b c>d".
QList<SevenZipAddPlan::Input> inputs(const QStringList& pairs)
{
    QList<SevenZipAddPlan::Input> result;
    for (const QString& pair : pairs)
        result.append({ pair.section(u'>', 0, 0), pair.section(u'>', 1) });
    return result;
}

QStringList describe(const QList<SevenZipAddPlan::Step>& steps)
{
    QStringList lines;
    for (const SevenZipAddPlan::Step& step : steps) {
        QStringList renames;
        for (const SevenZipAddPlan::Rename& rename : step.renames)
            renames.append(rename.from + u'>' + rename.to);
        lines.append(
            QString(u"add "_s + step.paths.join(u' ') + u" | rn "_s + renames.join(u' ')).simplified());
    }
    return lines;
}

} // namespace

class tst_SevenZipAddPlan : public QObject
{
    Q_OBJECT

private slots:
    void plans_data();
    void plans();
};

void tst_SevenZipAddPlan::plans_data()
{
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("own names: one run")
        << QStringList { u"/a/x>x"_s, u"/b/y>y"_s } << QStringList { u"add /a/x /b/y | rn"_s };
    QTest::newRow("same name twice") << QStringList { u"/a/Photos>Photos"_s, u"/b/Photos>Photos"_s,
                                                      u"/c/z>z"_s }
                                     << QStringList { u"add /a/Photos /c/z | rn Photos>~0 z>~2"_s,
                                                      u"add /b/Photos | rn Photos>~1"_s,
                                                      u"add | rn ~0>Photos ~2>z ~1>Photos"_s };
    QTest::newRow("three of a name") << QStringList { u"/a/n>n"_s, u"/b/n>n"_s, u"/c/n>n"_s }
                                     << QStringList { u"add /a/n | rn n>~0"_s, u"add /b/n | rn n>~1"_s,
                                                      u"add /c/n | rn n>~2"_s, u"add | rn ~0>n ~1>n ~2>n"_s };
    // "/a/y" stored as "x" would clash with "/b/x" if renamed directly.
    QTest::newRow("names swapped") << QStringList { u"/a/y>x"_s, u"/b/x>y"_s }
                                   << QStringList { u"add /a/y /b/x | rn y>~0 x>~1"_s,
                                                    u"add | rn ~0>x ~1>y"_s };
    QTest::newRow("into a folder") << QStringList { u"/a/x>dir/x"_s }
                                   << QStringList { u"add /a/x | rn x>~0"_s, u"add | rn ~0>dir/x"_s };
}

void tst_SevenZipAddPlan::plans()
{
    QFETCH(QStringList, pairs);
    QFETCH(QStringList, steps);
    QCOMPARE(describe(SevenZipAddPlan::make(inputs(pairs), u"~"_s)), steps);
}

QTEST_GUILESS_MAIN(tst_SevenZipAddPlan)
#include "tst_sevenzipaddplan.moc"
