#include "Archive/Extraction/EntryPathSanitizer.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_EntryPathSanitizer : public QObject
{
    Q_OBJECT

private slots:
    void sanitize_data();
    void sanitize();
    void linkTarget_data();
    void linkTarget();
};

void tst_EntryPathSanitizer::sanitize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << u"a/b.txt"_s << u"a/b.txt"_s;
    QTest::newRow("folder entry") << u"a/b/"_s << u"a/b"_s;
    QTest::newRow("parent") << u"../evil"_s << u"evil"_s;
    QTest::newRow("parent inside") << u"a/../../evil"_s << u"a/evil"_s;
    QTest::newRow("absolute") << u"/tmp/abs"_s << u"tmp/abs"_s;
    QTest::newRow("current and empty") << u"./a//./b"_s << u"a/b"_s;
    QTest::newRow("windows drive") << u"C:\\evil"_s << u"evil"_s;
    QTest::newRow("windows parent") << u"..\\..\\evil.exe"_s << u"evil.exe"_s;
    QTest::newRow("windows rooted") << u"\\rooted.txt"_s << u"rooted.txt"_s;
    QTest::newRow("unc") << u"\\\\server\\share\\x"_s << u"server/share/x"_s;
    QTest::newRow("drive later is a name") << u"a/C:/b"_s << u"a/C:/b"_s;
    QTest::newRow("colon name kept") << u"C:notes.txt"_s << u"C:notes.txt"_s;
    QTest::newRow("dots in names") << u"..a/b../...txt"_s << u"..a/b../...txt"_s;
    QTest::newRow("root only") << u"/"_s << QString();
    QTest::newRow("parents only") << u"../../"_s << QString();
    QTest::newRow("drive only") << u"D:\\"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_EntryPathSanitizer::sanitize()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const QString sanitized = EntryPathSanitizer::sanitize(name);
    QCOMPARE(sanitized, expected);
    QVERIFY(!sanitized.startsWith(u'/'));
    QVERIFY(!sanitized.split(u'/').contains(u".."_s));
}

void tst_EntryPathSanitizer::linkTarget_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("inside");

    QTest::newRow("sibling") << u"link"_s << u"file.txt"_s << true;
    QTest::newRow("down") << u"link"_s << u"a/b/c"_s << true;
    QTest::newRow("itself") << u"a/link"_s << u"."_s << true;
    QTest::newRow("up to the top") << u"a/b/link"_s << u"../../file"_s << true;
    QTest::newRow("up one too many") << u"a/b/link"_s << u"../../../file"_s << false;
    QTest::newRow("parent of the top") << u"link"_s << u".."_s << false;
    QTest::newRow("up and up") << u"link"_s << u"../.."_s << false;
    QTest::newRow("absolute") << u"link"_s << u"/tmp"_s << false;
    QTest::newRow("absolute inside-looking") << u"a/link"_s << u"/a"_s << false;
    // "x/.." is "." only when x is a folder; through a link it climbs elsewhere.
    QTest::newRow("climb after a name") << u"link"_s << u"x/.."_s << false;
    QTest::newRow("climb after a name, deep") << u"a/b/link"_s << u"../x/../y"_s << false;
    QTest::newRow("empty") << u"link"_s << QString() << false;
}

void tst_EntryPathSanitizer::linkTarget()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(bool, inside);
    QCOMPARE(EntryPathSanitizer::isLinkTargetInside(link, target), inside);
}

QTEST_GUILESS_MAIN(tst_EntryPathSanitizer)
#include "tst_entrypathsanitizer.moc"
